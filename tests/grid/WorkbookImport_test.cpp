// Workbooks read into the advanced grid: the calls made on a source and their order, the used
// range's address sizing the grid, the fixed counts put back, values as text, and the two readers
// on real files (".xlsx" and ".xls" written here, ".xls" made by scripts/make-workbook-fixture).
#include "grid/WorkbookImport.h"
#include "GridTestSupport.h"
#include "XlsFiles.h"
#include "XlsxFiles.h"
#include "grid/AdvancedGrid.h"
#include "grid/GridError.h"
#include "grid/WorkbookFileReader.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using namespace xlsfiles;
using namespace xlsxfiles;
using Rows = std::vector<QStringList>;

// The message of the EVozAvozError the action raises ("" when it raises none).
template <typename TAction> QString ErrorOf(TAction action) {
    try {
        action();
    } catch (const EVozAvozError& e) {
        return QString::fromStdString(e.what());
    }
    return {};
}

// A source that records every call; its values name their own place ("row,col" within the range).
class TFakeSource : public WorkbookSource {
public:
    QStringList Calls;
    QStringList Sheets = {"Plan1"};
    int Active = 1;
    QString Address = "$B$2:$D$4";
    std::function<TWorkbookValue(int row, int col)> Value = [](int row, int col) {
        return TWorkbookValue::FromText(QString("%1,%2").arg(row).arg(col));
    };

    void Open(const QString& fileName) override { Calls << "Open " + QFileInfo(fileName).fileName(); }
    int ActiveSheet() override {
        Calls << "ActiveSheet";
        return Active;
    }
    int SheetCount() override {
        Calls << "SheetCount";
        return int(Sheets.size());
    }
    QString SheetName(int sheet) override {
        Calls << QString("SheetName %1").arg(sheet);
        return Sheets[sheet - 1];
    }
    QString UsedRangeAddress(int sheet) override {
        Calls << QString("UsedRange %1").arg(sheet);
        return Address;
    }
    TWorkbookValues RangeValue(int sheet, const QString& address) override {
        Calls << QString("Value %1 %2").arg(sheet).arg(address);
        const TWorkbookRange range = ParseRangeAddress(address).value();
        TWorkbookValues values(range.RowCount(), range.ColCount());
        for (int r = 1; r <= values.RowCount(); ++r)
            for (int c = 1; c <= values.ColCount(); ++c) values.At(r, c) = Value(r, c);
        return values;
    }
    void Close() override { Calls << "Close"; }
    void Quit() override { Calls << "Quit"; }
};

class WorkbookImport : public testing::Test {
protected:
    WorkbookImport() {
        grid_.SetColCount(4);
        grid_.SetRowCount(6);
        grid_.SetGridCells(0, 0, "old");
    }
    void Import(const QString& sheet = {}) { ImportWorkbookFrom(grid_, source_, "/data/book.xlsx", sheet); }
    QString Path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    TVevIvizudEvar grid_;
    TFakeSource source_;
};

TEST_F(WorkbookImport, TheActiveSheetIsReadInTheSourcesOrder) {
    Import();
    EXPECT_EQ(source_.Calls, (QStringList{"Open book.xlsx", "ActiveSheet", "UsedRange 1", "Value 1 B2:D4",
                                          "Close", "Quit"}));
    EXPECT_EQ(GridRows(grid_), (Rows{{"1,1", "1,2", "1,3"}, {"2,1", "2,2", "2,3"}, {"3,1", "3,2", "3,3"}}));
}

TEST_F(WorkbookImport, ANamedSheetIsLookedUpAmongTheSheets) {
    source_.Sheets = {"Ramais", "Troncos", "Grupos"};
    Import("Troncos");
    EXPECT_EQ(source_.Calls, (QStringList{"Open book.xlsx", "SheetCount", "SheetName 1", "SheetName 2",
                                          "UsedRange 2", "Value 2 B2:D4", "Close", "Quit"}));
}

TEST_F(WorkbookImport, AnAbsentSheetIsAnErrorThatStillClosesTheWorkbook) {
    source_.Sheets = {"Ramais"};
    EXPECT_EQ(ErrorOf([&] { Import("Troncos"); }), "Excel worksheet Troncos not found");
    EXPECT_EQ(source_.Calls, (QStringList{"Open book.xlsx", "SheetCount", "SheetName 1", "Close", "Quit"}));
    EXPECT_EQ(grid_.GetGridCells(0, 0), "old");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

struct TAddressCase {
    const char* Address;
    int Cols, Rows;
    const char* Fetched; // nullptr: nothing fetched
};

TEST_F(WorkbookImport, TheUsedRangeSizesTheGrid) {
    const std::vector<TAddressCase> cases = {
        {"$B$2:$D$4", 3, 3, "B2:D4"},
        {"$C$5", 1, 1, "C5"},        // one cell is that cell, not A1
        {"$1:$5", 256, 5, "A1:IV5"}, // whole rows
        {"$Z$1:$AB$2", 3, 2, "Z1:AB2"},
        {"$A$x:$B$2", 4, 6, nullptr}, // a row that does not convert: the grid stays as it is
    };
    for (const TAddressCase& c : cases) {
        SCOPED_TRACE(c.Address);
        TVevIvizudEvar grid;
        grid.SetColCount(4);
        grid.SetRowCount(6);
        TFakeSource source;
        source.Address = c.Address;
        ImportWorkbookFrom(grid, source, "book.xlsx", {});
        EXPECT_EQ(grid.ColCount(), c.Cols);
        EXPECT_EQ(grid.RowCount(), c.Rows);
        EXPECT_EQ(source.Calls.filter("Value"),
                  c.Fetched ? QStringList{QString("Value 1 ") + c.Fetched} : QStringList{});
        if (c.Fetched) {
            EXPECT_EQ(grid.GetGridCells(0, 0), "1,1");
        }
        EXPECT_EQ(source.Calls.last(), "Quit");
    }
}

struct TFixedCase {
    const char* Address;
    bool FixedColAlways;
    int FixedCols, FixedRows;
};

TEST_F(WorkbookImport, FixedCountsArePutBackWhereTheNewCountsAllow) {
    const std::vector<TFixedCase> cases = {
        {"$A$1:$C$3", false, 2, 2},
        {"$A$1:$B$2", false, 1, 1},
        {"$A$1", false, 0, 0},
        {"$A$1:$C$3", true, 2, 2}, // the grid's own one fixed column does not win over the two noted
    };
    for (const TFixedCase& c : cases) {
        SCOPED_TRACE(c.Address);
        TVevIvizudEvar grid;
        grid.SetColCount(6);
        grid.SetRowCount(6);
        grid.FixedColAlways = c.FixedColAlways;
        grid.SetFixedCols(2);
        grid.SetFixedRows(2);
        TFakeSource source;
        source.Address = c.Address;
        ImportWorkbookFrom(grid, source, "book.xlsx", {});
        EXPECT_EQ(grid.FixedCols(), c.FixedCols);
        EXPECT_EQ(grid.FixedRows(), c.FixedRows);
    }
}

TEST_F(WorkbookImport, ValuesBecomeTextAndEmptyOrErrorValuesLeaveTheirCellsEmpty) {
    EXPECT_EQ(WorkbookValueText(TWorkbookValue::FromText("Ramal")), "Ramal");
    EXPECT_EQ(WorkbookValueText(TWorkbookValue::FromNumber(202.5)), "202,5"); // the program's decimal comma
    EXPECT_EQ(WorkbookValueText(TWorkbookValue::FromNumber(201)), "201");
    EXPECT_EQ(WorkbookValueText(TWorkbookValue::FromNumber(0.1 + 0.2)), "0,3");
    EXPECT_EQ(WorkbookValueText(TWorkbookValue::FromBoolean(true)), "True");
    EXPECT_EQ(WorkbookValueText(TWorkbookValue::FromBoolean(false)), "False");
    EXPECT_EQ(WorkbookValueText(TWorkbookValue::ErrorValue()), "");

    source_.Address = "$A$1:$B$1";
    source_.Value = [](int, int col) { return col == 1 ? TWorkbookValue() : TWorkbookValue::ErrorValue(); };
    grid_.SetGridCells(1, 0, "old");
    Import();
    EXPECT_EQ(GridRows(grid_), (Rows{{"", ""}}));
}

TEST_F(WorkbookImport, AnEnormousRangeIsRefusedBeforeTheGridChanges) {
    source_.Address = "$A$1:$XFD$1048576";
    EXPECT_EQ(ErrorOf([&] { Import(); }),
              QString::fromUtf8("A planilha é grande demais para ser importada: /data/book.xlsx"));
    EXPECT_EQ(grid_.ColCount(), 4);
    EXPECT_EQ(source_.Calls.mid(source_.Calls.size() - 2), (QStringList{"Close", "Quit"}));
}

// A grid whose size changes run out of memory from the given one on.
class TFailingGrid : public TVevIvizudEvar {
public:
    int FailAt = 0, Changes = 0;

protected:
    void SizeChanged(int oldColCount, int oldRowCount) override {
        TVevIvizudEvar::SizeChanged(oldColCount, oldRowCount);
        if (++Changes == FailAt) throw std::bad_alloc();
    }
};

// The values fetched, or the grid grown to them, run out of memory: refused as a workbook too
// large, the grid as it was and the workbook closed.
TEST_F(WorkbookImport, AnImportThatRunsOutOfMemoryIsRefusedAndChangesNothing) {
    for (const int failAt : {0, 1, 2}) {
        SCOPED_TRACE(failAt);
        TFailingGrid grid;
        grid.SetColCount(4);
        grid.SetRowCount(6);
        grid.SetGridCells(1, 1, "old");
        const Rows before = GridRows(grid);
        TFakeSource source;
        source.Address = "$A$1:$F$9";
        if (failAt == 0) source.Value = [](int, int) -> TWorkbookValue { throw std::bad_alloc(); };
        grid.FailAt = failAt, grid.Changes = 0;
        EXPECT_EQ(ErrorOf([&] { ImportWorkbookFrom(grid, source, "/data/book.xlsx", {}); }),
                  QString::fromUtf8("A planilha é grande demais para ser importada: /data/book.xlsx"));
        EXPECT_EQ(GridRows(grid), before);
        EXPECT_EQ(source.Calls.mid(source.Calls.size() - 2), (QStringList{"Close", "Quit"}));
    }
}

TEST_F(WorkbookImport, TheChangeReportedCoversTheGridAndNoMore) {
    std::vector<TRect> changes;
    grid_.OnCellsChanged = [&](QObject*, TRect r) { changes.push_back(r); };
    Import();
    EXPECT_EQ(changes, (std::vector<TRect>{{0, 0, 2, 2}}));
}

// ---- Addresses ------------------------------------------------------------------------------------

TEST(WorkbookAddress, ColumnLettersBothWays) {
    const std::vector<std::pair<int, QString>> cases = {
        {1, "A"}, {26, "Z"}, {27, "AA"}, {52, "AZ"}, {53, "BA"}, {702, "ZZ"}, {703, "AAA"}, {16384, "XFD"}};
    for (const auto& [col, letters] : cases) {
        EXPECT_EQ(ColumnLetters(col), letters);
        EXPECT_EQ(ColumnNumber(letters), col);
    }
    EXPECT_EQ(ColumnNumber(u"xfd"), 16384);
    for (const char* bad : {"", "A1", "AAAA", "Ç"}) EXPECT_EQ(ColumnNumber(QString::fromUtf8(bad)), 0) << bad;
}

TEST(WorkbookAddress, RangesAsSourcesWriteThem) {
    const std::vector<std::pair<QString, std::optional<TWorkbookRange>>> cases = {
        {"$B$2:$D$4", TWorkbookRange{2, 2, 4, 4}},
        {"B2:D4", TWorkbookRange{2, 2, 4, 4}},
        {"$D$4:$B$2", TWorkbookRange{2, 2, 4, 4}},
        {"$C$5", TWorkbookRange{3, 5, 3, 5}},
        {"$1:$5", TWorkbookRange{1, 1, 256, 5}},
        {"$AA$10:$AB$12", TWorkbookRange{27, 10, 28, 12}},
        {"", std::nullopt},
        {"$A$x:$B$2", std::nullopt},
        {"$A:$C", std::nullopt},
        {"$A$1:$5", std::nullopt},
        {"$A$0", std::nullopt},
        {"$A$99999999999", std::nullopt},
    };
    for (const auto& [address, range] : cases)
        EXPECT_EQ(ParseRangeAddress(address), range) << address.toStdString();
    EXPECT_EQ(RangeAddress({2, 2, 4, 4}, true), "$B$2:$D$4");
    EXPECT_EQ(RangeAddress({3, 5, 3, 5}, true), "$C$5");
    EXPECT_EQ(RangeAddress({1, 1, 256, 5}, false), "A1:IV5");
}

TEST(WorkbookAddress, DatesAsSerialNumbers) {
    const std::vector<std::pair<QString, double>> cases = {{"2024-03-15", 45366},
                                                           {"1900-01-01", 2},
                                                           {"2024-03-15T12:00:00", 45366.5},
                                                           {"2024-03-15 18:00:00", 45366.75},
                                                           {"06:00:00", 0.25}};
    for (const auto& [text, expected] : cases) {
        double serial = -1;
        EXPECT_TRUE(DateSerialFromText(text, serial)) << text.toStdString();
        EXPECT_DOUBLE_EQ(serial, expected) << text.toStdString();
    }
    double serial = 0;
    for (const char* bad : {"", "abc", "2024-13-01", "2024-03-15X10:00:00"})
        EXPECT_FALSE(DateSerialFromText(bad, serial)) << bad;
}

// ---- Files ----------------------------------------------------------------------------------------

// B2:D4 of shared, inline and formula texts, numbers, a boolean and an error; F9 carries only a
// style and is no part of the used range.
void WriteExtensions(const QString& path) {
    QString sheet = SheetXml({Shared("B2", 0),
                              Shared("C2", 1),
                              Inline("D2", "Ativo"),
                              Number("B3", "201"),
                              Shared("C3", 2),
                              {"D3", "b", "<v>1</v>"},
                              Number("B4", "202.5"),
                              {"C4", "str", "<f>A1&amp;\"\"</f><v>São Paulo</v>"},
                              {"D4", "e", "<v>#DIV/0!</v>"}});
    sheet.replace("</sheetData>", R"(<row r="9"><c r="F9" s="1"/></row></sheetData>)");
    WriteXlsx(path, {{"Ramais", sheet}}, {"Ramal", "Nome", "Recepção"});
}

TEST_F(WorkbookImport, AnXlsxUsedRangeFillsTheGridFromTheFirstCell) {
    WriteExtensions(Path("ramais.xlsx"));
    grid_.LoadFromXLS(Path("ramais.xlsx"));
    EXPECT_EQ(GridRows(grid_), (Rows{{"Ramal", "Nome", "Ativo"},
                                     {"201", QString::fromUtf8("Recepção"), "True"},
                                     {"202,5", QString::fromUtf8("São Paulo"), ""}}));
}

TEST_F(WorkbookImport, AnXlsxSheetOfOneCellGivesThatCell) {
    WriteXlsx(Path("one.xlsx"), {{"Troncos", SheetXml({Inline("C5", "único")})}});
    grid_.LoadFromXLS(Path("one.xlsx"));
    EXPECT_EQ(GridRows(grid_), (Rows{{QString::fromUtf8("único")}}));
}

TEST_F(WorkbookImport, XlsxSheetsByTabAndByNameWithTheirTextForms) {
    // Rows and cells without references follow the ones before; rich runs join, phonetic runs do
    // not count; "_x000D_" is a CR; a "d" cell is an ISO date.
    const QString other =
        R"(<worksheet><sheetData><row><c t="inlineStr"><is><r><t>Sala</t></r><r><t> 2</t></r>)"
        R"(<rPh><t>x</t></rPh></is></c><c t="d"><v>2024-03-15T12:00:00</v></c></row>)"
        R"(<row><c t="inlineStr"><is><t>a_x000D_b</t></is></c></row></sheetData></worksheet>)";
    WriteXlsx(Path("book.xlsx"), {{"Ramais", SheetXml({Inline("A1", "ramal")})}, {"Outros", other}}, {}, 1);
    grid_.LoadFromXLS(Path("book.xlsx"));
    EXPECT_EQ(GridRows(grid_), (Rows{{"Sala 2", "15/03/2024 12:00:00"}, {"a\rb", ""}}));
    grid_.ImportWorkbook(Path("book.xlsx"), "Ramais");
    EXPECT_EQ(GridRows(grid_), (Rows{{"ramal"}}));
    EXPECT_EQ(ErrorOf([&] { grid_.ImportWorkbook(Path("book.xlsx"), "Grupos"); }),
              "Excel worksheet Grupos not found");
}

// The ".xls" fixture shows its second sheet; booleans and dates come as the ".xlsx" reader gives them.
TEST_F(WorkbookImport, AnXlsFileIsReadThroughItsLibraryFromTheSheetItShows) {
    const QString fixture = QStringLiteral(CENTRPRG_SOURCE_DIR "/tests/grid/data/import.xls");
    grid_.LoadFromXLS(fixture);
    EXPECT_EQ(GridRows(grid_), (Rows{{QString::fromUtf8("único")}}));
    grid_.ImportWorkbook(fixture, "Ramais");
    EXPECT_EQ(GridRows(grid_), (Rows{{"Ramal", "Nome", "Ativo"},
                                     {"201", QString::fromUtf8("Recepção"), "True"},
                                     {"202,5", QString::fromUtf8("São Paulo"), "15/03/2024"}}));
}

// Formats 1 and 2 show dates and times (built-in), 3 and 4 codes of the workbook, the second a number.
TEST_F(WorkbookImport, XlsxNumbersShowAsDatesAndTimesWhereTheirFormatsSaySo) {
    const QString styles =
        R"(<styleSheet><numFmts><numFmt numFmtId="164" formatCode="dd/mm/yyyy\ hh:mm"/>)"
        R"(<numFmt numFmtId="165" formatCode="&quot;d&quot;0.00"/></numFmts><cellXfs><xf/>)"
        R"(<xf numFmtId="14"/><xf numFmtId="20"/><xf numFmtId="164"/><xf numFmtId="165"/></cellXfs></styleSheet>)";
    WriteXlsx(Path("dates.xlsx"),
              {{"A", SheetXml({{"A1", "n\" s=\"1", "<v>45366</v>"},
                               {"B1", "n\" s=\"4", "<v>2.5</v>"},
                               {"C1", "n\" s=\"2", "<v>0.4375</v>"},
                               {"D1", "n\" s=\"3", "<v>45366.4375</v>"}})}},
              {}, 0, styles);
    grid_.LoadFromXLS(Path("dates.xlsx"));
    EXPECT_EQ(GridRows(grid_), (Rows{{"15/03/2024", "2,5", "10:30:00", "15/03/2024 10:30:00"}}));
}

TEST(WorkbookNumberFormats, AnMRightAfterHoursOrRightBeforeSecondsIsMinutes) {
    using TKind = TWorkbookValue::TKind;
    for (const auto& [kind, codes] : std::vector<std::pair<TKind, QStringList>>{
             {TKind::Time,
              {"[$-409]mm:ss", "m:ss", "mm:ss.0", "\"min\" mm:ss", "[mm]:ss", "[h]:mm", "h:mm AM/PM"}},
             {TKind::Date, {"mm/dd/yy", "mmm yyyy"}},
             {TKind::DateTime, {"dd/mm/yyyy hh:mm:ss", "yyyy-mm-dd h:mm"}},
             {TKind::Number, {"0.00;[Red]mm:ss", "\"m\"0"}}})
        for (const QString& code : codes) EXPECT_EQ(NumberFormatKind(164, code), kind) << code.toStdString();
}

// A workbook of the older kind (BIFF5, its stream named "Book"), whose one cell holds the bytes given
// as text of the code page it names (none when 0).
QByteArray OlderXls(int codePage, const QByteArray& text) {
    const QByteArray globals = codePage ? Record(0x0042, U16(quint16(codePage))) : QByteArray();
    return CompoundDocument({{"Book", WorkbookStream({{"Plan1", Label5(0, 0, text)}}, globals, true)}}).Bytes;
}

TEST_F(WorkbookImport, OlderXlsTextIsReadInTheCodePageTheWorkbookNames) {
    const std::vector<std::tuple<int, QByteArray, const char*>> cases = {
        {1252, "\x80 10 \x93texto\x94 \x96 \x97 \x89 \x99 \x8C \x9C \x9F", "€ 10 “texto” – — ‰ ™ Œ œ Ÿ"},
        {1251, "\xCF\xF0\xE8\xE2\xE5\xF2", "Привет"},
        {850, "Recep\x87\xC6o", "Recepção"},
        {10000, "S\x8Bo Paulo", "São Paulo"},
        {0, "S\xE3o \x80", "São \u0080"}, // Latin-1
    };
    for (const auto& [codePage, bytes, text] : cases) {
        SCOPED_TRACE(codePage);
        QFile file(Path("old.xls"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(OlderXls(codePage, bytes));
        file.close();
        grid_.LoadFromXLS(file.fileName());
        EXPECT_EQ(GridRows(grid_), (Rows{{QString::fromUtf8(text)}}));
    }
}

struct TBadFileCase {
    const char* Name;
    QByteArray Bytes; // empty: no file at all
    QString Error;    // "%1" stands for the file's path
};

TEST_F(WorkbookImport, FilesNoReaderCanUseAreErrorsThatChangeNothing) {
    QByteArray notAWorkbook, farApart, large, manyStrings;
    {
        WriteZip(Path("archive.zip"), {{"readme.txt", "not a workbook"}});
        WriteXlsx(Path("far.xlsx"), {{"A", SheetXml({Number("A1", "1"), Number("XFD1000", "2")})}});
        WriteXlsx(Path("strings.xlsx"), {{"A", SheetXml({Shared("A1", 0)})}}, {}, 0, {},
                  "<sst>" + QByteArray("<si/>").repeated(inputlimits::kMaxCells + 1) + "</sst>");
        for (auto [name, bytes] : {std::pair{Path("archive.zip"), &notAWorkbook},
                                   {Path("far.xlsx"), &farApart},
                                   {Path("strings.xlsx"), &manyStrings},
                                   {CENTRPRG_SOURCE_DIR "/tests/grid/data/import-large.xls", &large}}) {
            QFile file(name);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            *bytes = file.readAll();
        }
    }
    const QString notWorkbook = QString::fromUtf8("O arquivo não é uma planilha (.xls ou .xlsx): %1"),
                  damaged =
                      QString::fromUtf8("A planilha está danificada ou incompleta e não pode ser lida: %1"),
                  tooLarge = QString::fromUtf8("A planilha é grande demais para ser importada: %1"),
                  codePage =
                      QString::fromUtf8("A planilha usa uma página de código que não pode ser lida: %1");
    const std::vector<TBadFileCase> cases = {
        {"a text file named .xlsx", "Ramal;Nome\r\n", notWorkbook},
        {"an empty file", "", notWorkbook},
        {"a zip archive without a workbook", notAWorkbook, damaged},
        {"a truncated workbook", farApart.left(farApart.size() * 2 / 3), damaged},
        {"a damaged compound document",
         QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, 'x'), damaged},
        {"two cells far apart", farApart, tooLarge},
        {"an xls sheet declaring too many cells", large, tooLarge},
        {"an xls workbook without a sheet", CompoundDocument({{"Workbook", WorkbookStream({})}}).Bytes,
         damaged},
        {"more shared strings than a workbook may hold", manyStrings, tooLarge},
        {"an older xls in a code page no reader has", OlderXls(932, "\x82\xA0"), codePage},
    };
    for (const TBadFileCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const QString path = Path("bad.xlsx");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.Bytes);
        file.close();
        EXPECT_EQ(ErrorOf([&] { grid_.LoadFromXLS(path); }), QString(c.Error).replace("%1", path));
        EXPECT_EQ(grid_.ColCount(), 4);
        EXPECT_EQ(grid_.GetGridCells(0, 0), "old");
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(ErrorOf([&] { grid_.LoadFromXLS(Path("absent.xlsx")); }),
              "Cannot open file " + Path("absent.xlsx"));
    ASSERT_EQ(mkfifo(QFile::encodeName(Path("fifo.xlsx")).constData(), 0600), 0);
    EXPECT_EQ(ErrorOf([&] { grid_.LoadFromXLS(Path("fifo.xlsx")); }),
              "Cannot open file " + Path("fifo.xlsx"));
}

} // namespace
