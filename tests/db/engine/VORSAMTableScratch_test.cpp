// Every scratch table the screens build (one per table code), made in a temporary program folder from
// field and index definitions, filled in shuffled order, walked in key order, searched by key, edited,
// closed and deleted, checked against an ordered oracle of the rows.
#include "VORSAMDataSetTestSupport.h"

#include "db/engine/VORSAMTable.h"
#include "db/lib/EngineErrors.h"

#include <algorithm>
#include <map>

namespace vorsam::test {
namespace {

using namespace platform::data;

// A field of a scratch table: text of `size` characters, or the 32-bit integer key when size is 0.
struct TScratchField {
    std::string Name;
    int Size = 0;
};

struct TScratchSpec {
    int Code = 0;
    std::vector<TScratchField> Fields; // the key first
    std::vector<std::string> Keys;     // in the order they are appended
    std::string NearestProbe;          // FindNearest with it lands on ...
    std::string NearestKey;            // ... this key
    std::string MissingKey;            // FindKey finds nothing for it
};

void AddNumbered(std::vector<TScratchField>& fields, const std::string& stem, int from, int to, int size,
                 bool twoDigits = false) {
    for (int i = from; i <= to; ++i)
        fields.push_back({stem + (twoDigits && i < 10 ? "0" : "") + std::to_string(i), size});
}

std::vector<TScratchField> CategoryFields() {
    std::vector<TScratchField> fields{{"RAMAL", 0}};
    for (const char side : {'D', 'N'}) {
        AddNumbered(fields, std::string("CAT") + side, 1, 7, 1);
        AddNumbered(fields, std::string("ROT") + side, 0, 7, 1);
        AddNumbered(fields, std::string("FAC") + side, 1, 7, 1);
    }
    AddNumbered(fields, "CAR", 1, 4, 1);
    fields.push_back({"SRotaD", 1});
    fields.push_back({"SRotaN", 1});
    return fields;
}

std::vector<TScratchField> TrunkFields() {
    std::vector<TScratchField> fields{{"VIA", 2}};
    for (const char* name : {"LIMCIFRAS", "ACESSAIU", "DDCNOT", "DDCDIU", "ATENDDIG", "RECHAMADA", "APOSTTD",
                             "BINA", "DETFAX", "RTSAIDA", "RTENTRA", "RTBLOQ"})
        fields.push_back({name, 1});
    fields.push_back({"TIPOVIA", 2});
    fields.push_back({"TOM425", 1});
    fields.push_back({"CIFRAS", 1});
    for (const char* name : {"ATENDPRIN", "TRANSBORDO", "ATENDNOT"}) fields.push_back({name, 4});
    for (const char* name : {"TMPTRANS", "TMPTOMDIS", "TMPINIBIL"}) fields.push_back({name, 2});
    for (const char* name : {"NROTA", "DATDAUTO", "NTOQUES", "TRANSBN", "ATDCORR", "DTMFFSK"})
        fields.push_back({name, 1});
    return fields;
}

std::vector<TScratchField> GroupFields() {
    std::vector<TScratchField> fields{{"GRUPO", 1}, {"NUMTOQUES", 1}, {"TIPOGRUPO", 1}};
    AddNumbered(fields, "RAMAL", 1, 7, 5, true);
    return fields;
}

const std::vector<std::string> ExtensionKeys{"2001", "99", "100", "21", "3000", "22", "2999"};

std::vector<TScratchSpec> ScratchSpecs() {
    return {
        {1, CategoryFields(), ExtensionKeys, "101", "2001", "50"},
        {2, TrunkFields(), {"04", "01", "06", "02", "05", "03"}, "0", "01", "07"},
        {4,
         {{"RAMAL", 0},
          {"SENHAPROG", 1},
          {"NAOPERTURB", 1},
          {"CADEADO", 1},
          {"SIGAME", 1},
          {"HOTLINE", 1},
          {"RAMALTI", 1}},
         ExtensionKeys,
         "23",
         "99",
         "23"},
        {5, GroupFields(), {"3", "1", "4", "2"}, "0", "1", "5"},
        {6,
         {{"GRUPO", 1}, {"CHEFE01", 5}, {"CHEFE02", 5}, {"SECRE01", 5}, {"SECRE02", 5}},
         {"2", "4", "1", "3"},
         "0",
         "1",
         "9"},
        {7,
         {{"PREFIXOS", 8}, {"TLIBERA", 1}},
         {"4812", "49", "4", "480", "0", "09", "900", "00"},
         "48",
         "480",
         "48"},
        {8,
         {{"RAMAL", 0},
          {"THOTLIN", 20},
          {"HOTLINE", 5},
          {"DESVOCUP", 7},
          {"DESVNATD", 7},
          {"SIGAME", 7},
          {"NTNAOATD", 2},
          {"TMPFLASH", 2},
          {"TMPRECTRO", 2},
          {"TMPRECRAM", 2},
          {"TMPRECRET", 2}},
         ExtensionKeys,
         "2002",
         "2999",
         "1"},
    };
}

// The value of field f of the record with the key: the key's digits and the field's number, cut to size.
std::string ValueOf(const std::string& key, size_t f, int size) {
    std::string text = std::to_string(f % 10) + key;
    return text.substr(0, size_t(size));
}

// Keys in the order the index gives: integer keys by value, text keys byte by byte.
struct TKeyOrder {
    bool Numeric = false;
    bool operator()(const std::string& a, const std::string& b) const {
        return Numeric ? std::stoi(a) < std::stoi(b) : a < b;
    }
};
using TOracle = std::map<std::string, std::vector<std::string>, TKeyOrder>;

class ScratchTableCodeTest : public DataSetTest, public ::testing::WithParamInterface<TScratchSpec> {
protected:
    const TScratchSpec& Spec() const { return GetParam(); }
    bool NumericKey() const { return Spec().Fields.front().Size == 0; }
    Variant KeyValue(const std::string& key) const {
        return NumericKey() ? Variant(std::stoi(key)) : Variant(key);
    }

    // The screens' builder: definitions cleared and filled, one unique index "TEMPORAR" on the key.
    void Build(TVORSAMTable& table) {
        table.Close();
        table.SetTableName(dir_.File("TEMPORAR.DAT"));
        table.FieldDefs().Clear();
        for (const TScratchField& field : Spec().Fields)
            table.FieldDefs().Add(field.Name, field.Size == 0 ? ftInteger : ftString, field.Size);
        table.IndexDefs().Clear();
        table.IndexDefs().Add("TEMPORAR", Spec().Fields.front().Name, TIndexOptions{ixUnique});
        table.SetIndexName("TEMPORAR");
        table.CreateTable();
        table.Open();
    }
    std::vector<std::string> Row(const std::string& key) const {
        std::vector<std::string> row{key};
        for (size_t f = 1; f < Spec().Fields.size(); ++f)
            row.push_back(ValueOf(key, f, Spec().Fields[f].Size));
        return row;
    }
    static std::vector<std::string> Current(TVORSAMTable& table) {
        std::vector<std::string> row;
        for (int f = 0; f < table.FieldCount(); ++f) row.push_back(table.Fields()[f].AsString());
        return row;
    }
    static void Put(TVORSAMTable& table, const std::vector<std::string>& row) {
        table.Fields()[0].SetAsString(row[0]);
        for (size_t f = 1; f < row.size(); ++f) table.Fields()[int(f)].SetAsString(row[f]);
    }
    static std::vector<std::vector<std::string>> Walk(TVORSAMTable& table) {
        std::vector<std::vector<std::string>> rows;
        for (table.First(); !table.Eof(); table.Next()) rows.push_back(Current(table));
        return rows;
    }
    static std::vector<std::vector<std::string>> Rows(const TOracle& oracle) {
        std::vector<std::vector<std::string>> rows;
        for (const auto& [key, row] : oracle) rows.push_back(row);
        return rows;
    }
};

TEST_P(ScratchTableCodeTest, BuiltFilledWalkedSearchedEditedAndDeleted) {
    TVORSAMTable table;
    Build(table);
    EXPECT_EQ(table.FieldCount(), int(Spec().Fields.size()));
    TOracle oracle(TKeyOrder{NumericKey()});
    for (const std::string& key : Spec().Keys) {
        table.Append();
        Put(table, Row(key));
        table.Post();
        oracle[key] = Row(key);
    }
    EXPECT_EQ(Walk(table), Rows(oracle)) << "walked in key order";

    for (const std::string& key : Spec().Keys) {
        ASSERT_TRUE(table.FindKey({KeyValue(key)})) << key;
        EXPECT_EQ(Current(table), oracle[key]);
    }
    EXPECT_FALSE(table.FindKey({KeyValue(Spec().MissingKey)}));
    table.FindNearest({KeyValue(Spec().NearestProbe)});
    EXPECT_EQ(table.Fields()[0].AsString(), Spec().NearestKey);

    // Edit the last field of the nearest record and read it back after reopening.
    const size_t last = Spec().Fields.size() - 1;
    table.Edit();
    table.Fields()[int(last)].SetAsString("9");
    table.Post();
    oracle[Spec().NearestKey][last] = "9";
    table.Close();
    table.Open();
    EXPECT_EQ(Walk(table), Rows(oracle)) << "the edit survives closing";

    table.Append();
    Put(table, Row(Spec().Keys.front()));
    EXPECT_THROW(table.Post(), EVORSAMEngineError) << "a duplicate key on the unique index";
    table.Cancel();
    EXPECT_EQ(table.RecordCount(), int(oracle.size()));

    table.Close();
    table.DeleteTable();
    EXPECT_EQ(dir_.EntryCount(), 0u) << "every file of the table is gone";
}

// The builder runs for every showing of a screen: the same component makes the table again after the
// last one was deleted, with other definitions.
TEST_P(ScratchTableCodeTest, RebuiltAfterAnotherCode) {
    TVORSAMTable table;
    table.SetTableName(dir_.File("TEMPORAR.DAT"));
    table.FieldDefs().Add("OTHER", ftString, 3);
    table.CreateTable();
    table.DeleteTable();
    Build(table);
    table.AppendRecord({KeyValue(Spec().Keys.front())});
    EXPECT_EQ(table.RecordCount(), 1);
    EXPECT_EQ(table.FieldCount(), int(Spec().Fields.size()));
    table.Close();
    table.DeleteTable();
}

INSTANTIATE_TEST_SUITE_P(Codes, ScratchTableCodeTest, ::testing::ValuesIn(ScratchSpecs()),
                         [](const auto& info) { return "Code" + std::to_string(info.param.Code); });

} // namespace
} // namespace vorsam::test
