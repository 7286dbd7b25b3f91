// The wide string list, its 8-bit view, and the wide edit and combo in cells.
#include "EditorTestSupport.h"

namespace {

TEST(WideStrings, IndexOfIgnoresCaseUnderTheLocale) {
    TVzgUniComboBox combo;
    TComboBoxStrings& items = combo.Items();
    items.SetLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
    items.AddStrings(QStringList{"Alpha", "ÉCOLE", "ação"});
    EXPECT_EQ(items.IndexOf("alpha"), 0);
    EXPECT_EQ(items.IndexOf("école"), 1);
    EXPECT_EQ(items.IndexOf("AÇÃO"), 2);
    EXPECT_EQ(items.IndexOf("acao"), -1); // accents still count
    EXPECT_EQ(items.IndexOf("beta"), -1);
}

TEST(WideStrings, TextOutsideTheCodePageRoundTripsWideButNotThroughTheAnsiView) {
    TVzgUniComboBox combo;
    TComboBoxStrings& items = combo.Items();
    items.Add("Ω = 5 €");
    EXPECT_EQ(items.Get(0), "Ω = 5 €");
    EXPECT_EQ(combo.itemText(0), "Ω = 5 €");
    EXPECT_EQ(items.AnsiStrings().Get(0), QByteArray("? = 5 \x80"));
    items.AnsiStrings().Add(QByteArray("caf\xe9"));
    EXPECT_EQ(items.Get(1), "café");
    EXPECT_EQ(items.Text(), "Ω = 5 €\r\ncafé\r\n");
    EXPECT_EQ(items.AnsiStrings().IndexOf(QByteArray("CAF\xc9")), 1);
}

TEST(WideStrings, ListOperationsKeepTextsAndObjectsTogether) {
    TVzgUniComboBox combo;
    TComboBoxStrings& items = combo.Items();
    QObject a, b;
    items.AddObject("a", &a);
    items.AddObject("b", &b);
    items.Exchange(0, 1);
    EXPECT_EQ(items.ToStringList(), (QStringList{"b", "a"}));
    EXPECT_EQ(items.GetObject(0), &b);
    items.SetText("x\r\ny\nz");
    EXPECT_EQ(items.ToStringList(), (QStringList{"x", "y", "z"}));
    EXPECT_EQ(items.GetObject(0), nullptr);
    TVzgUniComboBox other;
    other.Items().Assign(items);
    EXPECT_EQ(other.Items().ToStringList(), (QStringList{"x", "y", "z"}));
    items.BeginUpdate();
    items.BeginUpdate();
    EXPECT_FALSE(combo.updatesEnabled());
    items.EndUpdate();
    EXPECT_FALSE(combo.updatesEnabled());
    items.EndUpdate();
    EXPECT_TRUE(combo.updatesEnabled());
}

TEST(WideStrings, OutOfRangeIsAClearError) {
    TVzgUniComboBox combo;
    TComboBoxStrings& items = combo.Items();
    items.Add("a");
    try {
        items.Insert(5, "b");
        FAIL() << "no error";
    } catch (const EOutOfResources& e) {
        EXPECT_STREQ(e.what(), "Unable to insert a line");
    }
    EXPECT_THROW(items.Get(3), EStringListError);
    EXPECT_THROW(items.Delete(-1), EStringListError);
    EXPECT_EQ(items.Count(), 1);
}

TEST_F(EditorGrid, TabInAWideComboHandsTheKeyToTheGrid) {
    UseEditor(TEditorType::edUniComboEdit);
    Grid().SetOptions(Grid().Options() + goTabs);
    int validations = 0;
    Grid().OnCellValidate = [&](QObject*, int, int, QString&, bool&) { ++validations; };
    Open(1, 2);
    TGridUniCombo& combo = *Grid().UniCombo();
    ASSERT_TRUE(combo.hasFocus());
    combo.SetText("novo");
    w_.Key(Qt::Key_Tab);
    EXPECT_FALSE(combo.isVisible());
    EXPECT_EQ(Grid().Col(), 2);
    EXPECT_TRUE(Grid().hasFocus());
    EXPECT_EQ(Grid().GetGridCells(1, 2), "novo");
    EXPECT_EQ(validations, 0); // the wide combo hands the key back without validating
}

TEST_F(EditorGrid, WideComboCompletesFromItsOwnItemsOnly) {
    UseEditor(TEditorType::edUniComboEdit);
    Grid().Lookup = true;
    Grid().LookupItems = QStringList{"bravo"};
    Grid().UniCombo()->Items().AddStrings(QStringList{"Ωmega", "alpha"});
    Grid().SetGridCells(1, 1, "");
    Open(1, 1);
    w_.Type("a");
    EXPECT_EQ(Grid().UniCombo()->Text(), "alpha");
    w_.Key(Qt::Key_Backspace); // removes the completed part; no completion on that key
    w_.Key(Qt::Key_Backspace);
    w_.Type("b");
    EXPECT_EQ(Grid().UniCombo()->Text(), "b");
    Grid().UniCombo()->lineEdit()->setText("?");
    Grid().UniCombo()->AutoCompleteLookup();
    EXPECT_EQ(Grid().UniCombo()->Text(), "?"); // "Ω" is no "?"
}

TEST_F(EditorGrid, WideComboListSelectsTheCellsItemAndEscapeKeepsTheCell) {
    UseEditor(TEditorType::edUniComboList);
    Grid().UniCombo()->Items().AddStrings(QStringList{"Sim", "Não"});
    Grid().SetGridCells(1, 3, "não");
    Open(1, 3);
    TGridUniCombo& combo = *Grid().UniCombo();
    EXPECT_EQ(combo.ItemIndex(), 1);
    combo.SetItemIndex(0);
    w_.Key(Qt::Key_Escape);
    EXPECT_FALSE(combo.isVisible());
    EXPECT_EQ(Grid().GetGridCells(1, 3), "não");
}

TEST_F(EditorGrid, WideEditRefusedTextComesBackFromTheCell) {
    UseEditor(TEditorType::edUniEdit);
    Grid().OnCellValidateWide = [](QObject*, int, int, QString& value, bool& valid) {
        valid = !value.contains("Ω");
    };
    Grid().SetGridCells(1, 1, "abc");
    Open(1, 1);
    TGridUniEdit& edit = *Grid().UniEdit();
    edit.SetText("Ωx");
    w_.Key(Qt::Key_Return);
    EXPECT_TRUE(edit.isVisible());
    EXPECT_EQ(edit.Text(), "abc");
    EXPECT_EQ(edit.SelStart(), 3);
    EXPECT_EQ(Grid().GetGridCells(1, 1), "abc");
    edit.SetText("ωx"); // another character: accepted
    w_.Key(Qt::Key_Return);
    EXPECT_FALSE(edit.isVisible());
    EXPECT_EQ(Grid().GetWideCell(1, 1), "ωx");
}

} // namespace
