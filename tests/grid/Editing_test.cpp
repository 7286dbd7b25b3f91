// Editing cells of the advanced grid: the text editor's filters, the drop-down editor, keys handed
// back to the grid, the edit cycle (validation, undo, editing done) and the time editor.
#include "GridTestSupport.h"
#include "grid/ComboEditor.h"
#include "grid/DateEditor.h"
#include "grid/TextEditor.h"

#include <QClipboard>

namespace {

class Editing : public testing::Test {
protected:
    Editing() : w_(4, 6) {
        Grid().SetOptions(Grid().Options() + goEditing);
        for (int r = 1; r < 6; ++r) Grid().SetGridCells(1, r, QString("r%1").arg(r));
        Grid().OnGetEditorType = [this](QObject*, int col, int row, TEditorType& type) {
            if (editorOf) type = editorOf(col, row);
        };
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    TGridCombo& Combo() { return *Grid().Combo(); }
    void UseEditor(TEditorType type) {
        editorOf = [type](int, int) { return type; };
    }
    std::function<TEditorType(int, int)> editorOf;
    TAdvancedGridWindow w_;
};

TEST_F(Editing, NumericCellRefusesASecondMinusAndLetters) {
    UseEditor(TEditorType::edNumeric);
    Grid().SetGridCells(1, 1, "");
    const int beeps = MessageBeepCount();
    w_.Type("-");
    ASSERT_TRUE(w_.EditorShown());
    w_.Type("-a5");
    EXPECT_EQ(w_.Editor()->Text(), "-5");
    EXPECT_EQ(MessageBeepCount(), beeps + 2);
    w_.Key(Qt::Key_Home);
    w_.Type("-");
    EXPECT_EQ(Grid().GetGridCells(1, 1), "-5");
}

TEST_F(Editing, NumericCellIgnoresAPasteWithALetter) {
    UseEditor(TEditorType::edNumeric);
    Grid().SetGridCells(1, 1, "5");
    w_.Key(Qt::Key_F2);
    ASSERT_TRUE(w_.EditorShown());
    QApplication::clipboard()->setText("12a");
    w_.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w_.Editor()->Text(), "5");
    QApplication::clipboard()->setText("12");
    w_.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w_.Editor()->Text(), "12"); // the selected text is replaced
}

TEST_F(Editing, CapitalCellUpperCasesTypingAndPaste) {
    UseEditor(TEditorType::edCapital);
    Grid().SetGridCells(1, 1, "");
    w_.Type("ab");
    QApplication::clipboard()->setText("cd");
    w_.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Grid().GetGridCells(1, 1), "ABCD");
}

TEST_F(Editing, LengthLimitStopsTypingButNotBackspace) {
    Grid().SetMaxEditLength(3);
    Grid().SetGridCells(1, 1, "");
    w_.Type("abcd");
    EXPECT_EQ(w_.Editor()->Text(), "abc");
    w_.Key(Qt::Key_Backspace);
    EXPECT_EQ(w_.Editor()->Text(), "ab");
}

std::vector<QString> warnings;

// The editor gives back each line break as the cell had it, and a pasted CR LF lands whole (Qt
// warns of a caret placed beyond the text).
TEST_F(Editing, MultiLineTextKeepsTheCellsLineBreaksThroughTypingAndPaste) {
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& message) { warnings.push_back(message); });
    for (const QString lineBreak : {"\r\n", "\n", "\r"}) {
        SCOPED_TRACE(lineBreak.toUtf8().toHex().toStdString());
        warnings.clear();
        Grid().SetGridCells(1, 1, "linha um" + lineBreak + "linha dois");
        w_.Key(Qt::Key_F2);
        ASSERT_TRUE(w_.EditorShown());
        w_.Key(Qt::Key_End, Qt::ControlModifier);
        w_.Type("z");
        QApplication::clipboard()->setText("\r\nx");
        w_.Key(Qt::Key_V, Qt::ControlModifier);
        w_.Type("w");
        w_.Key(Qt::Key_Return);
        EXPECT_FALSE(w_.EditorShown());
        EXPECT_EQ(Grid().GetGridCells(1, 1), "linha um" + lineBreak + "linha doisz" + lineBreak + "xw");
        EXPECT_EQ(warnings, std::vector<QString>{});
    }
    qInstallMessageHandler(previous);
}

// Breaks the user leaves alone keep their kind, a new one is the text's first; a word of thousands
// of characters wraps anywhere (at word boundaries its layout costs seconds); the single-line
// editor keeps a text beyond Qt's 32767 characters, or beyond the length limit, whole.
TEST_F(Editing, MixedLineBreaksAndLongTextsComeBackAsTheCellHadThem) {
    Grid().SetGridCells(1, 1, "a\nb\r\nc\rd");
    w_.Key(Qt::Key_F2);
    w_.Key(Qt::Key_End, Qt::ControlModifier);
    w_.Key(Qt::Key_Return, Qt::ControlModifier);
    w_.Type("z");
    w_.Key(Qt::Key_Return);
    EXPECT_EQ(Grid().GetGridCells(1, 1), "a\nb\r\nc\rd\nz");
    Grid().SetGridCells(1, 2, QString(5000, 'w'));
    Grid().SetRow(2);
    w_.Key(Qt::Key_F2);
    EXPECT_EQ(w_.Editor()->MemoBody()->wordWrapMode(), QTextOption::WrapAnywhere);
    w_.Key(Qt::Key_Escape);
    Grid().Navigation.AllowCtrlEnter = false;
    for (const int limit : {0, 3}) {
        Grid().SetMaxEditLength(limit);
        Grid().SetGridCells(1, 2, QString(40000, 'w'));
        Grid().SetRow(2);
        w_.Key(Qt::Key_F2);
        w_.Key(Qt::Key_End);
        w_.Type("z");
        w_.Key(Qt::Key_Return);
        EXPECT_EQ(Grid().GetGridCells(1, 2).size(), limit == 0 ? 40001 : 40000);
    }
}

TEST_F(Editing, DropDownListSelectsTheItemEqualToTheCellText) {
    UseEditor(TEditorType::edComboList);
    Grid().AddComboItem("Sim");
    Grid().AddComboItem("Não");
    Grid().SetGridCells(1, 2, "Não");
    Grid().SetGridCells(1, 3, "other");
    Grid().SetRow(2);
    w_.Key(Qt::Key_F2);
    ASSERT_TRUE(Combo().isVisible());
    EXPECT_FALSE(w_.EditorShown());
    EXPECT_TRUE(Combo().hasFocus());
    EXPECT_EQ(Combo().ItemIndex(), 1);
    EXPECT_EQ(ToQRect(Grid().CellRect(1, 2)).adjusted(0, 0, -1, -1), Combo().geometry());
    w_.Key(Qt::Key_Escape);
    EXPECT_FALSE(Combo().isVisible());
    Grid().SetRow(3);
    w_.Key(Qt::Key_F2);
    EXPECT_EQ(Combo().ItemIndex(), 0); // not among the items: the first
    w_.Key(Qt::Key_Escape);
    Grid().DefaultListIndex = 1;
    EXPECT_TRUE(Grid().hasFocus());
    EXPECT_EQ(Grid().GetGridCells(1, 3), "other");
    w_.Key(Qt::Key_F2);
    EXPECT_TRUE(Combo().isVisible());
    EXPECT_EQ(Combo().ItemIndex(), 1);
}

TEST_F(Editing, DropDownHandsTabAndEnterBackToTheGrid) {
    UseEditor(TEditorType::edComboList);
    Grid().SetOptions(Grid().Options() + goTabs);
    Grid().AddComboItem("Sim");
    Grid().AddComboItem("Não");
    w_.Key(Qt::Key_F2);
    ASSERT_TRUE(Combo().hasFocus());
    Combo().SetItemIndex(1);
    w_.Key(Qt::Key_Tab);
    EXPECT_FALSE(Combo().isVisible());
    EXPECT_EQ(Grid().GetGridCells(1, 1), "Não");
    EXPECT_EQ(Grid().Col(), 2);
    EXPECT_TRUE(Grid().hasFocus());
    Grid().SetCol(1);
    Grid().SetRow(2);
    w_.Key(Qt::Key_Return);
    ASSERT_TRUE(Combo().hasFocus());
    Combo().SetItemIndex(0);
    w_.Key(Qt::Key_Return);
    EXPECT_FALSE(Combo().isVisible());
    EXPECT_EQ(Grid().GetGridCells(1, 2), "Sim");
    EXPECT_EQ(Grid().Row(), 2); // without AdvanceOnEnter the cell stays
    EXPECT_TRUE(Grid().hasFocus());
}

TEST_F(Editing, DropDownEditHandsUpAndDownBackAndTakesTheTypedKey) {
    UseEditor(TEditorType::edComboEdit);
    Grid().AddComboItem("alpha");
    Grid().SetRow(3);
    w_.Type("x");
    ASSERT_TRUE(Combo().isVisible());
    EXPECT_EQ(Combo().Text(), "x");
    w_.Type("y");
    w_.Key(Qt::Key_Down);
    EXPECT_FALSE(Combo().isVisible());
    EXPECT_EQ(Grid().GetGridCells(1, 3), "xy");
    EXPECT_EQ(Grid().Row(), 4);
    w_.Key(Qt::Key_F2);
    w_.Key(Qt::Key_Up);
    EXPECT_EQ(Grid().Row(), 3);
    EXPECT_EQ(Grid().GetGridCells(1, 4), "r4");
}

TEST_F(Editing, EditingDoneFiresOncePerClose) {
    int done = 0;
    Grid().OnEditingDone = [&](QObject*) { ++done; };
    w_.Type("a");
    w_.Key(Qt::Key_Down); // the text editor closes as the cell changes
    EXPECT_EQ(done, 1);
    w_.Key(Qt::Key_F2);
    w_.Key(Qt::Key_Escape);
    EXPECT_EQ(done, 2);
    w_.Type("b");
    w_.Other().setFocus(Qt::OtherFocusReason); // the focus leaves the grid
    EXPECT_EQ(done, 3);
    Grid().setFocus(Qt::OtherFocusReason);
    UseEditor(TEditorType::edComboEdit);
    w_.Key(Qt::Key_F2);
    w_.Key(Qt::Key_Down);
    EXPECT_EQ(done, 4);
}

TEST_F(Editing, UnchangedTextFiresNoValidation) {
    int validations = 0, changes = 0;
    Grid().OnCellValidate = [&](QObject*, int, int, QString&, bool&) { ++validations; };
    Grid().OnCellsChanged = [&](QObject*, TRect) { ++changes; };
    w_.Key(Qt::Key_F2);
    w_.Key(Qt::Key_Down);
    EXPECT_EQ(validations, 0);
    EXPECT_EQ(changes, 0);
    w_.Type("new");
    w_.Key(Qt::Key_Down);
    EXPECT_EQ(validations, 1);
    EXPECT_EQ(changes, 1);
}

TEST_F(Editing, RefusedTextReopensTheEditorOnTheChangedValue) {
    std::vector<QString> seen;
    Grid().OnCellValidate = [&](QObject*, int col, int row, QString& value, bool& valid) {
        seen.push_back(QString("%1,%2:%3").arg(col).arg(row).arg(value));
        if (value == "bad") {
            value = "fixed";
            valid = false;
        }
    };
    w_.Type("bad");
    w_.Key(Qt::Key_Down);
    EXPECT_EQ(Grid().Row(), 1);
    ASSERT_TRUE(w_.EditorShown());
    EXPECT_EQ(w_.Editor()->Text(), "fixed");
    EXPECT_EQ(Grid().GetGridCells(1, 1), "fixed");
    w_.Key(Qt::Key_Down); // "fixed" passes
    EXPECT_EQ(Grid().Row(), 2);
    EXPECT_EQ(seen, (std::vector<QString>{"1,1:bad", "1,1:fixed"}));
}

TEST_F(Editing, RefusedUnchangedValueGoesBackToTheTextBeforeEditing) {
    Grid().OnCellValidate = [](QObject*, int, int, QString&, bool& valid) { valid = false; };
    w_.Type("zz");
    w_.Key(Qt::Key_Return);
    EXPECT_TRUE(w_.EditorShown());
    EXPECT_EQ(w_.Editor()->Text(), "r1");
    EXPECT_EQ(Grid().GetGridCells(1, 1), "r1");
}

TEST_F(Editing, RefusedTextKeepsTheFocusInTheCell) {
    Grid().OnCellValidate = [](QObject*, int, int, QString& value, bool& valid) { valid = value != "no"; };
    w_.Type("no");
    w_.Other().setFocus(Qt::OtherFocusReason);
    EXPECT_TRUE(w_.EditorShown());
    EXPECT_TRUE(w_.Editor()->HasFocus());
    EXPECT_EQ(Grid().GetGridCells(1, 1), "r1");
}

TEST_F(Editing, UndoRecordsOnlyAcceptedEditsWithTheirFinalValue) {
    TVozAvozUndoRedo undo;
    Grid().SetUndoRedo(&undo);
    Grid().OnCellValidate = [](QObject*, int, int, QString& value, bool& valid) {
        valid = value != "no";
        value = value.toUpper();
    };
    w_.Type("no");
    w_.Key(Qt::Key_Down);
    EXPECT_TRUE(undo.Steps().empty());
    w_.Key(Qt::Key_Escape);
    w_.Key(Qt::Key_Down);
    w_.Type("yes");
    w_.Key(Qt::Key_Down);
    ASSERT_EQ(undo.Steps().size(), 1u);
    EXPECT_EQ(undo.Steps()[0].Value, "YES");
    EXPECT_EQ(undo.Steps()[0].OrigValue, "r2");
    EXPECT_EQ(undo.Steps()[0].Row, 2);
    EXPECT_EQ(Grid().GetGridCells(1, 2), "YES");
    Grid().SetUndoRedo(nullptr);
}

TEST_F(Editing, NoneEditorOpensNothing) {
    UseEditor(TEditorType::edNone);
    w_.Type("a");
    w_.Key(Qt::Key_F2);
    EXPECT_FALSE(w_.EditorShown());
    EXPECT_FALSE(Combo().isVisible());
    EXPECT_FALSE(Grid().EditorActive());
}

TEST_F(Editing, TimeEditorWritesWithAnExplicitFormat) {
    TFormatSettingsScope scope(TFormatSettings::BrazilianPortuguese());
    UseEditor(TEditorType::edTimeEdit);
    Grid().SetGridCells(1, 1, "07:30:00");
    w_.Key(Qt::Key_F2);
    TGridDatePicker& picker = *Grid().DatePicker();
    ASSERT_TRUE(picker.isVisible());
    EXPECT_EQ(picker.Time(), QTime(7, 30, 0));
    picker.SetTime(QTime(8, 15, 20));
    w_.Key(Qt::Key_Return);
    EXPECT_FALSE(picker.isVisible());
    EXPECT_EQ(Grid().GetGridCells(1, 1), "08:15:20");
    picker.SetFormat("HH:mm");
    w_.Key(Qt::Key_F2);
    picker.SetTime(QTime(9, 5, 59));
    w_.Key(Qt::Key_Return);
    EXPECT_EQ(Grid().GetGridCells(1, 1), "09:05");
    EXPECT_EQ(FormatSettings().LongTimeFormat, TFormatSettings::BrazilianPortuguese().LongTimeFormat);
}

TEST_F(Editing, DateEditorWritesTheShortDate) {
    TFormatSettingsScope scope(TFormatSettings::BrazilianPortuguese());
    UseEditor(TEditorType::edDateEdit);
    Grid().SetGridCells(1, 2, "31/12/2003");
    Grid().SetRow(2);
    w_.Key(Qt::Key_F2);
    TGridDatePicker& picker = *Grid().DatePicker();
    EXPECT_EQ(picker.Date(), QDate(2003, 12, 31));
    picker.SetDate(QDate(2004, 2, 29));
    w_.Other().setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(Grid().GetGridCells(1, 2), "29/02/2004");
}

} // namespace
