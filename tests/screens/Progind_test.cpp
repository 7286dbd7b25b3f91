// The individual programmings view over the scratch table the main window builds: choosing the
// extension by its number, and nothing stored.

#include "ScreenFixture.h"
#include "core/ImageLayout.h"
#include "db/components/VORSAMTable.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/DataTextControls.h"
#include "screens/Progind.h"
#include "screens/ScratchTables.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr std::size_t HotLineRow = 0, NoAnswerRow = 40;

class IndividualView : public ScreenFixture {
protected:
    void TearDown() override {
        TabTemp().Close(); // a test that left its screen open
        ScreenFixture::TearDown();
    }
    void SetUp() override {
        ScreenFixture::SetUp();
        LoadModel(11);
        ProgrammingImage[Offset::ServiceRows + HotLineRow + 0] = 1; // internal, to position 1
        ProgrammingImage[Offset::ServiceRows + HotLineRow + 1] = 255;
        ProgrammingImage[Offset::ServiceRows + NoAnswerRow + 1] = 106;
        BuildTempTable(8, 255);
    }
    std::string Shown(const char* column) const { return screen.ColumnText(column)->text().toStdString(); }
    static QString Number(int position) { return QString::number(ExtensionNumber(position)); }
    void Enter(const QString& number) {
        screen.EditRamal->setText(number);
        screen.EnterRml(Qt::Key_Return);
    }

    TFormProgInd screen;
};

TEST_F(IndividualView, AnUnknownNumberIsReportedOnlyWhenTheEditIsLeft) {
    ShowActive(screen);
    EXPECT_EQ(screen.EditRamal->text(), Number(0));
    EXPECT_EQ(Shown("THOTLIN"), "INTERNO COM RETARDO");
    EXPECT_EQ(screen.ColumnText("HOTLINE")->text(), Number(1));
    Enter(Number(1));
    EXPECT_EQ(Shown("DESVNATD"), "CORREIO");
    Enter("99");
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(screen.EditRamal->text(), Number(1));
    EXPECT_EQ(Shown("THOTLIN"), "NAO PROGRAMADA");

    screen.EditRamal->setText("99");
    screen.PosicRml();
    ExpectOneBox("Ramal 99 não existe.", TMsgKind::Information);
    EXPECT_EQ(screen.EditRamal->text(), Number(1));
    EXPECT_EQ(Shown("THOTLIN"), "NAO PROGRAMADA");
}

TEST_F(IndividualView, LeavingTheEditForAnotherControlLooksTheNumberUp) {
    ShowActive(screen);
    screen.EditRamal->setFocus();
    screen.EditRamal->setText("77");
    screen.OkButton->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Ramal 77 não existe."});
    EXPECT_EQ(screen.EditRamal->text(), Number(0));
}

TEST_F(IndividualView, TheNavigatorMovesTheEditAlong) {
    ShowActive(screen);
    screen.DBNavigator1->BtnClick(TNavigateBtn::nbNext);
    EXPECT_EQ(screen.EditRamal->text(), Number(1));
    screen.DBNavigator1->BtnClick(TNavigateBtn::nbPrior);
    EXPECT_EQ(screen.EditRamal->text(), Number(0));
}

TEST_F(IndividualView, TheViewStoresNothing) {
    const TProgrammingState before = TProgrammingState::Now();
    ShowActive(screen);
    Enter(Number(2));
    screen.OKButtonClick();
    EXPECT_EQ(TProgrammingState::Now(), before);
    EXPECT_FALSE(TabTemp().Active());
    EXPECT_EQ(screen.result(), QDialog::Accepted);
}

} // namespace
