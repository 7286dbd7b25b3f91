// The engine database: table names and their files on disk and in memory, temporary table names, the
// shared tables with their use counts, the statement list.
#include "db/lib/TestSupport.h"

#include "WorkerProcess.h"

#include "db/engine/DataDirectory.h"
#include "db/engine/DataSession.h"
#include "db/lib/FileHandler.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <unistd.h>

namespace vorsam::test {
namespace {

namespace fs = std::filesystem;

class DataDirectoryTest : public ::testing::Test {
protected:
    DataDirectoryTest() : disk_(session_.OpenDataDirectory("", dir_.Path())) {
        fs::create_directory(dir_.File("Sub"));
    }
    ~DataDirectoryTest() override {
        for (const std::string& name : memoryFiles_) GetFileList().Delete(name, true, {});
    }

    void Touch(const std::string& file) { std::ofstream(file).put('x'); }
    void CreateMemoryFile(const std::string& name) {
        TFileHandler file;
        file.SetInMemory(true);
        file.SetFileName(name);
        file.CreateFile();
        memoryFiles_.push_back(name);
    }
    TDataDirectory& Memory() { return session_.OpenDataDirectory("Memory", ""); }

    TTempDir dir_;
    TDataSession session_;
    TDataDirectory& disk_;
    std::vector<std::string> memoryFiles_;
};

struct TNameCase {
    std::string tableName;
    std::string extension;
    std::string expected; // under the directory's folder ("@" stands for it); in memory as it is
};

TEST_F(DataDirectoryTest, TableNamesGiveTheirFilesByOneRule) {
    const std::string at = dir_.Path();
    const TNameCase disk[] = {
        {"Clientes", ".DAT", at + "/Clientes.DAT"},
        {"Clientes.DAT", ".IDX", at + "/Clientes.IDX"},
        {"Clientes.dat", ".BLB", at + "/Clientes.BLB"},
        {"Clientes.old", ".DAT", at + "/Clientes.old.DAT"},
        {"Sub\\Pedidos", ".DAT", at + "/Sub/Pedidos.DAT"},
        {"./Sub/../Pedidos", ".DAT", at + "/Pedidos.DAT"},
        {"/elsewhere/Itens.DAT", ".IDX", "/elsewhere/Itens.IDX"},
    };
    for (const TNameCase& c : disk)
        EXPECT_EQ(disk_.TableFileName(c.tableName, c.extension, false), c.expected);
    const TNameCase memory[] = {
        {"Clientes", ".DAT", "CLIENTES.DAT"},
        {"clientes.dat", ".IDX", "CLIENTES.IDX"},
        {"Sub/A\xE7\xE3o", ".DAT", "A\xC7\xC3O.DAT"}, // Windows-1252 names
    };
    for (const TNameCase& c : memory) {
        EXPECT_EQ(disk_.TableFileName(c.tableName, c.extension, true), c.expected);
        EXPECT_EQ(Memory().TableFileName(c.tableName, c.extension, false), c.expected) << "always in memory";
    }
    EXPECT_ENGINE_ERROR(disk_.TableFileName(" ", ".DAT", false), VORSAM_INVALIDPARAM);
}

TEST_F(DataDirectoryTest, TableExistsOnDiskWhenItsDataFileDoes) {
    Touch(dir_.File("Clientes.DAT"));
    Touch(dir_.File("Sub/pedidos.dat"));
    Touch(dir_.File("Orfao.IDX"));
    for (const char* name :
         {"Clientes", "Clientes.DAT", "clientes", "CLIENTES.dat", "Sub/Pedidos", "Sub\\PEDIDOS"})
        EXPECT_TRUE(disk_.TableExists(name, false)) << name;
    EXPECT_TRUE(disk_.TableExists(dir_.File("Clientes"), false)) << "a table named by its full path";
    for (const char* name : {"Pedidos", "Orfao", "Sub/Clientes", "Nada"})
        EXPECT_FALSE(disk_.TableExists(name, false)) << name;
    EXPECT_FALSE(disk_.TableExists("Clientes", true)) << "the in-memory table of that name";
    EXPECT_EQ(disk_.TableFileName("CLIENTES", ".DAT", false), dir_.File("Clientes.DAT"))
        << "the file that differs only in case is taken";
}

TEST_F(DataDirectoryTest, TableExistsInMemoryWhenItsInMemoryDataFileDoes) {
    CreateMemoryFile("CLIENTES.DAT");
    EXPECT_TRUE(disk_.TableExists("clientes", true));
    EXPECT_TRUE(Memory().TableExists("Clientes.DAT", false));
    EXPECT_FALSE(disk_.TableExists("Clientes", false)) << "not on disk";
    EXPECT_FALSE(Memory().TableExists("Pedidos", false));
}

TEST_F(DataDirectoryTest, TemporaryNamesNeverRepeatAndNeverNameAnExistingFile) {
    for (bool inMemory : {false, true}) {
        std::set<std::string> given;
        for (int i = 0; i < 300; ++i) {
            std::string name = disk_.GetTempTableName(inMemory);
            EXPECT_EQ(name.find('/'), std::string::npos);
            EXPECT_EQ(name.find('.'), std::string::npos) << "no extension";
            ASSERT_TRUE(given.insert(name).second) << name << " given twice";
            for (const char* ext : {".DAT", ".IDX", ".BLB"})
                ASSERT_FALSE(GetFileList().Exists(disk_.TableFileName(name, ext, inMemory), inMemory))
                    << name;
            // Some names are used at once, with one of their three files.
            if (i % 3 == 0) {
                std::string file = disk_.TableFileName(name, i % 2 ? ".IDX" : ".BLB", inMemory);
                inMemory ? CreateMemoryFile(file) : Touch(file);
            }
        }
    }
}

// Shared tables.

// A shared table that counts how many of its kind live.
class TCountedTable : public TSharedTable {
public:
    explicit TCountedTable(std::string key) : Key(std::move(key)) { ++Alive; }
    ~TCountedTable() override { --Alive; }
    std::string Key;
    static inline int Alive = 0;
};

TEST_F(DataDirectoryTest, SharedTablesAgreeWithACountingOracle) {
    // Spellings of three tables: two on disk, one in memory.
    const std::vector<std::pair<std::string, bool>> spellings = {
        {"Clientes", false},    {"Clientes.DAT", false},     {dir_.File("Clientes"), false},
        {"Sub/Pedidos", false}, {"Sub\\Pedidos.dat", false}, {"Clientes", true},
        {"CLIENTES.dat", true}};
    std::map<std::string, uint32_t> oracle; // by key
    std::map<std::string, TSharedTable*> tables;
    int made = 0;
    std::mt19937 random(11);
    for (int step = 0; step < 500; ++step) {
        const auto& [name, inMemory] = spellings[random() % spellings.size()];
        std::string key = disk_.TableKey(name, inMemory);
        int action = random() % 4; // 0 acquire, 1 one more use, 2-3 release: counts return to 0
        if (oracle[key] == 0 || action == 0) {
            bool fresh = oracle[key] == 0;
            TSharedTable& t = disk_.AcquireTable(name, inMemory, [&](const std::string& k) {
                ++made;
                return std::make_unique<TCountedTable>(k);
            });
            EXPECT_EQ(static_cast<TCountedTable&>(t).Key, key);
            if (!fresh) {
                EXPECT_EQ(&t, tables[key]) << "one shared table per table";
            }
            tables[key] = &t;
            ++oracle[key];
        } else if (action == 1) {
            disk_.AddTableUse(*tables[key]);
            ++oracle[key];
        } else {
            disk_.ReleaseTable(*tables[key]);
            --oracle[key];
        }
        int open = 0;
        for (const auto& [k, uses] : oracle) {
            if (uses == 0) continue;
            ++open;
            ASSERT_EQ(disk_.TableUseCount(*tables[k]), uses) << "step " << step;
        }
        ASSERT_EQ(disk_.SharedTableCount(), size_t(open)) << "step " << step;
        ASSERT_EQ(TCountedTable::Alive, open) << "freed exactly at the last release, step " << step;
        EXPECT_EQ(disk_.FindTable(name, inMemory), oracle[key] ? tables[key] : nullptr);
    }
    EXPECT_EQ(oracle.size(), 3u) << "the spellings name three tables";
    EXPECT_GT(made, 3) << "tables were freed and made again";
    for (auto& [k, uses] : oracle)
        while (uses-- > 0) disk_.ReleaseTable(*tables[k]);
    EXPECT_EQ(TCountedTable::Alive, 0);
}

TEST_F(DataDirectoryTest, ATableThatFailsToOpenLeavesNothingBehind) {
    auto failing = [](const std::string&) -> std::unique_ptr<TSharedTable> {
        RaiseEngineError(VORSAM_OSENOENT, "", "", "", "T", "", "", "");
    };
    EXPECT_ENGINE_ERROR(disk_.AcquireTable("T", false, failing), VORSAM_OSENOENT);
    EXPECT_ENGINE_ERROR(disk_.AcquireTable("T", false, [](const std::string&) { return nullptr; }),
                        VORSAM_INVALIDPARAM);
    EXPECT_EQ(disk_.SharedTableCount(), 0u);
    EXPECT_EQ(disk_.FindTable("T", false), nullptr);
}

// Statements.

// Another user's look at a folder it may not search, or may search but not list, is refused with the
// permission error naming the folder, never taken as a missing folder or table.
TEST_F(DataDirectoryTest, AFolderThatCannotBeLookedAtIsRefusedNotTakenAsMissing) {
    if (::geteuid() != 0) GTEST_SKIP() << "the worker takes another user only when started by root";
    fs::create_directories(dir_.File("Closed/Inner"));
    fs::permissions(dir_.Path(), fs::perms(0755));
    fs::permissions(dir_.File("Closed"), fs::perms(0700));
    fs::permissions(dir_.File("Sub"), fs::perms(0711));
    worker::TWorkerProcess other;
    ASSERT_EQ(other.Send("asuser 65534"), "ok");
    for (const std::string& folder : {dir_.File("Closed/Inner"), dir_.File("Sub")}) {
        const std::string answer = other.Send("texists " + folder + " NOSUCH");
        EXPECT_TRUE(answer.starts_with("error " + std::to_string(VORSAM_OSEACCES)) &&
                    answer.find("'" + folder + "'") != std::string::npos)
            << answer;
    }
}

TEST_F(DataDirectoryTest, StatementsAreListedOnce) {
    struct TStatement : TDirectoryStatement {};
    TStatement a, b;
    disk_.AddStatement(a);
    disk_.AddStatement(a);
    disk_.AddStatement(b);
    EXPECT_EQ(disk_.StatementCount(), 2u);
    disk_.RemoveStatement(a);
    disk_.RemoveStatement(a);
    EXPECT_EQ(disk_.StatementCount(), 1u);
    EXPECT_TRUE(disk_.InUse());
    disk_.RemoveStatement(b);
    EXPECT_FALSE(disk_.InUse());
}

} // namespace
} // namespace vorsam::test
