#pragma once
// TDefCollection: what field and index definitions share, the dataset they describe and whether
// they mirror it ("updated"): Update fills them from the dataset once until they are marked stale.

namespace platform::data {

class TDataSet;

class TDefCollection {
public:
    explicit TDefCollection(TDataSet* dataSet) : fDataSet(dataSet) {}
    TDataSet* DataSet() const { return fDataSet; }
    bool Updated() const { return fUpdated; }
    void SetUpdated(bool value) { fUpdated = value; }

protected:
    // Runs the dataset's method when the definitions are stale, then marks them updated.
    void UpdateDefs(void (TDataSet::*method)());

private:
    TDataSet* fDataSet;
    bool fUpdated = false;
};

} // namespace platform::data
