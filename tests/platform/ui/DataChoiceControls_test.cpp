// The check box, combo box and radio group bound to a field: what they show of the current record,
// what a user's choice writes, and when they refuse to write.
#include "DataControlsFixture.h"

#include "platform/ui/DataChoiceControls.h"

#include <QTest>

namespace datacontrols_test {
namespace {

class DataCheckBoxTest : public DataControlsTest {
protected:
    DataCheckBoxTest() : box_(new TDBCheckBox(&window_)) {
        box_->SetValueChecked("1");
        box_->SetValueUnchecked("0");
        Bind(box_, "CATD1");
    }
    TDBCheckBox* box_;
};

TEST_F(DataCheckBoxTest, TickingWritesOneToTheCurrentRecordAndUntickingZero) {
    GoTo(22);
    box_->click();
    EXPECT_EQ(dataSet_->State(), dsEdit);
    EXPECT_EQ(Value("CATD1"), "1");
    dataSet_->Post();
    GoTo(21);
    box_->setFocus();
    QTest::keyClick(box_, Qt::Key_Space);
    EXPECT_EQ(Value("CATD1"), "0");
    dataSet_->Post();
    GoTo(22);
    EXPECT_TRUE(box_->Checked());
}

TEST_F(DataCheckBoxTest, ShowsTheFieldsValueAmongTheListedValuesIgnoringCase) {
    box_->SetValueChecked("S;1");
    box_->SetValueUnchecked("N; 0");
    const std::pair<const char*, TCheckBoxState> cases[] = {
        {"1", TCheckBoxState::cbChecked},   {"s", TCheckBoxState::cbChecked},
        {"0", TCheckBoxState::cbUnchecked}, {"n", TCheckBoxState::cbUnchecked},
        {"x", TCheckBoxState::cbGrayed},
    };
    dataSet_->Edit();
    for (const auto& [text, state] : cases) {
        dataSet_->FieldByName("CATD1").SetAsString(text);
        EXPECT_EQ(box_->State(), state) << text;
    }
    box_->click(); // from grayed to checked, writing the first checked value
    EXPECT_EQ(Value("CATD1"), "S");
}

TEST_F(DataCheckBoxTest, RefusesToChangeWhenTheRecordCannotBeWritten) {
    const auto clickChangesNothing = [&] {
        box_->click();
        EXPECT_TRUE(box_->Checked());
        EXPECT_EQ(dataSet_->State(), dsBrowse);
    };
    source_.SetAutoEdit(false);
    clickChangesNothing();
    source_.SetAutoEdit(true);
    box_->SetReadOnly(true);
    clickChangesNothing();
    box_->SetReadOnly(false);
    dataSet_->FieldByName("CATD1").SetReadOnly(true);
    clickChangesNothing();
    dataSet_->FieldByName("CATD1").SetReadOnly(false);
    dataSet_->SetReadOnly(true);
    clickChangesNothing();
}

class DataComboBoxTest : public DataControlsTest {
protected:
    DataComboBoxTest() : combo_(new TDBComboBox(&window_)) {
        combo_->SetStyle(TComboBoxStyle::csDropDownList);
        combo_->SetItems({" ", "1", "2", "mf"});
        Bind(combo_, "SROTAD");
    }
    TDBComboBox* combo_;
};

TEST_F(DataComboBoxTest, ADropDownListShowsTheFieldsTextEvenWhenNoItemHasIt) {
    GoTo(22);
    EXPECT_EQ(combo_->currentIndex(), 2);
    EXPECT_EQ(combo_->ShownText(), "2");
    GoTo(23); // "9" is not among the items: shown as it stands, no item selected
    EXPECT_EQ(combo_->currentIndex(), -1);
    EXPECT_EQ(combo_->ShownText(), "9");
    EXPECT_EQ(combo_->ComboText(), "");
    combo_->SetDataField("TIPOVIA"); // items match ignoring case
    EXPECT_EQ(combo_->ShownText(), "mf");
    GoTo(21);
    EXPECT_EQ(combo_->currentIndex(), 3);
}

TEST_F(DataComboBoxTest, RefillingTheItemsKeepsShowingTheField) {
    GoTo(22);
    combo_->clear();
    for (const char* item : {" ", "1", "2"}) combo_->addItem(item); // Qt would select " "
    EXPECT_EQ(combo_->ShownText(), "2");
    combo_->SetItems({"5", "6"});
    EXPECT_EQ(combo_->ShownText(), "2");
}

TEST_F(DataComboBoxTest, ChoosingAnItemWritesItsTextUnlessTheRecordCannotBeWritten) {
    GoTo(22);
    emit combo_->activated(1);
    EXPECT_EQ(Value("SROTAD"), "1");
    EXPECT_EQ(combo_->ShownText(), "1");
    dataSet_->Cancel();
    dataSet_->SetReadOnly(true);
    combo_->setCurrentIndex(0);
    emit combo_->activated(0);
    EXPECT_EQ(combo_->ShownText(), "2");
    EXPECT_EQ(dataSet_->State(), dsBrowse);
}

TEST_F(DataComboBoxTest, TypedTextGoesToTheFieldWhenTheRecordIsPosted) {
    combo_->SetStyle(TComboBoxStyle::csDropDown);
    GoTo(22);
    combo_->lineEdit()->selectAll();
    QTest::keyClicks(combo_, "47");
    EXPECT_EQ(Value("SROTAD"), "2");
    dataSet_->Post();
    EXPECT_EQ(Value("SROTAD"), "47");
}

class DataRadioGroupTest : public DataControlsTest {
protected:
    DataRadioGroupTest() : group_(new TDBRadioGroup(&window_)) {
        group_->SetItems({"Decádica", "Multi-Frequencial", "Outra"});
        group_->SetValues({"DC", "MF"});
        Bind(group_, "TIPOVIA");
    }
    TDBRadioGroup* group_;
};

TEST_F(DataRadioGroupTest, ChoosingAnItemWritesItsValue) {
    GoTo(21);
    EXPECT_EQ(group_->ItemIndex(), 1);
    int clicks = 0;
    group_->OnClick = [&](QObject*) { ++clicks; };
    group_->Button(0)->click();
    EXPECT_EQ(Value("TIPOVIA"), "DC");
    group_->Button(2)->click(); // an item without a value stands for its own text, cut to the field
    EXPECT_EQ(Value("TIPOVIA"), "Ou");
    EXPECT_EQ(clicks, 2);
    dataSet_->Post();
    dataSet_->SetReadOnly(true);
    group_->Button(1)->click(); // refused: "Ou" is no button's value, so none is checked again
    EXPECT_EQ(group_->ItemIndex(), -1);
    EXPECT_EQ(Value("TIPOVIA"), "Ou");
    EXPECT_EQ(clicks, 2);
}

TEST_F(DataRadioGroupTest, ChecksTheButtonOfTheFieldsValueAsItemsAndValuesChange) {
    GoTo(23); // "mf": values are compared exactly
    EXPECT_EQ(group_->ItemIndex(), -1);
    GoTo(21);
    group_->SetValues({"MF", "DC"});
    EXPECT_EQ(group_->ItemIndex(), 0);
    group_->SetValues({});
    group_->SetItems({"DC", "MF"});
    EXPECT_EQ(group_->ItemIndex(), 1);
    group_->SetColumns(2);
    EXPECT_EQ(group_->ItemIndex(), 1);
    EXPECT_EQ(group_->findChildren<QRadioButton*>().size(), 2);
}

} // namespace
} // namespace datacontrols_test
