// Every dialog of the tool shows its texts whole at 96 dpi with the default font: its title fits
// the title bar, no label, button, box or group title is cut, and a dialog shown again with fewer
// rows is no larger than what it shows.

#include "EveryWindow.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>

namespace {

// What a title bar needs besides the title: the window's icon and three buttons, in all an inch.
constexpr int TitleBarAllowance = 96;

std::vector<std::string> CutTexts(const QDialog& dialog) {
    std::vector<std::string> cut;
    const std::string name = dialog.metaObject()->className();
    QFont bold = dialog.font();
    bold.setBold(true);
    if (dialog.width() < QFontMetrics(bold).horizontalAdvance(dialog.windowTitle()) + TitleBarAllowance)
        cut.push_back(name + ": title \"" + dialog.windowTitle().toStdString() + "\"");
    for (const QWidget* widget : dialog.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&dialog)) continue;
        QString text;
        int needed = 0;
        if (const auto* label = qobject_cast<const QLabel*>(widget); label && !label->wordWrap()) {
            text = label->text();
            needed = label->sizeHint().width();
        } else if (const auto* box = qobject_cast<const QCheckBox*>(widget)) {
            text = box->text();
            needed = box->sizeHint().width();
        } else if (const auto* radio = qobject_cast<const QRadioButton*>(widget)) {
            text = radio->text();
            needed = radio->sizeHint().width();
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            // A push button's own minimum width is the style's, more than its text may need.
            text = button->text();
            needed = QFontMetrics(button->font()).horizontalAdvance(QString(text).remove('&')) + 8;
        } else if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
            text = group->title();
            needed = QFontMetrics(group->font()).horizontalAdvance(group->title());
        }
        if (!text.isEmpty() && widget->width() < needed)
            cut.push_back(name + ": \"" + text.toStdString() + "\" " + std::to_string(widget->width()) +
                          " < " + std::to_string(needed));
    }
    return cut;
}

class DialogTexts : public EveryWindowFixture {
protected:
    void SetUp() override {
        EveryWindowFixture::SetUp();
        ASSERT_EQ(QApplication::primaryScreen()->logicalDotsPerInch(), 96);
    }
    static void CheckWhole(QDialog& dialog) {
        for (const std::string& text : CutTexts(dialog)) ADD_FAILURE() << text;
    }
};

TEST_F(DialogTexts, EveryScreenOfEveryCommandShowsItsTextsWhole) {
    for (const int model : {11, 9}) {
        SCOPED_TRACE(model);
        TFormPrinc window;
        ASSERT_TRUE(window.OpenProgramming(Fixture(model)));
        ForEachCommandScreen(window, CheckWhole);
    }
}

// The small dialogs the screens open from their buttons.
TEST_F(DialogTexts, TheDialogsOfTheScreensShowTheirTextsWhole) {
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    EXPECT_EQ(ForEachScreenDialog(window, CheckWhole),
              (std::vector<QString>{"TFormCopRamal", "TFormPadrao", "TFormCopiaVia", "TFormTodPref"}));
}

TEST_F(DialogTexts, TheDialogsOfTheMainWindowShowTheirTextsWhole) {
    ForEachMainDialog(CheckWhole);
}

// The numbering plan of a 20-position model, then of a 12-position one.
TEST_F(DialogTexts, AScreenShownAgainWithFewerRowsGivesTheirRoomBack) {
    TFormPrinc window;
    int tall = 0, shorter = 0, needed = 0;
    for (const int model : {12, 9}) {
        ASSERT_TRUE(window.OpenProgramming(Fixture(model)));
        RunShowing([&] { window.Run(TCommandId::NumberingPlan); },
                   [&](QDialog& screen) {
                       (model == 12 ? tall : shorter) = screen.height();
                       needed = screen.sizeHint().height();
                   });
    }
    EXPECT_LT(shorter, tall);
    EXPECT_LE(shorter, needed);
}

} // namespace
