// The prefix screen: typing a prefix splits the row covering it or merges the rows under it, the
// list follows the rows, "&Todos" gives every row one code, and OK stores the trie from the rows.

#include "ScreenFixture.h"
#include "core/ImageLayout.h"
#include "core/Sections.h"
#include "core/ValueConversions.h"
#include "db/components/VORSAMTable.h"
#include "platform/ui/DataChoiceControls.h"
#include "screens/PrefixWalk.h"
#include "screens/Prefixos.h"
#include "screens/ScratchTables.h"
#include "screens/Todpref.h"
#include "support/UserInput.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <gmock/gmock.h>

#include <algorithm>
#include <map>

namespace {

using TRowMap = std::map<std::string, char>; // prefix -> access code

constexpr std::size_t TrieBegin = 300, TrieEnd = 652;

std::vector<std::uint8_t> StoredTrie() {
    return {ProgrammingBytes.begin() + TrieBegin, ProgrammingBytes.begin() + TrieEnd};
}

TRowMap OneDigitRows(char code = '1') {
    TRowMap rows;
    for (char digit = '0'; digit <= '9'; ++digit) rows[std::string(1, digit)] = code;
    return rows;
}

// Every number (of up to 7 digits) under stem begins with exactly one of the rows.
bool DividesNumbersUnder(const TRowMap& rows, const std::string& stem = "") {
    const auto first = rows.lower_bound(stem);
    if (first != rows.end() && first->first == stem)
        return std::next(first) == rows.end() || !std::next(first)->first.starts_with(stem);
    if (stem.size() == 7) return false;
    for (char digit = '0'; digit <= '9'; ++digit)
        if (!DividesNumbersUnder(rows, stem + digit)) return false;
    return true;
}

class PrefixScreen : public ScreenFixture {
protected:
    void TearDown() override {
        TabTemp().Close(); // a test that left its screen open
        ScreenFixture::TearDown();
    }
    // The scratch table as the main window builds it from the stored trie.
    static void BuildTable() { BuildTempTable(7, 255); }
    // Stores rows as the trie of the programming and builds the table from it.
    void UseRows(const TRowMap& rows) {
        std::vector<TPrefixRow> list;
        for (const auto& [prefix, code] : rows) list.push_back({prefix, code});
        StorePrefixTrie(list, "0", ModelCode, ProgrammingHeader);
        BuildTable();
    }
    TRowMap Rows() {
        TRowMap rows;
        const std::string current = Current();
        for (table.First(); !table.Eof(); table.Next())
            rows[Current()] = table.FieldByName("TLIBERA").AsString().at(0);
        GoTo(current);
        return rows;
    }
    std::string Current() {
        return table.IsEmpty() ? "" : RemoveSpaces(table.FieldByName("PREFIXOS").AsString());
    }
    void GoTo(const std::string& prefix) {
        for (table.First(); !table.Eof() && Current() != prefix; table.Next()) {
        }
    }
    std::vector<std::string> ListItems() const {
        std::vector<std::string> items;
        for (int i = 0; i < screen.ListBox1->count(); ++i)
            items.push_back(screen.ListBox1->item(i)->text().toStdString());
        return items;
    }
    std::string Selected() const {
        const auto* item = screen.ListBox1->currentItem();
        return item && item->isSelected() ? item->text().toStdString() : "";
    }
    // The list holds every row, sorted.
    void ExpectListFollowsRows() {
        std::vector<std::string> prefixes;
        for (const auto& [prefix, code] : Rows()) prefixes.push_back(prefix);
        EXPECT_EQ(ListItems(), prefixes);
    }
    void Type(const std::string& prefix) {
        screen.Edit1->setText(QString::fromStdString(prefix));
        screen.Edit1KeyPress(Qt::Key_Return);
    }

    platform::data::TDataSet& table = TabTemp();
    TFormPref screen;
};

TEST_F(PrefixScreen, ShowsEveryRowTheAreaCodeAndTheModelsAccessItems) {
    LoadModel(12);
    UseRows(OneDigitRows());
    ProgrammingHeader.SetU16(Offset::AreaCode, 0x483F);
    ShowActive(screen);
    EXPECT_EQ(ListItems(), (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(screen.Edit1->text(), "0");
    EXPECT_EQ(screen.MaskEdit1->text().remove(' '), "0483");
    EXPECT_EQ(screen.DBRadioGroup1->Items().size(), 5);
    screen.reject();

    LoadModel(4); // no regional category
    UseRows(OneDigitRows());
    ShowActive(screen);
    EXPECT_EQ(screen.DBRadioGroup1->Values(), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(screen.MaskEdit1->text().remove(' '), "0");
}

TEST_F(PrefixScreen, APrefixUnderARowSplitsItDigitByDigit) {
    LoadModel(12);
    TRowMap rows = OneDigitRows();
    rows["4"] = '3'; // DDD
    UseRows(rows);
    ShowActive(screen);
    Type("4812");

    TRowMap expected = OneDigitRows();
    expected.erase("4");
    for (const char* prefix : {"40",   "41",   "42",   "43",   "44",   "45",   "46",   "47",  "49",   "480",
                               "482",  "483",  "484",  "485",  "486",  "487",  "488",  "489", "4810", "4811",
                               "4812", "4813", "4814", "4815", "4816", "4817", "4818", "4819"})
        expected[prefix] = '3';
    EXPECT_EQ(Rows(), expected);
    EXPECT_EQ(Current(), "4812");
    EXPECT_EQ(Selected(), "4812");
    ExpectListFollowsRows();
    EXPECT_TRUE(Messages().empty());

    Type("0"); // a row: only selected
    EXPECT_EQ(Rows(), expected);
    EXPECT_EQ(Current(), "0");
    EXPECT_EQ(Selected(), "0");
}

// A prefix typed without Enter is taken when the user moves on to another control, or at OK.
TEST_F(PrefixScreen, APrefixTypedIsTakenOnLeavingTheFieldAndAtOk) {
    LoadModel(12);
    UseRows(OneDigitRows());
    ShowActive(screen);
    screen.Edit1->setFocus();
    screen.Edit1->setText("23");
    screen.DBRadioGroup1->Button(0)->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(Current(), "23");
    EXPECT_EQ(Rows().size(), 19u);

    screen.Edit1->setText("777");
    screen.OkButtonClick();
    EXPECT_EQ(screen.result(), QDialog::Accepted);
    EXPECT_EQ(screen.ListBox1->findItems("777", Qt::MatchExactly).size(), 1);
}

TEST_F(PrefixScreen, APrefixOverRowsMergesThemWhenTheUserAgrees) {
    LoadModel(12);
    TRowMap rows = OneDigitRows();
    rows.erase("4");
    for (char digit = '0'; digit <= '9'; ++digit) rows[std::string("4") + digit] = '1';
    rows.erase("48");
    for (char digit = '0'; digit <= '9'; ++digit) rows[std::string("48") + digit] = digit == '0' ? '4' : '2';
    UseRows(rows);
    ShowActive(screen);
    Type("45");
    ASSERT_EQ(Current(), "45");

    services.messages.answers = {TMsgResult::No};
    Type("48");
    ExpectOneBox("Reduzir o número de cifras ?", TMsgKind::Confirmation);
    EXPECT_EQ(Rows(), rows);
    EXPECT_EQ(Current(), "45");
    EXPECT_EQ(Selected(), "45");

    services.messages.answers = {TMsgResult::Yes};
    Type("48");
    TRowMap merged = rows;
    std::erase_if(merged, [](const auto& row) { return row.first.starts_with("48"); });
    merged["48"] = '4'; // the code of "480"
    EXPECT_EQ(Rows(), merged);
    EXPECT_EQ(Current(), "48");
    EXPECT_EQ(Selected(), "48");
    ExpectListFollowsRows();
}

TEST_F(PrefixScreen, TheListChoosesTheRowAndTheRadioGroupItsCode) {
    LoadModel(12);
    UseRows(OneDigitRows());
    ShowActive(screen);
    screen.ListBox1->setCurrentRow(7);
    EXPECT_EQ(screen.Edit1->text(), "7");
    EXPECT_EQ(Current(), "7");
    screen.DBRadioGroup1->Button(4)->click(); // blocked
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingHeader[Offset::PrefixFirstLevel + 75], 64);
    EXPECT_EQ(ProgrammingHeader[Offset::PrefixFirstLevel + 65], 0);
    EXPECT_EQ(EditedSections[Section::Prefixes], 1);
    EXPECT_EQ(ModifiedSections[Section::Prefixes], 1);
    EXPECT_EQ(ProgrammingModified, 1);
    EXPECT_FALSE(table.Active());
}

// Whatever is typed and answered, the rows keep dividing the number space, the list keeps
// showing them, and the prefix typed ends as the current row unless the user refused a merge.
TEST_F(PrefixScreen, TypedPrefixesKeepTheRowsDividingTheNumberSpace) {
    LoadModel(12);
    UseRows(OneDigitRows());
    ShowActive(screen);
    std::uint32_t seed = 12345;
    const auto next = [&](std::uint32_t bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % bound;
    };
    int merges = 0, refusals = 0;
    for (int step = 0; step < 60; ++step) {
        std::string prefix;
        for (std::uint32_t digits = 1 + next(5); prefix.size() < digits;)
            prefix += static_cast<char>('0' + next(10));
        const bool agree = next(2) == 0;
        services.messages.answers = {agree ? TMsgResult::Yes : TMsgResult::No};
        services.messages.shown.clear();
        const TRowMap before = Rows();
        const std::string current = Current();
        Type(prefix);
        SCOPED_TRACE(testing::Message() << "step " << step << " typed " << prefix);
        const TRowMap after = Rows();
        ASSERT_TRUE(DividesNumbersUnder(after));
        ExpectListFollowsRows();
        const bool refused = !services.messages.shown.empty() && !agree;
        EXPECT_EQ(Current(), refused ? current : prefix);
        EXPECT_EQ(Selected(), Current());
        if (refused) {
            EXPECT_EQ(after, before);
            ++refusals;
        } else if (!services.messages.shown.empty()) {
            ++merges;
        }
    }
    EXPECT_GT(merges, 0);
    EXPECT_GT(refusals, 0);
}

// The untouched table of a model up to 8 is stored as it was read: DDD stays DDD, DDI stays DDI.
TEST_F(PrefixScreen, AnUntouchedTableStoresTheSameBytes) {
    TRowMap rows = OneDigitRows('2');
    rows.erase("0");
    for (char digit = '0'; digit <= '9'; ++digit) rows[std::string("0") + digit] = digit < '5' ? '3' : '4';
    rows.erase("01");
    rows["010"] = '1';
    for (char digit = '1'; digit <= '9'; ++digit) rows[std::string("01") + digit] = '3';
    for (const int model : {4, 12})
        for (const bool fixtureAsItIs : {true, false}) {
            SCOPED_TRACE(testing::Message() << model << (fixtureAsItIs ? " fixture" : " rows"));
            LoadModel(model);
            if (fixtureAsItIs)
                BuildTable();
            else
                UseRows(rows);
            ProgrammingHeader.SetU16(Offset::AreaCode, 0x11FF);
            const std::vector<std::uint8_t> before = StoredTrie();
            ShowActive(screen);
            screen.OkButtonClick();
            EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
            EXPECT_EQ(screen.result(), QDialog::Accepted);
            EXPECT_EQ(StoredTrie(), before);
        }
}

TEST_F(PrefixScreen, ARefusedStoreLeavesTheProgrammingAndTheRowsForCorrection) {
    LoadModel(12);
    // 23 two-digit starts whose third digit decides: one node each, one more than there are.
    TRowMap rows;
    for (int start = 0; start < 100; ++start) {
        const std::string two = std::string(start < 10 ? "0" : "") + std::to_string(start);
        if (start < 10 || start > 32) {
            rows[two] = '1';
            continue;
        }
        for (char digit = '0'; digit <= '9'; ++digit) rows[two + digit] = digit == '0' ? '3' : '1';
    }
    BuildTable();
    table.Open();
    while (!table.IsEmpty()) table.Delete();
    for (const auto& [prefix, code] : rows) table.AppendRecord({prefix, std::string(1, code)});
    table.Close();
    const TProgrammingState before = TProgrammingState::Now();
    ShowActive(screen);
    screen.OkButtonClick();
    ExpectOkRefused(screen, before,
                    "Excesso de prefixos expandidos, será necessário reduzir alguns prefixos.");
    EXPECT_EQ(Rows(), rows);

    services.messages.shown.clear();
    UseRows(OneDigitRows());
    ShowAgain(screen);
    screen.MaskEdit1->setText(" 04");
    screen.OkButtonClick();
    ExpectOneBox("Código DDD está incorreto.");
    EXPECT_TRUE(screen.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), screen.MaskEdit1);

    screen.MaskEdit1->setText(" 011");
    screen.OkButtonClick();
    EXPECT_EQ(ProgrammingHeader[300], 0xFF);
    EXPECT_EQ(ProgrammingHeader[301], 0x11);
}

TEST_F(PrefixScreen, CancelStoresNothingAndClosesTheTable) {
    LoadModel(12);
    UseRows(OneDigitRows());
    const TProgrammingState before = TProgrammingState::Now();
    ShowActive(screen);
    Type("123");
    screen.CancButtonClick();
    EXPECT_EQ(TProgrammingState::Now(), before);
    EXPECT_FALSE(table.Active());
}

// "&Todos": the code of the button chosen in the model's list, on every row.
TEST_F(PrefixScreen, AllRowsTakeTheCodeChosenForAll) {
    struct TCase {
        int model;
        const char* button;
        bool answer;
        char code;
    };
    for (const TCase& c : {TCase{12, "RadioButton5", true, '5'}, TCase{4, "RadioButton5", true, '4'},
                           TCase{4, "RadioButton3", true, '2'}, TCase{12, "RadioButton5", false, '1'}}) {
        SCOPED_TRACE(testing::Message() << c.model << c.button << c.answer);
        LoadModel(c.model);
        UseRows(OneDigitRows());
        ShowActive(screen);
        Type("56");
        bool regionalEnabled = false;
        const auto choose = [&](TFormTodPref& dialog) {
            regionalEnabled = dialog.RadioButtons[1]->isEnabled();
            dialog.findChild<QRadioButton*>(c.button)->setChecked(true);
            c.answer ? dialog.Button1Click() : dialog.Button2Click();
        };
        EXPECT_EQ(Answering<TFormTodPref>(choose, [&] { screen.Button1Click(); }), "TFormTodPref");
        EXPECT_EQ(regionalEnabled, c.model > 8);
        TRowMap rows = Rows();
        EXPECT_EQ(rows.size(), 19u);
        for (const auto& [prefix, code] : rows) EXPECT_EQ(code, c.code) << prefix;
        EXPECT_EQ(Current(), "56");
        screen.reject();
    }
}

} // namespace

namespace {

// A click anywhere in the area code after its digits puts the caret on the first free digit, so
// that what is typed next is taken; a click on a typed digit puts it there, to type over it.
TEST_F(PrefixScreen, AClickInTheAreaCodePutsTheCaretWhereTypingIsTaken) {
    LoadModel(12);
    UseRows(OneDigitRows());
    ProgrammingHeader.SetU16(Offset::AreaCode, 0xFFFF); // no area code
    ShowActive(screen);
    QLineEdit* areaCode = screen.MaskEdit1;
    PressAndRelease(areaCode, {areaCode->width() - 4, areaCode->height() / 2});
    EXPECT_EQ(QApplication::focusWidget(), areaCode);
    TypeText(&screen, "483");
    EXPECT_EQ(areaCode->text().remove(' '), "0483");

    PressAndRelease(areaCode, {areaCode->width() - 4, areaCode->height() / 2});
    TypeKey(&screen, Qt::Key_Backspace);
    TypeKey(&screen, Qt::Key_Backspace);
    PressAndRelease(areaCode, {areaCode->width() - 4, areaCode->height() / 2});
    TypeText(&screen, "1");
    EXPECT_EQ(areaCode->text().remove(' '), "041");
}

} // namespace
