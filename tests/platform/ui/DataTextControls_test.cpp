// The edit and the label bound to a field: typed text reaches the field when the focus leaves the
// edit, Escape gives the field's text back, and the field's size and case rule the typing.
#include "DataControlsFixture.h"

#include "platform/ui/DataTextControls.h"
#include "platform/ui/UiBoundary.h"

#include <QTest>

namespace datacontrols_test {
namespace {

class DataEditTest : public DataControlsTest {
protected:
    DataEditTest() : edit_(new TDBEdit(&window_)) {
        edit_->setGeometry(0, 0, 200, 24);
        Bind(edit_, "NOME");
        ShowWindow();
        edit_->setFocus(Qt::OtherFocusReason);
    }
    void Retype(const char* text) {
        edit_->selectAll();
        QTest::keyClicks(edit_, text);
    }
    TDBEdit* edit_;
};

TEST_F(DataEditTest, TypedTextReachesTheFieldWhenTheFocusLeavesOrTheRecordMoves) {
    ASSERT_EQ(edit_->Text(), QString::fromUtf8("Recepção"));
    Retype("Portaria");
    EXPECT_EQ(dataSet_->State(), dsEdit);
    EXPECT_EQ(Value("NOME"), Latin1("Recepção"));
    other_->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(Value("NOME"), "Portaria");
    dataSet_->Post();
    edit_->setFocus(Qt::OtherFocusReason);
    Retype("Sala 1");
    dataSet_->Next();
    dataSet_->Prior();
    EXPECT_EQ(Value("NOME"), "Sala 1");
    EXPECT_EQ(edit_->Text(), "Sala 1");
}

TEST_F(DataEditTest, EscapeGivesTheFieldsTextBackAndWritesNothing) {
    Retype("Portaria");
    QTest::keyClick(edit_, Qt::Key_Escape);
    EXPECT_EQ(edit_->Text(), QString::fromUtf8("Recepção"));
    other_->setFocus(Qt::OtherFocusReason);
    dataSet_->CheckBrowseMode(); // nothing changed: the edit is cancelled, not posted
    EXPECT_EQ(Value("NOME"), Latin1("Recepção"));
    EXPECT_EQ(dataSet_->State(), dsBrowse);
}

TEST_F(DataEditTest, TypingIsRefusedWhenTheRecordCannotBeWritten) {
    dataSet_->SetReadOnly(true);
    Retype("X");
    EXPECT_EQ(edit_->Text(), QString::fromUtf8("Recepção"));
    EXPECT_EQ(dataSet_->State(), dsBrowse);
}

TEST_F(DataEditTest, TheFieldsSizeLimitsTheTextAndCharCaseTurnsLetters) {
    Retype("abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(edit_->Text(), "abcdefghijklmnopqrst");
    edit_->SetMaxLength(3);
    edit_->SetCharCase(TEditCharCase::ecUpperCase);
    Retype("abcdef");
    EXPECT_EQ(edit_->Text(), "ABC");
    other_->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(Value("NOME"), "ABC");
}

TEST_F(DataEditTest, ATextTheFieldRefusesKeepsTheFocusInTheEdit) {
    std::vector<std::string> errors;
    const auto previous = SetUiExceptionHandler([&](const std::exception& e) { errors.push_back(e.what()); });
    edit_->SetDataField("RAMAL");
    Retype("2x");
    other_->setFocus(Qt::OtherFocusReason);
    SetUiExceptionHandler(previous);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "'2x' is not a valid integer value for field 'RAMAL'");
    EXPECT_TRUE(edit_->hasFocus());
    EXPECT_EQ(edit_->selectedText(), "2x");
}

} // namespace
} // namespace datacontrols_test
