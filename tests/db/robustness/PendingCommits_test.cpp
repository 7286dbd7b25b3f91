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

// A pending commit another user cannot read: its journal 600 or written under umask 027, its folder 711, its
// journal's name a link (to the file beside it, or in a sibling folder). That user's opens, reads and writes
// of the tables (one open before the crash) are refused naming what cannot be read, as a repair of a link's
// is; once that is gone, the commit completes whole.
TEST_P(PendingCommitsTest, ACommitThatCannotBeReadRefusesItsTablesNamingWhatUntilItCan) {
    if (::geteuid() != 0) GTEST_SKIP() << "the worker takes another user only when started by root";
    const std::string journal = dir_.File("PEOPLE.JNL"), sibling = dir_.Path() + "-sibling";
    fs::create_directory(sibling);
    std::shared_ptr<void> removed(nullptr, [&](void*) { fs::remove_all(sibling); });
    for (const std::string obstacle : {"umask 027", "journal 600", "folder 711", "link", "sibling link"}) {
        SCOPED_TRACE(obstacle);
        const std::string real = obstacle == "link" ? journal + ".real" : sibling + "/PEOPLE.JNL";
        const bool link = obstacle.ends_with("link");
        fs::remove(journal);
        worker::TWorkerProcess other;
        ASSERT_EQ(other.Send("asuser 65534"), "ok");
        CrashAt(0, 0, [&] {
            fs::permissions(dir_.Path(), fs::perms(0755));
            for (const auto& entry : fs::directory_iterator(dir_.Path()))
                fs::permissions(entry.path(), fs::perms(0666));
            ASSERT_EQ(other.Send("topen " + dir_.Path() + " OTHERS"), "ok");
            ::umask(obstacle == "umask 027" ? 027 : 022);
        });
        ::umask(022);
        if (obstacle == "journal 600") fs::permissions(journal, fs::perms(0600));
        if (obstacle == "folder 711") fs::permissions(dir_.Path(), fs::perms(0711));
        if (link) fs::rename(journal, real), fs::create_symlink(real, journal);
        const std::string refused = "error " + std::to_string(link ? VORSAM_OSERROR : VORSAM_OSEACCES) + " ",
                          named = "'" + (obstacle == "folder 711" ? dir_.Path() : journal) + "'",
                          open = "topen " + dir_.Path();
        for (const std::string& command :
             {std::string("tget 1"), std::string("tput 1 5"), open + " OTHERS", open + " PEOPLE"}) {
            const std::string answer = other.Send(command);
            EXPECT_TRUE(answer.starts_with(refused) && answer.find(named) != std::string::npos) << answer;
        }
        if (link) {
            EXPECT_ENGINE_ERROR(NewTable("PEOPLE")->Repair(), VORSAM_OSERROR);
            fs::remove(journal), fs::rename(real, journal);
        }
        fs::permissions(dir_.Path(), fs::perms(0755));
        fs::permissions(journal, fs::perms(0644));
        EXPECT_EQ(other.Send(open + " OTHERS"), "ok");
        other.Send("tclose");
        for (size_t table : {0, 1}) EXPECT_EQ(Reopen(table), TReopened::After);
    }
}

// The same as any user: the system's refusal to open the table files for writing given by the file
// layer's fault injector.
TEST_P(PendingCommitsTest, TableFilesThatCannotBeWrittenGiveThePermissionErrorNamingTheFileAsAnyUser) {
    CrashAt(0, 0);
    GetFileList().Faults().FailWhere(
        TFileOperation::Open,
        [](const TFileEvent& e) {
            return e.Writing && e.FileName.find("/PEOPLE.") != std::string_view::npos;
        },
        EACCES);
    const std::string code = std::to_string(VORSAM_OSEACCES);
    try {
        NewTable("PEOPLE")->Open();
        ADD_FAILURE() << "opened";
    } catch (const EVORSAMEngineError& e) {
        EXPECT_EQ(std::string(e.what()), "VORSAM Engine Error # " + code + " Access to the file '" +
                                             dir_.File("PEOPLE.DAT") +
                                             "' is denied: the commit of the journal " +
                                             dir_.File("PEOPLE.JNL") + " awaits its completion in the file");
    }
    GetFileList().Faults().Reset();
    for (size_t table : {0, 1}) EXPECT_EQ(Reopen(table), TReopened::After);
}

// The same as any user: the journal's open or the folder's listing refused by the file layer's fault
// injector, as the system refuses them to another user, and the journal's name a link. A table of the
// commit open before the crash, and opens of both after it, are refused naming what cannot be read; once
// that is gone, the commit completes whole.
TEST_P(PendingCommitsTest, ACommitThatCannotBeReadRefusesItsTablesNamingWhatAsAnyUser) {
    const std::string journal = dir_.File("PEOPLE.JNL"), sibling = dir_.Path() + "-sibling";
    fs::create_directory(sibling);
    std::shared_ptr<void> removed(nullptr, [&](void*) { fs::remove_all(sibling); });
    for (const std::string obstacle : {"journal unreadable", "folder unlistable", "link", "sibling link"}) {
        SCOPED_TRACE(obstacle);
        const std::string real = obstacle == "link" ? journal + ".real" : sibling + "/PEOPLE.JNL";
        const bool link = obstacle.ends_with("link");
        fs::remove(journal);
        std::unique_ptr<TDataTable> held;
        CrashAt(0, 0, [&] {
            held = NewTable("OTHERS");
            held->Open();
        });
        if (obstacle == "journal unreadable")
            GetFileList().Faults().FailWhere(
                TFileOperation::Open, [](const TFileEvent& e) { return e.FileName.ends_with("/PEOPLE.JNL"); },
                EACCES);
        if (obstacle == "folder unlistable")
            GetFileList().Faults().FailWhere(
                TFileOperation::List, [&](const TFileEvent& e) { return e.FileName == dir_.Path(); }, EACCES);
        if (link) fs::rename(journal, real), fs::create_symlink(real, journal);
        const uint16_t code = link ? VORSAM_OSERROR : VORSAM_OSEACCES;
        const std::string named = "'" + (obstacle == "folder unlistable" ? dir_.Path() : journal) + "'";
        const std::pair<const char*, std::function<void()>> steps[] = {
            {"read", [&] { Contents(*held); }},
            {"write",
             [&] {
                 PutPerson(*held, {1, 5, "five"});
             }},
            {"open OTHERS", [&] { NewTable("OTHERS")->Open(); }},
            {"open PEOPLE", [&] { NewTable("PEOPLE")->Open(); }}};
        for (const auto& [what, step] : steps) {
            try {
                step();
                ADD_FAILURE() << what << " not refused";
            } catch (const EVORSAMEngineError& e) {
                EXPECT_EQ(e.ErrorCode, code) << what << ": " << e.what();
                EXPECT_NE(std::string(e.what()).find(named), std::string::npos) << what << ": " << e.what();
            }
        }
        if (link) {
            EXPECT_ENGINE_ERROR(NewTable("PEOPLE")->Repair(), VORSAM_OSERROR);
            fs::remove(journal), fs::rename(real, journal);
        }
        GetFileList().Faults().Reset();
        EXPECT_EQ(Contents(*held), after_[1]);
        held.reset();
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
