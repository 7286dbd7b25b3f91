// A table kept open between the uses of its database: while idle it holds nothing another process or
// session would meet, and its next open sees whatever was done to it meanwhile, as a fresh session does.
#include "CursorTestSupport.h"

#include "WorkerProcess.h"

#include "db/engine/FolderStamp.h"
#include "db/lib/DataTypes.h"

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vorsam::test {
namespace {

// The table's field count and its rows (key, value).
using TTableSeen = std::pair<uint16_t, std::map<int32_t, int32_t>>;

class TableKeptOpenTest : public ::testing::Test {
protected:
    TableKeptOpenTest() : database_(session_.OpenDataDirectory("", dir_.Path())) {
        Create(database_, 2);
        for (int32_t key = 1; key <= 5; ++key) Use(database_, false, key);
    }

    // A table SHARED of `fields` integer fields, the first its key, in place of any other.
    static void Create(TDataDirectory& database, size_t fields, bool deleteFirst = false) {
        TDataCursor cursor(database);
        cursor.SetTableName("SHARED");
        if (deleteFirst) cursor.DeleteTable();
        std::vector<TFieldSpec> specs = {{"KEY", dtInteger}, {"VALUE", dtInteger}, {"MORE", dtInteger}};
        specs.resize(fields);
        cursor.CreateTable(TableArgs(specs, {1}));
    }
    // Opens a cursor on the table (closed again: the table is then kept), appends (key, 10 * key) unless
    // the key is 0, and reads the table.
    static TTableSeen Use(TDataDirectory& database, bool readOnly = true, int32_t key = 0) {
        TDataCursor cursor(database);
        cursor.SetTableName("SHARED");
        cursor.SetReadOnly(readOnly);
        cursor.OpenCursor();
        std::vector<uint8_t> image(cursor.GetRecordSize());
        int32_t values[2] = {key, 10 * key};
        cursor.InitEmptyRecord(image);
        for (uint16_t field : {1, 2})
            cursor.PutField(field, image, reinterpret_cast<uint8_t*>(&values[field - 1]));
        if (key != 0) cursor.AppendRecord(image);
        TTableSeen seen{cursor.GetFieldCount(), {}};
        for (cursor.SetToBegin(); cursor.GetNextRecord(image) == 0; seen.second[values[0]] = values[1]) {
            bool null = true;
            for (uint16_t field : {1, 2})
                cursor.GetField(field, image, null, reinterpret_cast<uint8_t*>(&values[field - 1]));
        }
        return seen;
    }
    // What a session that never saw the table reads.
    TTableSeen UseAfresh() { return UseAfresh(dir_.Path()); }
    static TTableSeen UseAfresh(const std::string& folder) {
        TDataSession fresh;
        TDataDirectory& database = fresh.OpenDataDirectory("", folder);
        TTableSeen seen = Use(database);
        fresh.CloseDataDirectory(database);
        return seen;
    }
    bool Kept() const {
        return database_.FindTable("SHARED", false) && database_.FindTable("SHARED", false)->Kept();
    }

    TTempDir dir_;
    TDataSession session_;
    TDataDirectory& database_;
};

// Each case acts on the kept table from another process while it is idle (an exclusive open included);
// the kept table then reads what a fresh session reads (read first: a fresh open in this process detaches
// the idle files).
TEST_F(TableKeptOpenTest,
       AnotherProcessMayOpenItExclusivelyChangeOrReplaceItWhileIdleAndTheNextOpenSeesThat) {
    const std::string open = "topen " + dir_.Path() + " SHARED";
    for (const std::vector<std::string>& commands :
         std::vector<std::vector<std::string>>{{open, "tput 1 11", "tdelete 2", "tput 9 90", "tclose"},
                                               {open + " exclusive", "tput 3 33", "tclose"},
                                               {"xrestructure " + dir_.Path() + " SHARED 1"},
                                               {open + " exclusive", "tput 4 44", "tclose"}}) {
        SCOPED_TRACE(commands.front());
        Use(database_); // the files a fresh session of this process detached are opened again
        ASSERT_TRUE(Kept());
        worker::TWorkerProcess worker;
        for (const std::string& command : commands) worker.SendOk(command);
        TTableSeen kept = Use(database_);
        EXPECT_EQ(kept, UseAfresh());
    }
    EXPECT_EQ(UseAfresh(), (TTableSeen{3, {{1, 11}, {3, 33}, {4, 44}, {5, 50}, {9, 90}}}));
}

// This session deletes the kept table and makes another of the name; another session of this process
// does the same; a read-only use and a writing one follow each other; another process deletes the files.
TEST_F(TableKeptOpenTest, ATableDeletedWhileKeptIsNotFoundAndOneMadeAnewIsRead) {
    Create(database_, 3, true);
    EXPECT_EQ(Use(database_), (TTableSeen{3, {}}));
    TDataSession other;
    TDataDirectory& database = other.OpenDataDirectory("", dir_.Path());
    Create(database, 2, true);
    other.CloseDataDirectory(database);
    EXPECT_EQ(Use(database_), (TTableSeen{2, {}}));
    EXPECT_ANY_THROW(Use(database_, true, 7)) << "kept after a read-only use, resumed for a write";
    EXPECT_EQ(Use(database_, false, 7), (TTableSeen{2, {{7, 70}}}));
    worker::TWorkerProcess worker;
    for (const char* extension : {".DAT", ".IDX"})
        worker.SendOk("delete " + dir_.File(std::string("SHARED") + extension));
    EXPECT_ANY_THROW(Use(database_));
    EXPECT_FALSE(Kept());
}

// Another process renames copies into the table's names while it is kept (0) or used by a cursor of this
// session (1) or another (2): the next open reads and writes the files the names give, the holder its own.
TEST_F(TableKeptOpenTest, FilesRenamedInByAnotherProcessAreTheOnesTheNextOpenReadsAndWrites) {
    for (int32_t holder : {0, 1, 2}) {
        for (std::string file : {"SHARED.DAT", "SHARED.IDX"})
            std::filesystem::copy_file(dir_.File(file), dir_.File(file + ".COPY"));
        TTableSeen copied = Use(database_), written = Use(database_, false, 100 + holder);
        TDataSession otherSession;
        TDataCursor held(holder == 2 ? otherSession.OpenDataDirectory("", dir_.Path()) : database_);
        held.SetTableName("SHARED");
        if (holder != 0) held.OpenCursor();
        worker::TWorkerProcess worker;
        Use(database_);
        for (std::string file : {"SHARED.DAT", "SHARED.IDX"})
            worker.SendOk("rawrename " + dir_.File(file + ".COPY") + " " + dir_.File(file));
        EXPECT_EQ(Use(database_, false, 200 + holder),
                  (copied.second[200 + holder] = 2000 + 10 * holder, copied));
        EXPECT_EQ(UseAfresh(), copied);
        EXPECT_EQ(holder == 0 ? written.second.size() : held.GetRecordCount(), written.second.size());
    }
}

// Files put in the kept table's place while the folder's times say otherwise, on a file system whose times
// step by whole seconds: copies renamed in within the second of the last use; the folder replaced by its
// copy (`mv D D.old && cp -a D.old D`); copies renamed in and the modification time set back (`touch -d`,
// `rsync -a`); the folder a link switched to a copy. The next use reads and writes the files the names give.
TEST_F(TableKeptOpenTest, FilesPutInItsPlaceAreFoundWhateverTheFoldersTimesSay) {
    namespace fs = std::filesystem;
    TMountedFolder mounted("ext4");
    if (!mounted.Mounted()) GTEST_SKIP() << "no mount but by root";
    auto changed = [](const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info), info.st_ctim.tv_sec;
    };
    for (const std::string setup : {"same second", "folder replaced", "time set back", "link switched"}) {
        SCOPED_TRACE(setup);
        const std::string folder = mounted.File(setup.substr(0, 4)), aside = mounted.File("aside");
        const bool link = setup == "link switched", copied = link || setup == "folder replaced";
        fs::create_directories(aside), fs::create_directory(folder + (link ? ".A" : ""));
        if (link) fs::create_directory_symlink(folder + ".A", folder);
        TDataSession session;
        TDataDirectory& database = session.OpenDataDirectory("", folder);
        Create(database, 2);
        TTableSeen expected;
        for (int32_t key = 1;; ++key) { // until the copies go in within the second of the last use
            expected = Use(database);
            for (const char* file : {"/SHARED.DAT", "/SHARED.IDX"})
                fs::copy_file(folder + file, aside + file, fs::copy_options::overwrite_existing);
            for (timespec now{}; setup != "same second" && (::clock_gettime(CLOCK_REALTIME_COARSE, &now),
                                                            now.tv_sec < changed(folder) + 2);)
                std::this_thread::sleep_for(std::chrono::milliseconds(20)); // till a change stamps anew
            const time_t before = changed(folder);
            const fs::file_time_type modified = fs::last_write_time(folder);
            Use(database, false, key); // into the files put aside next
            if (copied) expected.second[key] = 10 * key;
            if (setup == "folder replaced") {
                fs::rename(folder, folder + ".old");
                ASSERT_EQ(std::system(("cp -a " + folder + ".old " + folder).c_str()), 0);
            }
            const std::string switched =
                "sh -c 'cp -a $0.A $0.B && ln -s $0.B $0.C && mv -T $0.C $0' " + folder;
            if (link) {
                ASSERT_EQ(std::system(switched.c_str()), 0);
            }
            for (const char* file : {"/SHARED.DAT", "/SHARED.IDX"})
                if (!copied) fs::rename(aside + file, folder + file);
            if (setup == "time set back") fs::last_write_time(folder, modified);
            if (setup != "same second" || changed(folder) == before) break;
        }
        expected.second[100] = 1000;
        EXPECT_EQ(Use(database, false, 100), expected);
        EXPECT_EQ(UseAfresh(folder), expected);
        session.CloseDataDirectory(database);
    }
}

// The same as any user, the stamps' sources given: files renamed into the kept table's place while the
// folder's stamp stays what it was (a change within the step of a clock of whole seconds, which stamps the
// same time again), on a file system this machine stamps and on a network's, whose stamps come from another
// clock however old they are. The next use reads the files the names give.
TEST_F(TableKeptOpenTest, FilesPutInItsPlaceUnderAStampThatCannotBeTrustedAreFound) {
    namespace fs = std::filesystem;
    std::shared_ptr<void> sources(nullptr, [](void*) { SetFolderStampSources({}); });
    struct TCase {
        const char* Name;
        uint64_t FileSystem;
        int64_t Changed, Now; // s
    };
    int32_t key = 10;
    for (TCase c : {TCase{"within the step", 0xEF53 /* ext4 */, 1000, 1001},
                    TCase{"another machine's clock", 0x6969 /* NFS */, 2000, 9000}}) {
        SCOPED_TRACE(c.Name);
        SetFolderStampSources({.Stamp =
                                   [&](const std::string& folder) {
                                       std::optional<TFolderStamp> stamp = SystemFolderStamp(folder);
                                       if (stamp) stamp->Changed = c.Changed * 1000000000;
                                       return stamp;
                                   },
                               .FileSystemType = [&](const std::string&) { return c.FileSystem; },
                               .Now = [&] { return c.Now * 1000000000; }});
        TTableSeen expected = Use(database_);
        for (std::string file : {"SHARED.DAT", "SHARED.IDX"})
            fs::copy_file(dir_.File(file), dir_.File(file + ".COPY"));
        Use(database_, false, ++key); // into the files the copies replace next
        for (std::string file : {"SHARED.DAT", "SHARED.IDX"})
            fs::rename(dir_.File(file + ".COPY"), dir_.File(file));
        EXPECT_EQ(Use(database_), expected);
        EXPECT_EQ(UseAfresh(), expected);
    }
}

// Another process, the table locked whole, is killed at each write of the lock's end in turn: the kept
// table's next open holds the rows from before that write or those after it (completed from the
// journal), as a fresh session does, and both are seen.
TEST_F(TableKeptOpenTest, AWriterKilledWhileTheTableIsKeptIsCompletedOrUndoneAtItsNextOpen) {
    std::set<bool> completed;
    for (int n = 1; n < 100; ++n) {
        SCOPED_TRACE("killed at write " + std::to_string(n));
        TTableSeen before = Use(database_), after = before;
        after.second[1] = after.second[100 + n] = n;
        worker::TWorkerProcess worker;
        for (std::string command :
             {"topen " + dir_.Path() + " SHARED", std::string("tbegin whole"), "tput 1 " + std::to_string(n),
              "tput " + std::to_string(100 + n) + " " + std::to_string(n),
              "tstopatwrite " + std::to_string(n)})
            worker.SendOk(command);
        bool ended = worker.Send("tend whole") == "ok";
        worker.Kill();
        if (::geteuid() != 0) { // files this process cannot write stay as they are (root writes any)
            std::filesystem::permissions(dir_.File("SHARED.DAT"), std::filesystem::perms::owner_read);
            try {
                EXPECT_TRUE((std::set<TTableSeen>{before, after}.contains(UseAfresh())));
            } catch (const EVORSAMEngineError& e) {
                EXPECT_EQ(e.ErrorCode, VORSAM_WRITEINTERRUPTED);
            }
            std::filesystem::permissions(dir_.File("SHARED.DAT"), std::filesystem::perms::owner_all);
        }
        TTableSeen kept = Use(database_);
        EXPECT_TRUE(kept == before || kept == after);
        EXPECT_EQ(kept, UseAfresh());
        completed.insert(kept == after);
        if (ended) break;
    }
    EXPECT_EQ(completed.size(), 2u);
}

} // namespace
} // namespace vorsam::test
