#include "platform/ui/ControlAdapters.h"

#include "platform/os/FormatSettings.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <tuple>

namespace {

// A window with the control under test and a plain edit to move the focus to.
template <typename TControl> struct TControlWindow {
    TControlWindow() : control(new TControl(&window)), other(new QLineEdit(&window)) {
        window.resize(300, 100);
        control->setGeometry(0, 0, 200, 24);
        other->setGeometry(0, 40, 200, 24);
        window.show();
        QApplication::setActiveWindow(&window);
        control->setFocus(Qt::OtherFocusReason);
    }
    QWidget window;
    TControl* control;
    QLineEdit* other;
};

TEST(ControlProtocol, KeyDownAndKeyPressCanConsumeBeforeTheWidgetActs) {
    TControlWindow<TCustomMaskEdit> w;
    TCustomMaskEdit& edit = *w.control;
    std::vector<int> downs;
    edit.OnKeyDown = [&](QObject*, int& key, TShiftState) {
        downs.push_back(key);
        if (key == VK_HOME) key = 0;
    };
    edit.OnKeyPress = [&](QObject*, QChar& key) {
        if (key == u'x') key = QChar();
        if (key == u'a') key = u'A';
    };
    QTest::keyClicks(&edit, "axb");
    EXPECT_EQ(edit.Text(), "Ab");
    QTest::keyClick(&edit, Qt::Key_Home); // consumed: the caret stays at the end
    EXPECT_EQ(edit.cursorPosition(), 2);
    QTest::keyClick(&edit, Qt::Key_Left);
    EXPECT_EQ(edit.cursorPosition(), 1);
    EXPECT_EQ(downs.front(), 'A'); // letters report their upper-case virtual-key code
}

TEST(ControlProtocol, ExitFiresWhenTheFocusLeavesAndTabMovesItOnByDefault) {
    TControlWindow<TCustomMaskEdit> w;
    int enters = 0, exits = 0;
    w.control->OnEnter = [&](QObject*) { ++enters; };
    w.control->OnExit = [&](QObject*) { ++exits; };
    QTest::keyClick(w.control, Qt::Key_Tab);
    EXPECT_TRUE(w.other->hasFocus());
    EXPECT_EQ(exits, 1);
    w.control->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(enters, 1);
}

TEST(ControlProtocol, ControlLettersRunTheClipboardHooks) {
    TControlWindow<TCustomMaskEdit> w;
    TCustomMaskEdit& edit = *w.control;
    edit.SetEditMask("99:99");
    QApplication::clipboard()->setText("0730");
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.Text(), "07:30");
    QApplication::clipboard()->setText("1a");
    edit.SetText("");
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.EditText(), "1_:__"); // pasting stops at the refused letter
    edit.SetText("");
    QTest::keyClick(&edit, Qt::Key_Insert, Qt::ShiftModifier); // the other paste key takes the same road
    EXPECT_EQ(edit.EditText(), "1_:__");
}

TEST(MaskEditControl, BackspaceAndDeleteBlankPositionsAndKeepTheLayout) {
    TControlWindow<TCustomMaskEdit> w;
    TCustomMaskEdit& edit = *w.control;
    edit.SetEditMask("99:99");
    QTest::keyClicks(&edit, "1234");
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.EditText(), "12:3_");
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.Text(), " 2:3 ");
    edit.SetEditMask("");
    EXPECT_EQ(edit.Text(), " 2:3 "); // dropping the mask keeps the text
}

TEST(SpinBase, ButtonsRepeatAfter400AndEvery100Milliseconds) {
    TControlWindow<TSpinEditBase> w;
    int ups = 0, downs = 0;
    w.control->OnUpClick = [&](QObject*) { ++ups; };
    w.control->OnDownClick = [&](QObject*) { ++downs; };
    EXPECT_EQ(w.control->UpButton()->autoRepeatDelay(), 400);
    EXPECT_EQ(w.control->UpButton()->autoRepeatInterval(), 100);
    w.control->UpButton()->click();
    w.control->DownButton()->click();
    w.control->DownButton()->click();
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(downs, 2);
    EXPECT_EQ(w.control->UpButton()->geometry().right(), w.control->width() - 1);
}

TEST(ComboControl, StyleChangesKeepTheItemsAndTextSelectsTheItem) {
    TControlWindow<TComboBoxControl> w;
    TComboBoxControl& combo = *w.control;
    combo.SetItems({"Sim", "Não"});
    std::vector<std::pair<int, QString>> changes;
    combo.OnChange = [&](QObject*, int index, const QString& text) { changes.push_back({index, text}); };
    combo.SetStyle(TComboBoxStyle::csDropDownList);
    EXPECT_EQ(combo.Items(), (QStringList{"Sim", "Não"}));
    combo.SetText("Não");
    EXPECT_EQ(combo.ItemIndex(), 1);
    combo.SetText("Talvez"); // not an item of a list-only combo
    EXPECT_EQ(combo.ItemIndex(), -1);
    combo.SetStyle(TComboBoxStyle::csDropDown);
    combo.SetText("Talvez");
    EXPECT_EQ(combo.Text(), "Talvez");
    EXPECT_EQ(changes.back(), std::make_pair(-1, QString("Talvez")));
}

TEST(DatePickerControl, ShowsTheProgramsFormatsAndAnOptionalCheckBox) {
    TControlWindow<TDateTimePickerControl> w;
    TDateTimePickerControl& picker = *w.control;
    picker.SetDate(QDate(2024, 3, 5));
    EXPECT_EQ(picker.text(), "05/03/2024");
    picker.SetKind(TDateTimeKind::dtkTime);
    picker.SetTime(QTime(7, 5, 9));
    EXPECT_EQ(picker.text(), "07:05:09");
    picker.SetFormat("HH:mm");
    EXPECT_EQ(picker.text(), "07:05");
    EXPECT_FALSE(picker.ShowCheckbox());
    picker.SetShowCheckbox(true);
    EXPECT_TRUE(picker.ShowCheckbox());
    picker.SetChecked(false);
    EXPECT_FALSE(picker.Checked());
}

TEST(DatePickerControl, TranslatesTheProfilesPatternsIntoQtFormats) {
    TFormatSettings settings = TFormatSettings::Neutral();
    settings.DateSeparator = '.';
    settings.ShortDateFormat = "mm/dd/yy 'm/d'";
    settings.LongTimeFormat = "h:nn:ss.zzz";
    TFormatSettingsScope scope(settings);
    TControlWindow<TDateTimePickerControl> w;
    TDateTimePickerControl& picker = *w.control;
    picker.SetDate(QDate(2024, 3, 5));
    EXPECT_EQ(picker.text(), "03.05.24 m/d");
    picker.SetKind(TDateTimeKind::dtkTime);
    picker.SetTime(QTime(7, 5, 9, 45));
    EXPECT_EQ(picker.text(), "7:05:09.045");
}

TEST(EditWithButtonControl, F4AndTheButtonRunTheButtonClick) {
    TControlWindow<TEditWithButton> w;
    int clicks = 0;
    w.control->OnClickBtn = [&](QObject*) { ++clicks; };
    QTest::keyClick(w.control, Qt::Key_F4);
    w.control->Button()->click();
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(w.control->Button()->width(), w.control->ButtonWidth());
}

TEST(CheckBoxAndButton, StatesAndClicksMapToTheClassLibrarysNames) {
    TControlWindow<TCheckBoxControl> w;
    int clicks = 0;
    w.control->OnClick = [&](QObject*) { ++clicks; };
    w.control->SetState(TCheckBoxState::cbGrayed);
    EXPECT_EQ(w.control->State(), TCheckBoxState::cbGrayed);
    w.control->click();
    EXPECT_EQ(clicks, 1);
    TButtonControl button;
    button.SetCaption("...");
    button.OnClick = [&](QObject*) { ++clicks; };
    button.click();
    EXPECT_EQ(clicks, 2);
}

TEST(PopupMenu, ReturnsTheIdentifierOfTheChosenItem) {
    TPopupMenuControl menu;
    menu.AddItem("cm", 1);
    menu.AddItem("mm", 2);
    auto previous = TPopupMenuControl::SetRunner([](QMenu& m, QPoint) { return m.actions().at(1); });
    EXPECT_EQ(menu.Popup(QPoint(0, 0)), 2);
    TPopupMenuControl::SetRunner([](QMenu&, QPoint) { return nullptr; });
    EXPECT_EQ(menu.Popup(QPoint(0, 0)), 0);
    TPopupMenuControl::SetRunner(previous);
}

TEST(Keyboard, KeysMapToVirtualKeysAndTypedCharacters) {
    QKeyEvent ctrlC(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, "\x03");
    EXPECT_EQ(VirtualKey(ctrlC), 'C');
    EXPECT_EQ(TypedChar(ctrlC), QChar(3));
    QKeyEvent ctrlEnter(QEvent::KeyPress, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(TypedChar(ctrlEnter), QChar(10));
    QKeyEvent keypadPoint(QEvent::KeyPress, Qt::Key_Period, Qt::KeypadModifier, ".");
    EXPECT_EQ(VirtualKey(keypadPoint), VK_DECIMAL);
    EXPECT_TRUE(FromKeypad(keypadPoint));
    EXPECT_EQ(TypedChar(keypadPoint), QChar('.'));
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(VirtualKey(left), VK_LEFT);
    EXPECT_TRUE(TypedChar(left).isNull());
    EXPECT_TRUE(ShiftStateOf(left).Contains(ssShift));
    EXPECT_EQ(QtKeyOf(VK_F2), int(Qt::Key_F2));
}

// AltGr types what it makes, as X11 gives it: with Qt::GroupSwitchModifier, or as a plain key with
// its character; with Meta (the Super key) held, even with Shift, a key types nothing.
TEST(Keyboard, AltGrTypesItsCharacterWhileAChordTypesNothing) {
    for (const auto& [key, modifiers, text, typed] :
         {std::tuple(Qt::Key_At, Qt::KeyboardModifiers(Qt::GroupSwitchModifier), "@", "@"),
          std::tuple(Qt::Key_Eacute, Qt::KeyboardModifiers(), "é", "é"),
          std::tuple(Qt::Key_R, Qt::MetaModifier | Qt::ShiftModifier, "R", "")}) {
        TControlWindow<TCustomMaskEdit> w;
        QTest::sendKeyEvent(QTest::Click, w.control, key, QString::fromUtf8(text), modifiers);
        EXPECT_EQ(w.control->Text(), QString::fromUtf8(typed)) << text;
    }
}

} // namespace
