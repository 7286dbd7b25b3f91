// Programming files: reading, refusals that leave the programming untouched, safe writing and
// the protection of the default files.

#include "ProgrammingFixture.h"
#include "core/CoreError.h"
#include "core/ProgrammingFile.h"
#include "platform/os/FileIo.h"

#include <unistd.h>

namespace {

constexpr const char* NotAProgramming = "Este não é um arquivo de programação do PABX";

class ProgrammingFileTest : public ProgrammingFixture {
protected:
    void TearDown() override {
        SetBeforeRenameHook({});
        ProgrammingFixture::TearDown();
    }

    static std::string Contents(const std::string& path) { return ReadWholeFile(path).value_or("<missing>"); }

    // The programming in memory and every flag, to compare before and after a refused operation.
    static std::string State() {
        std::string state(ProgrammingBytes.begin(), ProgrammingBytes.end());
        state += static_cast<char>(ModelCode);
        for (const TSectionFlags* flags :
             {&EditedSections, &ModifiedSections, &LoadedSections, &LoadedSectionsLegacy})
            state.append(flags->begin(), flags->end());
        return state + static_cast<char>(ProgrammingModified) + ProgrammingFileName;
    }

    void ExpectRefused(const std::string& path, const std::string& message) {
        const std::string before = State();
        try {
            LoadProgrammingFile(path);
            ADD_FAILURE() << "accepted " << path;
        } catch (const EProgrammingFileError& error) {
            EXPECT_EQ(std::string(error.what()).substr(0, message.size()), message);
        }
        EXPECT_EQ(State(), before);
    }
};

class EveryFixture : public ProgrammingFileTest, public testing::WithParamInterface<std::uint8_t> {};

TEST_P(EveryFixture, RoundTripsByteForByte) {
    const std::string source = FixtureFile(GetParam());
    LoadProgrammingFile(source);
    EXPECT_EQ(ModelCode, GetParam());
    EXPECT_EQ(ProgrammingFileName, source);
    SaveProgrammingFile(folder.Path("copy.npx"));
    EXPECT_EQ(Contents(folder.Path("copy.npx")), Contents(source));
    EXPECT_EQ(ProgrammingFileName, folder.Path("copy.npx"));
}

TEST_P(EveryFixture, LoadingMarksTheModelsSectionsAndClearsTheChanges) {
    MarkSectionEdited(Section::Timers);
    LoadProgrammingFile(FixtureFile(GetParam()));
    const bool legacy = GetParam() <= 8;
    EXPECT_FALSE(AnySectionModified());
    EXPECT_EQ(EditedSections[Section::Timers], 0);
    for (int section = 1; section <= Section::Count; ++section) {
        const bool expected = section != 18 && (section != 22 || !legacy);
        EXPECT_EQ(LoadedSections[section], expected ? 1 : 0) << section;
        EXPECT_EQ(LoadedSectionsLegacy[section], expected && legacy ? 1 : 0) << section;
    }
}

INSTANTIATE_TEST_SUITE_P(Models, EveryFixture, testing::ValuesIn(KnownModelCodes));

TEST_F(ProgrammingFileTest, AnImageWithEveryByteValueRoundTripsAndSavingClearsTheChanges) {
    LoadProgrammingFile(FixtureFile(12));
    for (std::size_t offset = 11; offset < ImageSize; ++offset)
        ProgrammingImage[offset] = static_cast<std::uint8_t>(offset * 7);
    MarkSectionEdited(Section::Timers);
    const std::string image(ProgrammingBytes.begin(), ProgrammingBytes.end());
    SaveProgrammingFile(folder.Path("all.npx"));
    EXPECT_EQ(Contents(folder.Path("all.npx")), image);
    EXPECT_FALSE(AnySectionModified());
    EXPECT_EQ(EditedSections[Section::Timers], 1);
    ClearProgramming();
    LoadProgrammingFile(folder.Path("all.npx"));
    EXPECT_EQ(std::string(ProgrammingBytes.begin(), ProgrammingBytes.end()), image);
}

struct TBadFile {
    const char* name;
    std::size_t size;
    std::size_t offset; // one byte changed here (when size is 6750)
    std::uint8_t value;
};

class BadFiles : public ProgrammingFileTest, public testing::WithParamInterface<TBadFile> {};

TEST_P(BadFiles, AreRefusedAndLeaveTheProgrammingUntouched) {
    LoadProgrammingFile(FixtureFile(11));
    MarkSectionEdited(Section::Holidays);
    std::string bytes = Contents(FixtureFile(9));
    bytes.resize(GetParam().size, '\0');
    if (GetParam().offset < bytes.size()) bytes[GetParam().offset] = static_cast<char>(GetParam().value);
    folder.Write("bad.npx", bytes);
    ExpectRefused(folder.Path("bad.npx"), NotAProgramming);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadFiles,
    testing::Values(TBadFile{"short", 6749, ImageSize, 0}, TBadFile{"long", 6751, ImageSize, 0},
                    TBadFile{"empty", 0, ImageSize, 0}, TBadFile{"huge", 70000, ImageSize, 0},
                    TBadFile{"lengthByte", ImageSize, 1, 8}, TBadFile{"signature", ImageSize, 10, 'B'},
                    TBadFile{"model7", ImageSize, 0, 7}, TBadFile{"modelNone", ImageSize, 0, ModelNone},
                    TBadFile{"model0", ImageSize, 0, 0}, TBadFile{"model14", ImageSize, 0, 14},
                    TBadFile{"model255", ImageSize, 0, 255}),
    [](const testing::TestParamInfo<TBadFile>& info) { return std::string(info.param.name); });

TEST_F(ProgrammingFileTest, AMissingOrUnreadableFileIsReportedAndChangesNothing) {
    LoadProgrammingFile(FixtureFile(11));
    ExpectRefused(folder.Path("none.npx"), "Arquivo não encontrado:");
    ExpectRefused(folder.Path(), "Não foi possível ler o arquivo");
}

TEST_F(ProgrammingFileTest, TheDefaultFilesAreNeverWritten) {
    LoadProgrammingFile(FixtureFile(11));
    for (const char* name : {"DEFARCO.NPX", "defarco.npx", "sub/DEFTESSL.NPX", "DefNodo.Npx"}) {
        EXPECT_THROW(SaveProgrammingFile(folder.Path(name)), EProgrammingFileError) << name;
        EXPECT_FALSE(folder.Exists(name)) << name;
    }
    EXPECT_EQ(ProgrammingFileName, FixtureFile(11));
    EXPECT_FALSE(IsDefaultProgrammingFile(folder.Path("DEFARCO.NPX.bak")));
}

TEST_F(ProgrammingFileTest, ACrashWhileSavingLeavesTheOldFileIntact) {
    LoadProgrammingFile(FixtureFile(11));
    SaveProgrammingFile(folder.Path("client.npx"));
    const std::string old = Contents(folder.Path("client.npx"));
    ProgrammingHeader[Offset::FlashTime] = 9;
    EXPECT_EXIT(
        {
            SetBeforeRenameHook([](const std::string&) { ::_exit(3); });
            SaveProgrammingFile(folder.Path("client.npx"));
        },
        testing::ExitedWithCode(3), "");
    EXPECT_EQ(Contents(folder.Path("client.npx")), old);
}

TEST_F(ProgrammingFileTest, AFailedSaveReportsAndKeepsTheFlags) {
    LoadProgrammingFile(FixtureFile(11));
    MarkSectionEdited(Section::Timers);
    EXPECT_THROW(SaveProgrammingFile(folder.Path("no/such/folder.npx")), EProgrammingFileError);
    EXPECT_TRUE(AnySectionModified());
    EXPECT_EQ(ProgrammingFileName, FixtureFile(11));
}

TEST_F(ProgrammingFileTest, WithoutAProgrammingThereIsNothingToSave) {
    EXPECT_THROW(SaveProgrammingFile(folder.Path("empty.npx")), EProgrammingFileError);
    EXPECT_FALSE(folder.Exists("empty.npx"));
}

TEST_F(ProgrammingFileTest, NewStartsFromTheModelsDefaultFileWithoutAName) {
    folder.Write("DEFARCO.NPX", Contents(BuildFile("DEFARCO.NPX")));
    NewProgramming(11);
    EXPECT_EQ(ModelCode, 11);
    EXPECT_TRUE(ProgrammingFileName.empty());
    EXPECT_THROW(NewProgramming(10), EProgrammingFileError); // no default file for this model
    EXPECT_EQ(ModelCode, 11);
}

} // namespace

namespace {

// An installer who keeps the customer's file behind a link saves into the file, not over the link.
TEST_F(ProgrammingFileTest, SavingThroughALinkWritesItsTargetAndKeepsTheLink) {
    LoadProgrammingFile(FixtureFile(11));
    SaveProgrammingFile(folder.Path("real.npx"));
    ASSERT_EQ(::symlink("real.npx", folder.Path("atalho.npx").c_str()), 0);
    ProgrammingHeader[Offset::FlashTime] = 7;
    SaveProgrammingFile(folder.Path("atalho.npx"));
    char target[64] = {};
    EXPECT_GT(::readlink(folder.Path("atalho.npx").c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "real.npx");
    EXPECT_EQ(Contents(folder.Path("real.npx"))[Offset::FlashTime], 7);
}

} // namespace
