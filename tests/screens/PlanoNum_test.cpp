// The numbering-plan screen.

#include "GridScreenTest.h"
#include "platform/os/Cp1252.h"
#include "screens/Padrao.h"
#include "screens/PlanoNum.h"

#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int NumberCol = 1, NameCol = 2;

class PlanoNumTest : public GridScreenTest {
protected:
    void Open(int model) {
        LoadModel(model);
        ShowActive(screen);
    }
    TVevIvizudEvar& Grid() { return *screen.VevIvizudEvar1; }
    // Row r (position r - 1) gets the number, as the mask keeps it: four characters.
    void SetNumber(int row, const QString& number) {
        SetCell(Grid(), NumberCol, row, number.leftJustified(4));
    }
    std::uint16_t Number(int position) const { return ProgrammingImage.U16(832 + 2 * position); }
    std::string Name(int position) const {
        return Cp1252ToUtf8(ProgrammingImage.ShortString(876 + 21 * position));
    }
    // OK refuses the plan with the message, at the row's number, and stores nothing.
    void ExpectRefused(const std::string& message, int row) {
        const auto before = TProgrammingState::Now();
        screen.OkButtonClick();
        ExpectErrorAt(Grid(), message, NumberCol, row);
        EXPECT_EQ(TProgrammingState::Now(), before);
        EXPECT_TRUE(screen.isVisible());
    }
    TFormPlanoNum screen;
};

TEST_F(PlanoNumTest, ShowsEveryPositionsNumberAndName) {
    LoadModel(11);
    ProgrammingImage.SetShortString(876 + 21 * 3, Utf8ToCp1252("Recepção"));
    ShowActive(screen);
    EXPECT_EQ(Grid().GetRowCount(), 16);
    EXPECT_EQ(Cell(Grid(), 0, 0), "POS.");
    EXPECT_EQ(Cell(Grid(), 0, 15), "14");
    EXPECT_EQ(Cell(Grid(), NumberCol, 1), "20");
    EXPECT_EQ(Cell(Grid(), NameCol, 4), "Recepção");
    EXPECT_EQ(Grid().Col(), NumberCol);
    EXPECT_EQ(Grid().GetCurrentRow(), 1);
}

// Byte 872: the greatest digit count of the numbers of "2" and bit 7 when they differ.
TEST_F(PlanoNumTest, TheDigitCountsGiveTheGreatestCountAndTheMixedBit) {
    Open(11);
    SetNumber(15, "38"); // a "3" number does not count
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingImage[872], 0x02);
    Open(12);
    for (int row = 1; row <= 10; ++row) SetNumber(row, QString::number(19 + row));   // 20..29
    for (int row = 11; row <= 20; ++row) SetNumber(row, QString::number(189 + row)); // 200..209
    screen.OkButtonClick();
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    EXPECT_EQ(ProgrammingImage[872], 0x83);
    EXPECT_EQ(Number(0), 20);
    EXPECT_EQ(Number(19), 209);
    EXPECT_EQ(EditedSections[6] + ModifiedSections[6] + ProgrammingModified, 3);
    EXPECT_FALSE(screen.isVisible());
}

TEST_F(PlanoNumTest, VoiceMailPositionsMayRepeatAndAreNamed) {
    for (const int model : {10, 9}) {
        SCOPED_TRACE(model);
        Open(model);
        SetNumber(2, "87");
        if (model == 10) SetNumber(5, "87");
        screen.OkButtonClick();
        ASSERT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
        EXPECT_EQ(Number(1), 87);
        // Names are cut to 20 characters.
        EXPECT_EQ(Name(1), model == 9 ? "Secretária eletrônic" : "Correio de voz");
        if (model == 10) {
            EXPECT_EQ(Number(4), 87);
        }
    }
}

TEST_F(PlanoNumTest, ACutVoiceMailNameShowsInFull) {
    LoadModel(9);
    ProgrammingImage.SetU16(832 + 2 * 4, 87);
    ProgrammingImage.SetShortString(876 + 21 * 4, Utf8ToCp1252("Secretária eletrônic"));
    ShowActive(screen);
    EXPECT_EQ(Cell(Grid(), NameCol, 5), "Secretária eletrônica");
}

TEST_F(PlanoNumTest, PagingAtPosition07IsNamed) {
    Open(11);
    SetNumber(8, "68");
    SetCell(Grid(), NameCol, 8, "x");
    screen.OkButtonClick();
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Number(7), 68);
    EXPECT_EQ(Name(7), "Busca pessoa");
}

struct TRefusedPlan {
    int model;
    std::vector<std::pair<int, const char*>> numbers; // row, number
    int row;                                          // the row reported
    const char* message;
};

class PlanoNumRefused : public PlanoNumTest, public testing::WithParamInterface<TRefusedPlan> {};

TEST_P(PlanoNumRefused, TheFirstBadRowIsReportedAtItsNumber) {
    const TRefusedPlan& bad = GetParam();
    Open(bad.model);
    for (const auto& [row, number] : bad.numbers) SetNumber(row, number);
    ExpectRefused(bad.message, bad.row);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, PlanoNumRefused,
    testing::Values(
        TRefusedPlan{11, {{4, "300"}}, 4, "Ramal deve possuir pelo menos dois dígitos"},
        TRefusedPlan{11, {{4, "2"}}, 4, "Ramal deve possuir pelo menos dois dígitos"},
        TRefusedPlan{11, {{4, ""}}, 4, "Ramal deve possuir pelo menos dois dígitos"},
        TRefusedPlan{11, {{6, "45"}}, 6, "Ramal 45 deve iniciar com \"2\" ou com \"3\""},
        TRefusedPlan{11, {{1, "83"}}, 1, "Porteiro QT730 (83) não pode ser na posição 00"},
        TRefusedPlan{9, {{3, "84"}}, 3, "Ramal 84 deve iniciar com \"2\" ou com \"3\""},
        TRefusedPlan{11, {{1, "87"}}, 1, "Ramal 87 deve iniciar com \"2\" ou com \"3\""},
        TRefusedPlan{11, {{2, "483"}}, 2, "PABX não suporta Paging QuiraVox"},
        // text that is not a number (the mask keeps it out; a cell may still hold it)
        TRefusedPlan{11, {{5, "2a"}}, 5, "O valor deve ser um número."},
        TRefusedPlan{11, {{5, "99999"}}, 5, "O valor deve ser um número."},
        TRefusedPlan{11, {{2, "35"}, {3, "21"}, {9, "21"}}, 9, "Ramal 21 não pode ser repetido."},
        // paging only at position 07, and only on models 10 to 12
        TRefusedPlan{11, {{3, "68"}, {8, "27"}}, 3, "Busca pessoa (68) deve ser na posição 07"},
        TRefusedPlan{9, {{8, "68"}}, 8, "Ramal 68 deve iniciar com \"2\" ou com \"3\""},
        // the model's limit of voice-mail positions: the 87 that is one too many
        TRefusedPlan{10, {{2, "87"}, {3, "87"}, {4, "87"}}, 4, "Apenas dois ramais podem ser correio de voz"},
        TRefusedPlan{13, {{2, "87"}, {3, "87"}, {4, "87"}}, 3, "Apenas um ramal pode ser correio de voz"}));

TEST_F(PlanoNumTest, AcceptedServiceNumbersOfTheirModels) {
    Open(4);
    SetNumber(2, "483");
    SetNumber(3, "84");
    SetNumber(4, "38");
    screen.OkButtonClick();
    ASSERT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    EXPECT_EQ(Number(1), 483);
    EXPECT_EQ(Name(1), "Paging Quiravox");
    EXPECT_EQ(Name(2), "Porteiro QT 730");
    EXPECT_EQ(Number(3), 38);
}

TEST_F(PlanoNumTest, ADoorPhoneNameLeavesAnOrdinaryNumberAndNamesLoseTheirPadding) {
    LoadModel(11);
    ProgrammingImage.SetU16(832 + 2 * 5, 83);
    ProgrammingImage.SetShortString(876 + 21 * 5, "Porteiro QT 730");
    ShowActive(screen);
    SetNumber(6, "25");
    SetNumber(2, "35");
    SetCell(Grid(), NameCol, 2, QStringLiteral("Recepção").leftJustified(25));
    SetCell(Grid(), NameCol, 3, QString(25, u'x') + "yz");
    screen.OkButtonClick();
    ASSERT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    EXPECT_EQ(Number(5), 25);
    EXPECT_EQ(Name(5), "");
    EXPECT_EQ(Name(1), "Recepção");
    EXPECT_EQ(Name(2), std::string(20, 'x'));
}

TEST_F(PlanoNumTest, Model9WritesTheEntryAfterItsTwelvePositions) {
    Open(9);
    ProgrammingImage.SetU16(856, 0x1234);
    ProgrammingImage.SetShortString(876 + 21 * 12, "x");
    ProgrammingImage.SetU16(858, 0x5678); // beyond: untouched
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingImage[856], 0xFF);
    EXPECT_EQ(ProgrammingImage[857], 0x00);
    EXPECT_EQ(Name(12), "");
    EXPECT_EQ(ProgrammingImage.U16(858), 0x5678);
}

TEST_F(PlanoNumTest, OkTakesTheNumberStillBeingTyped) {
    Open(11);
    TypeInto(Grid(), NumberCol, 4, "2345");
    screen.OkButtonClick();
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    EXPECT_EQ(Number(3), 2345);
    EXPECT_EQ(ProgrammingImage[872], 0x84);
}

TEST_F(PlanoNumTest, DefaultsForEveryPositionOrTheRowInEdit) {
    Open(11);
    SetNumber(1, "31");
    SetNumber(5, "250");
    SetCell(Grid(), NameCol, 5, "Nome");
    const auto choose = [](bool everyPosition) {
        return [everyPosition](QDialog& dialog) {
            auto& padrao = static_cast<TFormPadrao&>(dialog);
            (everyPosition ? padrao.RadioButton1 : padrao.RadioButton2)->setChecked(true);
            padrao.Button1->click();
        };
    };
    Grid().SetCurrentRow(5);
    AnsweringDialog(choose(false), [&] { screen.PadButtonClick(); });
    EXPECT_EQ(Cell(Grid(), NumberCol, 5), "24");
    EXPECT_EQ(Cell(Grid(), NameCol, 5), "Nome");
    EXPECT_EQ(Cell(Grid(), NumberCol, 1), "31  ");

    AnsweringDialog([](QDialog& dialog) { static_cast<TFormPadrao&>(dialog).Button2->click(); },
                    [&] { screen.PadButtonClick(); });
    EXPECT_EQ(Cell(Grid(), NumberCol, 1), "31  ");

    AnsweringDialog(choose(true), [&] { screen.PadButtonClick(); });
    EXPECT_EQ(Cell(Grid(), NumberCol, 1), "20");
    EXPECT_EQ(Cell(Grid(), NameCol, 5), "");
    EXPECT_EQ(Grid().GetCurrentRow(), 1);
    EXPECT_EQ(TProgrammingState::Now().modified, TSectionFlags{});
}

} // namespace
