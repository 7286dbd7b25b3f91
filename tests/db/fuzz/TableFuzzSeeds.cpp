#include "TableFuzzSeeds.h"

#include "PeopleTable.h"
#include "TableFuzzInput.h"

#include "db/lib/FileHandler.h"

#include <functional>
#include <random>

namespace vorsam::test {

namespace {

struct TSeedShape {
    const char* Name;
    std::function<void(TTableDefinition&)> Define;
    int People;     // keys 1 .. People are put
    int Deletions;  // of them, deleted again
    size_t MaxMemo; // memo sizes up to this (0: no memo field)
    uint32_t Seed;
};

std::string RandomName(std::mt19937& random) {
    // Windows-1252 names, some accented, some equal but for case, for the name index's order.
    static const char* names[] = {"Ana", "ana", "\xC1vila", "Jos\xE9", "Jose", "Z\xE9lia", "Bruno", ""};
    return std::string(names[random() % 8]) + (random() % 2 ? ' ' + std::to_string(random() % 50) : "");
}

// Builds the shape's table in memory and returns its files.
TTableFiles BuildTable(const TSeedShape& shape) {
    EngineSettings settings;
    std::string name = std::string("SEED_") + shape.Name;
    TTableFiles files;
    {
        TDataTable table(settings, TTableLocation{"", name, true, "Memory"});
        TTableDefinition definition = PeopleDefinition(shape.MaxMemo > 0);
        shape.Define(definition);
        table.Create(definition);
        table.Open();
        std::mt19937 random(shape.Seed);
        auto memo = [&] { return std::string(random() % (shape.MaxMemo + 1), char('a' + random() % 26)); };
        for (int key = 1; key <= shape.People; ++key)
            PutPerson(table, {key, int32_t(random()), RandomName(random), shape.MaxMemo ? memo() : ""});
        for (int n = 0; n < shape.Deletions; ++n) {
            int32_t key = int32_t(random() % shape.People) + 1;
            if (RecordOf(table, key) != 0) DeletePerson(table, key);
        }
        // Updates after the deletions: a memo that grows takes freed blocks.
        for (int key = 1; key <= shape.People; key += 3)
            if (RecordOf(table, key) != 0)
                PutPerson(table, {key, -key, RandomName(random), shape.MaxMemo ? memo() : ""});
        table.Close();
        files = ReadMemoryTableFiles(name);
        table.Delete();
    }
    return files;
}

} // namespace

std::vector<TFuzzSeed> MakeFuzzSeeds() {
    auto plain = [](TTableDefinition&) {};
    const TSeedShape shapes[] = {
        {"memo", plain, 30, 8, 1500, 1},
        {"deep", plain, 600, 60, 0, 2},
        {"encrypted",
         [](TTableDefinition& d) {
             d.Encrypted = true;
             d.Password = "segredo";
         },
         20, 5, 700, 3},
        {"recordorder",
         [](TTableDefinition& d) {
             d.PrimaryIndex.Fields.clear();
             TIndexDefinition byKey = IndexOn("ByKeyDown", {1}, true);
             byKey.Descending = true;
             d.SecondaryIndexes.push_back(byKey);
             d.LanguageId = 0x0416; // names in Brazilian Portuguese order
         },
         40, 10, 0, 4},
        {"smallblocks", [](TTableDefinition& d) { d.BlobBlockSize = 64; }, 12, 3, 600, 5},
    };
    std::vector<TFuzzSeed> seeds;
    for (const TSeedShape& shape : shapes) seeds.push_back({shape.Name, PackTableFiles(BuildTable(shape))});
    return seeds;
}

} // namespace vorsam::test
