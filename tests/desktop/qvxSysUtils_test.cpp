// String and file-name routines of the desktop library.

#include "desktop/qvxLibraryClasses.h"
#include "desktop/qvxSysUtils.h"
#include "platform/os/TestTempFolder.h"

#include <QObject>

#include <memory>

#include <gtest/gtest.h>

namespace {

struct TTargetCase {
    const char* source;
    const char* mask;
    const char* expected;
};

class TargetFileName : public testing::TestWithParam<TTargetCase> {};

TEST_P(TargetFileName, CompletesTheMaskFromTheSource) {
    const TTargetCase& c = GetParam();
    EXPECT_EQ(qvxTargetFileName(c.source, c.mask), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, TargetFileName,
    testing::Values(TTargetCase{"/a/x.txt", "/b/*.bak", "/b/x.bak"}, TTargetCase{"/a/x.txt", "", "/a/x.txt"},
                    TTargetCase{"/a/x.txt", "/b/", "/b/x.txt"}, TTargetCase{"/a/x.txt", "y.doc", "/a/y.doc"},
                    TTargetCase{"/a/x.txt", "/b/y", "/b/y.txt"},
                    TTargetCase{"/a/x.txt", "/b/y.*", "/b/y.txt"},
                    TTargetCase{"/a/x.txt", "/b/?.bak", "/b/x.bak"}, TTargetCase{"/a/x", "/b/*.*", "/b/x"},
                    TTargetCase{"/a/x.tar.gz", "/b/*", "/b/x.tar.gz"},
                    TTargetCase{"/a/c:\\x.txt", "/b/*.bak", "/b/c:\\x.bak"}));

TEST(FileNameParts, OnlySlashSeparatesFolders) {
    EXPECT_EQ(qvxExtractName("/a/b\\c:d.txt"), "b\\c:d.txt");
    EXPECT_EQ(qvxExtractPath("/a/b\\c.txt"), "/a/");
    EXPECT_EQ(qvxExtractPath("c.txt"), "");
    EXPECT_EQ(qvxNameWithoutExt("/a.d/x.tar.gz"), "x.tar");
    EXPECT_EQ(qvxNameWithoutExt("/a.d/x"), "x");
    EXPECT_EQ(qvxExtractExt("/a.d/x"), "");
    EXPECT_EQ(qvxIncludeBackslash("/a"), "/a/");
    EXPECT_EQ(qvxIncludeBackslash("/a/"), "/a/");
    EXPECT_EQ(qvxSingleBackslashes("/a///b//c"), "/a/b/c");
    EXPECT_EQ(qvxMakeFullName("/out//", "b.txt"), "/out/b.txt");
    EXPECT_EQ(qvxMakeFullName("/out", "/in/b.txt"), "/in/b.txt");
}

TEST(StringRoutines, PositionIsOneBasedFromTheGivenPlace) {
    EXPECT_EQ(qvxPosFrom("ab", "xabab", 1), 2);
    EXPECT_EQ(qvxPosFrom("ab", "xabab", 3), 4);
    EXPECT_EQ(qvxPosFrom("ab", "xabab", 5), 0);
    EXPECT_EQ(qvxPosFrom("ab", "xabab", -3), 2);
    EXPECT_EQ(qvxPosFrom("", "xabab", 1), 0);
}

TEST(StringRoutines, ReplaceAllDoesNotRescanTheInsertedText) {
    QString s = "a-a-a";
    qvxReplaceAll(s, "a", "aa");
    EXPECT_EQ(s, "aa-aa-aa");
    s = "xx";
    qvxReplaceAll(s, "", "y");
    EXPECT_EQ(s, "xx");
    s = "a.b.c";
    qvxReplaceChar(s, '.', '/');
    EXPECT_EQ(s, "a/b/c");
}

TEST(StringRoutines, SplitKeepsEmptyPartsBetweenSeparators) {
    QStringList list{"old"};
    qvxSplitToStrings("a,,b", ",", list);
    EXPECT_EQ(list, (QStringList{"a", "", "b"}));
    qvxSplitToStrings("", ",", list);
    EXPECT_TRUE(list.isEmpty());
}

TEST(UsableFileName, ExistingOrCreatableOnly) {
    TTestTempFolder folder;
    folder.Write("there.txt", "x");
    EXPECT_TRUE(qvxIsUsableFileName(QString::fromStdString(folder.Path("there.txt"))));
    EXPECT_TRUE(qvxIsUsableFileName(QString::fromStdString(folder.Path("new.txt"))));
    EXPECT_FALSE(folder.Exists("new.txt")); // the probe leaves nothing behind
    EXPECT_FALSE(qvxIsUsableFileName(QString::fromStdString(folder.Path("missing/new.txt"))));
    EXPECT_FALSE(qvxIsUsableFileName(""));
    EXPECT_FALSE(qvxIsUsableFileName(QString::fromStdString(folder.Path())));
}

TEST(SystemState, ProgramNamesComeFromTheExecutable) {
    EXPECT_FALSE(qvxOSDescription().isEmpty());
    EXPECT_TRUE(qvxExecutableName().startsWith(qvxProgramFolder()));
    EXPECT_TRUE(qvxProgramFolder().endsWith('/'));
    EXPECT_EQ(qvxLogFileName(), qvxExecutableName() + ".log"); // the test program has no extension
}

// The library's classes are registered as the library starts: a name finds its class at once.
TEST(ClassRegistry, TheLibrarysOwnClassesAreThereFromTheStart) {
    QObject owner;
    for (const char* name : {"TqvxComponent", "TqvxOneInstance", "TqvxFolderMonitor", "TqvxRegistryMonitor",
                             "TqvxThreadTimer", "TqvxFileOperation", "TqvxTrayIcon", "TqvxColorPicker"}) {
        SCOPED_TRACE(name);
        TqvxComponentFactory create = qvxFindClass(name);
        ASSERT_TRUE(create);
        QObject* made = create(&owner);
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->parent(), &owner);
        EXPECT_EQ(QString(made->metaObject()->className()), QString(name));
    }
    EXPECT_EQ(qvxLibraryClasses().size(), 22);
    // A class of a library name registered later does not replace the library's.
    qvxRegisterClasses({{"TqvxFolderMonitor", [](QObject*) { return nullptr; }}});
    EXPECT_NE(qvxFindClass("TqvxFolderMonitor")(&owner), nullptr);
}

TEST(ClassRegistry, FirstRegistrationOfANameWins) {
    QObject* made = nullptr;
    qvxRegisterClasses({{"TqvxTestClass", [&](QObject*) { return made = new QObject; }}});
    qvxRegisterClasses({{"TqvxTestClass", [](QObject*) { return nullptr; }}});
    std::unique_ptr<QObject> object(qvxFindClass("TqvxTestClass")(nullptr));
    EXPECT_EQ(object.get(), made);
    EXPECT_FALSE(qvxFindClass("TqvxUnknown"));
}

} // namespace
