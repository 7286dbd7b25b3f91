// The categories screen of every extension: its checks, the bytes its OK stores and keeps, the
// defaults, the copy onto other extensions and the model's controls.

#include "CategoryFixture.h"
#include "screens/Copramal.h"
#include "screens/Ncat.h"
#include "screens/Padrao.h"

#include "platform/ui/DataNavigator.h"
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

namespace {

const std::string RouteMessage = "A rota deverá estar definida para permitir acesso a sub-rota";
const std::string RouteZeroMessage = "Quando o ramal tem acesso a sub-rota, não pode acessar a rota 0.";
const std::string LocalMessage =
    "Quando o acesso às rotas é permitido, o acesso a local, a DDD ou a DDI também deve ser permitido.";

// Category boxes (indexes of CATx1..CATx7).
constexpr int External = 0, Local = 1, Ddd = 2, Ddi = 3, Regional = 4, Internal = 5;

class CategoriesTest : public CategoryFixture {
protected:
    void Open(int model = 11) {
        LoadModel(model);
        Reopen();
    }
    // The screen as the main window shows it, on a table built from the programming in memory.
    void Reopen() {
        BuildTable();
        screen = std::make_unique<TMultPageDlg>();
        screen->SetTable(table);
        screen->MontaTelaCategorias();
        ShowActive(*screen);
    }
    void GoTo(const char* number) {
        screen->MaskEdit1->setText(number);
        screen->EnterRamal();
        ASSERT_EQ(CurrentRamal(*table), number);
    }
    // The header bytes of position i as the OK must leave them when the record holds the
    // defaults: kept bits as they were.
    static void ExpectDefaultPattern(const TProgrammingState& before, int i) {
        const auto was = [&](std::size_t offset) {
            return before.bytes[offset + static_cast<std::size_t>(i)];
        };
        for (std::size_t base : {std::size_t{18}, std::size_t{98}}) {
            EXPECT_EQ(ProgrammingHeader[base + i], (was(base) & 0x80) | 0x37);
            EXPECT_EQ(ProgrammingHeader[base + 20 + i], was(base + 20) & 0x01);
            EXPECT_EQ(ProgrammingHeader[base + 40 + i], was(base + 40) & 0x01);
            EXPECT_EQ(ProgrammingHeader[base + 60 + i], 0);
        }
        EXPECT_EQ(ProgrammingHeader[178 + i], was(178) & 0x27);
    }
    std::unique_ptr<TMultPageDlg> screen;
};

struct TCheckCase {
    const char* name;
    std::function<void(TMultPageDlg&)> change; // on extension 20 (position 0)
    std::string message;                       // empty: passes
    int page = 0;
};

const TCheckCase CheckCases[] = {
    {"SubRouteWithoutItsRoute",
     [](TMultPageDlg& s) {
         SetBox(s.Day.Rota[0], false);
         ChooseSubRoute(s.Day.Combo, "2");
     },
     RouteMessage, TCategoryScreen::DayPage},
    {"SubRouteWithRouteZero",
     [](TMultPageDlg& s) {
         SetBox(s.Day.Rota[1], true);
         ChooseSubRoute(s.Day.Combo, "1");
     },
     RouteZeroMessage, TCategoryScreen::DayPage},
    {"RoutesWithoutOutsideAccess",
     [](TMultPageDlg& s) {
         SetCategories(s.Day, {External, Internal});
         SetBox(s.Day.Rota[1], true);
     },
     LocalMessage, TCategoryScreen::DayPage},
    {"NightSubRouteWithoutItsRoute",
     [](TMultPageDlg& s) {
         SetBox(s.Night.Rota[0], false);
         ChooseSubRoute(s.Night.Combo, "3");
     },
     RouteMessage, TCategoryScreen::NightPage},
    {"RegionalAloneIsWidenedToLocal",
     [](TMultPageDlg& s) {
         SetCategories(s.Day, {Regional});
         SetBox(s.Day.Rota[2], true);
     },
     ""},
    {"SubRouteWithItsRoute",
     [](TMultPageDlg& s) {
         SetBox(s.Night.Rota[0], false);
         SetBox(s.Night.Rota[4], true);
         ChooseSubRoute(s.Night.Combo, "4");
     },
     ""},
};

TEST_F(CategoriesTest, EachCheckStopsTheOkOnItsPageOrLetsItStore) {
    for (const TCheckCase& c : CheckCases) {
        SCOPED_TRACE(c.name);
        Open();
        services.messages.shown.clear();
        const TProgrammingState before = TProgrammingState::Now();
        c.change(*screen);
        screen->ButtonOkClick();
        if (c.message.empty()) {
            EXPECT_TRUE(Messages().empty());
            EXPECT_EQ(screen->result(), QDialog::Accepted);
            EXPECT_EQ(ModifiedSections[Section::Categories], 1);
            EXPECT_EQ(ProgrammingModified, 1);
            EXPECT_FALSE(table->Active());
            continue;
        }
        ExpectOkRefused(*screen, before, c.message);
        EXPECT_EQ(screen->TabbedNotebook1->currentIndex(), c.page);
        EXPECT_EQ(screen->ButtonCat->text(), c.page == TCategoryScreen::NightPage ? "&Diurno" : "&Noturno");
    }
}

TEST_F(CategoriesTest, WideningAndTheBytesOfTheOk) {
    LoadModel(11);
    ProgrammingHeader[18 + 2] = 0x80 | 0x37; // category bit 7
    ProgrammingHeader[38 + 2] = 0x01 | 0x02; // route bit 0, route 1
    ProgrammingHeader[58 + 2] = 0x21 | 0x02; // facility bits 0 and 5, "Atuação externa 2"
    ProgrammingHeader[138 + 2] = 0x20;       // night facility bit 5
    ProgrammingHeader[178 + 2] = 0x3F;       // attribute bits 0..5
    ProgrammingHeader[158 + 2] = 238;        // night: no route 0
    Reopen();
    const TProgrammingState before = TProgrammingState::Now();
    SetCategories(screen->Day, {Ddi}); // extension 20
    SetCategories(screen->Night, {Ddd, Internal});
    screen->ButtonOkClick();
    ASSERT_TRUE(Messages().empty()) << testing::PrintToString(Messages());

    std::array<std::uint8_t, ImageSize> expected = before.bytes;
    expected[18] = 0x3E;      // DDI, DDD, regional, local, internal
    expected[98] = 0x36;      // DDD, regional, local, internal
    expected[18 + 2] = 0xB7;  // bit 7 kept
    expected[38 + 2] = 0x03;  // bit 0 kept
    expected[58 + 2] = 0x03;  // bit 5 cleared, bit 0 kept
    expected[138 + 2] = 0x00; // bit 5 cleared
    expected[178 + 2] = 0x2F; // bits 0, 1, 2, 5 kept, bit 4 cleared, protection from CAR1
    EXPECT_EQ(ProgrammingBytes, expected);
    EXPECT_EQ(EditedSections[Section::Categories], 1);
}

TEST_F(CategoriesTest, AnErrorOnTheNightPageOfTheFifthExtensionStoresNothing) {
    Open();
    const TProgrammingState before = TProgrammingState::Now();
    SetCategories(screen->Day, {Ddi}); // extension 20 passes its checks
    GoTo("24");
    SetBox(screen->Night.Rota[0], false);
    ChooseSubRoute(screen->Night.Combo, "1");
    GoTo("21");
    screen->ButtonOkClick();
    ExpectOkRefused(*screen, before, RouteMessage);
    EXPECT_EQ(screen->TabbedNotebook1->currentIndex(), TCategoryScreen::NightPage);
    EXPECT_EQ(screen->MaskEdit1->text(), "24");
    EXPECT_EQ(CurrentRamal(*table), "24");
}

TEST_F(CategoriesTest, DefaultsForEveryExtensionOrTheOneInEdit) {
    LoadModel(11);
    for (int i = 0; i < 15; ++i)
        for (std::size_t base : {18, 38, 58, 98, 118, 138, 178}) ProgrammingHeader[base + i] = 0xFF;
    ProgrammingHeader[78 + 3] = 238;
    Reopen();
    const TProgrammingState before = TProgrammingState::Now();
    const auto answer = [](int choice) {
        return [choice](TFormPadrao& dialog) {
            (choice == 0 ? dialog.RadioButton1 : dialog.RadioButton2)->setChecked(true);
            (choice < 0 ? dialog.Button2 : dialog.Button1)->click();
        };
    };
    const auto records = [this] {
        std::vector<std::vector<std::string>> all;
        for (table->First(); !table->Eof(); table->Next()) all.push_back(ReadCopyFields(*table));
        return all;
    };

    const auto untouched = records();
    GoTo("22");
    Answering<TFormPadrao>(answer(-1), [&] { screen->PadButtonClick(); });
    EXPECT_EQ(records(), untouched); // cancelled: nothing applied
    GoTo("22");
    Answering<TFormPadrao>(answer(1), [&] { screen->PadButtonClick(); });
    EXPECT_EQ(DefaultScope, 1);
    const auto one = records();
    for (std::size_t r = 0; r < one.size(); ++r) EXPECT_EQ(one[r] == untouched[r], r != 2) << r;

    Answering<TFormPadrao>(answer(0), [&] { screen->PadButtonClick(); });
    EXPECT_EQ(DefaultScope, 0);
    EXPECT_EQ(screen->MaskEdit1->text(), "20");
    screen->ButtonOkClick();
    ASSERT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    for (int i = 0; i < 15; ++i) ExpectDefaultPattern(before, i);
}

TEST_F(CategoriesTest, CopyGivesThePickedExtensionsTheFiftyFields) {
    Open();
    SetCategories(screen->Day, {Ddi, Internal});
    SetBox(screen->Night.Fac[2], true);
    SetBox(screen->Day.Rota[0], false);
    SetBox(screen->Day.Rota[2], true);
    ChooseSubRoute(screen->Day.Combo, "2");
    SetBox(screen->DBFacG3, true);
    const std::vector<std::string> source = ReadCopyFields(*table);
    std::vector<std::vector<std::string>> others;
    for (table->First(); !table->Eof(); table->Next()) others.push_back(ReadCopyFields(*table));
    GoTo("25");

    Answering<TFormCopRamal>([](TFormCopRamal& selector) { selector.CancButtonClick(); },
                             [&] { screen->CopButtonClick(); });
    Answering<TFormCopRamal>(
        [](TFormCopRamal& selector) {
            selector.PanelMouseDown(4); // tile 3: position 2, extension 22
            selector.PanelMouseDown(5); // tile 4: position 3, extension 23
            selector.OkButtonClick();
        },
        [&] {
            GoTo("20");
            screen->CopButtonClick();
        });
    EXPECT_EQ(CurrentRamal(*table), "20");
    int r = 0;
    for (table->First(); !table->Eof(); table->Next(), ++r) {
        const bool target = r == 2 || r == 3;
        EXPECT_EQ(ReadCopyFields(*table), target ? source : others[static_cast<std::size_t>(r)]) << r;
    }
}

TEST_F(CategoriesTest, AnUnknownNumberIsReportedAndTheFieldShowsTheCurrentExtension) {
    Open();
    GoTo("23");
    screen->MaskEdit1->setText("99");
    screen->EnterRamal();
    ExpectOneBox("Ramal 99 não existe.", TMsgKind::Information);
    EXPECT_EQ(screen->MaskEdit1->text(), "23");
}

TEST_F(CategoriesTest, TheNumberFieldAndTheNavigatorMoveBetweenExtensions) {
    Open();
    screen->MaskEdit1->setFocus();
    screen->MaskEdit1->setText("26");
    QTest::keyClick(screen->MaskEdit1, Qt::Key_Return); // looks the extension up; not the OK
    EXPECT_TRUE(screen->isVisible());
    EXPECT_EQ(CurrentRamal(*table), "26");
    screen->MaskEdit1->setText("22");
    QTest::keyClick(screen->MaskEdit1, Qt::Key_Tab); // leaving the field
    QApplication::processEvents();
    EXPECT_EQ(CurrentRamal(*table), "22");
    screen->DBNavigator2->BtnClick(TNavigateBtn::nbNext);
    EXPECT_EQ(screen->MaskEdit1->text(), "23");
    screen->DBNavigator2->BtnClick(TNavigateBtn::nbLast);
    EXPECT_EQ(screen->MaskEdit1->text(), "34");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CategoriesTest, ControlsFollowTheModel) {
    struct TModelCase {
        int model;
        bool internet, secondDoorPhone, protection, route3, route5;
        const char* mailCaption;
    };
    for (const TModelCase& m : {TModelCase{9, true, false, true, true, false, "Acesso a secretária"},
                                TModelCase{11, false, true, true, true, false, "Acesso ao correio"},
                                TModelCase{12, false, true, true, true, true, "Acesso ao correio"},
                                TModelCase{8, false, false, false, false, false, "Acesso ao correio"}}) {
        SCOPED_TRACE(m.model);
        Open(m.model);
        EXPECT_EQ(screen->DBFACG4->isVisible(), m.internet);
        EXPECT_EQ(screen->Night.Fac[4]->isEnabled(), m.secondDoorPhone);
        EXPECT_EQ(screen->Day.Fac[0]->isEnabled(), m.secondDoorPhone);
        EXPECT_EQ(screen->DBFacG1->isEnabled(), m.protection);
        EXPECT_EQ(screen->Day.Rota[3]->isEnabled(), m.route3);
        EXPECT_EQ(screen->Night.Rota[6]->isEnabled(), m.route5);
        EXPECT_TRUE(screen->Night.Rota[2]->isEnabled());
        EXPECT_EQ(screen->DBFacG3->text().toStdString(), m.mailCaption);
        EXPECT_EQ(screen->Day.Combo->count(), 1 + CurrentModel().Trunks);
    }
}

TEST_F(CategoriesTest, InternetExtensionOnlyForPositionsZeroAndOne) {
    Open(9);
    for (const auto& [number, enabled] :
         {std::pair{"21", true}, {"20", true}, {"22", false}, {"31", false}}) {
        GoTo(number);
        EXPECT_EQ(screen->DBFACG4->isEnabled(), enabled) << number;
    }
}

TEST_F(CategoriesTest, CancelAfterChangesStoresNothingAndLetsGoOfTheTable) {
    Open();
    const TProgrammingState before = TProgrammingState::Now();
    SetCategories(screen->Day, {Ddi});
    screen->ButtonCancelaClick();
    EXPECT_TRUE(TProgrammingState::Now() == before);
    EXPECT_FALSE(table->Active());
    EXPECT_EQ(screen->result(), QDialog::Rejected);
    BuildTempTable(2, AllTempTableItems); // the trunks' fields: the closed screen no longer looks
    table->Open();
    EXPECT_TRUE(table->Active());
}

} // namespace
