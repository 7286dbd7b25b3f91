// The holidays screen: impossible dates refused, dates packed and sorted, the Saturday hour.

#include "ScreenFixture.h"
#include "screens/Feriados.h"

#include <QLineEdit>

namespace {

class FeriaTest : public ScreenFixture {
protected:
    void Open(int model) {
        LoadModel(model);
        ShowActive(screen);
    }
    std::vector<int> Holidays() const {
        std::vector<int> bytes;
        for (std::size_t i = 652; i < 686; ++i) bytes.push_back(ProgrammingHeader[i]);
        return bytes;
    }
    TFormFeria screen;
};

TEST_F(FeriaTest, ImpossibleDatesAndHoursAreRefusedWithTheirTextAndNothingStored) {
    Open(11);
    const auto before = TProgrammingState::Now();
    struct TCase {
        QLineEdit* field;
        const char* typed;
        const char* message;
    };
    for (const TCase& bad : {TCase{screen.MaskEdit[6], "31/04", "Feriado em 31/04 está incorreto"},
                             TCase{screen.MaskEdit[6], "30/02", "Feriado em 30/02 está incorreto"},
                             TCase{screen.MaskEdit[6], "00/05", "Feriado em 00/05 está incorreto"},
                             TCase{screen.MaskEdit[6], "3/04", "Feriado em 3/04 está incorreto"},
                             TCase{screen.MaskEdit17, "25:00", "Hora 25:00 é inválida"}}) {
        services.messages.shown.clear();
        screen.MaskEdit[0]->setText("25/12");
        screen.MaskEdit[6]->setText("");
        bad.field->setText(bad.typed);
        screen.OkButtonClick();
        ExpectOkRefused(screen, before, bad.message, bad.field);
        bad.field->setText("");
    }
    screen.MaskEdit[6]->setText("29/02");
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingHeader[652], 29);
    EXPECT_EQ(ProgrammingHeader[653], 2);
}

TEST_F(FeriaTest, DatesArePackedAtTheFrontAndSorted) {
    Open(11);
    screen.MaskEdit[0]->setText("25/12");
    screen.MaskEdit[2]->setText("01/01");
    screen.MaskEdit[4]->setText("07/09");
    screen.MaskEdit[15]->setText("15/11");
    screen.MaskEdit[9]->setText("01/01"); // a repeated date is kept
    screen.MaskEdit17->setText("");
    screen.OkButtonClick();
    std::vector<int> expected = {1, 1, 1, 1, 7, 9, 15, 11, 25, 12};
    expected.resize(34, 0);
    EXPECT_EQ(Holidays(), expected);
    EXPECT_EQ(EditedSections[15] + ModifiedSections[15] + ProgrammingModified, 3);

    ShowAgain(screen);
    EXPECT_EQ(screen.MaskEdit[0]->text(), "01/01");
    EXPECT_EQ(screen.MaskEdit[4]->text(), "25/12");
    EXPECT_EQ(screen.MaskEdit[5]->displayText(), "__/__");
    EXPECT_EQ(screen.MaskEdit17->text(), "00:00");
}

class FeriaModels : public FeriaTest, public testing::WithParamInterface<int> {};

TEST_P(FeriaModels, TheSaturdayHourIsPlainAndReadsBackAsTyped) {
    Open(GetParam());
    screen.MaskEdit17->setText("12:30");
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingHeader[684], 12);
    EXPECT_EQ(ProgrammingHeader[685], 30);
    ShowAgain(screen);
    EXPECT_EQ(screen.MaskEdit17->text(), "12:30");
}

INSTANTIATE_TEST_SUITE_P(Models, FeriaModels, testing::Values(3, 4, 5, 8, 11));

} // namespace
