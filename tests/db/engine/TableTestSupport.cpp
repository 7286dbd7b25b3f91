#include "TableTestSupport.h"

namespace vorsam::test {

std::unique_ptr<TDataTable> TTableTest::CreatePeople(bool memo, TTableOpenMode mode) {
    auto table = NewTable();
    table->Create(PeopleDefinition(memo));
    table->Open(mode);
    return table;
}

std::unique_ptr<TDataTable> TTableTest::OpenPeople(TTableOpenMode mode) {
    auto table = NewTable();
    table->Open(mode);
    return table;
}

} // namespace vorsam::test
