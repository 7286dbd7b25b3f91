// The editors of a cell's mini-HTML form controls, used as a person would: typing, Enter, and
// leaving the editor for another control.
#include "grid/HTMLControlEditors.h"
#include "GridTestSupport.h"

namespace {

class ControlEditors : public testing::Test {
protected:
    ControlEditors() : w_(3, 3) {
        Grid().SetOptions(Grid().Options() + goEditing);
        Grid().SetColWidths(1, 200);
        Grid().SetGridCells(1, 1, R"(Nome: <CONTROL TYPE="EDIT" ID="n1" VALUE="abc" WIDTH="60">)");
        Grid().SetGridCells(1, 2, R"(Modo: <CONTROL TYPE="COMBO" ID="m" VALUE="um" WIDTH="80">)");
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    TRect Over(int col, int row) {
        const TRect cell = Grid().CellRect(col, row);
        return {cell.Left + 40, cell.Top, cell.Left + 120, cell.Bottom};
    }
    TAdvancedGridWindow w_;
};

TEST_F(ControlEditors, EnterWritesTheTypedValueIntoTheControlAndThenReportsIt) {
    TControlEdit edit(Grid());
    QString seen;
    edit.OnEditDone = [&] { seen = Grid().GetGridCells(1, 1); };
    Grid().SetCol(1);
    Grid().SetRow(1);
    edit.StartEdit(Over(1, 1), "n1", "abc");
    ASSERT_TRUE(edit.isVisible());
    ASSERT_EQ(QApplication::focusWidget(), &edit);
    w_.Type("xyz"); // the value was selected: typing replaces it
    w_.Key(Qt::Key_Return);
    const QString cell = Grid().GetGridCells(1, 1);
    EXPECT_TRUE(cell.contains(R"(VALUE="xyz")")) << cell.toStdString();
    EXPECT_FALSE(cell.contains("abc"));
    EXPECT_TRUE(cell.startsWith("Nome: "));
    EXPECT_EQ(seen, cell); // reported after the cell took the value
    EXPECT_FALSE(edit.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), &Grid());
}

TEST_F(ControlEditors, LeavingTheEditorWritesTheValueToo) {
    TControlEdit edit(Grid());
    int done = 0;
    edit.OnEditDone = [&] { ++done; };
    Grid().SetCol(1);
    Grid().SetRow(1);
    edit.StartEdit(Over(1, 1), "n1", "abc");
    w_.Key(Qt::Key_End);
    w_.Type("de");
    w_.Other().setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_TRUE(Grid().GetGridCells(1, 1).contains(R"(VALUE="abcde")"));
    EXPECT_FALSE(edit.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), &w_.Other());
    EXPECT_EQ(done, 1);
}

TEST_F(ControlEditors, AValueWithMarkupIsKeptAsText) {
    TControlEdit edit(Grid());
    Grid().SetCol(1);
    Grid().SetRow(1);
    edit.StartEdit(Over(1, 1), "n1", "abc");
    edit.setText("<b>");
    w_.Key(Qt::Key_Return);
    EXPECT_TRUE(Grid().GetGridCells(1, 1).contains(R"(VALUE="&lt;b&gt;")"));
}

TEST_F(ControlEditors, TheComboWritesTheChosenItem) {
    TControlCombo combo(Grid());
    combo.SetStyle(TComboBoxStyle::csDropDownList);
    combo.SetItems({"um", "dois", "tres"});
    int done = 0;
    combo.OnEditDone = [&] { ++done; };
    Grid().SetCol(1);
    Grid().SetRow(2);
    combo.StartEdit(Over(1, 2), "m", "um");
    ASSERT_EQ(combo.Text(), "um");
    w_.Key(Qt::Key_Down);
    w_.Key(Qt::Key_Return);
    EXPECT_TRUE(Grid().GetGridCells(1, 2).contains(R"(VALUE="dois")"));
    EXPECT_FALSE(combo.isVisible());
    EXPECT_EQ(combo.Items().size(), 3);
    EXPECT_EQ(done, 1);
}

TEST_F(ControlEditors, AnEditableComboWritesWhatWasTyped) {
    TControlCombo combo(Grid());
    combo.SetStyle(TComboBoxStyle::csDropDown);
    combo.SetItems({"um", "dois"});
    Grid().SetCol(1);
    Grid().SetRow(2);
    combo.StartEdit(Over(1, 2), "m", "um");
    combo.lineEdit()->selectAll();
    w_.Type("cinco");
    w_.Key(Qt::Key_Return);
    EXPECT_TRUE(Grid().GetGridCells(1, 2).contains(R"(VALUE="cinco")"));
    EXPECT_EQ(combo.Items(), (QStringList{"um", "dois"})); // Enter adds no item
}

} // namespace
