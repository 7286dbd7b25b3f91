// The categories screen used as a person uses it: real presses and releases of the mouse button
// and real keys on the shown screen, with the focus moves they cause. (A box ticked by mouse and
// stored with Alt+K: tests/acceptance; a number typed, then a box clicked: tests/app.)

#include "CategoryFixture.h"
#include "platform/ui/DataNavigator.h"
#include "screens/Ncat.h"
#include "support/UserInput.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

class CategoriesInputTest : public CategoryFixture {
protected:
    void Open(int model = 12) {
        LoadModel(model);
        BuildTable();
        screen = std::make_unique<TMultPageDlg>();
        screen->SetTable(table);
        screen->MontaTelaCategorias();
        ShowActive(*screen);
        ASSERT_EQ(QApplication::focusWidget(), screen->MaskEdit1);
    }
    std::unique_ptr<TMultPageDlg> screen;
};

// Each control reached from the number field does what it is for.
TEST_F(CategoriesInputTest, ControlsClickedFromTheNumberFieldAnswerAtOnce) {
    struct TMove {
        const char* name;
        std::function<void(TMultPageDlg&)> act;
        std::function<void(TMultPageDlg&)> check;
    };
    const TMove moves[] = {
        {"navigator's next button",
         [](TMultPageDlg& s) { PressAndRelease(s.DBNavigator2->Button(TNavigateBtn::nbNext)); },
         [this](TMultPageDlg& s) {
             EXPECT_EQ(CurrentRamal(*table), "21");
             EXPECT_EQ(s.MaskEdit1->text(), "21");
         }},
        {"page button", [](TMultPageDlg& s) { PressAndRelease(s.ButtonCat); },
         [](TMultPageDlg& s) { EXPECT_EQ(s.TabbedNotebook1->currentIndex(), TCategoryScreen::NightPage); }},
        {"night page's tab", [](TMultPageDlg& s) { ClickTab(s.TabbedNotebook1, TCategoryScreen::NightPage); },
         [](TMultPageDlg& s) { EXPECT_EQ(s.TabbedNotebook1->currentIndex(), TCategoryScreen::NightPage); }},
        {"Tab key", [](TMultPageDlg& s) { TypeKey(&s, Qt::Key_Tab); },
         [](TMultPageDlg& s) {
             EXPECT_NE(QApplication::focusWidget(), s.MaskEdit1);
             EXPECT_EQ(QApplication::focusWidget()->window(), &s);
         }},
    };
    for (const TMove& move : moves) {
        SCOPED_TRACE(move.name);
        Open();
        move.act(*screen);
        move.check(*screen);
        EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    }
}

} // namespace
