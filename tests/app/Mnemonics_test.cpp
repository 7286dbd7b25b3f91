// No two controls of one window share a mnemonic (the Alt+letter of a "&" in a caption), so that each
// Alt+letter reaches the one control it names: in every screen, in every dialog, on every page of a
// window with pages, and in the main window's menu bar and each of its menus.

#include "EveryWindow.h"
#include "core/Language.h"
#include "support/EventWait.h"

#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QLineEdit>
#include <QStackedLayout>
#include <QTabBar>
#include <QTest>

#include <map>

namespace {

// The controls of the window that take a mnemonic as it shows now, by their Alt+letter.
std::multimap<QString, QString> MnemonicsShown(const QWidget& window) {
    std::multimap<QString, QString> found;
    const auto add = [&](const QString& text) {
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (!key.isEmpty()) found.emplace(key.toString(), text);
    };
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
    }
    return found;
}

// The mnemonics that two controls share, as "Alt+R: &Relatórios, Sai&r".
std::vector<std::string> Shared(const std::multimap<QString, QString>& mnemonics) {
    std::vector<std::string> shared;
    for (auto it = mnemonics.begin(); it != mnemonics.end(); it = mnemonics.upper_bound(it->first)) {
        if (mnemonics.count(it->first) < 2) continue;
        QStringList texts;
        for (auto [first, last] = mnemonics.equal_range(it->first); first != last; ++first)
            texts << first->second;
        shared.push_back((it->first + ": " + texts.join(", ")).toStdString());
    }
    return shared;
}

void ExpectNoneShared(const QWidget& window, const std::string& state) {
    for (const std::string& shared : Shared(MnemonicsShown(window)))
        ADD_FAILURE() << window.metaObject()->className() << state << " " << shared;
}

// The window as it shows, with each page of each of its page stacks (tab pages, panels shown in
// place of one another) in front, and after a click on each of its radio buttons (a choice may
// show other controls or captions).
void ExpectNoSharedMnemonic(QWidget& window) {
    ExpectNoneShared(window, "");
    for (QStackedLayout* stack : window.findChildren<QStackedLayout*>()) {
        const int shown = stack->currentIndex();
        for (int page = 0; page < stack->count(); ++page) {
            stack->setCurrentIndex(page);
            ExpectNoneShared(window, " page " + std::to_string(page));
        }
        stack->setCurrentIndex(shown);
    }
    for (QRadioButton* radio : window.findChildren<QRadioButton*>()) {
        if (!radio->isVisibleTo(&window) || !radio->isEnabled()) continue;
        radio->click();
        ExpectNoneShared(window, " after " + radio->text().toStdString());
    }
}

void ExpectNoSharedMnemonicInMenus(const QMenuBar& bar) {
    std::multimap<QString, QString> menus;
    for (QAction* action : bar.actions()) {
        menus.emplace(QKeySequence::mnemonic(action->text()).toString(), action->text());
        if (action->menu() == nullptr) continue;
        std::multimap<QString, QString> items;
        for (const QAction* item : action->menu()->actions())
            if (item->isVisible() && !item->isSeparator())
                items.emplace(QKeySequence::mnemonic(item->text()).toString(), item->text());
        items.erase("");
        for (const std::string& shared : Shared(items))
            ADD_FAILURE() << action->text().toStdString() << " " << shared;
    }
    menus.erase("");
    for (const std::string& shared : Shared(menus)) ADD_FAILURE() << "menu bar " << shared;
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
        ExpectNoSharedMnemonicInMenus(*window.menuBar());
        ForEachCommandScreen(window, ExpectNoSharedMnemonic);
        if (model == 11) EXPECT_EQ(ForEachScreenDialog(window, ExpectNoSharedMnemonic).size(), 4u);
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
