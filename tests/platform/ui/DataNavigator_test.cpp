// The navigator, and a form of bound controls following the dataset: moving refreshes every
// control, DisableControls holds them, a closed dataset empties and disables them.
#include "DataControlsFixture.h"

#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/DataTextControls.h"
#include "platform/ui/UiServices.h"

namespace datacontrols_test {
namespace {

// One control of each kind on the scratch table, and a navigator.
class DataFormTest : public DataControlsTest {
protected:
    DataFormTest()
        : box_(new TDBCheckBox(&window_)), list_(new TDBComboBox(&window_)),
          radio_(new TDBRadioGroup(&window_)), edit_(new TDBEdit(&window_)), label_(new TDBText(&window_)),
          navigator_(new TDBNavigator(&window_)) {
        box_->SetValueChecked("1");
        box_->SetValueUnchecked("0");
        list_->SetStyle(TComboBoxStyle::csDropDownList);
        list_->SetItems({" ", "1", "2"});
        radio_->SetItems({"Decádica", "Multi-Frequencial"});
        radio_->SetValues({"DC", "MF"});
        Bind(box_, "CATD1");
        Bind(list_, "SROTAD");
        Bind(radio_, "TIPOVIA");
        Bind(edit_, "NOME");
        Bind(label_, "RAMAL");
        navigator_->SetDataSource(&source_);
    }
    // What the form shows: RAMAL, CATD1 (x checked, - unchecked, ? grayed), the list's text, the
    // radio item, the name.
    std::string Shown() const {
        const char* box = box_->State() == TCheckBoxState::cbGrayed ? "?" : box_->Checked() ? "x" : "-";
        return (label_->text() + "|" + box + "|" + list_->ShownText() + "|" +
                QString::number(radio_->ItemIndex()) + "|" + edit_->Text())
            .toStdString();
    }
    void Click(TNavigateBtn button) { navigator_->Button(button)->click(); }
    std::string Enabled() const {
        std::string flags;
        for (int i = 0; i < 10; ++i)
            flags += navigator_->Button(static_cast<TNavigateBtn>(i))->isEnabled() ? 'E' : '-';
        return flags;
    }

    TDBCheckBox* box_;
    TDBComboBox* list_;
    TDBRadioGroup* radio_;
    TDBEdit* edit_;
    TDBText* label_;
    TDBNavigator* navigator_;
};

const std::string kFirst = "21|x| |1|Recepção", kSecond = "22|-|2|0|Almoxarifado",
                  kThird = "23|x|9|-1|Diretoria";

TEST_F(DataFormTest, MovingWithTheNavigatorRefreshesEveryBoundControl) {
    navigator_->SetVisibleButtons(
        {TNavigateBtn::nbFirst, TNavigateBtn::nbPrior, TNavigateBtn::nbNext, TNavigateBtn::nbLast});
    EXPECT_TRUE(navigator_->Button(TNavigateBtn::nbInsert)->isHidden());
    EXPECT_FALSE(navigator_->Button(TNavigateBtn::nbLast)->isHidden());
    EXPECT_EQ(Shown(), kFirst);
    Click(TNavigateBtn::nbNext);
    EXPECT_EQ(Shown(), kSecond);
    Click(TNavigateBtn::nbLast);
    EXPECT_EQ(Shown(), kThird);
    Click(TNavigateBtn::nbPrior);
    EXPECT_EQ(Shown(), kSecond);
    Click(TNavigateBtn::nbFirst);
    EXPECT_EQ(Shown(), kFirst);
}

TEST_F(DataFormTest, DisabledControlsIgnoreRecordChangesUntilEnabled) {
    dataSet_->DisableControls();
    dataSet_->Next();
    dataSet_->Next();
    EXPECT_EQ(Shown(), kFirst);
    dataSet_->EnableControls();
    EXPECT_EQ(Shown(), kThird);
}

TEST_F(DataFormTest, AClosedDataSetEmptiesAndDisablesTheControlsTillItOpensAgain) {
    radio_->setEnabled(false); // a screen's own rule, kept across the closing
    dataSet_->Close();
    EXPECT_EQ(Shown(), "|-||-1|");
    for (QWidget* control : std::initializer_list<QWidget*>{box_, list_, radio_, edit_, label_})
        EXPECT_FALSE(control->isEnabled());
    EXPECT_EQ(Enabled(), "----------");
    dataSet_->Open();
    EXPECT_EQ(Shown(), kFirst);
    EXPECT_TRUE(box_->isEnabled());
    EXPECT_TRUE(label_->isEnabled());
    EXPECT_FALSE(radio_->isEnabled());
    radio_->setEnabled(true);
    EXPECT_TRUE(radio_->isEnabled());
}

TEST_F(DataFormTest, ButtonsAreEnabledByTheDataSetsPositionAndState) {
    // first prior next last insert delete edit post cancel refresh
    EXPECT_EQ(Enabled(), "--EEEEE--E");
    Click(TNavigateBtn::nbNext);
    EXPECT_EQ(Enabled(), "EEEEEEE--E");
    Click(TNavigateBtn::nbLast);
    EXPECT_EQ(Enabled(), "EE--EEE--E");
    Click(TNavigateBtn::nbEdit);
    EXPECT_EQ(Enabled(), "EE--EE-EEE");
    Click(TNavigateBtn::nbCancel); // the dataset reads its records again: no longer at its end
    EXPECT_EQ(Enabled(), "EEEEEEE--E");
    dataSet_->SetReadOnly(true);
    dataSet_->Close();
    dataSet_->Open();
    EXPECT_EQ(Enabled(), "--EE------");
}

TEST_F(DataFormTest, EditingButtonsPostAndCancelTheRecord) {
    box_->click();
    Click(TNavigateBtn::nbCancel);
    EXPECT_EQ(Shown(), kFirst);
    box_->click();
    Click(TNavigateBtn::nbPost);
    EXPECT_EQ(Value("CATD1"), "0");
    Click(TNavigateBtn::nbInsert);
    EXPECT_EQ(Shown(), "|?||-1|");
}

TEST_F(DataFormTest, DeleteAsksFirstAndClicksAreReported) {
    TScopedTestServices services;
    std::vector<TNavigateBtn> before, after;
    navigator_->BeforeAction = [&](QObject*, TNavigateBtn b) { before.push_back(b); };
    navigator_->OnClick = [&](QObject*, TNavigateBtn b) { after.push_back(b); };
    services.messages.answers = {TMsgResult::Cancel, TMsgResult::Ok};
    Click(TNavigateBtn::nbDelete);
    EXPECT_EQ(dataSet_->RowCount(), 3);
    Click(TNavigateBtn::nbDelete);
    EXPECT_EQ(dataSet_->RowCount(), 2);
    EXPECT_EQ(Shown(), kSecond);
    ASSERT_EQ(services.messages.shown.size(), 2u);
    EXPECT_EQ(services.messages.shown[0].text, SDeleteRecordQuestion);
    EXPECT_EQ(services.messages.shown[0].kind, TMsgKind::Confirmation);
    navigator_->SetConfirmDelete(false);
    Click(TNavigateBtn::nbDelete);
    EXPECT_EQ(dataSet_->RowCount(), 1);
    EXPECT_EQ(services.messages.shown.size(), 2u);
    EXPECT_EQ(before, after);
    EXPECT_EQ(after.size(), 3u);
}

} // namespace
} // namespace datacontrols_test
