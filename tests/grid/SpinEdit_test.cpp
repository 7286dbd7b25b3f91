// The spin editor on its own (values, typing, stepping, the repeating buttons) and in a cell
// (page keys, click events, validation before leaving).
#include "EditorTestSupport.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiBoundary.h"
#include "platform/ui/UiServices.h"

namespace {

using SpinWindow = TControlWindow<TVzgSpinEdit>;

TEST(SpinEdit, EqualBoundsNeverClampWhileARangeDoes) {
    SpinWindow w;
    TVzgSpinEdit& spin = *w.control;
    spin.MinValue = spin.MaxValue = 0;
    spin.SetValue(500);
    EXPECT_EQ(spin.Value(), 500);
    spin.SetValue(-7);
    EXPECT_EQ(spin.Value(), -7);
    spin.MaxValue = 100;
    spin.SetValue(500);
    EXPECT_EQ(spin.Value(), 100);
    spin.SetText("x");
    EXPECT_EQ(spin.Value(), 0); // no integer: MinValue
}

TEST(SpinEdit, FloatTextWithLettersReadsTheIntegerMinimum) {
    TFormatSettingsScope scope(TFormatSettings::Neutral());
    SpinWindow w;
    TVzgSpinEdit& spin = *w.control;
    spin.SetSpinType(TVzgSpinType::sptFloat);
    spin.MinValue = 7;
    spin.MinFloatValue = 1.5;
    spin.SetText("2.5a");
    EXPECT_EQ(spin.FloatValue(), 7.0);
    spin.SetPrecision(2);
    spin.SetFloatValue(3.14159);
    EXPECT_EQ(spin.Text(), "3.14");
    spin.SetFloatValue(1000);
    EXPECT_EQ(spin.Text(), "100.00"); // clamped to MaxFloatValue
}

struct TStepCase {
    const char* Profile;
    TVzgSpinType Type;
    const char* Text;
    int Caret;
    Qt::Key Key;
    const char* After;
};

class SpinSteps : public testing::TestWithParam<TStepCase> {};

TEST_P(SpinSteps, UpAndDownStepThePartTheCaretIsIn) {
    const TStepCase& c = GetParam();
    TFormatSettingsScope scope(std::string(c.Profile) == "pt" ? TFormatSettings::BrazilianPortuguese()
                                                              : TFormatSettings::Neutral());
    SpinWindow w;
    TVzgSpinEdit& spin = *w.control;
    spin.SetSpinType(c.Type);
    spin.SetText(c.Text);
    spin.SetSel(c.Caret, 0);
    QTest::keyClick(&spin, c.Key);
    EXPECT_EQ(spin.Text(), c.After);
    EXPECT_EQ(spin.SelStart(), c.Caret); // the caret stays in its part
}

INSTANTIATE_TEST_SUITE_P(
    Parts, SpinSteps,
    testing::Values(TStepCase{"pt", TVzgSpinType::sptDate, "31/01/2004", 1, Qt::Key_Up, "01/02/2004"},
                    TStepCase{"pt", TVzgSpinType::sptDate, "31/01/2004", 4, Qt::Key_Up, "29/02/2004"},
                    TStepCase{"pt", TVzgSpinType::sptDate, "15/03/2004", 4, Qt::Key_Down, "15/02/2004"},
                    TStepCase{"pt", TVzgSpinType::sptDate, "29/02/2004", 8, Qt::Key_Up, "28/02/2005"},
                    TStepCase{"pt", TVzgSpinType::sptDate, "15/01/2004", 4, Qt::Key_Down, "15/12/2003"},
                    // A month-first format steps the month in the first part.
                    TStepCase{"neutral", TVzgSpinType::sptDate, "01/31/2004", 1, Qt::Key_Up, "02/29/2004"},
                    TStepCase{"pt", TVzgSpinType::sptTime, "10:59:30", 4, Qt::Key_Up, "11:00:30"},
                    TStepCase{"pt", TVzgSpinType::sptTime, "10:59:30", 1, Qt::Key_Up, "11:59:30"},
                    TStepCase{"pt", TVzgSpinType::sptTime, "10:59:30", 7, Qt::Key_Up, "10:59:31"},
                    TStepCase{"pt", TVzgSpinType::sptTime, "00:00:00", 0, Qt::Key_Down, "23:00:00"},
                    TStepCase{"pt", TVzgSpinType::sptNormal, "5", 1, Qt::Key_Down, "4"}));

struct TTypeCase {
    TVzgSpinType Type;
    int Precision;
    const char* Text;
    int SelStart, SelLength;
    const char* Typed;
    const char* After;
};

class SpinTyping : public testing::TestWithParam<TTypeCase> {};

TEST_P(SpinTyping, RefusesWhatTheKindCannotHoldWithABeep) {
    const TTypeCase& c = GetParam();
    TFormatSettingsScope scope(TFormatSettings::Neutral()); // '.' decimal, ',' thousands
    SpinWindow w;
    TVzgSpinEdit& spin = *w.control;
    spin.MinValue = spin.MaxValue = 0;
    spin.SetSpinType(c.Type);
    spin.SetPrecision(c.Precision);
    spin.SetText(c.Text);
    spin.SetSel(c.SelStart, c.SelLength);
    const int beeps = MessageBeepCount();
    QTest::keyClicks(&spin, c.Typed);
    EXPECT_EQ(spin.Text(), c.After);
    EXPECT_EQ(MessageBeepCount() > beeps, QString(c.After) == QString(c.Text));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SpinTyping,
    testing::Values(TTypeCase{TVzgSpinType::sptNormal, 0, "5", 1, 0, "-", "5"},   // not at position 0
                    TTypeCase{TVzgSpinType::sptNormal, 0, "-5", 0, 0, "-", "-5"}, // a second one
                    TTypeCase{TVzgSpinType::sptNormal, 0, "-5", 0, 2, "-", "-"},  // over the selected one
                    TTypeCase{TVzgSpinType::sptNormal, 0, "5", 1, 0, "a", "5"},
                    TTypeCase{TVzgSpinType::sptNormal, 0, "5", 1, 0, "/", "5"},
                    TTypeCase{TVzgSpinType::sptFloat, 0, "1.5", 3, 0, ".", "1.5"}, // a second separator
                    TTypeCase{TVzgSpinType::sptFloat, 0, "15", 2, 0, ",", "15"},   // thousands
                    TTypeCase{TVzgSpinType::sptFloat, 2, "2.50", 4, 0, "1", "2.50"},
                    TTypeCase{TVzgSpinType::sptFloat, 2, "2.5", 3, 0, "1", "2.51"},
                    TTypeCase{TVzgSpinType::sptFloat, 2, "2.50", 0, 0, "1", "12.50"},
                    TTypeCase{TVzgSpinType::sptTime, 0, "10:30:", 6, 0, ":", "10:30:"},
                    TTypeCase{TVzgSpinType::sptTime, 0, "10:30", 5, 0, ":", "10:30:"},
                    TTypeCase{TVzgSpinType::sptDate, 0, "01", 2, 0, "/", "01/"}));

TEST(SpinEdit, EditorDisabledRefusesTypingAndDelete) {
    SpinWindow w;
    TVzgSpinEdit& spin = *w.control;
    spin.EditorEnabled = false;
    spin.SetText("42");
    spin.SetSel(0, 0);
    QTest::keyClicks(&spin, "7");
    QTest::keyClick(&spin, Qt::Key_Delete);
    EXPECT_EQ(spin.Text(), "42");
    QTest::keyClick(&spin, Qt::Key_Up); // the buttons and arrows still step
    EXPECT_EQ(spin.Text(), "43");
}

TEST(SpinEdit, HeldButtonRepeatsAt400ThenEvery100AndReleaseStillClicks) {
    SpinWindow w;
    TVzgSpinEdit& spin = *w.control;
    TZovAdedeZuvidOzovoz* up = spin.Button()->UpButton();
    const QPoint inside = up->rect().center();
    QTest::mousePress(up, Qt::LeftButton, {}, inside);
    ASSERT_NE(up->RepeatTimer(), nullptr);
    EXPECT_TRUE(up->RepeatTimer()->isActive());
    EXPECT_EQ(up->RepeatTimer()->interval(), 400);
    EXPECT_EQ(spin.Value(), 0); // the press alone steps nothing
    up->TimerExpired();
    EXPECT_EQ(up->RepeatTimer()->interval(), 100);
    EXPECT_EQ(spin.Value(), 1);
    up->TimerExpired();
    EXPECT_EQ(spin.Value(), 2);
    QTest::mouseRelease(up, Qt::LeftButton, {}, inside);
    EXPECT_FALSE(up->RepeatTimer()->isActive());
    EXPECT_EQ(spin.Value(), 3);
    // Dragged off the button: no repeats, and the release there clicks nothing.
    TZovAdedeZuvidOzovoz* down = spin.Button()->DownButton();
    QTest::mousePress(down, Qt::LeftButton, {}, down->rect().center());
    QMouseEvent away(QEvent::MouseMove, QPointF(-20, -20), down->mapToGlobal(QPointF(-20, -20)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(down, &away);
    down->TimerExpired();
    QTest::mouseRelease(down, Qt::LeftButton, {}, QPoint(-20, -20));
    EXPECT_EQ(spin.Value(), 3);
    EXPECT_TRUE(spin.hasFocus()); // a press on a button leaves the focus in the edit
}

TEST(SpinEdit, ButtonPairKeepsItsMinimumWidthAndSplitsByDirection) {
    TControlWindow<TVzgSpinButton> w;
    TVzgSpinButton& pair = *w.control;
    pair.resize(5, 30);
    EXPECT_EQ(pair.width(), 15);
    EXPECT_EQ(pair.UpButton()->geometry(), QRect(0, 0, 15, 15));
    EXPECT_EQ(pair.DownButton()->geometry(), QRect(0, 14, 15, 16)); // a pixel above the half
    pair.SetDirection(TSpinDirection::spHorizontal);
    EXPECT_EQ(pair.width(), 20);
    pair.resize(8, 30);
    EXPECT_EQ(pair.width(), 20);
    EXPECT_EQ(pair.DownButton()->geometry(), QRect(0, 0, 10, 30)); // down on the left
    EXPECT_EQ(pair.UpButton()->geometry(), QRect(10, 0, 10, 30));
}

TEST(SpinEdit, PairTakesArrowsAndSpaceForItsFocusedButton) {
    TControlWindow<TVzgSpinButton> w;
    TVzgSpinButton& pair = *w.control;
    int ups = 0, downs = 0;
    pair.OnUpClick = [&](QObject*) { ++ups; };
    pair.OnDownClick = [&](QObject*) { ++downs; };
    ASSERT_TRUE(pair.hasFocus());
    QTest::keyClick(&pair, Qt::Key_Down);
    QTest::keyClick(&pair, Qt::Key_Space); // the down button is the focused one now
    QTest::keyClick(&pair, Qt::Key_Up);
    EXPECT_EQ(downs, 2);
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(pair.FocusedButton(), pair.UpButton());
    EXPECT_TRUE(pair.UpButton()->TimeBtnState.Contains(TTimeBtnState::tbFocusRect));
}

TEST(SpinEdit, ReturnIsTabMovesTheFocusOn) {
    SpinWindow w;
    w.control->ReturnIsTab = true;
    const int beeps = MessageBeepCount();
    QTest::keyClick(w.control, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(w.other->hasFocus());
    EXPECT_EQ(MessageBeepCount(), beeps);
}

// ---- In a cell ------------------------------------------------------------------------------------

class SpinCell : public EditorGrid {
protected:
    TGridSpin& Spin() { return *Grid().Spin(); }
    struct TClick {
        QString Kind;
        int Col, Row;
        double Value;
        bool Up;
        bool operator==(const TClick&) const = default;
    };
    std::vector<TClick> clicks;
    void RecordClicks() {
        Grid().OnSpinClick = [this](QObject*, int c, int r, int v, bool up) {
            clicks.push_back({"int", c, r, double(v), up});
        };
        Grid().OnFloatSpinClick = [this](QObject*, int c, int r, double v, bool up) {
            clicks.push_back({"float", c, r, v, up});
        };
        Grid().OnDateSpinClick = [this](QObject*, int c, int r, TDateTime v, bool up) {
            clicks.push_back({"date", c, r, v, up});
        };
        Grid().OnTimeSpinClick = [this](QObject*, int c, int r, TDateTime v, bool up) {
            clicks.push_back({"time", c, r, v, up});
        };
    }
};

TEST_F(SpinCell, PageKeysStayInRangeAndHomeEndJumpToTheBounds) {
    UseEditor(TEditorType::edSpinEdit);
    RecordClicks();
    Grid().SetGridCells(1, 2, "100");
    Open(1, 2);
    ASSERT_TRUE(Spin().isVisible());
    EXPECT_TRUE(Spin().hasFocus());
    w_.Key(Qt::Key_PageUp);
    EXPECT_EQ(Spin().Text(), "100");
    w_.Key(Qt::Key_End);
    EXPECT_EQ(Spin().Text(), "0");
    w_.Key(Qt::Key_PageDown);
    EXPECT_EQ(Spin().Text(), "0");
    w_.Key(Qt::Key_PageUp);
    w_.Key(Qt::Key_PageUp);
    EXPECT_EQ(Spin().Text(), "2");
    w_.Key(Qt::Key_Home);
    EXPECT_EQ(Spin().Text(), "100");
    const std::vector<TClick> expected{{"int", 1, 2, 100, true}, {"int", 1, 2, 0, false},
                                       {"int", 1, 2, 0, false},  {"int", 1, 2, 1, true},
                                       {"int", 1, 2, 2, true},   {"int", 1, 2, 100, true}};
    EXPECT_EQ(clicks, expected);
    w_.Key(Qt::Key_Return);
    EXPECT_FALSE(Spin().isVisible());
    EXPECT_EQ(Grid().GetGridCells(1, 2), "100");
}

TEST_F(SpinCell, FloatSpinPageKeysReportTheFloatValue) {
    TFormatSettingsScope scope(TFormatSettings::Neutral());
    UseEditor(TEditorType::edFloatSpinEdit);
    RecordClicks();
    Spin().IncrementFloat = 0.25;
    Grid().SetGridCells(1, 1, "2.5");
    Open(1, 1);
    w_.Key(Qt::Key_PageUp);
    w_.Key(Qt::Key_End);
    EXPECT_EQ(clicks, (std::vector<TClick>{{"float", 1, 1, 2.75, true}, {"float", 1, 1, 0, false}}));
}

TEST_F(SpinCell, FloatSpinLeavesTheGridsFloatFormat) {
    TFormatSettingsScope scope(TFormatSettings::Neutral());
    UseEditor(TEditorType::edFloatSpinEdit);
    Grid().SetGridCells(1, 1, "2.5");
    Open(1, 1);
    EXPECT_EQ(Spin().Text(), "2.5");
    w_.Key(Qt::Key_Return);
    EXPECT_EQ(Grid().GetGridCells(1, 1), "2.50");
}

struct TSpinClickCase {
    TEditorType Type;
    const char* Cell;
    bool Up;
    const char* Kind;
    double Value;
    const char* After;
};

class SpinCellClicks : public SpinCell, public testing::WithParamInterface<TSpinClickCase> {};

TEST_P(SpinCellClicks, ButtonsStepAndReportTheNewValue) {
    const TSpinClickCase& c = GetParam();
    TFormatSettingsScope scope(TFormatSettings::BrazilianPortuguese());
    UseEditor(c.Type);
    RecordClicks();
    Spin().IncrementFloat = 0.5;
    Grid().SetGridCells(2, 3, c.Cell);
    Open(2, 3);
    ASSERT_TRUE(Spin().isVisible());
    Spin().SetSel(0, 0); // the first part of a date or time
    ClickWidget(c.Up ? Spin().Button()->UpButton() : Spin().Button()->DownButton());
    EXPECT_EQ(Spin().Text(), c.After);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0], (TClick{c.Kind, 2, 3, c.Value, c.Up}));
    EXPECT_TRUE(Spin().hasFocus());
}

INSTANTIATE_TEST_SUITE_P(Kinds, SpinCellClicks,
                         testing::Values(TSpinClickCase{TEditorType::edSpinEdit, "5", true, "int", 6, "6"},
                                         TSpinClickCase{TEditorType::edSpinEdit, "5", false, "int", 4, "4"},
                                         TSpinClickCase{TEditorType::edFloatSpinEdit, "2,5", true, "float", 3,
                                                        "3"},
                                         TSpinClickCase{TEditorType::edDateSpinEdit, "31/01/2004", true,
                                                        "date", EncodeDate(2004, 2, 1), "01/02/2004"},
                                         TSpinClickCase{TEditorType::edTimeSpinEdit, "10:00:00", false,
                                                        "time", 9.0 / 24, "09:00:00"}));

class SpinCellLeaving : public SpinCell, public testing::WithParamInterface<Qt::Key> {};

TEST_P(SpinCellLeaving, KeysThatLeaveValidateAndARefusalKeepsTheEditorOpen) {
    UseEditor(TEditorType::edSpinEdit);
    Grid().SetOptions(Grid().Options() + goTabs);
    Grid().SetGridCells(2, 3, "5");
    std::vector<QString> validated;
    Grid().OnCellValidate = [&](QObject*, int, int, QString& value, bool& valid) {
        validated.push_back(value);
        valid = value != "13";
    };
    Open(2, 3);
    w_.Type("13");
    w_.Key(GetParam());
    EXPECT_EQ(validated, std::vector<QString>{"13"});
    ASSERT_TRUE(Spin().isVisible());
    EXPECT_TRUE(Spin().hasFocus());
    EXPECT_EQ(Spin().Text(), "5");
    EXPECT_EQ(Spin().SelStart(), 1);
    EXPECT_EQ(Spin().SelLength(), 0);
    EXPECT_EQ(Grid().GetGridCells(2, 3), "5");
    w_.Type("7");
    w_.Key(GetParam());
    EXPECT_FALSE(Spin().isVisible());
    EXPECT_EQ(Grid().GetGridCells(2, 3), "57");
    EXPECT_TRUE(Grid().hasFocus());
    const TGridCoord moved = GetParam() == Qt::Key_Tab    ? TGridCoord{3, 3}
                             : GetParam() == Qt::Key_Up   ? TGridCoord{2, 2}
                             : GetParam() == Qt::Key_Down ? TGridCoord{2, 4}
                                                          : TGridCoord{2, 3};
    EXPECT_EQ(Grid().Col(), moved.X);
    EXPECT_EQ(Grid().Row(), moved.Y);
}

INSTANTIATE_TEST_SUITE_P(Keys, SpinCellLeaving,
                         testing::Values(Qt::Key_Return, Qt::Key_Tab, Qt::Key_Up, Qt::Key_Down));

class TFixedClock : public TClockService {
public:
    QDateTime Now() const override { return QDateTime(QDate(2004, 6, 15), QTime(9, 0)); }
};

TEST_F(SpinCell, UnreadableCellsOpenAtTheLowerBoundOrToday) {
    TFormatSettingsScope scope(TFormatSettings::BrazilianPortuguese());
    auto previous = SetClockService(std::make_unique<TFixedClock>());
    Grid().SetGridCells(1, 1, "abc");
    Grid().SetGridCells(1, 2, "no date");
    editorOf = [](int, int row) { return row == 1 ? TEditorType::edSpinEdit : TEditorType::edDateSpinEdit; };
    Open(1, 1);
    EXPECT_EQ(Spin().Text(), "0");
    w_.Key(Qt::Key_Escape);
    EXPECT_EQ(Grid().GetGridCells(1, 1), "abc");
    Open(1, 2);
    EXPECT_EQ(Spin().Text(), "15/06/2004");
    w_.Key(Qt::Key_Escape);
    SetClockService(std::move(previous));
}

TEST_F(SpinCell, EscapeLeavesTheCellAsItWas) {
    UseEditor(TEditorType::edSpinEdit);
    Grid().SetGridCells(1, 1, "250"); // above the range: opening does not change it
    Open(1, 1);
    w_.Type("9");
    w_.Key(Qt::Key_Escape);
    EXPECT_FALSE(Spin().isVisible());
    EXPECT_EQ(Grid().GetGridCells(1, 1), "250");
    EXPECT_TRUE(Grid().hasFocus());
}

} // namespace
