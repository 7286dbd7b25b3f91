#include "platform/data/DefCollection.h"

#include "platform/data/DataSet.h"

namespace platform::data {

void TDefCollection::UpdateDefs(void (TDataSet::*method)()) {
    if (fUpdated || fDataSet == nullptr) return;
    (fDataSet->*method)();
    fUpdated = true;
}

} // namespace platform::data
