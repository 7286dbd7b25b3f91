// No two controls of one window share a mnemonic (the Alt+letter of a "&" in a caption), so that each
// Alt+letter reaches the one control it names: in every screen, in every dialog, on every page of a
// window with pages, and in the main window's menu bar and each of its menus.

#include "EveryWindow.h"
#include "core/Language.h"
#include "support/EventWait.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QStackedLayout>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <map>

namespace {

// No two controls of the window that take a mnemonic as it shows now (buttons, labels with a buddy,
// group boxes, tabs, a menu bar's or a menu's items) have the same Alt+letter.
void ExpectNoneShared(const QWidget& window, const std::string& state) {
    std::map<QString, QStringList> byKey;
    const auto add = [&](const QString& text) {
        if (const QKeySequence key = QKeySequence::mnemonic(text); !key.isEmpty())
            byKey[key.toString()] << text;
    };
    const auto addActions = [&](const QWidget& widget) {
        for (const QAction* action : widget.actions())
            if (action->isVisible()) add(action->text());
    };
    if (qobject_cast<const QMenu*>(&window)) addActions(window);
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&window) || widget->window() != &window) continue;
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            add(button->text());
        else if (const auto* label = qobject_cast<const QLabel*>(widget); label && label->buddy())
            add(label->text());
        else if (const auto* group = qobject_cast<const QGroupBox*>(widget))
            add(group->title());
        else if (const auto* tabs = qobject_cast<const QTabBar*>(widget))
            for (int i = 0; i < tabs->count(); ++i) add(tabs->tabText(i));
        else if (qobject_cast<const QMenuBar*>(widget))
            addActions(*widget);
    }
    for (const auto& [key, texts] : byKey)
        if (texts.size() > 1)
            ADD_FAILURE() << window.metaObject()->className() << state << " " << key.toStdString() << ": "
                          << texts.join(", ").toStdString();
}

// The window as it shows, with each page of each of its page stacks (tab pages, panels shown in
// place of one another) in front, and after a click on each of its radio buttons (a choice may
// show other controls or captions).
void ExpectNoSharedMnemonic(QWidget& window) {
    ExpectNoneShared(window, "");
    for (QStackedLayout* stack : window.findChildren<QStackedLayout*>()) {
        const int shown = stack->currentIndex();
        auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget()->parentWidget()); // captions follow it
        for (int page = 0; page < stack->count(); ++page) {
            tabs ? tabs->setCurrentIndex(page) : stack->setCurrentIndex(page);
            ExpectNoneShared(window, " page " + std::to_string(page));
        }
        tabs ? tabs->setCurrentIndex(shown) : stack->setCurrentIndex(shown);
    }
    for (QRadioButton* radio : window.findChildren<QRadioButton*>()) {
        if (!radio->isVisibleTo(&window) || !radio->isEnabled()) continue;
        radio->click();
        ExpectNoneShared(window, " after " + radio->text().toStdString());
    }
}

// With the shipped language file, as the tool runs: a title passed through TrText loses its "&".
class Mnemonics : public EveryWindowFixture {
protected:
    void SetUp() override {
        EveryWindowFixture::SetUp();
        OpenLanguageFile(std::string(CENTRPRG_SOURCE_DIR) + "/resources/CentrPrg.lng");
    }
    void TearDown() override {
        CloseLanguageFile();
        EveryWindowFixture::TearDown();
    }
};

TEST_F(Mnemonics, NoTwoControlsOfAWindowShareOne) {
    for (const int model : {11, 9}) {
        SCOPED_TRACE(model);
        TFormPrinc window;
        ASSERT_TRUE(window.OpenProgramming(Fixture(model)));
        ExpectNoSharedMnemonic(window);
        for (const QMenu* menu : window.findChildren<QMenu*>()) ExpectNoneShared(*menu, "");
        ForEachCommandScreen(window, ExpectNoSharedMnemonic);
        if (model == 11) {
            EXPECT_EQ(ForEachScreenDialog(window, ExpectNoSharedMnemonic).size(), 4u);
        }
    }
    ForEachMainDialog(ExpectNoSharedMnemonic);
}

// The mnemonic that the users dialog shared: Alt+C cancels it, and Alt+O goes to the confirmation.
TEST_F(Mnemonics, AltCCancelsTheUsersDialog) {
    TUsersFile users;
    users.slot[0] = MakeUser("INSTALADOR", "instala", AllRights);
    TFormUsuarios dialog(users);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(dialog.EditConfirmacao));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
    ASSERT_EVENTUALLY(!dialog.isVisible()); // a mnemonic clicks its button after a moment
}

} // namespace
