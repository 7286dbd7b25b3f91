// A two-table commit left pending by a crash at its commit point (its journal whole, no table completed,
// or one of them), met by what replaces or rewrites a table's files, by copies of the journal under other
// names and by table files this process cannot write; and a commit that meets a full disk. The commit
// is completed whole, or refused cleanly with both tables as before it: never split, never reported
// failed once done.
#include "../engine/TransactionTestSupport.h"

#include "WorkerProcess.h"

#include "db/sql/QueryStatement.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace vorsam::test {
namespace {

namespace fs = std::filesystem;

class PendingCommitsTest : public TCommitCrashTest {
protected:
    // The statement, run by a session of its own.
    void RunSql(const std::string& sql) {
        TDataSession session;
        TDataDirectory& database = session.OpenDataDirectory("", dir_.Path());
        {
            TQueryStatement statement(database);
            statement.Prepare(sql);
            statement.Execute({}, false);
        }
        session.CloseDataDirectory(database);
    }

    // The commit of Prepare, refused (both tables then as before it) or done (both as after it).
    void CommitRefusedOrDone(const std::function<void()>& whileFull = {}) {
        auto tables = Prepare();
        bool refused = false;
        try {
            if (whileFull) whileFull();
            database_.Commit(true, true);
        } catch (const EVORSAMEngineError& e) {
            refused = true;
            EXPECT_EQ(e.ErrorCode, VORSAM_WRITEERR) << e.what();
        }
        GetFileList().Faults().Reset();
        tables.clear();
        ++(refused ? refusals_ : commits_);
        const TReopened expected = refused ? TReopened::Before : TReopened::After;
        EXPECT_EQ(Reopen(0), expected) << (refused ? "refused" : "done");
        EXPECT_EQ(Reopen(1), expected) << (refused ? "refused" : "done");
    }

    uint32_t refusals_ = 0, commits_ = 0;
};

TEST_P(PendingCommitsTest, WhatReplacesATablesFilesCompletesItsPendingCommitWholeFirst) {
    const std::pair<const char*, std::function<void(const std::string&)>> operations[] = {
        {"repair", [&](const std::string& name) { NewTable(name)->Repair(); }},
        {"ALTER ADD", [&](const std::string& name) { RunSql("ALTER TABLE " + name + " ADD XTRA INTEGER"); }},
        {"ALTER REDEFINE",
         [&](const std::string& name) { RunSql("ALTER TABLE " + name + " REDEFINE NAME CHAR(30)"); }},
        {"DROP, CREATE", [&](const std::string& name) {
             RunSql("DROP TABLE " + name);
             RunSql("CREATE TABLE " + name + " (K INTEGER)");
         }}};
    for (const auto& [what, operation] : operations)
        for (size_t table : {0, 1})
            for (int completed : {-1, 0, 1}) { // no table completed yet, or the first or second
                SCOPED_TRACE(std::string(what) + " of " + names_[table] + ", completed first: " +
                             std::to_string(completed));
                CrashAt(0, 0);
                if (completed >= 0) {
                    EXPECT_EQ(Reopen(size_t(completed)), TReopened::After);
                }
                operation(names_[table]);
                EXPECT_EQ(Reopen(1 - table), TReopened::After);
                if (std::string(what) != "DROP, CREATE") {
                    EXPECT_EQ(Reopen(table), TReopened::After);
                }
            }
}

// Copies in both folders of a commit over two, opened or repaired from the second folder's table first.
TEST_P(PendingCommitsTest, ACopyOfTheJournalUnderAnotherNameDoesNotStopItsCompletion) {
    fs::create_directory(dir_.File("other"));
    names_[1] = dir_.File("other") + "/OTHERS";
    const std::string folders[] = {dir_.Path(), dir_.File("other")};
    for (const char* copy : {"PEOPLE - Copy.JNL", "_VJ0123ABCD.JNL", "AAA.JNL"})
        for (bool repair : {false, true}) {
            SCOPED_TRACE(std::string(copy) + (repair ? ", repaired" : ", opened"));
            CrashAt(0, 0);
            for (const std::string& folder : folders) fs::copy_file(folder + "/PEOPLE.JNL", folder + "/" + copy);
            if (repair) NewTable(names_[1])->Repair();
            EXPECT_EQ(Reopen(1), TReopened::After);
            EXPECT_EQ(Reopen(0), TReopened::After);
            for (const std::string& folder : folders) fs::remove(folder + "/" + copy);
        }
}

TEST_P(PendingCommitsTest, TableFilesThatCannotBeWrittenGiveThePermissionErrorNamingTheFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "the worker takes another user only when started by root";
    CrashAt(0, 0);
    auto permit = [&](fs::perms tables) {
        fs::permissions(dir_.Path(), fs::perms(0755));
        for (const auto& entry : fs::directory_iterator(dir_.Path()))
            fs::permissions(entry.path(), entry.path().extension() == ".JNL" ? fs::perms(0644) : tables);
    };
    permit(fs::perms(0444));
    worker::TWorkerProcess other;
    ASSERT_EQ(other.Send("asuser 65534"), "ok");
    std::string answer = other.Send("topen " + dir_.Path() + " PEOPLE");
    EXPECT_TRUE(answer.starts_with("error " + std::to_string(VORSAM_OSEACCES) + " ")) << answer;
    EXPECT_NE(answer.find(dir_.File("PEOPLE.DAT")), std::string::npos) << answer;
    permit(fs::perms(0666));
    EXPECT_EQ(other.Send("topen " + dir_.Path() + " PEOPLE"), "ok");
    EXPECT_EQ(other.Send("tclose"), "ok");
    EXPECT_EQ(Reopen(0), TReopened::After);
    EXPECT_EQ(Reopen(1), TReopened::After);
}

// The disk found full by any one reservation of room or write of the commit (the file layer fails it
// with ENOSPC).
TEST_P(PendingCommitsTest, ACommitThatFindsTheDiskFullIsRefusedCleanlyOrDoneNeverBoth) {
    uint64_t counts[2];
    {
        auto tables = Prepare();
        const uint64_t reserves = GetFileList().Faults().Count(TFileOperation::Reserve);
        const uint64_t writes = GetFileList().Faults().Count(TFileOperation::Write);
        database_.Commit(true, true);
        counts[0] = GetFileList().Faults().Count(TFileOperation::Reserve) - reserves;
        counts[1] = GetFileList().Faults().Count(TFileOperation::Write) - writes;
    }
    ASSERT_GT(counts[0], 2u);
    for (TFileOperation operation : {TFileOperation::Reserve, TFileOperation::Write})
        for (uint64_t n = 1; n <= counts[operation == TFileOperation::Write] && !HasFatalFailure(); ++n) {
            SCOPED_TRACE((operation == TFileOperation::Write ? "write " : "reservation ") + std::to_string(n));
            CommitRefusedOrDone([&] { GetFileList().Faults().FailAt(operation, n, ENOSPC); });
        }
    EXPECT_GT(refusals_, counts[0]);
    EXPECT_GT(commits_, 0u);
}

// A small file system of its own, filled but for a little more room each time, the tables opened while it
// is still full.
TEST_P(PendingCommitsTest, ACommitOnAFullFileSystemIsRefusedCleanlyOrDoneNeverBoth) {
    const std::string small = dir_.File("small");
    fs::create_directory(small);
    if (::geteuid() != 0 || ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=12m") != 0)
        GTEST_SKIP() << "a file system of its own is mounted by root only";
    struct TUnmount {
        ~TUnmount() { ::umount2(Path.c_str(), MNT_DETACH); }
        std::string Path;
    } unmount{small};
    names_ = {small + "/PEOPLE", small + "/OTHERS"};
    edits_ = 300;
    keys_ = 600;
    const std::string filler = small + "/FILLER";
    for (uint64_t room = 0; commits_ < 3 && !HasFatalFailure(); room += 32 << 10) {
        SCOPED_TRACE("room " + std::to_string(room));
        CommitRefusedOrDone([&] {
            struct statvfs disk {};
            ASSERT_EQ(::statvfs(small.c_str(), &disk), 0);
            const uint64_t free = uint64_t(disk.f_bavail) * disk.f_frsize;
            int fd = ::open(filler.c_str(), O_CREAT | O_WRONLY, 0644);
            ASSERT_GE(fd, 0);
            if (free > room) {
                ASSERT_EQ(::posix_fallocate(fd, 0, off_t(free - room)), 0);
            }
            ::close(fd);
        });
        fs::remove(filler);
    }
    EXPECT_GT(refusals_, 3u);
}

INSTANTIATE_TEST_SUITE_P(Storage, PendingCommitsTest, ::testing::Values(TStorage::Disk), StorageName);

} // namespace
} // namespace vorsam::test
