#pragma once
// The scratch table of the trunks over the vector test dataset: the fields and rows the trunk
// builder makes from the programming in memory (every trunk for AllTempTableItems, else the one).

#include "platform/data/DataSet.h"
#include "screens/ScratchRows.h"
#include "support/VectorDataSet.h"

class TTrunkTable {
public:
    TTrunkTable() : table_(TrunkScratchTable(CurrentScratchSource(), AllTempTableItems)), rows_(Columns(table_)) {}

    platform::data::TDataSet& DataSet() { return rows_; }

    void Build(int which) {
        table_ = TrunkScratchTable(CurrentScratchSource(), which);
        if (rows_.Active()) rows_.Close();
        rows_.Open();
        while (!rows_.IsEmpty()) {
            rows_.First();
            rows_.Delete();
        }
        for (const TScratchRow& row : table_.Rows) rows_.AppendRecord({row.begin(), row.end()});
        rows_.Close();
    }

private:
    static std::vector<platform::data::test::TColumn> Columns(const TScratchTable& table) {
        std::vector<platform::data::test::TColumn> columns;
        for (const TScratchField& field : table.Fields)
            columns.push_back({field.Name, platform::data::ftString, field.Size});
        return columns;
    }

    TScratchTable table_;
    platform::data::test::TVectorDataSet rows_;
};
