#pragma once
// TDataSource: connects a dataset to the data links (controls, detail datasets) that show it,
// passing the dataset's data events on to them and reporting state and data changes. A source, its
// dataset and its links refer to each other without owning: whichever is destroyed first detaches
// itself from the others.

#include "platform/data/DataTypes.h"

#include <functional>
#include <vector>

namespace platform::data {

class TDataSet;
class TDataLink;
class TField;

class TDataSource {
public:
    TDataSource() = default;
    explicit TDataSource(TDataSet* dataSet) { SetDataSet(dataSet); }
    ~TDataSource();
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    TDataSet* DataSet() const { return fDataSet; }
    // "Circular data links are not allowed." when the dataset is linked to this source.
    void SetDataSet(TDataSet* dataSet);
    bool Enabled() const { return fEnabled; }
    void SetEnabled(bool value);
    bool AutoEdit() const { return fAutoEdit; }
    void SetAutoEdit(bool value) { fAutoEdit = value; }
    // The dataset's state as the links see it; inactive without a dataset or while disabled.
    TDataSetState State() const { return fState; }
    // Puts a browsing dataset into edit mode when AutoEdit is on.
    void Edit();
    // Whether the dataset shows this source, directly or through a chain of master sources.
    bool IsLinkedTo(TDataSet* dataSet) const;

    std::function<void(TDataSource&)> OnStateChange;
    std::function<void(TDataSource&, TField*)> OnDataChange;
    std::function<void(TDataSource&)> OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;

    void DataEvent(TDataEvent event, TDataEventInfo info);
    void NotifyDataLinks(TDataEvent event, TDataEventInfo info);
    void UpdateState();
    void SetState(TDataSetState value);
    void AddDataLink(TDataLink& link);
    void RemoveDataLink(TDataLink& link);

    TDataSet* fDataSet = nullptr;
    std::vector<TDataLink*> fDataLinks;
    TDataSetState fState = dsInactive;
    bool fEnabled = true;
    bool fAutoEdit = true;
};

} // namespace platform::data
