// The file layer on disk and in memory: positioned transfers, truncation, sharing modes, temporary files,
// delete, rename and copy.
#include "FileTestSupport.h"

#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"
#include "support/SecondAccount.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace vorsam::test {
namespace {

class FileHandlerTest : public TFileTest {};

TEST_P(FileHandlerTest, PositionedWritesAndReadsKeepEachHandlersOwnPosition) {
    auto writer = Created("T.DAT");
    auto reader = Opened("T.DAT");
    WriteAt(*writer, 0, "0123456789");
    WriteAt(*writer, 20, "xy"); // past the end: the gap reads as zeros
    EXPECT_EQ(writer->Position(), 22u);
    EXPECT_EQ(reader->Position(), 0u);
    EXPECT_EQ(reader->GetFileSize(), 22u);
    EXPECT_EQ(ReadAll(*reader), std::string("0123456789") + std::string(10, '\0') + "xy");
    EXPECT_EQ(reader->Seek(-4, soEnd), 18u);
    EXPECT_EQ(reader->Seek(2, soCurrent), 20u);
}

TEST_P(FileHandlerTest, ShortReadRaisesUnlessAllowedAndThenZeroFillsTheRest) {
    auto h = Created("T.DAT");
    WriteAt(*h, 0, "abc");
    char buffer[8];
    h->Seek(1);
    EXPECT_ENGINE_ERROR(h->ReadBuffer(buffer, sizeof buffer), VORSAM_READERR);
    std::memset(buffer, '#', sizeof buffer);
    h->Seek(1);
    EXPECT_EQ(h->ReadBuffer(buffer, sizeof buffer, true), 2u);
    EXPECT_EQ(std::string(buffer, 8), std::string("bc") + std::string(6, '\0'));
}

TEST_P(FileHandlerTest, ZeroByteWriteTruncatesAtThePosition) {
    auto h = Created("T.DAT");
    WriteAt(*h, 0, "0123456789");
    h->Seek(4);
    h->WriteBuffer(nullptr, 0);
    EXPECT_EQ(h->GetFileSize(), 4u);
    EXPECT_EQ(ReadAll(*h), "0123");
}

TEST_P(FileHandlerTest, CreateEmptiesAFileNobodyHasOpenAndIsRefusedWhileOneIs) {
    WriteAt(*Created("T.DAT"), 0, "old contents");
    auto h = Created("T.DAT");
    EXPECT_EQ(h->GetFileSize(), 0u);
    EXPECT_ENGINE_ERROR(Created("T.DAT"), VORSAM_FILEINUSE);
}

TEST_P(FileHandlerTest, ExclusiveOpenIsRefusedBothWaysWithinTheProcess) {
    Created("T.DAT");
    {
        auto exclusive = Opened("T.DAT", true);
        EXPECT_ENGINE_ERROR(Opened("T.DAT"), VORSAM_FILEINUSE);
        EXPECT_ENGINE_ERROR(Opened("T.DAT", true), VORSAM_FILEINUSE);
    }
    auto shared = Opened("T.DAT");
    EXPECT_ENGINE_ERROR(Opened("T.DAT", true), VORSAM_FILEINUSE);
    EXPECT_NO_THROW(Opened("T.DAT"));
}

TEST_P(FileHandlerTest, TemporaryFileLivesWhileOpenAndIsGoneAfterItsLastClose) {
    auto first = Handler("RUN.TMP");
    first->SetTemporary(true);
    first->CreateFile();
    WriteAt(*first, 0, "run");
    if (!InMemory()) {
        EXPECT_EQ(dir_.EntryCount(), 0u) << "a temporary file has no name on disk";
    }
    auto second = Opened("RUN.TMP");
    EXPECT_EQ(ReadAll(*second), "run");
    first->Close();
    EXPECT_EQ(ReadAll(*second), "run");
    second->Close();
    EXPECT_FALSE(GetFileList().Exists(dir_.File("RUN.TMP"), InMemory()));
    EXPECT_ENGINE_ERROR(Opened("RUN.TMP"), VORSAM_OSENOENT);
}

TEST_P(FileHandlerTest, DeleteIsRefusedWhileTheFileIsOpenAndRemovesItOtherwise) {
    auto h = Created("T.DAT");
    EXPECT_ENGINE_ERROR(Handler("T.DAT")->DeleteFile(), VORSAM_FILEINUSE);
    h->DeleteFile();
    EXPECT_FALSE(h->IsOpen());
    EXPECT_FALSE(GetFileList().Exists(dir_.File("T.DAT"), InMemory()));
    EXPECT_ENGINE_ERROR(Handler("T.DAT")->DeleteFile(), VORSAM_OSENOENT);
}

TEST_P(FileHandlerTest, RenameNeverReplacesAnExistingFile) {
    WriteAt(*Created("A.DAT"), 0, "a");
    WriteAt(*Created("B.DAT"), 0, "b");
    auto a = Handler("A.DAT");
    EXPECT_ENGINE_ERROR(a->RenameFile(dir_.File("B.DAT")), VORSAM_FILEEXISTS);
    a->RenameFile(dir_.File("C.DAT"));
    EXPECT_EQ(a->FileName(), dir_.File("C.DAT"));
    EXPECT_EQ(ReadAll(*Opened("C.DAT")), "a");
    EXPECT_EQ(ReadAll(*Opened("B.DAT")), "b");
    EXPECT_FALSE(GetFileList().Exists(dir_.File("A.DAT"), InMemory()));
}

TEST_P(FileHandlerTest, CopyAndAppendCarryTheWholeFileAndKeepThePosition) {
    std::string big(200000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = char(i * 7);
    auto source = Created("S.DAT");
    WriteAt(*source, 0, big);
    source->Seek(5);
    source->CopyTo(dir_.File("COPY.DAT"));
    EXPECT_EQ(source->Position(), 5u);
    EXPECT_EQ(ReadAll(*Opened("COPY.DAT")), big);
    auto target = Created("APP.DAT");
    WriteAt(*target, 0, "head");
    source->AppendTo(*target);
    EXPECT_EQ(ReadAll(*target), "head" + big);
}

TEST_P(FileHandlerTest, ReadOnlyHandlerRefusesWrites) {
    Created("T.DAT");
    auto h = Handler("T.DAT");
    h->SetReadOnly(true);
    h->Open();
    EXPECT_ENGINE_ERROR(h->WriteBuffer("x", 1), VORSAM_WRITEERR);
    EXPECT_EQ(h->GetFileSize(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Storage, FileHandlerTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);

TEST(FileHandlerDiskTest, FileWithoutWritePermissionOpensReadOnlyWithTheAttributeSet) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
    TTempDir dir;
    {
        TFileHandler h;
        h.SetFileName(dir.File("RO.DAT"));
        h.CreateFile();
        h.WriteBuffer("data", 4);
    }
    ::chmod(dir.File("RO.DAT").c_str(), 0444);
    TFileHandler h;
    h.SetFileName(dir.File("RO.DAT"));
    h.Open();
    EXPECT_TRUE(h.ReadOnlyAttribute());
    char buffer[4];
    EXPECT_EQ(h.ReadBuffer(buffer, 4), 4u);
    EXPECT_ENGINE_ERROR(h.WriteBuffer("x", 1), VORSAM_WRITEERR);
}

TEST(FileHandlerDiskTest, SeparatorsAndDotPartsOfOneFileShareOneSharedFile) {
    TTempDir dir;
    TFileHandler a, b;
    a.SetFileName(dir.File("T.DAT"));
    a.CreateFile();
    b.SetFileName(dir.Path() + "\\.\\T.DAT");
    b.SetExclusive(true);
    EXPECT_ENGINE_ERROR(b.Open(), VORSAM_FILEINUSE);
}

// What has the name of a file the engine creates goes and is never written through: a link's target
// stays as it was, a dangling link makes nothing where it leads. Only regular files are opened.
TEST(FileHandlerDiskTest, ACreatedFileIsMadeNewAndOnlyRegularFilesAreOpened) {
    namespace fs = std::filesystem;
    TTempDir dir;
    const std::string victim = dir.File("victim"), name = dir.File("T.IDX");
    std::ofstream(victim) << "a user's file";
    for (const std::string kind : {"link", "dangling link", "fifo", "hard link"}) {
        if (kind == "link") fs::create_symlink(victim, name);
        if (kind == "dangling link") fs::create_symlink(dir.File("made"), name);
        if (kind == "fifo") ::mkfifo(name.c_str(), 0644);
        if (kind == "hard link") fs::create_hard_link(victim, name);
        TFileHandler h;
        h.SetFileName(name);
        h.CreateFile();
        h.WriteBuffer("new", 3);
        h.Close();
        EXPECT_TRUE(fs::file_size(victim) == 13 && !fs::exists(dir.File("made"))) << kind;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(name)) && fs::file_size(name) == 3) << kind;
        fs::remove(name);
    }
    ::mkfifo(name.c_str(), 0644); // a read would wait for ever
    TFileHandler h;
    h.SetFileName(name);
    EXPECT_EQ(ErrorRaisedBy([&] { h.Open(); }).OSErrorCode, ENXIO);
}

// In a folder that others may write, another account's link is not followed: neither an open nor a
// delete reaches the file it leads to.
TEST(FileHandlerDiskTest, AnotherAccountsLinkInASharedFolderIsNeverFollowed) {
    if (const std::string missing = SecondAccountMissing(); !missing.empty()) GTEST_SKIP() << missing;
    namespace fs = std::filesystem;
    TTempDir dir;
    fs::permissions(dir.Path(), fs::perms(0755));
    fs::create_directory(dir.File("shared"));
    fs::permissions(dir.File("shared"), fs::perms::all);
    std::ofstream(dir.File("victim")) << "a user's file";
    const std::string link = "ln -s " + dir.File("victim") + " " + dir.File("shared/T.DAT");
    ASSERT_EQ(std::system(AsSecondAccount(link).c_str()), 0);
    TFileHandler h;
    h.SetFileName(dir.File("shared/T.DAT"));
    EXPECT_EQ(ErrorRaisedBy([&] { h.Open(); }).OSErrorCode, EACCES);
    EXPECT_EQ(ErrorRaisedBy([&] { h.DeleteFile(); }).OSErrorCode, EACCES);
    EXPECT_EQ(fs::file_size(dir.File("victim")), 13u);
}

TEST(FileHandlerDiskTest, ErrorsNameTheFolderAndTheFile) {
    TTempDir dir;
    TFileHandler h;
    h.SetFileName(dir.File("NONE.DAT"));
    try {
        h.Open();
        FAIL() << "no error";
    } catch (const EVORSAMEngineError& e) {
        EXPECT_EQ(e.ErrorTableName, "NONE.DAT");
        EXPECT_EQ(e.ErrorDatabaseName, dir.Path());
        EXPECT_EQ(e.OSErrorCode, ENOENT);
        EXPECT_NE(std::string(e.what()).find("'NONE.DAT'"), std::string::npos);
    }
}

// Room reserved past a file's end is given back exactly: the hole punched is the range reserved (ext4
// refuses one past its largest file), and the blocks are free again, also those that a reservation larger
// than the disk took before it failed (ext4 keeps them, but for a block of its extent tree).
TEST(FileHandlerRoomTest, RoomReservedPastTheEndIsGivenBackOnExt4AndTmpfs) {
    for (const char* kind : {"ext4", "tmpfs"}) {
        TMountedFolder folder(kind);
        if (!folder.Mounted()) GTEST_SKIP() << "no mount but by root";
        TFileHandler file;
        file.SetFileName(folder.File("T.DAT"));
        file.CreateFile();
        file.WriteBuffer(std::string(4096, 'x').data(), 4096);
        file.FlushBuffers();
        struct stat written {
        }, reserved{}, givenBack{};
        ::stat(file.FileName().c_str(), &written);
        file.Reserve(4096 + (1 << 20));
        ::stat(file.FileName().c_str(), &reserved);
        EXPECT_EQ(file.Unreserve(), 0) << kind;
        ::stat(file.FileName().c_str(), &givenBack);
        EXPECT_GE(reserved.st_blocks, written.st_blocks + (1 << 20) / 512) << kind;
        EXPECT_EQ(givenBack.st_blocks, written.st_blocks) << kind;
        EXPECT_EQ(ErrorCodeOf([&] { file.Reserve(64 << 20); }), VORSAM_WRITEERR) << kind << ": 64 MiB on 32";
        EXPECT_EQ(file.Unreserve(), 0) << kind;
        EXPECT_LE((::stat(file.FileName().c_str(), &givenBack), givenBack.st_blocks), written.st_blocks + 8);
    }
}

} // namespace
} // namespace vorsam::test
