#include "GridFixture.h"

namespace {

class GridEditor : public testing::Test {
protected:
    GridEditor() : w_(4, 30) {
        Grid().SetOptions(Grid().Options() + goEditing);
        for (int r = 1; r < 30; ++r)
            for (int c = 1; c < 4; ++c) Grid().SetCells(c, r, QString("r%1c%2").arg(r).arg(c));
    }
    TStringGrid& Grid() { return w_.Grid(); }
    TGridWindow<> w_;
};

TEST_F(GridEditor, F2OpensTheEditorOnTheCellText) {
    w_.Key(Qt::Key_F2);
    ASSERT_TRUE(w_.EditorShown());
    EXPECT_TRUE(Grid().EditorMode());
    EXPECT_EQ(w_.Editor()->Text(), "r1c1");
    EXPECT_TRUE(w_.Editor()->HasFocus());
    EXPECT_EQ(w_.Editor()->geometry(), ToQRect(Grid().CellRect(1, 1)));
}

TEST_F(GridEditor, TypingOpensTheEditorWithTheTypedCharacter) {
    std::vector<QString> written;
    Grid().OnSetEditText = [&](QObject*, int, int, const QString& v) { written.push_back(v); };
    w_.Type("x");
    ASSERT_TRUE(w_.EditorShown());
    EXPECT_EQ(w_.Editor()->Text(), "x");
    w_.Type("y");
    EXPECT_EQ(Grid().Cells(1, 1), "xy"); // written through as it is typed
    EXPECT_EQ(written, (std::vector<QString>{"x", "xy"}));
}

TEST_F(GridEditor, EscapePutsTheStartTextBackAndCloses) {
    w_.Key(Qt::Key_F2);
    w_.Type("zz");
    EXPECT_EQ(Grid().Cells(1, 1), "zz");
    w_.Key(Qt::Key_Escape);
    EXPECT_EQ(Grid().Cells(1, 1), "r1c1");
    EXPECT_FALSE(w_.EditorShown());
    EXPECT_TRUE(Grid().hasFocus());
}

TEST_F(GridEditor, LeavingTheCellWritesTheTextBack) {
    w_.Type("new");
    w_.Key(Qt::Key_Down); // Up and Down go from a single-line editor to the grid
    EXPECT_EQ(Grid().Row(), 2);
    EXPECT_FALSE(w_.EditorShown());
    EXPECT_EQ(Grid().Cells(1, 1), "new");
    w_.Type("up");
    w_.Key(Qt::Key_Up);
    EXPECT_EQ(Grid().Row(), 1);
    EXPECT_EQ(Grid().Cells(1, 2), "up");
}

TEST_F(GridEditor, FocusLeavingTheGridClosesTheEditorAndKeepsTheText) {
    int exits = 0;
    Grid().OnExit = [&](QObject*) { ++exits; };
    w_.Type("kept");
    w_.Other().setFocus(Qt::OtherFocusReason);
    EXPECT_FALSE(w_.EditorShown());
    EXPECT_FALSE(Grid().EditorMode());
    EXPECT_EQ(Grid().Cells(1, 1), "kept");
    EXPECT_EQ(exits, 1);
}

TEST_F(GridEditor, ClickingAnotherCellClosesTheEditorAndClickingTheCurrentOneOpensIt) {
    w_.Type("a");
    w_.Click(w_.CellCentre(2, 3));
    EXPECT_EQ(Grid().Cells(1, 1), "a");
    EXPECT_EQ(Grid().Col(), 2);
    EXPECT_EQ(Grid().Row(), 3);
    EXPECT_FALSE(w_.EditorShown());
    w_.Click(w_.CellCentre(2, 3));
    EXPECT_TRUE(w_.EditorShown());
    EXPECT_EQ(w_.Editor()->Text(), "r3c2");
}

TEST_F(GridEditor, ScrollingTheCellOutHidesTheEditorAndScrollingBackShowsIt) {
    w_.Key(Qt::Key_F2);
    Grid().SetTopRow(10);
    EXPECT_FALSE(w_.EditorShown());
    EXPECT_TRUE(Grid().EditorMode());
    EXPECT_TRUE(Grid().hasFocus());
    Grid().SetTopRow(1);
    EXPECT_TRUE(w_.EditorShown());
}

TEST_F(GridEditor, EnterClosesAnOpenEditorAndOpensAClosedOne) {
    w_.Key(Qt::Key_Return);
    EXPECT_TRUE(w_.EditorShown());
    w_.Type("q");
    w_.Key(Qt::Key_Return);
    EXPECT_FALSE(w_.EditorShown());
    EXPECT_EQ(Grid().Cells(1, 1), "q");
}

TEST_F(GridEditor, AMaskRefusesLettersAndTheCellGetsTheMaskedText) {
    Grid().OnGetEditMask = [](QObject*, int, int, QString& mask) { mask = "9999"; };
    Grid().SetCells(1, 1, "");
    const int beeps = MessageBeepCount();
    w_.Type("1a2");
    EXPECT_EQ(w_.Editor()->EditText(), "12__");
    EXPECT_EQ(Grid().Cells(1, 1), "12  ");
    EXPECT_EQ(MessageBeepCount(), beeps + 1);
    w_.Key(Qt::Key_Down);
    EXPECT_EQ(Grid().Cells(1, 1), "12  ");
}

TEST_F(GridEditor, TimeMaskKeepsTheBlankWhereItWasTyped) {
    Grid().OnGetEditMask = [](QObject*, int, int, QString& mask) { mask = "99:99"; };
    Grid().SetCells(1, 1, "");
    w_.Type("07 3");
    w_.Key(Qt::Key_Down);
    EXPECT_EQ(Grid().Cells(1, 1), "07: 3");
}

TEST_F(GridEditor, MultiLineBodyKeepsUpAndDownInsideTheText) {
    Grid().SetRow(3);
    w_.Key(Qt::Key_F2);
    w_.Editor()->SetMultiLine(true);
    w_.Editor()->SetText("one\ntwo");
    w_.Editor()->SetSel(5, 0); // on the second line
    w_.Key(Qt::Key_Up);
    EXPECT_EQ(Grid().Row(), 3);
    EXPECT_TRUE(w_.EditorShown());
    w_.Key(Qt::Key_Up); // now on the first line: the grid takes the key
    EXPECT_EQ(Grid().Row(), 2);
    EXPECT_FALSE(w_.EditorShown());
    EXPECT_EQ(Grid().Cells(1, 3), "one\ntwo");
}

TEST_F(GridEditor, TabFromTheEditorWritesBackAndMovesOnWithGoTabs) {
    Grid().SetOptions(Grid().Options() + goTabs);
    w_.Type("t");
    w_.Key(Qt::Key_Tab);
    EXPECT_EQ(Grid().Cells(1, 1), "t");
    EXPECT_EQ(Grid().Col(), 2);
    EXPECT_FALSE(w_.EditorShown());
    EXPECT_TRUE(Grid().hasFocus());
}

TEST_F(GridEditor, TabFromTheEditorWithoutGoTabsLeavesTheGridWithTheTextWritten) {
    w_.Type("out");
    w_.Key(Qt::Key_Tab);
    EXPECT_TRUE(w_.Other().hasFocus());
    EXPECT_FALSE(w_.EditorShown());
    EXPECT_EQ(Grid().Cells(1, 1), "out");
    EXPECT_EQ(Grid().Col(), 1);
}

TEST_F(GridEditor, DestroyingTheGridWhileEditingIsSafe) {
    auto window = std::make_unique<TGridWindow<>>(3, 3);
    window->Grid().SetOptions(window->Grid().Options() + goEditing);
    window->Key(Qt::Key_F2);
    ASSERT_TRUE(window->EditorShown());
    window.reset();
    SUCCEED();
}

TEST_F(GridEditor, WithoutGoEditingTypingDoesNotEditAndFiresKeyPress) {
    Grid().SetOptions(Grid().Options() - goEditing);
    QString pressed;
    Grid().OnKeyPress = [&](QObject*, QChar& k) { pressed += k; };
    w_.Type("ab");
    EXPECT_FALSE(w_.EditorShown());
    EXPECT_EQ(pressed, "ab");
    EXPECT_EQ(Grid().Cells(1, 1), "r1c1");
}

} // namespace

namespace {

TEST(GridEditorAlways, TheEditorFollowsTheCurrentCellWithGoAlwaysShowEditor) {
    TGridWindow<> w(4, 6);
    TStringGrid& g = w.Grid();
    g.SetCells(2, 2, "b");
    g.SetOptions(g.Options() + goEditing + goAlwaysShowEditor);
    ASSERT_TRUE(w.EditorShown());
    w.Key(Qt::Key_Down);
    w.Key(Qt::Key_Right); // at the text's right end the key reaches the grid
    EXPECT_EQ(g.Col(), 2);
    EXPECT_EQ(g.Row(), 2);
    ASSERT_TRUE(w.EditorShown());
    EXPECT_EQ(w.Editor()->Text(), "b");
    w.Key(Qt::Key_Return); // Enter does not close an editor that always shows
    EXPECT_TRUE(w.EditorShown());
}

} // namespace
