// The in-place editor of rich-text cells, used as a person would: opening it on a cell, typing,
// leaving it by Tab, by Escape, by the arrows and by moving to another control, and the row that
// grows with the text.
#include "grid/RichEditor.h"
#include "GridTestSupport.h"
#include "grid/RichText.h"

#include <QTextCursor>
#include <QTextDocument>
#include <cmath>

namespace {

class RichEditor : public testing::Test {
protected:
    RichEditor() : w_(4, 5) {
        Grid().SetOptions(Grid().Options() + goEditing);
        Grid().SetColWidths(1, 160);
        Grid().OnGetEditorType = [](QObject*, int col, int, TEditorType& editor) {
            if (col == 1) editor = TEditorType::edRichEdit;
        };
        Grid().SetGridCells(1, 2, R"({\rtf1\ansi {\b negrito} e texto})");
        Grid().SetCol(1);
        Grid().SetRow(2);
    }
    TVevIvizudEvar& Grid() { return w_.Grid(); }
    TDazOrarOvid& Editor() { return *Grid().RichEditor(); }
    void Open() {
        w_.Key(Qt::Key_F2);
        ASSERT_TRUE(Editor().isVisible());
    }
    TAdvancedGridWindow w_;
};

TEST_F(RichEditor, OpensOverTheCellWithItsRichTextSelected) {
    Open();
    EXPECT_EQ(QApplication::focusWidget(), &Editor());
    EXPECT_EQ(Grid().ActiveEditorControl(), &Editor());
    const TRect cell = Grid().CellRect(1, 2);
    EXPECT_EQ(FromQRect(Editor().geometry()),
              Bounds(cell.Left, cell.Top, cell.Width() - 1, cell.Height() - 1));
    EXPECT_EQ(Editor().toPlainText(), "negrito e texto");
    QTextCursor first(Editor().document());
    first.setPosition(1);
    EXPECT_GE(first.charFormat().fontWeight(), QFont::Bold); // "negrito" is bold
    first.setPosition(10);
    EXPECT_LT(first.charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(Editor().textCursor().selectedText(), "negrito e texto");
}

TEST_F(RichEditor, TypingReplacesTheTextAndTabWritesItAsRichText) {
    Open();
    w_.Type("novo");
    w_.Key(Qt::Key_Tab);
    EXPECT_FALSE(Editor().isVisible());
    EXPECT_FALSE(Grid().EditorActive());
    EXPECT_TRUE(Grid().hasFocus());
    const QString cell = Grid().GetGridCells(1, 2);
    EXPECT_TRUE(cell.startsWith("{\\rtf")) << cell.toStdString();
    EXPECT_EQ(RTFToPlainText(cell), "novo");
    EXPECT_EQ(Grid().Col(), 2);
}

TEST_F(RichEditor, ATypedKeyOpensTheEditorWithThatKey) {
    w_.Type("x");
    ASSERT_TRUE(Editor().isVisible());
    w_.Type("yz");
    w_.Key(Qt::Key_Tab);
    EXPECT_EQ(RTFToPlainText(Grid().GetGridCells(1, 2)), "xyz");
}

TEST_F(RichEditor, LeavingWithoutAChangeKeepsTheCellsTextAndEscapeDropsTheChange) {
    const QString before = Grid().GetGridCells(1, 2);
    Open();
    w_.Key(Qt::Key_Tab);
    EXPECT_EQ(Grid().GetGridCells(1, 2), before);
    Grid().SetCol(1);
    Open();
    w_.Type("perdido");
    w_.Key(Qt::Key_Escape);
    EXPECT_FALSE(Editor().isVisible());
    EXPECT_TRUE(Grid().hasFocus());
    EXPECT_EQ(Grid().GetGridCells(1, 2), before);
}

// The editing ends wherever the focus goes: a form's button reads the cell with the new text.
TEST_F(RichEditor, MovingToAnotherControlWritesTheCell) {
    Open();
    w_.Type("fora");
    w_.Other().setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(Editor().isVisible());
    EXPECT_FALSE(Grid().EditorActive());
    EXPECT_EQ(RTFToPlainText(Grid().GetGridCells(1, 2)), "fora");
}

TEST_F(RichEditor, APlainCellOpensAsPlainText) {
    Grid().SetGridCells(1, 3, "simples");
    Grid().SetRow(3);
    Open();
    EXPECT_EQ(Editor().toPlainText(), "simples");
}

TEST_F(RichEditor, UpAndDownMoveToTheNextRowInAGridOfOneLineCells) {
    Grid().SetWordWrap(false);
    Open();
    w_.Type("cima");
    w_.Key(Qt::Key_Up);
    EXPECT_FALSE(Editor().isVisible());
    EXPECT_EQ(Grid().Row(), 1);
    EXPECT_EQ(RTFToPlainText(Grid().GetGridCells(1, 2)), "cima");
    EXPECT_TRUE(Grid().hasFocus());
}

TEST_F(RichEditor, UpAndDownStayInTheEditorWhileTheGridWrapsWords) {
    Open();
    w_.Type("a");
    w_.Key(Qt::Key_Return);
    w_.Type("b");
    w_.Key(Qt::Key_Up);
    EXPECT_TRUE(Editor().isVisible());
    EXPECT_EQ(Grid().Row(), 2);
    EXPECT_EQ(Editor().textCursor().blockNumber(), 0);
}

TEST_F(RichEditor, TheRowGrowsWithTheTextWhileSizingWhileTyping) {
    Grid().SizeWhileTyping.Height = true;
    std::vector<int> sized;
    Grid().OnEndRowSize = [&](QObject*, int row) { sized.push_back(row); };
    Open();
    const int rowHeight = Grid().RowHeights(2);
    w_.Type("um");
    EXPECT_EQ(Grid().RowHeights(2), rowHeight);
    for (const char* line : {"dois", "tres", "quatro"}) {
        w_.Key(Qt::Key_Return);
        w_.Type(line);
    }
    const int h = int(std::ceil(Editor().document()->size().height()));
    ASSERT_GT(h, rowHeight);
    EXPECT_EQ(Grid().RowHeights(2), h + 5);
    EXPECT_EQ(Editor().height(), h + 4);
    ASSERT_FALSE(sized.empty());
    EXPECT_EQ(sized.back(), 2);
}

} // namespace
