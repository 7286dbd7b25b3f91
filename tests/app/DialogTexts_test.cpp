// Every dialog of the tool shows its texts whole at 96 dpi with the default font: its title fits
// the title bar, no label, button, box or group title is cut, and a dialog shown again with fewer
// rows is no larger than what it shows.

#include "ShellFixture.h"
#include "app/Leusuari.h"
#include "app/Novaprog.h"
#include "app/PasswordKey.h"
#include "app/Prosobre.h"
#include "app/Usuarios.h"
#include "app/prgmain.h"
#include "core/Users.h"
#include "screens/ScreenConventions.h"

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

class DialogTexts : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        ASSERT_EQ(QApplication::primaryScreen()->logicalDotsPerInch(), 96);
    }
    // Shows the screen of a command of the window and checks it.
    void CheckCommand(TFormPrinc& window, TCommandId id) {
        RunShowing([&] { window.Run(id); },
                   [&](QDialog& screen) {
                       for (const std::string& text : CutTexts(screen)) ADD_FAILURE() << text;
                   });
    }
};

TEST_F(DialogTexts, EveryScreenOfEveryCommandShowsItsTextsWhole) {
    for (const int model : {11, 9}) {
        SCOPED_TRACE(model);
        TFormPrinc window;
        ASSERT_TRUE(window.OpenProgramming(Fixture(model)));
        for (const TCommand& command : window.Commands()) {
            if (command.show == nullptr || !window.Action(command.id)->isEnabled()) continue;
            if (command.id == TCommandId::Users || command.id == TCommandId::About) continue; // below
            SCOPED_TRACE(command.caption);
            CheckCommand(window, command.id);
        }
    }
}

// The small dialogs the screens open from their buttons.
TEST_F(DialogTexts, TheDialogsOfTheScreensShowTheirTextsWhole) {
    struct TOpener {
        TCommandId command;
        const char* button;
        const char* dialog;
    };
    TFormPrinc window;
    ASSERT_TRUE(window.OpenProgramming(Fixture(11)));
    for (const TOpener& opener : {TOpener{TCommandId::Categories, "CopButton", "TFormCopRamal"},
                                  TOpener{TCommandId::Categories, "PadButton", "TFormPadrao"},
                                  TOpener{TCommandId::Trunks, "CopiaButton", "TFormCopiaVia"},
                                  TOpener{TCommandId::Prefixes, "Button1", "TFormTodPref"}}) {
        SCOPED_TRACE(opener.dialog);
        QString shown;
        RunShowing([&] { window.Run(opener.command); },
                   [&](QDialog& screen) {
                       auto* button = screen.findChild<QAbstractButton*>(opener.button);
                       ASSERT_NE(button, nullptr);
                       QTimer::singleShot(0, &screen, [&] {
                           auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                           if (dialog == nullptr || dialog == &screen) return;
                           shown = dialog->metaObject()->className();
                           for (const std::string& text : CutTexts(*dialog)) ADD_FAILURE() << text;
                           dialog->reject();
                       });
                       button->click();
                   });
        EXPECT_EQ(shown, opener.dialog);
    }
}

TEST_F(DialogTexts, TheDialogsOfTheMainWindowShowTheirTextsWhole) {
    TUsersFile users;
    users.slot[0] = MakeUser("INSTALADOR", "instala", AllRights);
    std::vector<std::unique_ptr<QDialog>> dialogs;
    dialogs.push_back(std::make_unique<TFormLeUsuario>(users));
    dialogs.push_back(std::make_unique<TFormAdministrador>());
    dialogs.push_back(std::make_unique<TFormUsuarios>(users));
    dialogs.push_back(std::make_unique<TFormNovaProgramacao>());
    dialogs.push_back(std::make_unique<TFormSobre>());
    for (const auto& dialog : dialogs) {
        dialog->show();
        for (const std::string& text : CutTexts(*dialog)) ADD_FAILURE() << text;
        dialog->hide();
    }
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
