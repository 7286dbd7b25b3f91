// The tool used as an installer uses it, on one programming of each model family: the main
// window shown, a programming started with Ctrl+N or opened with Ctrl+O, a screen opened by a
// click on its button, a box ticked with a press and release of the mouse button, the screen
// confirmed with Alt+K, the programming saved with Ctrl+S. The saved file differs from the file
// it started from in the one byte the tick stands for.

#include "InstallerFixture.h"
#include "app/Novaprog.h"
#include "screens/CategoryScreen.h"
#include "support/UserInput.h"

#include <QListWidget>
#include <QToolButton>

namespace {

struct TFamily {
    const char* name;
    std::uint8_t model;
    const char* defaultFile; // started with Ctrl+N from it; null: a fixture opened with Ctrl+O
};

class ModelFamilies : public InstallerFixture, public testing::WithParamInterface<TFamily> {
protected:
    void SetUp() override {
        InstallerFixture::SetUp();
        StartAndLogIn("INSTALADOR", InstallerPassword);
        QApplication::setActiveWindow(&Window());
        LetEventsRun();
    }

    // The dialog that open makes appear, driven by drive inside the dialog's own loop; looked for
    // on every turn of the event loop until it is up (a click opens it on the button's release).
    template <class TDialog>
    void Drive(std::function<void(TDialog&)> drive, const std::function<void()>& open) {
        bool shown = false;
        QTimer poll;
        poll.setInterval(0);
        int turns = 0;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<TDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                if (++turns > 1000) poll.stop();
                return;
            }
            poll.stop();
            shown = true;
            QApplication::setActiveWindow(dialog);
            LetEventsRun();
            drive(*dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        poll.start();
        open();
        poll.stop();
        EXPECT_TRUE(shown) << TDialog::staticMetaObject.className();
    }

    // The tool button of a command on the window's tool bar.
    QToolButton* ToolButtonOf(TCommandId id) {
        for (QToolButton* button : Window().findChildren<QToolButton*>())
            if (button->defaultAction() == Window().Action(id)) return button;
        return nullptr;
    }
};

TEST_P(ModelFamilies, ATickMadeByMouseIsSavedByKeyboard) {
    const TFamily& family = GetParam();
    std::string base;
    const std::string saved = folder_.Path("instalacao.npx");
    if (family.defaultFile != nullptr) {
        base = folder_.Read(family.defaultFile);
        Drive<TFormNovaProgramacao>(
            [&](TFormNovaProgramacao& dialog) {
                while (dialog.Model() != family.model &&
                       dialog.ListaModelos->currentRow() + 1 < dialog.ListaModelos->count())
                    TypeKey(&dialog, Qt::Key_Down);
                ASSERT_EQ(dialog.Model(), family.model);
                TypeKey(&dialog, Qt::Key_K, Qt::AltModifier);
                ASSERT_EVENTUALLY(!dialog.isVisible());
            },
            [&] { TypeKey(&Window(), Qt::Key_N, Qt::ControlModifier); });
        QApplication::setActiveWindow(&Window());
        services_.files.answers.push_back(saved); // Ctrl+S asks for the new file's name
    } else {
        const std::string number = (family.model < 10 ? "0" : "") + std::to_string(family.model);
        base = ReadWholeFile(Built("fixtures/MODEL" + number + ".NPX")).value();
        folder_.Write("instalacao.npx", base);
        services_.files.answers.push_back(saved);
        TypeKey(&Window(), Qt::Key_O, Qt::ControlModifier);
    }
    ASSERT_EQ(ModelCode, family.model);

    // Day "Rota 1" of the first extension (position 0), ticked by mouse.
    ASSERT_EQ(base[38] & 0x02, 0);
    QToolButton* categories = ToolButtonOf(TCommandId::Categories);
    ASSERT_NE(categories, nullptr);
    Drive<TCategoryScreen>(
        [&](TCategoryScreen& screen) {
            PressAndRelease(screen.Day.Rota[1]);
            EXPECT_TRUE(screen.Day.Rota[1]->isChecked());
            TypeKey(&screen, Qt::Key_K, Qt::AltModifier);
            ASSERT_EVENTUALLY(!screen.isVisible());
            EXPECT_EQ(screen.result(), QDialog::Accepted);
        },
        [&] { PressAndRelease(categories); });

    QApplication::setActiveWindow(&Window()); // the window is active again once the screen is gone
    LetEventsRun();
    TypeKey(&Window(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(NewBoxes(), TBoxes{});
    const std::string file = ReadWholeFile(saved).value();
    ASSERT_EQ(file.size(), base.size());
    EXPECT_EQ(Differences(file, base), std::set<std::size_t>{38});
    EXPECT_EQ(file[38], base[38] | 0x02);
}

INSTANTIATE_TEST_SUITE_P(Families, ModelFamilies,
                         testing::Values(TFamily{"Earlier", 4, nullptr},
                                         TFamily{"Tessella", 9, "DEFTESSL.NPX"},
                                         TFamily{"Arco", 11, "DEFARCO.NPX"},
                                         TFamily{"Nodo", 12, "DEFNODO.NPX"}, TFamily{"Model13", 13, nullptr}),
                         [](const testing::TestParamInfo<TFamily>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
