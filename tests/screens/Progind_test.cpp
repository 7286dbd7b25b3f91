// The individual programmings view: choosing the extension by its number, and nothing stored.

#include "ScreenFixture.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/DataTextControls.h"
#include "screens/Progind.h"
#include "support/VectorDataSet.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

using platform::data::ftInteger;
using platform::data::ftString;
using platform::data::test::TColumn;
using platform::data::test::TVectorDataSet;

class IndividualView : public ScreenFixture {
protected:
    IndividualView() {
        LoadModel(11);
        table.Open();
        table.AppendRecord({21, "INTERNO COM RETARDO", "22", "23", "", "24", "5", "2", "3", "", "30"});
        table.AppendRecord({22, "NAO PROGRAMADA", "", "", "CORREIO", "", "4", "2", "", "1", "30"});
        table.AppendRecord({23, "EXTERNO SEM RETARDO", "27", "", "", "", "4", "2", "", "", "30"});
        table.Close();
    }
    std::string Shown(const char* column) const { return screen.ColumnText(column)->text().toStdString(); }
    void Enter(const char* number) {
        screen.EditRamal->setText(number);
        screen.EnterRml(Qt::Key_Return);
    }

    TVectorDataSet table{std::vector<TColumn>{{"RAMAL", ftInteger},
                                              {"THOTLIN", ftString, 20},
                                              {"HOTLINE", ftString, 5},
                                              {"DESVOCUP", ftString, 7},
                                              {"DESVNATD", ftString, 7},
                                              {"SIGAME", ftString, 7},
                                              {"NTNAOATD", ftString, 2},
                                              {"TMPFLASH", ftString, 2},
                                              {"TMPRECTRO", ftString, 2},
                                              {"TMPRECRAM", ftString, 2},
                                              {"TMPRECRET", ftString, 2}}};
    TFormProgInd screen{nullptr, table};
};

TEST_F(IndividualView, AKnownNumberShowsItsRow) {
    ShowActive(screen);
    EXPECT_EQ(screen.EditRamal->text(), "21");
    EXPECT_EQ(Shown("THOTLIN"), "INTERNO COM RETARDO");
    Enter("22");
    EXPECT_EQ(Shown("THOTLIN"), "NAO PROGRAMADA");
    EXPECT_EQ(Shown("DESVNATD"), "CORREIO");
    screen.EditRamal->setText("23");
    screen.PosicRml();
    EXPECT_EQ(Shown("HOTLINE"), "27");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(IndividualView, AnUnknownNumberIsReportedOnlyWhenTheEditIsLeft) {
    ShowActive(screen);
    Enter("22");
    Enter("99");
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(screen.EditRamal->text(), "22");
    EXPECT_EQ(Shown("THOTLIN"), "NAO PROGRAMADA");

    screen.EditRamal->setText("99");
    screen.PosicRml();
    ASSERT_EQ(Messages(), std::vector<std::string>{"Ramal 99 não existe."});
    EXPECT_EQ(services.messages.shown[0].kind, TMsgKind::Information);
    EXPECT_EQ(screen.EditRamal->text(), "22");
    EXPECT_EQ(Shown("THOTLIN"), "NAO PROGRAMADA");
}

TEST_F(IndividualView, LeavingTheEditForAnotherControlLooksTheNumberUp) {
    ShowActive(screen);
    screen.EditRamal->setFocus();
    screen.EditRamal->setText("77");
    screen.OkButton->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Ramal 77 não existe."});
    EXPECT_EQ(screen.EditRamal->text(), "21");
}

TEST_F(IndividualView, TheNavigatorMovesTheEditAlong) {
    ShowActive(screen);
    screen.DBNavigator1->BtnClick(TNavigateBtn::nbLast);
    EXPECT_EQ(screen.EditRamal->text(), "23");
    screen.DBNavigator1->BtnClick(TNavigateBtn::nbPrior);
    EXPECT_EQ(screen.EditRamal->text(), "22");
}

TEST_F(IndividualView, TheViewStoresNothing) {
    const TProgrammingState before = TProgrammingState::Now();
    ShowActive(screen);
    Enter("23");
    screen.OKButtonClick();
    EXPECT_EQ(TProgrammingState::Now(), before);
    EXPECT_FALSE(table.Active());
    EXPECT_EQ(screen.result(), QDialog::Accepted);
}

} // namespace
