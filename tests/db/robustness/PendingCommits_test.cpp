// Two-table commits pending or meeting a full disk: done whole or refused whole, never split or both.
#include "../engine/TransactionTestSupport.h"

#include "WorkerProcess.h"

#include "db/sql/QueryStatement.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace vorsam::test {
namespace {

namespace fs = std::filesystem;

class PendingCommitsTest : public TCommitCrashTest {
protected:
    void RunSql(const std::string& sql) {
        TDataSession session;
        TQueryStatement statement(session.OpenDataDirectory("", dir_.Path()));
        statement.Prepare(sql);
        statement.Execute({}, false);
    }

    // Prepare's commit, `before` it: refused (both tables then as before it) or done (both as after it).
    void CommitRefusedOrDone(const std::function<void()>& before) {
        auto tables = Prepare();
        bool refused = false;
        try {
            before();
            database_.Commit(true, true);
        } catch (const EVORSAMEngineError& e) {
            refused = true;
            EXPECT_EQ(e.ErrorCode, VORSAM_WRITEERR) << e.what();
        }
        GetFileList().Faults().Reset();
        tables.clear();
        ++(refused ? refusals_ : commits_);
        for (size_t table : {0, 1}) EXPECT_EQ(Reopen(table), refused ? TReopened::Before : TReopened::After);
    }

    uint32_t refusals_ = 0, commits_ = 0;
};

// After a crash at the commit point, with no table, the first or the second completed, and a copy of the
// journal beside it, a repair, ALTER TABLE or DROP and CREATE TABLE of either table.
TEST_P(PendingCommitsTest, WhatReplacesATablesFilesCompletesItsPendingCommitWholeFirst) {
    const char* copies[] = {"PEOPLE - Copy.JNL", "_VJ0123ABCD.JNL", "AAA.JNL"};
    for (std::string what :
         {"repair", "ALTER TABLE @ ADD XTRA INTEGER", "ALTER TABLE @ REDEFINE NAME CHAR(30)", "DROP TABLE @"})
        for (size_t table : {0, 1})
            for (size_t completed : {0, 1, 2}) {
                SCOPED_TRACE(what + " " + names_[table] + " after " + std::to_string(completed));
                CrashAt(0, 0);
                fs::copy_file(dir_.File("PEOPLE.JNL"), dir_.File(copies[completed]));
                EXPECT_TRUE(completed == 2 || Reopen(completed) == TReopened::After);
                if (what == "repair") NewTable(names_[table])->Repair();
                if (what != "repair") RunSql(std::string(what).replace(what.find('@'), 1, names_[table]));
                if (what == "DROP TABLE @") RunSql("CREATE TABLE " + names_[table] + " (K INTEGER)");
                for (size_t other : {table, 1 - table})
                    EXPECT_TRUE((what == "DROP TABLE @" && other == table) ||
                                Reopen(other) == TReopened::After);
                fs::remove(dir_.File(copies[completed]));
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
    const std::string code = std::to_string(VORSAM_OSEACCES), file = dir_.File("PEOPLE.DAT");
    EXPECT_EQ(other.Send("topen " + dir_.Path() + " PEOPLE"),
              "error " + code + " VORSAM Engine Error # " + code + " Access to the file '" + file +
                  "' is denied: the commit of the journal " + dir_.File("PEOPLE.JNL") +
                  " awaits its completion in the file");
    permit(fs::perms(0666));
    EXPECT_EQ(other.Send("topen " + dir_.Path() + " PEOPLE"), "ok");
}

// A pending commit whose journal another user may not read (one left 600, or written under umask 027), or
// whose folder that user may not list: that user's reads, writes and opens of either table are refused
// naming what cannot be read, and the tables stay as they were until it can; then the commit completes.
TEST_P(PendingCommitsTest, ACommitWhoseJournalCannotBeReadRefusesItsTablesUntilItCan) {
    if (::geteuid() != 0) GTEST_SKIP() << "the worker takes another user only when started by root";
    const std::string journal = dir_.File("PEOPLE.JNL");
    struct TCase {
        const char* Name;
        mode_t Umask;
        fs::perms Folder, Journal;
        std::string Named;
    };
    for (const TCase& c : {TCase{"umask 027", 027, fs::perms(0755), fs::perms::unknown, journal},
                           {"journal 600", 022, fs::perms(0755), fs::perms(0600), journal},
                           {"folder 711", 022, fs::perms(0711), fs::perms(0644), dir_.Path()}}) {
        SCOPED_TRACE(c.Name);
        fs::remove(journal);
        worker::TWorkerProcess other;
        ASSERT_EQ(other.Send("asuser 65534"), "ok");
        CrashAt(0, 0, [&] {
            fs::permissions(dir_.Path(), fs::perms(0755));
            for (const auto& entry : fs::directory_iterator(dir_.Path()))
                fs::permissions(entry.path(), fs::perms(0666));
            ASSERT_EQ(other.Send("topen " + dir_.Path() + " OTHERS"), "ok");
            ::umask(c.Umask);
        });
        ::umask(022);
        if (c.Journal != fs::perms::unknown) fs::permissions(journal, c.Journal);
        fs::permissions(dir_.Path(), c.Folder);
        const std::string refused = "error " + std::to_string(VORSAM_OSEACCES) + " VORSAM Engine Error # " +
                                    std::to_string(VORSAM_OSEACCES) + " Access to the file '" + c.Named + "'";
        for (const std::string& command :
             std::vector<std::string>{"tget 1", "tput 1 5", "topen " + dir_.Path() + " OTHERS",
                                      "topen " + dir_.Path() + " PEOPLE"})
            EXPECT_TRUE(other.Send(command).starts_with(refused)) << command;
        fs::permissions(dir_.Path(), fs::perms(0755));
        fs::permissions(journal, fs::perms(0644));
        EXPECT_EQ(other.Send("topen " + dir_.Path() + " OTHERS"), "ok");
        other.Send("tclose");
        for (size_t table : {0, 1}) EXPECT_EQ(Reopen(table), TReopened::After);
    }
}

// A journal's name that is a link, to the journal beside it or in a sibling folder, is never followed and
// never taken for no journal: both tables and a repair are refused naming it until the file is put back.
TEST_P(PendingCommitsTest, AJournalNameThatIsALinkRefusesTheCommitsTablesUntilTheFileIsBack) {
    const std::string journal = dir_.File("PEOPLE.JNL"), sibling = dir_.Path() + "-sibling";
    fs::create_directory(sibling);
    std::shared_ptr<void> removed(nullptr, [&](void*) { fs::remove_all(sibling); });
    for (const std::string& real : {journal + ".real", sibling + "/PEOPLE.JNL"}) {
        SCOPED_TRACE(real);
        CrashAt(0, 0);
        fs::rename(journal, real);
        fs::create_symlink(real, journal);
        for (size_t table : {0, 1}) {
            EVORSAMEngineError e = ErrorRaisedBy([&] { NewTable(names_[table])->Open(); });
            EXPECT_EQ(e.ErrorCode, VORSAM_OSERROR) << e.what();
            EXPECT_EQ(e.ErrorTableName, journal);
            EXPECT_ENGINE_ERROR(NewTable(names_[table])->Repair(), VORSAM_OSERROR);
        }
        EXPECT_TRUE(fs::exists(real)) << "the file the link leads to is left alone";
        fs::remove(journal);
        fs::rename(real, journal);
        for (size_t table : {0, 1}) EXPECT_EQ(Reopen(table), TReopened::After);
    }
}

// The disk found full at any one reservation of room or write of the commit (failed with ENOSPC).
TEST_P(PendingCommitsTest, ACommitThatFindsTheDiskFullIsRefusedCleanlyOrDoneNeverBoth) {
    uint64_t reserves = 0, writes = 0;
    CommitRefusedOrDone([&] {
        GetFileList().Faults().SetObserver([&](const TFileEvent& e) {
            reserves += e.Operation == TFileOperation::Reserve;
            writes += e.Operation == TFileOperation::Write;
        });
    });
    for (auto [operation, count] :
         {std::pair{TFileOperation::Reserve, reserves}, {TFileOperation::Write, writes}})
        for (uint64_t n = 1; n <= count && !HasFatalFailure(); ++n)
            CommitRefusedOrDone([&] { GetFileList().Faults().FailAt(operation, n, ENOSPC); });
    EXPECT_GT(refusals_, 3u);
}

// A file system of 12 MiB filled but for a little more room each time, the tables opened while it is full.
TEST_P(PendingCommitsTest, ACommitOnAFullFileSystemIsRefusedCleanlyOrDoneNeverBoth) {
    const std::string small = dir_.File("small"), filler = small + "/FILLER";
    if (!fs::create_directory(small) || ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=12m") != 0)
        GTEST_SKIP() << "no mount but by root";
    std::shared_ptr<void> unmount(nullptr, [&](void*) { ::umount2(small.c_str(), MNT_DETACH); });
    names_ = {small + "/PEOPLE", small + "/OTHERS"};
    edits_ = 300;
    keys_ = 600;
    for (uint64_t room = 0; commits_ < 3 && !HasFatalFailure(); room += 32 << 10) {
        CommitRefusedOrDone([&] {
            struct statvfs disk {};
            ::statvfs(small.c_str(), &disk);
            int fd = ::open(filler.c_str(), O_CREAT | O_WRONLY, 0644);
            ::posix_fallocate(fd, 0,
                              off_t(std::max<uint64_t>(disk.f_bavail * disk.f_frsize, room + 1) - room));
            ::close(fd);
        });
        fs::remove(filler);
    }
    EXPECT_GT(refusals_, 3u);
}

INSTANTIATE_TEST_SUITE_P(Storage, PendingCommitsTest, ::testing::Values(TStorage::Disk), StorageName);

} // namespace
} // namespace vorsam::test
