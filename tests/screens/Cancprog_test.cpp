// The cancellation of programmings screen: an unticked facility clears its bit and resets the
// extension's data of it; the extension edit.

#include "ScratchFixture.h"
#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/MaskEdit.h"
#include "screens/Cancprog.h"

#include <QTest>

#include <map>

namespace {

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
    void ExpectStored(const TBytes& changes) { ScratchFixture::ExpectStored(before, changes, 6, screen); }

    TFormCancProg screen;
    TProgrammingState before;
};

// Unticking one box of the extension at position 2: the bytes its OK stores.
struct TUnticked {
    int box;
    TBytes stored;
};
const TUnticked Unticked[] = {
    {0, {{256, 0xFE}, {3654, 0xED}, {3655, 0xED}}}, // password
    {1, {{256, 0xFD}}},                             // do not disturb: no data
    {2, {{256, 0xFB}, {3772, 0xFF}}},               // padlock
    {3, {{256, 0xF7}, {3632, 0xBB}}},               // follow-me
    {4, {{256, 0xEF}, {3572, 0xFF}}},               // hot line
    {5, {{256, 0xDF}}},                             // intelligent terminal: no data
};

TEST_F(CancProgTest, AnUntickedFacilityClearsItsBitAndResetsItsData) {
    for (const TUnticked& case_ : Unticked) {
        SCOPED_TRACE(case_.box);
        Open();
        GoToExtension(std::to_string(ExtensionNumber(2)));
        screen.DBCheckBoxes[static_cast<std::size_t>(case_.box)]->click();
        screen.OKButtonClick();
        ExpectStored(case_.stored);
    }
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
    ExpectOneBox("Ramal 99 não existe.", TMsgKind::Information);
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
