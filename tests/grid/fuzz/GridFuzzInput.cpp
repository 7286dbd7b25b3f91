#include "GridFuzzInput.h"

#include "XlsFiles.h"
#include "XlsxFiles.h"
#include "grid/AdvancedGrid.h"
#include "grid/GridError.h"
#include "grid/HTMLDraw.h"
#include "grid/InputLimits.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <stdexcept>

namespace {

constexpr const char* kNames[] = {"cellstream", "xlsx", "xls", "html", "delimited"};

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// The work on a grid with a node and a merged block (an EVozAvozError is the clean answer to a bad
// input), then the checks and a paint.
template <typename TWork> bool OnGrid(TWork work, bool cellsWithoutNul = false) {
    TVevIvizudEvar grid;
    grid.resize(320, 240);
    grid.SetColCount(5);
    grid.SetRowCount(6);
    for (int r = 1; r < 6; ++r) grid.SetGridCells(1, r, QString::number(r));
    grid.AddNode(1, 3);
    grid.MergeCells(2, 4, 2, 2);
    try {
        work(grid);
    } catch (const EVozAvozError&) {
    }
    bool bounded = true; // what the grid took from the input stays within its limits
    for (int r = 0; r < grid.RowCount(); ++r)
        bounded &= grid.RowHeights(r) <= TGridAxis::kMaxSize &&
                   (!grid.CellProperties(0, r) ||
                    grid.CellProperties(0, r)->NodeLevel <= TCellProperties::kMaxNodeLevel);
    for (int c = 0; c < grid.ColCount(); ++c) bounded &= grid.ColWidths(c) <= TGridAxis::kMaxSize;
    for (int r = 0; cellsWithoutNul && r < grid.RowCount(); ++r)
        for (int c = 0; c < grid.ColCount(); ++c) bounded &= !grid.GetGridCells(c, r).contains(QChar(0));
    QImage image(grid.size(), QImage::Format_ARGB32);
    grid.render(&image);
    return bounded && grid.Verify();
}

std::vector<TGridFuzzSeed> StreamSeeds() {
    std::vector<TGridFuzzSeed> seeds;
    OnGrid([&](TVevIvizudEvar& grid) {
        grid.GetCellProperties(1, 2)->SetBrushColor(clRed);
        TCellGraphic* radio = grid.CreateCellGraphic(4, 1);
        radio->CellType = TCellType::ctRadio;
        radio->SetObject(std::make_unique<QStringList>(QStringList{"a", "b"}));
        for (int level : {1, 10'000'000}) { // once painted level by level
            grid.GetCellProperties(0, 3)->NodeLevel = level;
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            grid.SaveCellsToStream({0, 0, 4, 5}, buffer);
            seeds.push_back({"level-" + std::to_string(level), buffer.data()});
        }
    });
    qToBigEndian<qint32>(0x7FFFFFFF, seeds[1].Input.data() + 28); // the first width, after 11 + 5 + 12 bytes
    seeds.push_back({"cut", seeds[1].Input.left(seeds[1].Input.size() / 2)});
    return seeds;
}

std::vector<TGridFuzzSeed> XlsxSeeds() {
    using namespace xlsxfiles;
    static QTemporaryDir folder;
    std::vector<TGridFuzzSeed> seeds;
    for (const std::vector<TCellXml>& cells : {std::vector<TCellXml>{Shared("A1", 0),
                                                                     Inline("B1", "x_x000D_y"),
                                                                     {"B2", "b", "<v>1</v>"},
                                                                     {"C2", "n\" s=\"1", "<v>45366.5</v>"},
                                                                     {"D2", "d", "<v>2024-03-15</v>"},
                                                                     {"A3", "e", "<v>#N/A</v>"},
                                                                     {"B3", "str", "<v>f</v>"}},
                                               {Number("A2147483647", "1")},
                                               {Number("A1", "1"), Number("XFD1000", "2")}}) {
        WriteXlsx(folder.filePath("seed"), {{"A", SheetXml({Inline("A1", "a")})}, {"B", SheetXml(cells)}},
                  {"s"}, 1,
                  R"(<styleSheet><cellXfs><xf numFmtId="0"/><xf numFmtId="22"/></cellXfs></styleSheet>)");
        seeds.push_back({"book-" + std::to_string(seeds.size()), ReadFile(folder.filePath("seed"))});
    }
    // Minutes and seconds; many shared strings (as many as a workbook may hold take seconds to
    // refuse, ten times that with the fuzzers' sanitizers: the import tests read those).
    WriteXlsx(folder.filePath("seed"),
              {{"A", SheetXml({{"A1", "n\" s=\"1", "<v>0.75</v>"}, Shared("B1", 0)})}}, {}, 0,
              R"(<styleSheet><numFmts><numFmt numFmtId="164" formatCode="[$-409]mm:ss"/></numFmts>)"
              R"(<cellXfs><xf/><xf numFmtId="164"/></cellXfs></styleSheet>)",
              "<sst>" + QByteArray("<si/>").repeated(100'000) + "</sst>");
    seeds.push_back({"strings", ReadFile(folder.filePath("seed"))});
    return seeds;
}

std::vector<TGridFuzzSeed> XlsSeeds() {
    using namespace xlsfiles;
    std::vector<TGridFuzzSeed> seeds;
    for (const char* name : {"import.xls", "import-large.xls"}) // made by scripts/make-workbook-fixture
        seeds.push_back({name, ReadFile(QString::fromUtf8(CENTRPRG_SOURCE_DIR "/tests/grid/data/") + name)});
    // Two sheets, the second shown; shared strings, one running on into a CONTINUE record with
    // two bytes per character; a time format; enough cells to leave the mini stream.
    const QByteArray globals =
        Record(0x041E, U16(164) + String8("[$-409]mm:ss")) +
        Record(0x00E0, U16(0) + U16(0) + QByteArray(16, '\0')) +
        Record(0x00E0, U16(0) + U16(164) + QByteArray(16, '\0')) +
        Record(0x003D, QByteArray(10, '\0') + U16(1) + QByteArray(6, '\0')) +
        Record(0x00FC,
               U32(2) + U32(2) + String8(QString::fromUtf8("único")) + U16(8) + QByteArray(1, 0) + "Rec") +
        Record(0x003C, QByteArray(1, 1) + QByteArray(reinterpret_cast<const char*>(u"epção"), 10));
    QByteArray cells = Label(0, 0, "Ramal") + Record(0x00FD, Cell(0, 1) + U32(1)) + Number(1, 0, 0.75, 1) +
                       Record(0x0205, Cell(1, 1) + QByteArray("\x01\x00", 2)) +
                       Record(0x027E, Cell(2, 0) + U32(0x1F5 << 2 | 2));
    for (int r = 3; r < 300; ++r) cells += Number(r, 2, r);
    const QByteArray stream = WorkbookStream({{"Ramais", Label(0, 0, "a")}, {"Troncos", cells}}, globals);
    seeds.push_back({"biff8", CompoundDocument({{"Workbook", stream}}).Bytes});
    TCompound looping = CompoundDocument({{"Workbook", stream}});
    looping.Link(looping.Streams[0][6], looping.Streams[0][2]);
    seeds.push_back({"biff8-chain-loops", looping.Bytes});
    TCompound directory = CompoundDocument({{"Workbook", stream}}, 12, 0); // the FAT through a DIFAT sector
    seeds.push_back({"biff8-4096", directory.Bytes});
    directory.Link(directory.Directory[0], directory.Directory[0]);
    seeds.push_back({"biff8-4096-directory-loops", directory.Bytes});
    const QByteArray old =
        WorkbookStream({{"Plan1", Label5(0, 0, "\x80 10 \x93texto\x94")}}, Record(0x0042, U16(1252)), true);
    seeds.push_back({"biff5-1252", CompoundDocument({{"Book", old}}).Bytes});
    return seeds;
}

// Line ends, quotes, encodings, and files just beyond the cell limit (a file beyond the byte limit
// is refused from its size, and too long for a seed).
std::vector<TGridFuzzSeed> DelimitedSeeds() {
    const qsizetype beyond = qsizetype(inputlimits::kMaxCells) + 1;
    return {
        {"quoted", "a,\"b\"\"c\",d\r\n\"x,y\",2,\"open\r\n1,\"q\"tail,3\r\n"},
        {"lf-and-cr", "a;b\n1;2\r\n3\n;4\r5"},
        {"cr", "a|b\r1|2\r"},
        {"utf8-bom", "\xEF\xBB\xBFS\xC3\xA3o\t\xE2\x82\xAC\r\nx\ty\r\n"},
        {"windows-1252", "S\xE3o;\x80;\x93texto\x94\r\n"},
        {"no-delimiter", "alpha\r\n\r\nbeta"},
        {"quoted-line-breaks", "id,nota\n1,\"um\r\ndois\"\n2,\"a\rb\nc\"\n3,\"open\n4,x\n"},
        {"utf16le-no-mark", QByteArray("a\0;\0b\0\r\0\n\0\"\0x\0\n\0y\0\"\0;\0\0\0", 24)},
        {"utf16be-no-mark", QByteArray("\0a\0,\0b\0\n\0001\0,\0002", 14)},
        {"utf32le-mark", QByteArray("\xFF\xFE\0\0a\0\0\0;\0\0\0b\0\0\0\n\0\0\0", 20)},
        {"utf32be-mark", QByteArray("\0\0\xFE\xFF\0\0\0a\0\0\0\t\0\0\0b", 16)},
        {"empty", ""},
        {"lines-times-fields-beyond", QByteArray(",,,,,,,x\r\n").repeated(beyond / 8 + 1)},
        {"one-line-beyond", QByteArray(beyond, ',')},
    };
}

} // namespace

TGridFuzzKind GridFuzzKindNamed(const std::string& name) {
    for (size_t i = 0; i < std::size(kNames); ++i)
        if (kNames[i] == name) return TGridFuzzKind(i);
    throw std::invalid_argument("no grid fuzzer " + name);
}

bool RunGridInput(TGridFuzzKind kind, std::span<const unsigned char> input) {
    QByteArray bytes(reinterpret_cast<const char*>(input.data()), qsizetype(input.size()));
    static QTemporaryDir folder;
    if (kind == TGridFuzzKind::CellStream)
        return OnGrid([&](TVevIvizudEvar& grid) {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            grid.LoadCellsFromStream({1, 1}, buffer);
            buffer.seek(0);
            grid.LoadCellsFromStream({0, 0}, buffer);
        });
    if (kind == TGridFuzzKind::Html)
        return OnGrid([&](TVevIvizudEvar& grid) {
            grid.SetColWidths(2, 200);
            grid.SetGridCells(2, 2, QString::fromUtf8(bytes));
            TCanvas canvas;
            HTMLDrawEx(canvas, QString::fromUtf8(bytes), {0, 0, 200, 0}, nullptr, 0, 0, -1, 0, 1, false, true,
                       false, false, false, false, true, false, 0.0, clBlue, clNone, clNone, clGray);
        });
    QFile file(folder.filePath(QString("input.") + kNames[size_t(kind)]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + file.fileName().toStdString());
    file.close();
    if (kind == TGridFuzzKind::Delimited)
        return OnGrid(
            [&](TVevIvizudEvar& grid) {
                grid.LoadFromCSV(file.fileName());
                grid.FloatingFooter.Visible = true;
                grid.OemConvert = true;
                grid.LoadDelimited(file.fileName(), true);
            },
            true);
    return OnGrid([&](TVevIvizudEvar& grid) { grid.LoadFromXLS(file.fileName()); });
}

std::vector<TGridFuzzSeed> MakeGridFuzzSeeds(TGridFuzzKind kind) {
    if (kind == TGridFuzzKind::CellStream) return StreamSeeds();
    if (kind == TGridFuzzKind::Xlsx) return XlsxSeeds();
    if (kind == TGridFuzzKind::Xls) return XlsSeeds();
    if (kind == TGridFuzzKind::Delimited) return DelimitedSeeds();
    std::vector<TGridFuzzSeed> seeds;
    if (kind == TGridFuzzKind::Html)
        for (
            const char* text :
            {R"(<B>b</B><I>i</I><S>s</S><FONT FACE="Arial" SIZE="3" COLOR="clRed" BGCOLOR="#00FF00">f</FONT><BR><HR>)",
             R"(<P ALIGN="CENTER" INDENT="10" BGCOLOR="clYellow">p</P><A HREF="x">a</A><E>e</E><SUB>2</SUB><R A="90">)",
             R"(<LI><LI><LI><UL><UL><UL></UL></UL></UL></UL></UL></LI>)",
             R"(<IMG SRC="idx:0"><IMG SRC="file:///dev/zero"><CONTROL TYPE="EDIT" WIDTH="60" ID="e" VALUE="v">)",
             R"(<BODY BGCOLOR="clBlue"><IND x="100000"><P INDENT="2000000000">&amp;&nbsp;<#x><Z>z</Z>)"})
            seeds.push_back({"text-" + std::to_string(seeds.size()), QByteArray(text)});
    return seeds;
}
