// Delimited text files read into the advanced grid: the delimiter found from the first lines,
// quoted fields, line ends and text encodings, appending above a footer row, progress and growth;
// files beyond the limits and failures on the way leave the grid as it was.
#include "GridTestSupport.h"
#include "grid/DelimitedImport.h"
#include "grid/GridError.h"
#include "grid/InputLimits.h"
#include "grid/TextUtils.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <random>

namespace {

using Rows = std::vector<QStringList>;

QString WriteFile(const QTemporaryDir& dir, const QByteArray& bytes, const QString& name = "data.csv") {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

// A grid of one empty cell, so that what is loaded gives its shape.
class DelimitedLoad : public testing::Test {
protected:
    DelimitedLoad() {
        grid_.SetColCount(1);
        grid_.SetRowCount(1);
    }
    // Rows of a grid whose first rows hold the texts given, one column per text.
    void Fill(const Rows& rows) {
        grid_.SetRowCount(int(rows.size()));
        grid_.SetColCount(int(rows[0].size()));
        for (int r = 0; r < int(rows.size()); ++r)
            for (int c = 0; c < rows[r].size(); ++c) grid_.SetGridCells(c, r, rows[r][c]);
    }
    QString File(const QByteArray& bytes) { return WriteFile(dir_, bytes); }

    QTemporaryDir dir_;
    TVevIvizudEvar grid_;
};

struct TFileCase {
    const char* Name;
    QByteArray Bytes;
    Rows Expected;
};

TEST_F(DelimitedLoad, TheFileGivesTheDelimiterItsLineEndsAndItsCells) {
    const std::vector<TFileCase> cases = {
        {"both lines agree on ';'", "a;b;c\r\n1;2;3\r\n", {{"a", "b", "c"}, {"1", "2", "3"}}},
        {"',' from the largest count in either line", "a,b\r\n1,2,3\r\n", {{"a", "b", ""}, {"1", "2", "3"}}},
        {"a single line takes its delimiter all the same", "x|y|z", {{"x", "y", "z"}}},
        {"no candidate: one cell per line", "alpha\r\nbeta\r\n", {{"alpha"}, {"beta"}}},
        {"doubled delimiters agree only as plain counts",
         "a,,b\r\nc,,d\r\n",
         {{"a", "", "b"}, {"c", "", "d"}}},
        {"the larger agreeing count wins", "a;b,c;d\r\n1;2,3;4\r\n", {{"a", "b,c", "d"}, {"1", "2,3", "4"}}},
        {"lines ended by LF alone", "a,b\n1,2\n", {{"a", "b"}, {"1", "2"}}},
        {"an LF alone ends a line in a CR LF file too",
         "a,x\ny\r\n1,2\r\n",
         {{"a", "x"}, {"y", ""}, {"1", "2"}}},
        {"lines ended by CR alone", "a;b\r1;2", {{"a", "b"}, {"1", "2"}}},
        {"each kind of line end in one file",
         "a,b\r\n1,2\n3,4\r5,6",
         {{"a", "b"}, {"1", "2"}, {"3", "4"}, {"5", "6"}}},
        {"a CR LF inside quotes in a file of LF ends",
         "id,nota\n1,\"linha um\r\nlinha dois\"\n2,fim\n3,outro\n",
         {{"id", "nota"}, {"1", "linha um\r\nlinha dois"}, {"2", "fim"}, {"3", "outro"}}},
        {"every kind of line break inside quotes belongs to its cell",
         "a;\"x\ry\";\"p\nq\"\r1;\"2\r\n\"\"3\";4\r",
         {{"a", "x\r\ny", "p\r\nq"}, {"1", "2\r\n\"3", "4"}}},
        {"a quote never closed ends at its line's end",
         "a,\"b\nc,d\n\"\"e,f\n",
         {{"a", "b"}, {"c", "d"}, {"", "f"}}},
        {"an empty line is an empty row", "a;b\r\n\r\n1;2\r\n", {{"a", "b"}, {"", ""}, {"1", "2"}}},
    };
    for (const TFileCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TVevIvizudEvar grid;
        grid.SetColCount(1);
        grid.SetRowCount(1);
        grid.LoadFromCSV(File(c.Bytes));
        EXPECT_EQ(GridRows(grid), c.Expected);
    }
}

struct TLineCase {
    const char* Line;
    QStringList Cells;
};

TEST(DelimitedLine, QuotedAndUnquotedFields) {
    const std::vector<TLineCase> cases = {
        {R"(a,"b""c",d)", {"a", R"(b"c)", "d"}},
        {R"(a,b"c,d)", {"a", "bc", "d"}},       // a quote standing alone is dropped
        {R"(x,"abc,d,e)", {"x", "", "d", "e"}}, // never closed: empty, "abc" dropped
        {R"("a,b",c)", {"a,b", "c"}},           // the delimiter inside quotes
        {R"(x,"a,b")", {"x", "a,b"}},           // ... in the last field
        {R"(x,"a,b"zz)", {"x", "a,b"}},         // text after the closing quote dropped
        {R"("ab"cd,e)", {"ab", "e"}},           // ... also before a delimiter
        {"a\nb,c", {"a\r\nb", "c"}},            // LF becomes CR LF
        {"a,b,", {"a", "b"}},                   // nothing after the last delimiter
        {",", {""}},
        {"", {}},
        {R"("a""b")", {R"(a"b)"}}, // the last cell loses its quotes
        {R"(a,"")", {"a", ""}},
    };
    for (const TLineCase& c : cases) {
        SCOPED_TRACE(c.Line);
        std::vector<QString> cells;
        EXPECT_TRUE(SplitDelimitedLine(QString::fromUtf8(c.Line), u',', cells));
        EXPECT_EQ(QStringList(cells.begin(), cells.end()), c.Cells);
    }
}

// The count as it was defined: ClosingCharPos found again and again on what follows it.
int CountByRemoval(QChar c, QString s) {
    int count = 0;
    for (int p = 0; ClosingCharPos(c, s, p) > 0; s.remove(0, p)) ++count;
    return count;
}

TEST(DelimitedLine, CountSingleCharCountsWhatRepeatedClosingSearchesFind) {
    std::mt19937 random(29);
    const QString alphabet = R"(",a)";
    for (int i = 0; i < 2000; ++i) {
        QString s;
        for (int n = int(random() % 12); n > 0; --n) s += alphabet[int(random() % 3)];
        ASSERT_EQ(CountSingleChar(u'"', s), CountByRemoval(u'"', s)) << s.toStdString();
        ASSERT_EQ(CountSingleChar(u',', s), CountByRemoval(u',', s)) << s.toStdString();
    }
}

// Lines of delimiters, quotes and text, given to the counts in random parts: the counts agree with
// those taken of the whole line.
TEST(DelimitedLine, CountsTakenPartAfterPartAgreeWithTheWholeLine) {
    std::mt19937 random(52);
    const QString alphabet = R"(",;a )";
    for (int i = 0; i < 20000; ++i) {
        QString line;
        for (int n = int(random() % 14); n > 0; --n) line += alphabet[int(random() % alphabet.size())];
        std::vector<qsizetype> cuts = {0, line.size()};
        for (int n = int(random() % 4); n > 0; --n)
            cuts.push_back(qsizetype(random() % size_t(line.size() + 1)));
        std::sort(cuts.begin(), cuts.end());
        TCandidateTally tally;
        for (const QChar delimiter : {QChar(u','), QChar(u'"'), QChar()}) {
            TLineCellCount count(delimiter);
            for (size_t k = 0; k + 1 < cuts.size(); ++k) {
                const QStringView part = QStringView(line).sliced(cuts[k], cuts[k + 1] - cuts[k]);
                count.Add(part);
                if (delimiter == u',') tally.Add(part);
            }
            std::vector<QString> cells;
            SplitDelimitedLine(line, delimiter, cells);
            ASSERT_EQ(count.End(), qint64(cells.size()))
                << line.toStdString() << " " << char(delimiter.unicode());
        }
        const TCandidateTally::TCounts counts = tally.End();
        for (const char16_t candidate : {u',', u';'}) {
            const size_t at =
                size_t(std::find(kDelimiterCandidates.begin(), kDelimiterCandidates.end(), candidate) -
                       kDelimiterCandidates.begin());
            ASSERT_EQ(counts.Single[at], CountSingleChar(candidate, line)) << line.toStdString();
            ASSERT_EQ(counts.All[at], CountChar(candidate, line)) << line.toStdString();
        }
    }
}

struct TEncodingCase {
    const char* Name;
    QByteArray Bytes;
    bool Oem;
    QString Cell;
};

TEST_F(DelimitedLoad, TextIsUtf8WhenValidElseWindows1252OrCodePage850WhenAsked) {
    const std::vector<TEncodingCase> cases = {
        {"UTF-8", "S\xC3\xA3o Jo\xC3\xA3o;x", false, QString::fromUtf8("São João")},
        {"not UTF-8: Windows-1252", "S\xE3o \x80;x", false, QString::fromUtf8("São €")},
        {"code page 850", "S\xC6o \x87;x", true, QString::fromUtf8("São ç")},
        {"a byte-order mark is dropped",
         "\xEF\xBB\xBF"
         "abc;x",
         false, "abc"},
    };
    for (const TEncodingCase& c : cases) {
        SCOPED_TRACE(c.Name);
        grid_.OemConvert = c.Oem;
        grid_.LoadFromCSV(File(c.Bytes));
        EXPECT_EQ(grid_.GetGridCells(0, 0), c.Cell);
        EXPECT_EQ(grid_.GetGridCells(1, 0), "x");
    }
}

TEST_F(DelimitedLoad, AByteOrderMarkDecidesTheEncodingWhateverTheLineEnds) {
    const QString text = QString::fromUtf8("nome;valor\nJoão;漢字\n");
    const std::vector<std::pair<QByteArray, QStringConverter::Encoding>> marks = {
        {"\xFF\xFE", QStringConverter::Utf16LE},
        {"\xFE\xFF", QStringConverter::Utf16BE},
        {"\xEF\xBB\xBF", QStringConverter::Utf8}};
    for (const auto& [mark, encoding] : marks)
        for (const QString end : {"\r\n", "\n", "\r"})
            for (const bool oem : {false, true}) {
                SCOPED_TRACE(mark.toHex().toStdString() + " " +
                             QByteArray(end.toLatin1()).toHex().toStdString());
                grid_.OemConvert = oem;
                QString lines = text;
                grid_.LoadFromCSV(File(mark + QStringEncoder(encoding)(lines.replace("\n", end))));
                EXPECT_EQ(GridRows(grid_),
                          (Rows{{"nome", "valor"}, {QString::fromUtf8("João"), QString::fromUtf8("漢字")}}));
            }
}

// Without a mark UTF-16 is told by its zero bytes, Latin text or not (CJK text of long lines has
// few: its line ends tell); UTF-32 by its marks. UTF-8 beyond ASCII is UTF-8 whatever zero bytes it
// holds. NULs in any text are dropped.
TEST_F(DelimitedLoad, Utf16WithoutAMarkAndUtf32AreReadAsTheTextTheyHold) {
    const std::vector<std::pair<QStringConverter::Encoding, QByteArray>> encodings = {
        {QStringConverter::Utf16LE, ""},
        {QStringConverter::Utf16BE, ""},
        {QStringConverter::Utf32LE, QByteArray("\xFF\xFE\0\0", 4)},
        {QStringConverter::Utf32BE, QByteArray("\0\0\xFE\xFF", 4)}};
    const Rows latin = {{"nome", "valor"}, {QString::fromUtf8("João"), QString::fromUtf8("€ 5")}};
    const Rows cjk = {{QString::fromUtf8("名前"), QString::fromUtf8("価格")},
                      {QString::fromUtf8("東京都庁舎"), QString::fromUtf8("千円")}};
    const Rows longCjk = {
        {QString::fromUtf8("東京都庁舎").repeated(6), QString::fromUtf8("千円").repeated(9)},
        {QString::fromUtf8("名前").repeated(12), QString::fromUtf8("価格").repeated(12)}};
    for (const auto& [encoding, mark] : encodings)
        for (const Rows& rows : {latin, cjk, longCjk}) {
            SCOPED_TRACE(QStringConverter::nameForEncoding(encoding) + rows[0][0].toStdString());
            const QString text = rows[0].join(';') + "\r\n" + rows[1].join(';') + "\r\n";
            grid_.LoadFromCSV(File(mark + QStringEncoder(encoding)(text)));
            EXPECT_EQ(GridRows(grid_), rows);
        }
    grid_.LoadFromCSV(File(QByteArray("abcdefgh\0ijklmnop;x\r\n1;\0\r\n", 26)));
    EXPECT_EQ(GridRows(grid_), (Rows{{"abcdefghijklmnop", "x"}, {"1", ""}}));
    grid_.LoadFromCSV(File(QByteArray("\xC3\xA9\0\n", 4).repeated(3)));
    EXPECT_EQ(ColumnTexts(grid_, 0), QStringList(3, QString::fromUtf8("é")));
}

// Files of every encoding the loader tells apart (8-bit files holding NUL bytes, UTF-16 without a
// mark of Latin, CJK, Cyrillic and Greek text, one-line ones among them, ASCII, Latin-1, CP1252 and
// UTF-8 with and without a mark, with each kind of line end), each read with ';' between cells:
// the grid reads the cells LibreOffice reads when told the file's encoding (recorded by
// data/make-encoding-corpus.py; LibreOffice's rows end at their last text, and it reads NULs as
// nothing).
TEST_F(DelimitedLoad, EveryFileOfTheCorpusReadsAsLibreOfficeReadsIt) {
    QFile corpusFile(QStringLiteral(CENTRPRG_SOURCE_DIR "/tests/grid/data/encoding-corpus.json"));
    ASSERT_TRUE(corpusFile.open(QIODevice::ReadOnly));
    const QJsonArray corpus = QJsonDocument::fromJson(corpusFile.readAll()).array();
    ASSERT_GE(corpus.size(), 300);
    QStringList misread;
    for (const QJsonValue& entry : corpus) {
        const QJsonObject c = entry.toObject();
        Rows expected;
        for (const QJsonValue& row : c["rows"].toArray()) expected.push_back(row.toVariant().toStringList());
        grid_.Delimiter = u';';
        grid_.LoadFromCSV(File(QByteArray::fromBase64(c["bytes"].toString().toLatin1())));
        Rows read = GridRows(grid_);
        for (QStringList& row : read)
            while (!row.isEmpty() && row.back().isEmpty()) row.removeLast();
        while (!read.empty() && read.back().isEmpty()) read.pop_back();
        if (read != expected) misread << c["name"].toString() + " (" + c["encoding"].toString() + ")";
    }
    EXPECT_EQ(misread, QStringList()) << misread.size() << " of " << corpus.size() << " files misread";
}

TEST_F(DelimitedLoad, AFoundDelimiterServesOneLoadAndASetOneIsKept) {
    grid_.LoadFromCSV(File("a;b\r\n1;2\r\n"));
    EXPECT_TRUE(grid_.Delimiter.isNull());
    grid_.LoadFromCSV(File("c,d;e\r\n3,4;5\r\n")); // ',' and ';' agree: ',' comes first
    EXPECT_EQ(GridRows(grid_), (Rows{{"c", "d;e"}, {"3", "4;5"}}));

    grid_.Delimiter = u';';
    grid_.LoadFromCSV(File("f,g;h\r\n"));
    EXPECT_EQ(grid_.Delimiter, u';');
    EXPECT_EQ(GridRows(grid_), (Rows{{"f,g", "h"}}));
}

TEST_F(DelimitedLoad, AMissingFileIsAnErrorThatChangesNothing) {
    Fill({{"kept"}});
    const QString path = dir_.filePath("absent.csv");
    try {
        grid_.LoadFromCSV(path);
        FAIL() << "no error";
    } catch (const EVozAvozError& e) {
        EXPECT_EQ(QString::fromStdString(e.what()), "Cannot open file " + path);
    }
    EXPECT_EQ(GridRows(grid_), (Rows{{"kept"}}));
}

TEST_F(DelimitedLoad, RowsLoadedOverEarlierOnesKeepNothingOfThem) {
    Fill({{"o", "o", "o"}, {"o", "o", "o"}, {"o", "o", "o"}});
    grid_.LoadFromCSV(File("a;b\r\n"));
    EXPECT_EQ(GridRows(grid_), (Rows{{"a", "b", ""}}));
}

TEST_F(DelimitedLoad, AppendedRowsFollowTheLastRowAndAFloatingFooterStaysLast) {
    for (bool footer : {false, true})
        for (bool append : {false, true}) {
            SCOPED_TRACE(QString("footer %1, append %2").arg(footer).arg(append).toStdString());
            Fill({{"o1", "o2"}, {"o3", "o4"}, {"Total", "9"}});
            grid_.FloatingFooter.Visible = footer;
            grid_.SetFixedFooters(footer ? 1 : 0);
            grid_.GetCellProperties(1, 2)->ReadOnly = true;
            grid_.LoadDelimited(File("a;b\r\nc;d\r\n"), append);
            Rows expected = append ? Rows{{"o1", "o2"}, {"o3", "o4"}} : Rows{};
            if (append && !footer) expected.push_back({"Total", "9"});
            expected.insert(expected.end(), {{"a", "b"}, {"c", "d"}});
            if (footer) expected.push_back({"Total", "9"});
            EXPECT_EQ(GridRows(grid_), expected);
            if (footer) {
                ASSERT_NE(grid_.CellProperties(1, grid_.RowCount() - 1), nullptr);
                EXPECT_TRUE(grid_.CellProperties(1, grid_.RowCount() - 1)->ReadOnly);
            }
            grid_.ClearAllProps();
        }
}

TEST_F(DelimitedLoad, ProgressIsReportedInRoundedPercentsOverRowsMadeInAdvance) {
    std::vector<short> reports;
    std::vector<int> rowCounts;
    grid_.OnFileProgress = [&](QObject* sender, short progress) {
        EXPECT_EQ(sender, &grid_);
        reports.push_back(progress);
        rowCounts.push_back(grid_.RowCount());
    };
    grid_.LoadFromCSV(File("a\r\nb\r\nc\r\n"));
    EXPECT_EQ(reports, (std::vector<short>{33, 67, 100}));
    EXPECT_EQ(rowCounts, (std::vector<int>{3, 3, 3}));
}

// Records the row count each time the grid changes size.
class TSizeRecordingGrid : public TVevIvizudEvar {
public:
    std::vector<int> RowCounts;

protected:
    void SizeChanged(int oldColCount, int oldRowCount) override {
        TVevIvizudEvar::SizeChanged(oldColCount, oldRowCount);
        RowCounts.push_back(RowCount());
    }
};

TEST_F(DelimitedLoad, RowsGrowInStepsOfAThousandAndEndAtTheLineCount) {
    TSizeRecordingGrid grid;
    grid.SetColCount(1);
    grid.SetRowCount(1);
    grid.RowCounts.clear();
    QByteArray bytes;
    for (int i = 0; i < 2500; ++i) bytes += "line " + QByteArray::number(i) + "\r\n";
    grid.LoadFromCSV(File(bytes));
    EXPECT_EQ(grid.RowCounts, (std::vector<int>{1001, 2001, 3001, 2500}));
    EXPECT_EQ(grid.GetGridCells(0, 2499), "line 2499");
}

TEST_F(DelimitedLoad, TheChangeReportedCoversTheGridAndNoMore) {
    std::vector<TRect> changes;
    grid_.OnCellsChanged = [&](QObject*, TRect r) { changes.push_back(r); };
    grid_.LoadFromCSV(File("a;b;c\r\n1;2;3\r\n"));
    EXPECT_EQ(changes, (std::vector<TRect>{{0, 0, 2, 1}}));
}

// ---- Bounds -------------------------------------------------------------------------------------

using testing::StrEq;
using testing::ThrowsMessage;
const std::string kTooLarge = "O arquivo é grande demais para ser importado: ";

TEST(DelimitedCells, Utf8IsValidAsQtsDecoderFindsItWhateverThePieces) {
    std::mt19937 random(45);
    const char bytes[] = "a\x80\x9F\xA0\xBF\xC2\xDF\xE0\xED\xEF\xF0\xF4\xF5\xC0\xFF";
    for (int i = 0; i < 20000; ++i) {
        QByteArray text;
        for (int n = int(random() % 7); n > 0; --n) text += bytes[random() % (sizeof bytes - 1)];
        QStringDecoder oracle(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString decoded = oracle.decode(text); // decodes on conversion
        TUtf8Check check;
        const qsizetype cut = text.isEmpty() ? 0 : qsizetype(random() % size_t(text.size()));
        check.Add(QByteArrayView(text).first(cut));
        check.Add(QByteArrayView(text).sliced(cut));
        ASSERT_EQ(check.Valid(), !oracle.hasError()) << text.toHex().toStdString();
    }
}

TEST_F(DelimitedLoad, WhatStraddlesTwoPiecesOfTheFileReadsAsWithinOne) {
    // What ends the first cell and what ends the lines, put across the end of the first piece.
    for (const auto& [straddling, end] : std::vector<std::pair<QByteArray, QByteArray>>{
             {"", "\r\n"}, {"", "\n"}, {"", "\r"}, {"\xC3\xA9", "\r\n"}})
        for (int shift : {-1, 0, 1}) {
            SCOPED_TRACE((straddling + end).toHex().toStdString() + ", shift " + std::to_string(shift));
            const QByteArray pad(kDelimitedPieceBytes - 3 + shift, 'p');
            grid_.LoadFromCSV(File("x;" + pad + straddling + end + "b;c" + end));
            const Rows rows = GridRows(grid_);
            ASSERT_EQ(rows.size(), 2u);
            EXPECT_TRUE(rows[0][1] == QString::fromUtf8(pad + straddling)); // not printed: a MiB long
            EXPECT_EQ(rows[1], (QStringList{"b", "c"}));
        }
    // A line break inside quotes, and the quote that closes them, across the end of the piece.
    for (int shift : {-2, -1, 0, 1}) {
        SCOPED_TRACE("quoted, shift " + std::to_string(shift));
        const QByteArray pad(kDelimitedPieceBytes - 4 + shift, 'p');
        grid_.LoadFromCSV(File("x;\"" + pad + "\r\n\"\"\";y\r\nb;c"));
        const Rows rows = GridRows(grid_);
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_TRUE(rows[0][1] == QString::fromLatin1(pad + "\r\n\""));
        EXPECT_EQ(rows[1], (QStringList{"b", "c", ""}));
    }
}

TEST_F(DelimitedLoad, AFileBeyondTheLimitsIsRefusedAndTheGridStaysAsItWas) {
    const qsizetype cells = qsizetype(inputlimits::kMaxCells), columns = 5000; // rows are as wide as the grid
    const std::vector<std::tuple<const char*, int, QByteArray>> cases = {
        {"lines times fields beyond the cell limit", 2, QByteArray(",,,,,,,x\r\n").repeated(cells / 8 + 1)},
        {"lines times the grid's columns beyond it", columns,
         QByteArray("x\r\n").repeated(cells / columns + 1)},
        {"one line of more delimiters than the cell limit", 2, QByteArray(cells + 1, ',')},
        {"more empty lines than the cell limit", 1, QByteArray("\r\n").repeated(cells + 1)},
        {"more bytes than the byte limit", 2, {}}, // an empty file, made that long
    };
    Fill({{"kept", "a"}, {"b", "c"}});
    for (const auto& [name, gridColumns, bytes] : cases) {
        SCOPED_TRACE(name);
        grid_.SetColCount(gridColumns);
        const Rows before = GridRows(grid_);
        const QString path = File(bytes);
        ASSERT_TRUE(!bytes.isEmpty() || QFile::resize(path, inputlimits::kMaxTextFileBytes + 1));
        EXPECT_THAT([&] { grid_.LoadFromCSV(path); },
                    ThrowsMessage<EVozAvozError>(StrEq(kTooLarge + path.toStdString())));
        EXPECT_EQ(GridRows(grid_), before);
    }
}

TEST_F(DelimitedLoad, AFailureOnTheWayLeavesTheGridAsItWasAndReportsItself) {
    const QString path = File(QByteArray("a;b;c;d\r\n").repeated(2500));
    // The percent at which the progress handler fails, and whether with memory running out.
    for (const auto& [failAt, outOfMemory] : {std::pair{1, true}, {50, true}, {100, false}})
        for (const auto& [footer, append] :
             {std::pair{false, false}, {false, true}, {true, false}, {true, true}}) {
            SCOPED_TRACE(testing::Message()
                         << "at " << failAt << "%, footer " << footer << ", append " << append);
            Fill({{"o1", "o2", "o3"}, {"o4", "o5", "o6"}, {"Total", "9", ""}});
            grid_.GetCellProperties(1, 2)->ReadOnly = true;
            grid_.MergeCells(2, 1, 1, 2); // a block down into the footer row
            const Rows before = GridRows(grid_);
            grid_.FloatingFooter.Visible = footer;
            grid_.OnFileProgress = [&](QObject*, short percent) {
                if (percent < failAt) return;
                if (outOfMemory) throw std::bad_alloc();
                throw std::runtime_error("stopped");
            };
            const auto load = [&] { grid_.LoadDelimited(path, append); };
            if (outOfMemory)
                EXPECT_THAT(load, ThrowsMessage<EVozAvozError>(StrEq(kTooLarge + path.toStdString())));
            else
                EXPECT_THAT(load, ThrowsMessage<std::runtime_error>(StrEq("stopped")));
            EXPECT_EQ(GridRows(grid_), before);
            ASSERT_NE(grid_.CellProperties(1, 2), nullptr);
            EXPECT_TRUE(grid_.CellProperties(1, 2)->ReadOnly);
            EXPECT_EQ(grid_.CellSpan(2, 1), (TGridCoord{0, 1}));
            EXPECT_TRUE(grid_.Verify());
        }
}

TEST_F(DelimitedLoad, AFloatingFooterRowLeavesTheBlocksItSharesWithRowsAbove) {
    Fill({{"o1", "o2"}, {"o3", "o4"}, {"Total", "9"}});
    grid_.MergeCells(0, 1, 2, 2); // rows 1 and 2, the footer row
    grid_.FloatingFooter.Visible = true;
    grid_.LoadDelimited(File("a;b\r\n"), true);
    EXPECT_EQ(GridRows(grid_), (Rows{{"o1", "o2"}, {"o3", "o3"}, {"a", "b"}, {"Total", "Total"}}));
    EXPECT_EQ(grid_.CellSpan(0, 1), (TGridCoord{1, 0})); // the part above
    EXPECT_EQ(grid_.CellSpan(0, 3), (TGridCoord{1, 0})); // the footer row's own
    EXPECT_TRUE(grid_.Verify());
}

} // namespace
