// The table component: names, the scratch-table cycle of the screens (create from definitions, fill,
// walk in key order, search by key, edit, delete), index choice and definitions.
#include "VORSAMDataSetTestSupport.h"

#include "db/components/VORSAMQuery.h"
#include "db/components/VORSAMTable.h"
#include "db/lib/EngineErrors.h"
#include "platform/data/DBConsts.h"
#include "platform/data/DataSource.h"

#include <fstream>

namespace vorsam::test {
namespace {

using namespace platform::data;

class TableTest : public DataSetTest {
protected:
    // A table of the scratch kind in the test folder: RAMAL (integer key, unique index "TEMPORAR") and
    // a one-character text.
    void DefineScratch(TVORSAMTable& table) {
        table.SetTableName(dir_.File("TEMPORAR.DAT"));
        table.FieldDefs().Clear();
        table.FieldDefs().Add("RAMAL", ftInteger);
        table.FieldDefs().Add("CAT", ftString, 1);
        table.IndexDefs().Clear();
        table.IndexDefs().Add("TEMPORAR", "RAMAL", TIndexOptions{ixUnique});
        table.SetIndexName("TEMPORAR");
    }
    static void AppendRamal(TVORSAMTable& table, int ramal, const std::string& cat) {
        table.Append();
        table.FieldByName("RAMAL").SetAsInteger(ramal);
        table.FieldByName("CAT").SetAsString(cat);
        table.Post();
    }
    struct TFieldDefSpec {
        const char* Name;
        TFieldType Type;
        int Size = 0;
    };
    struct TIndexDefSpec {
        const char* Name;
        const char* Fields;
        TIndexOptions Options;
    };
    // Makes the table in the test folder from the definitions and opens it.
    void Make(TVORSAMTable& table, const std::string& name, const std::vector<TFieldDefSpec>& fields,
              const std::vector<TIndexDefSpec>& indexes) {
        table.SetDatabaseName(dir_.Path());
        table.SetTableName(name);
        for (const TFieldDefSpec& field : fields) table.FieldDefs().Add(field.Name, field.Type, field.Size);
        for (const TIndexDefSpec& index : indexes)
            table.IndexDefs().Add(index.Name, index.Fields, index.Options);
        table.CreateTable();
        table.Open();
    }
    static std::vector<int> Keys(TVORSAMTable& table) {
        std::vector<int> keys;
        for (table.First(); !table.Eof(); table.Next())
            keys.push_back(table.FieldByName("RAMAL").AsInteger());
        return keys;
    }
};

// The screens' builder runs at every showing: the same component makes the table again after the last
// one, of other definitions, was deleted.
TEST_F(TableTest, ScratchCycleCreatesFillsSearchesEditsAndDeletes) {
    auto table = std::make_unique<TVORSAMTable>();
    table->SetTableName(dir_.File("TEMPORAR.DAT"));
    table->FieldDefs().Add("OTHER", ftString, 3);
    table->CreateTable();
    table->DeleteTable();
    DefineScratch(*table);
    EXPECT_FALSE(table->Exists());
    table->CreateTable();
    EXPECT_TRUE(table->Exists());
    table->Open();
    for (const int ramal : {100, 99, 2001, 21}) AppendRamal(*table, ramal, "0");
    EXPECT_EQ(Keys(*table), (std::vector<int>{21, 99, 100, 2001}));

    ASSERT_TRUE(table->FindKey({99}));
    EXPECT_EQ(table->FieldByName("RAMAL").AsInteger(), 99);
    EXPECT_FALSE(table->FindKey({50}));
    EXPECT_EQ(table->FieldByName("RAMAL").AsInteger(), 99) << "a missed FindKey keeps the position";
    table->FindNearest({101});
    EXPECT_EQ(table->FieldByName("RAMAL").AsInteger(), 2001);

    table->Edit();
    table->FieldByName("CAT").SetAsString("1");
    table->Post();
    table->Close();
    table->Open();
    ASSERT_TRUE(table->FindKey({2001}));
    EXPECT_EQ(table->FieldByName("CAT").AsString(), "1");

    table->Append();
    table->FieldByName("RAMAL").SetAsInteger(99);
    EXPECT_THROW(table->Post(), EVORSAMEngineError) << "a duplicate key on the unique index";
    table->Cancel();
    EXPECT_EQ(Keys(*table), (std::vector<int>{21, 99, 100, 2001}));

    table->Close();
    table->DeleteTable();
    EXPECT_FALSE(table->Exists());
    EXPECT_EQ(dir_.EntryCount(), 0u) << "every file of the table is gone";
}

// An interrupted write left half a record at the end of the data file: the open refuses the table until
// RepairTable mends it, telling its steps and what it dropped.
TEST_F(TableTest, ATableAnInterruptedWriteLeftInconsistentOpensAfterRepairTable) {
    TVORSAMTable table;
    DefineScratch(table);
    table.CreateTable();
    table.Open();
    for (const int ramal : {21, 99, 100}) AppendRamal(table, ramal, "0");
    table.Close();
    {
        std::fstream file(dir_.File("TEMPORAR.DAT"), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(126);
        file.put('\x01'); // the write-in-progress mark
        file.seekp(0, std::ios::end);
        file.write("half", 4);
    }
    try {
        table.Open();
        ADD_FAILURE() << "the table opens";
    } catch (const EVORSAMEngineError& e) {
        EXPECT_EQ(e.ErrorCode, VORSAM_WRITEINTERRUPTED);
        EXPECT_NE(std::string(e.what()).find("interrupted write"), std::string::npos) << e.what();
    }
    std::vector<std::string> steps, log;
    table.OnRepairProgress = [&](TVORSAMTable& sender, const std::string& step, int) {
        EXPECT_EQ(&sender, &table);
        if (steps.empty() || steps.back() != step) steps.push_back(step);
    };
    table.OnRepairLog = [&](TVORSAMTable&, const std::string& line) { log.push_back(line); };
    table.RepairTable();
    EXPECT_EQ(steps.size(), 4u) << "definitions, records, keys, indexes";
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "the part of a record at the end of the file was dropped (4 bytes)");
    table.Open();
    EXPECT_EQ(Keys(table), (std::vector<int>{21, 99, 100}));
    table.Close();
}

TEST_F(TableTest, StringKeyNearestLandsOnTheFirstKeyNotBelow) {
    TVORSAMTable table;
    table.SetTableName(dir_.File("TEMPORAR.DAT"));
    table.FieldDefs().Add("PREFIXOS", ftString, 8);
    table.FieldDefs().Add("TLIBERA", ftString, 1);
    table.IndexDefs().Add("TEMPORAR", "PREFIXOS", TIndexOptions{ixUnique});
    table.CreateTable();
    table.SetIndexFieldNames("PREFIXOS");
    table.Open();
    EXPECT_EQ(table.IndexName(), "");
    EXPECT_EQ(table.IndexFieldNames(), "PREFIXOS");
    for (const char* prefix : {"4812", "49", "4", "480"}) table.AppendRecord({prefix, "1"});
    std::vector<std::string> walked;
    for (table.First(); !table.Eof(); table.Next())
        walked.push_back(table.FieldByName("PREFIXOS").AsString());
    EXPECT_EQ(walked, (std::vector<std::string>{"4", "480", "4812", "49"}));
    table.FindNearest({"48"});
    EXPECT_EQ(table.FieldByName("PREFIXOS").AsString(), "480");
    EXPECT_FALSE(table.FindKey({"48"}));
    table.EmptyTable();
    EXPECT_TRUE(table.Eof());
    table.Close();
    table.EmptyTable();
    table.Open();
    EXPECT_TRUE(table.IsEmpty());
}

TEST_F(TableTest, CreateTableMakesAPrimaryKeyOnlyOfTheIndexMarkedPrimary) {
    TVORSAMTable table;
    Make(table, "PLAIN", {{"A", ftInteger}, {"B", ftString, 4}}, {});
    table.IndexDefs().Update();
    EXPECT_EQ(table.IndexDefs().Count(), 0) << "record order, no secondary index";
    table.Close();

    TVORSAMTable keyed;
    Make(keyed, "KEYED", {{"A", ftInteger}, {"B", ftString, 4}},
         {{"ByB", "B", {}}, {"", "A;B", TIndexOptions{ixPrimary}}});
    keyed.IndexDefs().Update();
    ASSERT_EQ(keyed.IndexDefs().Count(), 2);
    EXPECT_TRUE(keyed.IndexDefs()[0].Options.Contains(ixPrimary));
    EXPECT_EQ(keyed.IndexDefs()[0].Fields, "A;B");
    EXPECT_EQ(keyed.IndexDefs()[1].Name, "ByB");
    for (const auto& [a, b] : {std::pair{2, "x"}, {1, "z"}, {1, "y"}}) keyed.AppendRecord({a, b});
    ASSERT_TRUE(keyed.FindKey({1})) << "fewer values than key fields search on the leading ones";
    EXPECT_EQ(keyed.FieldByName("B").AsString(), "y");
    EXPECT_DATABASE_ERROR(keyed.SetReadOnly(true), SDataSetOpen);

    TVORSAMTable closed;
    closed.SetTableName(dir_.File("KEYED"));
    closed.FieldDefs().Update();
    closed.IndexDefs().Update();
    EXPECT_EQ(closed.FieldDefs().Count(), 2) << "definitions are read without opening";
    EXPECT_EQ(closed.IndexDefs().Count(), 2);
    EXPECT_FALSE(closed.Active());
}

// A table held read-only by a prepared query or a read-only table opens for writing; readers stay so.
TEST_F(TableTest, ATableOpensForWritingBesideAPreparedQueryOrAReadOnlyTable) {
    CreateRows("PEOPLE", {{3, 30, "tres"}});
    for (int id : {4, 5}) {
        TVORSAMQuery query;
        TVORSAMTable reader, writer, late;
        TVORSAMDBDataSet& holder = id == 4 ? static_cast<TVORSAMDBDataSet&>(query) : reader;
        query.SetSQL({"SELECT ID FROM PEOPLE WHERE ID > 2"});
        for (TVORSAMDBDataSet* set : std::initializer_list<TVORSAMDBDataSet*>{&holder, &writer, &late})
            set->SetDatabaseName(dir_.Path());
        for (TVORSAMTable* table : {&reader, &writer, &late})
            table->SetTableName("PEOPLE"), table->SetReadOnly(table != &writer);
        holder.Open(), query.Close();
        writer.Open(), writer.AppendRecord({id, 10 * id, "novo"}), late.Open(), writer.Close();
        holder.Open(), holder.Refresh(), holder.Last();
        EXPECT_FALSE(holder.CanModify() || late.CanModify());
        EXPECT_EQ(holder.FieldByName("ID").AsInteger(), id);
    }
}

TEST_F(TableTest, DetailFollowsItsMasterAndNewRecordsTakeTheMastersKey) {
    TVORSAMTable groups;
    Make(groups, "GROUPS", {{"GRUPO", ftInteger}}, {{"", "GRUPO", TIndexOptions{ixPrimary}}});
    for (const int g : {1, 2, 3}) groups.AppendRecord({g});

    TVORSAMTable members;
    Make(members, "MEMBERS", {{"GRUPO", ftInteger}, {"RAMAL", ftInteger}},
         {{"", "GRUPO;RAMAL", TIndexOptions{ixPrimary}}});
    for (const auto& [g, r] : {std::pair{1, 21}, {2, 22}, {1, 23}, {3, 24}, {2, 25}})
        members.AppendRecord({g, r});
    TDataSource source(&groups);
    members.SetMasterSource(&source);
    members.SetMasterFields("GRUPO");
    const auto ramais = [&] {
        std::vector<int> shown;
        for (members.First(); !members.Eof(); members.Next())
            shown.push_back(members.FieldByName("RAMAL").AsInteger());
        return shown;
    };
    groups.First();
    EXPECT_EQ(ramais(), (std::vector<int>{21, 23}));
    groups.Next();
    EXPECT_EQ(ramais(), (std::vector<int>{22, 25}));
    members.Append();
    EXPECT_EQ(members.FieldByName("GRUPO").AsInteger(), 2);
    members.FieldByName("RAMAL").SetAsInteger(26);
    members.Post();
    EXPECT_EQ(ramais(), (std::vector<int>{22, 25, 26}));

    TDataSource detailSource(&members);
    EXPECT_DATABASE_ERROR(groups.SetMasterSource(&detailSource), SCircularDataLink);
    members.SetMasterSource(nullptr);
    EXPECT_EQ(members.RecordCount(), 6);
}

} // namespace
} // namespace vorsam::test
