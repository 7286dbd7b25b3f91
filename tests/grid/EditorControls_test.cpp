// The grid's editor controls in cells: every kind opens and writes back, over the whole merged
// block; the edit with a button, the unit edit, the date picker, the check box, the button, the
// cell-bound edit, the application's edit link; sizing while typing; the cell checker.
#include "EditorTestSupport.h"
#include "grid/DateEditor.h"
#include "grid/EditLink.h"
#include "grid/TextEditor.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiBoundary.h"

#include <QMenu>

namespace {

// An application's editor: a line edit.
class TLineLink : public TEditLink {
public:
    void CreateEditor(QWidget* parent) override {
        if (!edit)
            edit = new QLineEdit(parent);
        else if (edit->parentWidget() != parent)
            edit->setParent(parent);
    }
    QWidget* GetEditControl() const override { return edit; }
    void SetProperties() override { ++setUps; }
    void SetEditorValue(const QString& value) override { edit->setText(value); }
    QString GetEditorValue() const override { return edit->text(); }
    QPointer<QLineEdit> edit;
    int setUps = 0;
};

// The widget that edits the cell now: the text editor or the kind's control.
QWidget* EditingWidget(TVevIvizudEvar& grid) {
    if (QWidget* control = grid.ActiveEditorControl()) return control;
    return grid.TextEditor() && grid.TextEditor()->isVisible() ? grid.TextEditor() : nullptr;
}

struct TKindCase {
    TEditorType Type;
    const char* Cell;
    const char* Typed; // the first character opens the editor; empty: F2 opens it
    const char* After;
    Qt::Key Close = Qt::Key_Return;
};

class EveryKind : public EditorGrid, public testing::WithParamInterface<TKindCase> {};

TEST_P(EveryKind, OpensOnTheCellAndWritesBack) {
    const TKindCase& c = GetParam();
    TFormatSettingsScope scope(TFormatSettings::BrazilianPortuguese());
    TLineLink link;
    Grid().EditLink = &link;
    Grid().UniCombo()->Items().AddStrings(QStringList{"Sim", "Não"});
    UseEditor(c.Type);
    Grid().SetGridCells(2, 2, c.Cell);
    Grid().SetCol(2);
    Grid().SetRow(2);
    const QString typed = c.Typed;
    if (typed.isEmpty())
        w_.Key(Qt::Key_F2);
    else
        w_.Type(typed);
    QWidget* editor = EditingWidget(Grid());
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_TRUE(IsWithin(QApplication::focusWidget(), editor));
    if (c.Type == TEditorType::edUniComboList) w_.Key(Qt::Key_Down);
    w_.Key(c.Close);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_FALSE(Grid().EditorActive());
    EXPECT_TRUE(Grid().hasFocus());
    EXPECT_EQ(Grid().GetGridCells(2, 2), c.After);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EveryKind,
    testing::Values(TKindCase{TEditorType::edSpinEdit, "5", "42", "42"},
                    TKindCase{TEditorType::edFloatSpinEdit, "1,5", "2,25", "2,25"},
                    TKindCase{TEditorType::edTimeSpinEdit, "10:00:00", "11:30:00", "11:30:00"},
                    TKindCase{TEditorType::edDateSpinEdit, "01/01/2004", "02/03/2005", "02/03/2005"},
                    TKindCase{TEditorType::edEditBtn, "abc", "xyz", "xyz"},
                    TKindCase{TEditorType::edNumericEditBtn, "1", "23", "23"},
                    TKindCase{TEditorType::edFloatEditBtn, "1", "2,5", "2,5"},
                    TKindCase{TEditorType::edUnitEditBtn, "5mm", "12", "12mm"},
                    TKindCase{TEditorType::edUniEdit, "a", "xb", "xb"},
                    TKindCase{TEditorType::edUniComboEdit, "a", "bc", "bc"},
                    TKindCase{TEditorType::edUniComboList, "Sim", "", "Não"},
                    // The key that opens the application's editor is typed after its text.
                    TKindCase{TEditorType::edCustom, "a", "bc", "abc"},
                    // The check box and the button write nothing: the application reads them.
                    TKindCase{TEditorType::edCheckBox, "caption", "", "caption"},
                    TKindCase{TEditorType::edButton, "caption", "", "caption", Qt::Key_Escape}));

class FocusStaysInTheGrid : public EditorGrid, public testing::WithParamInterface<TEditorType> {};

TEST_P(FocusStaysInTheGrid, ClosingAnEditorNeverLetsTheFocusLeave) {
    UseEditor(GetParam());
    Grid().AddComboItem("r2");
    int enters = 0, exits = 0;
    Grid().OnEnter = [&](QObject*) { ++enters; };
    Grid().OnExit = [&](QObject*) { ++exits; };
    Open(1, 2);
    ASSERT_NE(Grid().ActiveEditorControl(), nullptr);
    w_.Key(Qt::Key_Return);
    w_.Key(Qt::Key_F2);
    w_.Key(Qt::Key_Escape);
    EXPECT_FALSE(Grid().EditorActive());
    EXPECT_TRUE(Grid().hasFocus());
    EXPECT_EQ(enters, 0);
    EXPECT_EQ(exits, 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, FocusStaysInTheGrid,
                         testing::Values(TEditorType::edComboEdit, TEditorType::edDateEdit,
                                         TEditorType::edSpinEdit, TEditorType::edEditBtn,
                                         TEditorType::edUniEdit, TEditorType::edUniComboEdit));

class MergedBlock : public EditorGrid, public testing::WithParamInterface<TEditorType> {};

TEST_P(MergedBlock, EditorCoversTheWholeBlock) {
    UseEditor(GetParam());
    Grid().SetColWidths(2, 62);
    Grid().SetRowHeights(2, 19);
    Grid().MergeCells(1, 1, 2, 2);
    const TRect block = Grid().CellRectEx(1, 1);
    ASSERT_EQ(block.Width(), Grid().ColWidths(1) + 62);
    Open(1, 1);
    QWidget* editor = EditingWidget(Grid());
    ASSERT_NE(editor, nullptr);
    const QRect expected = ToQRect(Bounds(block.Left, block.Top, block.Width() - 1, block.Height() - 1));
    EXPECT_EQ(editor->geometry(),
              GetParam() == TEditorType::edButton ? expected.adjusted(-1, -1, 1, 1) : expected);
}

INSTANTIATE_TEST_SUITE_P(Kinds, MergedBlock,
                         testing::Values(TEditorType::edNormal, TEditorType::edNumeric,
                                         TEditorType::edSpinEdit, TEditorType::edEditBtn,
                                         TEditorType::edUnitEditBtn, TEditorType::edComboEdit,
                                         TEditorType::edUniComboList, TEditorType::edDateEdit,
                                         TEditorType::edCheckBox, TEditorType::edButton));

TEST_F(EditorGrid, WideEditSitsInsideTheCellBesideTheTextOffsets) {
    UseEditor(TEditorType::edUniEdit);
    Open(1, 2);
    const TRect cell = Grid().CellRect(1, 2);
    EXPECT_EQ(Grid().UniEdit()->geometry(),
              QRect(cell.Left + 4, cell.Top + 4, cell.Width() - 5, cell.Height() - 5));
}

TEST_F(EditorGrid, SizeWhileTypingWidensTheColumnAndTheEditor) {
    Grid().SizeWhileTyping.Width = true;
    const int before = Grid().ColWidths(1);
    Open(1, 1);
    w_.Type("a rather long text for one cell");
    EXPECT_GT(Grid().ColWidths(1), before);
    EXPECT_GE(Grid().ColWidths(1), Grid().GetCellTextSize(1, 1, false).X);
    EXPECT_EQ(w_.Editor()->width(), Grid().ColWidths(1) - 1);
    const int widened = Grid().ColWidths(1);
    w_.Key(Qt::Key_Backspace);
    EXPECT_EQ(Grid().ColWidths(1), widened); // it never shrinks while typing
}

TEST_F(EditorGrid, SizeWhileTypingGrowsTheRowWithWordWrapAndReportsIt) {
    Grid().SizeWhileTyping.Height = true;
    std::vector<int> rowsSized;
    Grid().OnEndRowSize = [&](QObject*, int row) { rowsSized.push_back(row); };
    Open(1, 3);
    w_.Type("one two three four five six");
    EXPECT_GT(Grid().RowHeights(3), 21);
    EXPECT_EQ(w_.Editor()->height(), Grid().RowHeights(3) - 1);
    ASSERT_FALSE(rowsSized.empty());
    EXPECT_EQ(rowsSized.back(), 3);
    Grid().SetWordWrap(false);
    const int height = Grid().RowHeights(3);
    w_.Type(" seven eight nine ten eleven");
    EXPECT_EQ(Grid().RowHeights(3), height);
}

// ---- Edit with button ----------------------------------------------------------------------------

TEST_F(EditorGrid, EditButtonPassesTheTextAndShowsTheAnswerSelected) {
    UseEditor(TEditorType::edEditBtn);
    std::vector<QString> asked;
    Grid().OnEllipsClick = [&](QObject*, int col, int row, QString& s) {
        asked.push_back(QString("%1,%2:%3").arg(col).arg(row).arg(s));
        s = s.toUpper();
    };
    Grid().SetGridCells(1, 2, "abc");
    Open(1, 2);
    TGridEditBtn& edit = *Grid().EditBtn();
    ASSERT_TRUE(edit.hasFocus());
    w_.Key(Qt::Key_F4);
    EXPECT_EQ(edit.Text(), "ABC");
    EXPECT_EQ(edit.selectedText(), "ABC");
    w_.Key(Qt::Key_End);
    w_.Type("d");
    ClickWidget(edit.Button()->SpeedButton());
    EXPECT_EQ(asked, (std::vector<QString>{"1,2:abc", "1,2:ABCd"}));
    EXPECT_EQ(edit.selectedText(), "ABCD");
    EXPECT_TRUE(edit.hasFocus());
    w_.Key(Qt::Key_Return);
    EXPECT_EQ(Grid().GetGridCells(1, 2), "ABCD");
}

TEST_F(EditorGrid, NumericEditButtonRefusesLetters) {
    UseEditor(TEditorType::edNumericEditBtn);
    Grid().SetGridCells(1, 1, "");
    Open(1, 1);
    const int beeps = MessageBeepCount();
    w_.Type("1a-2");
    EXPECT_EQ(Grid().EditBtn()->Text(), "12");
    EXPECT_EQ(MessageBeepCount(), beeps + 2);
}

class EditButtonLeaving : public EditorGrid, public testing::WithParamInterface<Qt::Key> {};

TEST_P(EditButtonLeaving, LeavingKeysValidateAndEscapeRestores) {
    UseEditor(TEditorType::edEditBtn);
    Grid().SetOptions(Grid().Options() + goTabs);
    Grid().SetGridCells(2, 3, "ok");
    int validations = 0;
    Grid().OnCellValidate = [&](QObject*, int, int, QString& value, bool& valid) {
        ++validations;
        valid = value != "bad";
        if (valid) value = value + "!"; // the handler's text is shown and kept
    };
    Open(2, 3);
    TGridEditBtn& edit = *Grid().EditBtn();
    w_.Type("bad");
    w_.Key(GetParam());
    EXPECT_EQ(validations, 1);
    ASSERT_TRUE(edit.isVisible());
    EXPECT_EQ(edit.Text(), "ok");
    EXPECT_EQ(edit.SelStart(), 2);
    w_.Type("x");
    w_.Key(Qt::Key_Escape);
    EXPECT_FALSE(edit.isVisible());
    EXPECT_EQ(Grid().GetGridCells(2, 3), "ok");
    w_.Key(Qt::Key_F2);
    w_.Type("good");
    w_.Key(GetParam());
    EXPECT_EQ(validations, 2);
    EXPECT_FALSE(edit.isVisible());
    EXPECT_EQ(Grid().GetGridCells(2, 3), "good!");
}

INSTANTIATE_TEST_SUITE_P(Keys, EditButtonLeaving,
                         testing::Values(Qt::Key_Return, Qt::Key_Tab, Qt::Key_Up, Qt::Key_Down));

TEST(EditButton, TextStopsBeforeTheButtonAndTheUnitSpace) {
    TControlWindow<TVzgUnitEditBtn> w;
    TVzgUnitEditBtn& edit = *w.control;
    edit.SetBorder(false);
    edit.resize(150, 24);
    EXPECT_EQ(edit.FormattingRect(), (TRect{1, 1, 150 - edit.ButtonWidth() - 3 - 20, 25}));
    EXPECT_EQ(edit.textMargins().right(), edit.ButtonWidth() + 3 + 20);
    edit.SetUnitSpace(0);
    EXPECT_EQ(edit.FormattingRect().Right, 150 - edit.ButtonWidth() - 3);
    edit.SetButtonWidth(30);
    EXPECT_EQ(edit.Button()->geometry(), QRect(120, 0, 30, 24));
}

// ---- Unit edit ---------------------------------------------------------------------------------------

TEST_F(EditorGrid, UnitEditChoosesFromItsUnitsAndKeepsNumberAndUnit) {
    UseEditor(TEditorType::edUnitEditBtn);
    QStringList shown;
    auto previous = TPopupMenuControl::SetRunner([&](QMenu& menu, QPoint) -> QAction* {
        shown.clear();
        for (QAction* action : menu.actions()) shown << action->text();
        return menu.actions().value(1);
    });
    Grid().SetGridCells(1, 2, "5mm");
    Open(1, 2);
    TGridUnitEditBtn& edit = *Grid().UnitEditBtn();
    EXPECT_EQ(edit.Text(), "5");
    EXPECT_EQ(edit.UnitID(), "mm");
    ClickWidget(edit.Button()->SpeedButton()); // no units: an empty menu, nothing chosen
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(edit.UnitID(), "mm");
    edit.Units = {"mm", "cm", "m"};
    w_.Key(Qt::Key_F4);
    EXPECT_EQ(shown, (QStringList{"mm", "cm", "m"}));
    EXPECT_EQ(edit.UnitID(), "cm");
    edit.SelectAll();
    w_.Type("12");
    w_.Key(Qt::Key_Return);
    EXPECT_EQ(Grid().GetGridCells(1, 2), "12cm");
    TPopupMenuControl::SetRunner(previous);
}

TEST_F(EditorGrid, UnitEditValidatesTheNumberWithItsUnit) {
    UseEditor(TEditorType::edUnitEditBtn);
    std::vector<QString> seen;
    Grid().OnCellValidate = [&](QObject*, int, int, QString& value, bool& valid) {
        seen.push_back(value);
        valid = value.endsWith("cm");
    };
    Grid().SetGridCells(1, 1, "3cm");
    Open(1, 1);
    Grid().UnitEditBtn()->SetUnitID("kg");
    w_.Key(Qt::Key_Return);
    EXPECT_EQ(seen, std::vector<QString>{"3kg"});
    EXPECT_TRUE(Grid().UnitEditBtn()->isVisible());
    EXPECT_EQ(Grid().UnitEditBtn()->Text(), "3");
    EXPECT_EQ(Grid().UnitEditBtn()->UnitID(), "cm"); // the cell's unit is back
}

TEST(UnitEdit, DrawsTheUnitInItsSpace) {
    TControlWindow<TVzgUnitEditBtn> w;
    TVzgUnitEditBtn& edit = *w.control;
    edit.SetBorder(false);
    edit.resize(150, 24);
    edit.SetUnitID("cm");
    TRecordingDevice device;
    TCanvas canvas(&device);
    edit.PaintUnit(canvas);
    const auto texts = device.TextsEqual("cm");
    ASSERT_EQ(texts.size(), 1u);
    const int right = 150 - edit.ButtonWidth() - 3;
    EXPECT_EQ(texts[0]->Rect, (TRect{right - 20, 2, right, 24}));
    EXPECT_TRUE(texts[0]->Flags & DT_EDITCONTROL);
}

// ---- Date picker --------------------------------------------------------------------------------------

TEST_F(EditorGrid, DatePickerEscapeRestoresTheDateOrTheTime) {
    TFormatSettingsScope scope(TFormatSettings::BrazilianPortuguese());
    TGridDatePicker& picker = *Grid().DatePicker();
    UseEditor(TEditorType::edDateEdit);
    Grid().SetGridCells(1, 1, "31/12/2003");
    Open(1, 1);
    picker.SetDate(QDate(2010, 5, 5));
    w_.Key(Qt::Key_Escape);
    EXPECT_EQ(picker.Date(), QDate(2003, 12, 31));
    EXPECT_EQ(Grid().GetGridCells(1, 1), "31/12/2003");
    UseEditor(TEditorType::edTimeEdit);
    Grid().SetGridCells(1, 2, "07:45:10");
    Open(1, 2);
    picker.SetTime(QTime(20, 0, 0));
    w_.Key(Qt::Key_Escape);
    EXPECT_EQ(picker.Time(), QTime(7, 45, 10));
    EXPECT_EQ(Grid().GetGridCells(1, 2), "07:45:10");
    EXPECT_TRUE(Grid().hasFocus());
}

TEST_F(EditorGrid, DatePickerWithItsBoxClearedWritesAnEmptyCell) {
    TFormatSettingsScope scope(TFormatSettings::BrazilianPortuguese());
    UseEditor(TEditorType::edDateEdit);
    TGridDatePicker& picker = *Grid().DatePicker();
    picker.SetShowCheckbox(true);
    Grid().SetGridCells(1, 1, "31/12/2003");
    Open(1, 1);
    picker.SetChecked(false);
    w_.Key(Qt::Key_Return);
    EXPECT_EQ(Grid().GetGridCells(1, 1), "");
    picker.SetShowCheckbox(false);
}

TEST_F(EditorGrid, DatePickerDropsItsCalendarWhenAskedAndHasAFrameInTheWindowColour) {
    UseEditor(TEditorType::edDateEdit);
    Grid().MouseActions.DirectDateDrop = true;
    Open(1, 1);
    TGridDatePicker& picker = *Grid().DatePicker();
    EXPECT_TRUE(picker.DroppedDown());
    EXPECT_FALSE(picker.hasFrame());
    TRecordingDevice device;
    TCanvas canvas(&device);
    picker.PaintFrame(canvas);
    const auto fills = device.OfKind(TCanvasOpKind::FillRect);
    ASSERT_EQ(fills.size(), 8u);
    const int w = picker.width(), h = picker.height();
    EXPECT_EQ(fills[0]->Rect, (TRect{0, 0, w, 1}));
    EXPECT_EQ(fills[3]->Rect, (TRect{w - 1, 0, w, h}));
    EXPECT_EQ(fills[4]->Rect, (TRect{1, 1, w - 1, 2}));
    for (const TCanvasOp* fill : fills) EXPECT_EQ(fill->Brush.Color(), clWindow);
}

// ---- Check box and button -------------------------------------------------------------------------------

TEST_F(EditorGrid, CheckBoxTogglesByClickAndSpaceAndEnterAdvances) {
    UseEditor(TEditorType::edCheckBox);
    Grid().Navigation.AdvanceOnEnter = true;
    Grid().SetGridCells(1, 1, "Ligado");
    Open(1, 1);
    TGridCheckBox& box = *Grid().CheckBoxEditor();
    ASSERT_TRUE(box.isVisible());
    EXPECT_EQ(box.Caption(), "Ligado");
    EXPECT_FALSE(box.Checked());
    ClickWidget(&box);
    EXPECT_TRUE(box.Checked());
    w_.Key(Qt::Key_Space);
    EXPECT_FALSE(box.Checked());
    int done = 0;
    Grid().OnEditingDone = [&](QObject*) { ++done; };
    w_.Key(Qt::Key_Return);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(Grid().Col(), 2);
    EXPECT_EQ(Grid().Row(), 1);
    EXPECT_TRUE(box.isVisible()); // editing goes on in the next cell
    EXPECT_EQ(Grid().GetGridCells(1, 1), "Ligado");
}

TEST_F(EditorGrid, CheckBoxUpAndDownMoveTheRow) {
    UseEditor(TEditorType::edCheckBox);
    Open(1, 3);
    w_.Key(Qt::Key_Down);
    EXPECT_EQ(Grid().Row(), 4);
    EXPECT_FALSE(Grid().CheckBoxEditor()->isVisible());
    EXPECT_TRUE(Grid().hasFocus());
    w_.Key(Qt::Key_F2);
    w_.Key(Qt::Key_Up);
    EXPECT_EQ(Grid().Row(), 3);
    w_.Key(Qt::Key_F2);
    w_.Key(Qt::Key_Left); // only ends the edit
    EXPECT_EQ(Grid().Col(), 1);
    EXPECT_FALSE(Grid().CheckBoxEditor()->isVisible());
}

TEST_F(EditorGrid, ButtonAsksForItsCaptionAndEscapePutsTheCellBack) {
    UseEditor(TEditorType::edButton);
    Grid().OnEllipsClick = [&](QObject*, int col, int row, QString& s) {
        Grid().SetGridCells(col, row, "changed");
        s = s + "+";
    };
    Grid().SetGridCells(1, 2, "Abrir");
    Open(1, 2);
    TGridButton& button = *Grid().ButtonEditor();
    ASSERT_TRUE(button.isVisible());
    const TRect cell = Grid().CellRect(1, 2);
    EXPECT_EQ(button.geometry(), QRect(cell.Left - 1, cell.Top - 1, cell.Width() + 1, cell.Height() + 1));
    ClickWidget(&button);
    EXPECT_EQ(button.Caption(), "Abrir+");
    w_.Key(Qt::Key_Space);
    EXPECT_EQ(button.Caption(), "Abrir++");
    EXPECT_TRUE(button.hasFocus());
    EXPECT_EQ(Grid().GetGridCells(1, 2), "changed");
    w_.Key(Qt::Key_Escape);
    EXPECT_FALSE(button.isVisible());
    EXPECT_FALSE(Grid().EditorActive());
    EXPECT_TRUE(Grid().hasFocus());
    EXPECT_EQ(Grid().GetGridCells(1, 2), "Abrir");
}

TEST_F(EditorGrid, ButtonHandsAnArrowToTheGrid) {
    UseEditor(TEditorType::edButton);
    Open(1, 2);
    w_.Key(Qt::Key_Down);
    EXPECT_EQ(Grid().Row(), 3);
    EXPECT_FALSE(Grid().ButtonEditor()->isVisible());
    EXPECT_TRUE(Grid().hasFocus());
}

TEST_F(EditorGrid, TransEditWritesItsCellWhenLeft) {
    TGridTransEdit& edit = *Grid().TransEdit();
    edit.Col = 2;
    edit.Row = 4;
    edit.setGeometry(ToQRect(Grid().CellRect(2, 4)));
    edit.show();
    edit.setFocus(Qt::OtherFocusReason);
    w_.Type("novo");
    w_.Key(Qt::Key_Return); // swallowed
    EXPECT_TRUE(edit.isVisible());
    w_.Other().setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(Grid().GetGridCells(2, 4), "novo");
    EXPECT_FALSE(edit.isVisible());
}

// ---- The application's edit link ------------------------------------------------------------------------

TEST_F(EditorGrid, EditLinkEditsInPlaceWithTheCellsTextAndLook) {
    UseEditor(TEditorType::edCustom);
    TLineLink link;
    Grid().EditLink = &link;
    std::vector<TEditLink*> props;
    Grid().OnGetEditorProp = [&](QObject*, int col, int row, TEditLink* l) {
        EXPECT_EQ(col, 1);
        EXPECT_EQ(row, 2);
        props.push_back(l);
    };
    Grid().SetGridCells(1, 2, "abc");
    Open(1, 2);
    ASSERT_TRUE(link.edit);
    EXPECT_TRUE(link.edit->isVisible());
    EXPECT_TRUE(link.edit->hasFocus());
    EXPECT_EQ(link.edit->text(), "abc");
    EXPECT_EQ(link.setUps, 1);
    EXPECT_EQ(props, std::vector<TEditLink*>{&link});
    EXPECT_EQ(link.edit->geometry(), ToQRect(Grid().CellRect(1, 2)).adjusted(0, 0, -1, -1));
    w_.Type("d");
    w_.Other().setFocus(Qt::OtherFocusReason); // leaving ends the edit
    EXPECT_EQ(Grid().GetGridCells(1, 2), "abcd");
    EXPECT_FALSE(link.edit->isVisible());
    EXPECT_FALSE(Grid().EditorActive());
}

TEST_F(EditorGrid, EditLinkPopupOpensAtTheCellAndEscapeKeepsTheCell) {
    UseEditor(TEditorType::edCustom);
    TLineLink link;
    link.EditStyle = TEditStyle::esPopup;
    link.AutoPopupWidth = true;
    link.PopupHeight = 80;
    Grid().EditLink = &link;
    Grid().SetGridCells(2, 3, "abc");
    Open(2, 3);
    ASSERT_TRUE(link.HasPopup());
    QWidget* popup = link.Popup();
    EXPECT_TRUE(popup->isVisible());
    const TRect cell = Grid().CellRect(2, 3);
    EXPECT_EQ(popup->geometry(),
              QRect(Grid().viewport()->mapToGlobal(QPoint(cell.Left, cell.Top)), QSize(cell.Width(), 80)));
    EXPECT_EQ(link.edit->parentWidget(), popup);
    EXPECT_EQ(link.edit->geometry(), QRect(0, 0, cell.Width(), 80));
    link.edit->setText("zzz");
    QTest::keyClick(link.edit, Qt::Key_Escape);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(Grid().GetGridCells(2, 3), "abc");
    EXPECT_FALSE(Grid().EditorActive());
}

TEST_F(EditorGrid, CustomCellWithoutALinkOpensNothing) {
    UseEditor(TEditorType::edCustom);
    Open(1, 1);
    EXPECT_EQ(Grid().ActiveEditorControl(), nullptr);
    EXPECT_FALSE(w_.EditorShown());
    EXPECT_EQ(Grid().GetGridCells(1, 1), "r1");
}

// ---- Cell checker ---------------------------------------------------------------------------------------

class TUpperChecker : public TVevIvizudEvarCheck {
public:
    QString CorrectCell(int, int, const QString& value) override { return value.toUpper(); }
    QString MarkCellErrors(int col, int row, const QString& value) override {
        marked.push_back(QString("%1,%2").arg(col).arg(row));
        return value;
    }
    std::vector<QString> marked;
};

TEST_F(EditorGrid, CellCheckerCorrectsAndMarksTheCommittedText) {
    TUpperChecker checker;
    Grid().CellChecker = &checker;
    Open(1, 2);
    w_.Key(Qt::Key_End);
    w_.Type("x");
    w_.Key(Qt::Key_Return);
    EXPECT_EQ(Grid().GetGridCells(1, 2), "r2x"); // neither flag: untouched
    checker.AutoCorrect = true;
    checker.AutoMarkError = true;
    w_.Key(Qt::Key_F2);
    w_.Key(Qt::Key_End);
    w_.Type("y");
    w_.Key(Qt::Key_Return);
    EXPECT_EQ(Grid().GetGridCells(1, 2), "R2XY");
    EXPECT_EQ(checker.marked, std::vector<QString>{"1,2"});
}

TEST(CellChecker, BaseLeavesTheValueAndLeavesTheGridWhenDeleted) {
    auto checker = std::make_unique<TVevIvizudEvarCheck>();
    EXPECT_EQ(checker->CorrectCell(1, 1, "abc"), "abc");
    EXPECT_EQ(checker->MarkCellErrors(1, 1, "abc"), "abc");
    TVevIvizudEvar grid;
    grid.CellChecker = checker.get();
    checker.reset();
    EXPECT_EQ(grid.CellChecker, nullptr);
}

} // namespace
