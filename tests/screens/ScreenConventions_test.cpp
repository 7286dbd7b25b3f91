// The conventions shared by the screens: the working copy of an OK, failures at the UI
// boundary, and the scope dialog of the "Padrão" buttons.

#include "ScreenFixture.h"
#include "screens/Atdport.h"
#include "screens/Atendfax.h"
#include "screens/Calendar.h"
#include "screens/Central.h"
#include "screens/Emergenc.h"
#include "screens/Feriados.h"
#include "screens/Ncat.h"
#include "screens/Padrao.h"
#include "screens/Progdive.h"
#include "screens/ScreenConventions.h"
#include "screens/Senhager.h"
#include "screens/Temporiz.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <stdexcept>

namespace {

// A screen whose OK writes two sections and then fails as told.
class TProbeScreen : public TScreenForm {
public:
    TProbeScreen() : TScreenForm(nullptr, WithHelp, 99) {}
    void FormShow() override {
        if (failShow) throw std::runtime_error("show failed");
    }
    bool Ok(const std::function<void()>& last) {
        return RunOk([&](TProgrammingEdit& edit) {
            edit.Header()[290] = 77;
            edit.Mark(Section::Timers);
            edit.Image()[2574] = 5;
            edit.Mark(Section::TerminalKeys, false);
            last();
        });
    }
    bool failShow = false;
};

class ConventionsTest : public ScreenFixture {
protected:
    void SetUp() override {
        ScreenFixture::SetUp();
        LoadModel(11);
    }
    TProbeScreen screen;
};

TEST_F(ConventionsTest, AFailedCheckStoresNoneOfTheBytesWrittenBeforeIt) {
    ShowActive(screen);
    const auto before = TProgrammingState::Now();
    EXPECT_FALSE(screen.Ok([&] { FailCheck(screen.OkButton, "Valor inválido."); }));
    ExpectOkRefused(screen, before, "Valor inválido.");
}

TEST_F(ConventionsTest, AnyOtherFailureIsShownAndStoresNothing) {
    ShowActive(screen);
    const auto before = TProgrammingState::Now();
    EXPECT_FALSE(screen.Ok([] { throw std::out_of_range("fora"); }));
    ExpectOkRefused(screen, before, "fora");
    services.messages.shown.clear();
    EXPECT_FALSE(screen.Ok([] { FailCheck(nullptr, ""); })); // the user chose to stay
    EXPECT_TRUE(services.messages.shown.empty());
    EXPECT_EQ(TProgrammingState::Now(), before);
}

TEST_F(ConventionsTest, ASuccessfulOkStoresAndMarksEachSectionAsTold) {
    ShowActive(screen);
    EXPECT_TRUE(screen.Ok([] {}));
    EXPECT_EQ(ProgrammingHeader[290], 77);
    EXPECT_EQ(ProgrammingImage[2574], 5);
    EXPECT_EQ(EditedSections[10] + ModifiedSections[10] + EditedSections[25] + ModifiedSections[25], 4);
    EXPECT_EQ(LoadedSections[1], 1); // unchanged from the file load
    EXPECT_EQ(screen.result(), QDialog::Accepted);
}

TEST_F(ConventionsTest, AFailingShowIsReportedNotThrown) {
    screen.failShow = true;
    screen.show();
    ExpectOneBox("show failed");
}

TEST_F(ConventionsTest, EachScreensHelpButtonOpensItsContext) {
    std::vector<std::unique_ptr<TScreenForm>> screens;
    screens.push_back(std::make_unique<TFormSenha>());
    screens.push_back(std::make_unique<TFormCalendar>());
    screens.push_back(std::make_unique<TFormTempor>());
    screens.push_back(std::make_unique<TFormEmergenc>());
    screens.push_back(std::make_unique<TFormAtendFAX>());
    screens.push_back(std::make_unique<TFormAtdPort>());
    screens.push_back(std::make_unique<TFormProgDiv>());
    screens.push_back(std::make_unique<TFormFeria>());
    screens.push_back(std::make_unique<TFormCentral>());
    screens.push_back(std::make_unique<TMultPageDlg>());
    for (const auto& screen : screens) screen->HelpButton->click();
    EXPECT_EQ(services.help.contexts, (std::vector<int>{13, 25, 27, 28, 29, 30, 31, 34, 36, 15}));
}

// The captions set while a screen is shown make it wider than when Qt centred it over its parent:
// it stays centred over the parent.
TEST_F(ConventionsTest, AScreenGrownByItsCaptionsStaysCentredOverItsParent) {
    QWidget parent;
    parent.setGeometry(0, 0, 700, 500);
    parent.show();
    class TGrowingScreen : public TScreenForm {
    public:
        explicit TGrowingScreen(QWidget* parent) : TScreenForm(parent, OkCancel), caption(new QLabel(this)) {
            auto* content = new QVBoxLayout;
            content->addWidget(caption);
            SetContent(content);
        }
        void FormShow() override { caption->setText(QString(60, QChar('M'))); }
        QLabel* caption;
    } grown(&parent);
    const int width = grown.sizeHint().width();
    grown.show();
    ASSERT_GT(grown.width(), width);
    EXPECT_LE((grown.geometry().center() - parent.geometry().center()).manhattanLength(), 8);
}

using PadraoTest = ScreenFixture;

TEST_F(PadraoTest, AskingTellsWhetherToApplyTheDefaults) {
    const auto ask = [] {
        return AskDefaultScope(nullptr, LngText("A todas as posições físicas"),
                               LngText("A posição física em edição"));
    };
    DefaultScope = 1;
    bool apply = false;
    EXPECT_EQ(
        Answering<TFormPadrao>([](TFormPadrao& scope) { scope.Button1->click(); }, [&] { apply = ask(); }),
        "TFormPadrao");
    EXPECT_TRUE(apply);
    EXPECT_EQ(DefaultScope, 0);
    Answering<TFormPadrao>([](TFormPadrao& scope) { scope.Button2->click(); }, [&] { apply = ask(); });
    EXPECT_FALSE(apply);
}

} // namespace
