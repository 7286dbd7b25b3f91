// The cancellation of programmings screen: an unticked facility clears its bit and resets the
// extension's data of it; the extension edit.

#include "ScratchFixture.h"
#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/MaskEdit.h"
#include "screens/Cancprog.h"

#include <QTest>

#include <map>

namespace {

using TBytes = std::map<std::size_t, std::uint8_t>;

class CancProgTest : public ScratchFixture {
protected:
    // Every extension with all six facilities (and bits 6-7) set and data programmed for each.
    void Open(int model = 11) {
        LoadModel(model);
        for (std::size_t p = 0; p < 20; ++p) {
            ProgrammingHeader[254 + p] = 0xFF;
            for (std::size_t offset : {3570 + p, 3630 + p, 3650 + 2 * p, 3651 + 2 * p, 3770 + p})
                ProgrammingImage[offset] = 5;
        }
        Build(4);
        ShowActive(screen);
        before = TProgrammingState::Now();
    }
    platform::data::TDataSet& Table() { return screen.TableCancProg(); }
    void GoToExtension(const std::string& number) {
        screen.Edit1->SetText(QString::fromStdString(number));
        screen.PosicRml();
    }
    // The OK stored these bytes (and nothing else) and marked section 6.
    void ExpectStored(const TBytes& changes) {
        TProgrammingState expected = before;
        for (const auto& [offset, value] : changes) expected.bytes[offset] = value;
        expected.edited[6] = expected.modified[6] = expected.programmingModified = 1;
        EXPECT_TRUE(TProgrammingState::Now() == expected);
        for (const auto& [offset, value] : changes) EXPECT_EQ(ProgrammingBytes[offset], value) << offset;
        EXPECT_FALSE(screen.isVisible());
    }

    TFormCancProg screen;
    TProgrammingState before;
};

struct TUnticked {
    int bit;
    TBytes reset; // relative to the extension's position p: offset + p (passwords: + 2p)
};
const TUnticked Unticked[] = {
    {0, {{3650, 0xED}, {3651, 0xED}}},
    {1, {}},
    {2, {{3770, 0xFF}}},
    {3, {{3630, 0xBB}}},
    {4, {{3570, 0xFF}}},
    {5, {}},
};

TEST_F(CancProgTest, AnUntickedFacilityClearsItsBitAndResetsItsData) {
    for (const TUnticked& case_ : Unticked) {
        SCOPED_TRACE(case_.bit);
        Open();
        const std::size_t p = 2;
        GoToExtension(std::to_string(ExtensionNumber(2)));
        screen.DBCheckBoxes[static_cast<std::size_t>(case_.bit)]->click();
        screen.OKButtonClick();
        TBytes expected = {{254 + p, static_cast<std::uint8_t>(0xFF & ~(1u << case_.bit))}};
        for (const auto& [offset, value] : case_.reset)
            expected[offset + (offset >= 3650 && offset < 3690 ? 2 * p : p)] = value;
        ExpectStored(expected);
    }
}

TEST_F(CancProgTest, UntickingFollowMeForPosition2) {
    Open();
    GoToExtension(std::to_string(ExtensionNumber(2)));
    screen.DBCheckBoxes[3]->click();
    screen.OKButtonClick();
    EXPECT_EQ(ProgrammingHeader[256] & 8, 0);
    EXPECT_EQ(ProgrammingImage[3632], 0xBB);
}

TEST_F(CancProgTest, EverythingTickedChangesNoByte) {
    Open();
    screen.OKButtonClick();
    ExpectStored({});
}

TEST_F(CancProgTest, AnUnknownExtensionIsReportedAndTheEditShowsTheCurrentOne) {
    Open();
    const std::string current = std::to_string(ExtensionNumber(0));
    GoToExtension("99");
    ASSERT_EQ(services.messages.shown.size(), 1u);
    EXPECT_EQ(services.messages.shown[0].kind, TMsgKind::Information);
    EXPECT_EQ(services.messages.shown[0].text, "Ramal 99 não existe.");
    EXPECT_EQ(screen.Edit1->Text().toStdString(), current);
    const std::string third = std::to_string(ExtensionNumber(3));
    screen.Edit1->SetText(QString::fromStdString(" " + third));
    QTest::keyClick(screen.Edit1, Qt::Key_Return); // looks it up; the screen stays open
    EXPECT_TRUE(screen.isVisible());
    EXPECT_EQ(screen.Edit1->Text().toStdString(), third);
    EXPECT_EQ(Table().FieldByName("RAMAL").AsString(), third);
}

TEST_F(CancProgTest, ThePasswordBoxIsOfferedOnTheModelsThatHaveIt) {
    for (int model : {8, 9, 11, 13}) {
        Open(model);
        EXPECT_EQ(screen.DBCheckBoxes[0]->isEnabled(), model == 11) << model;
        screen.CancButtonClick();
        EXPECT_TRUE(TProgrammingState::Now() == before);
    }
}

} // namespace
