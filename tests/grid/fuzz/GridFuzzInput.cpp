#include "GridFuzzInput.h"

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
template <typename TWork> bool OnGrid(TWork work) {
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
    return seeds;
}

// Line ends, quotes, encodings, and files just beyond the cell limit (a file beyond the byte limit
// is refused from its size, and too long for a seed).
std::vector<TGridFuzzSeed> DelimitedSeeds() {
    const qsizetype beyond = qsizetype(inputlimits::kMaxCells) + 1;
    return {
        {"quoted", R"(a,"b""c",d)"
                   "\r\n"
                   R"("x,y",2,"open)"
                   "\r\n"
                   R"(1,"q"tail,3)"
                   "\r\n"},
        {"lf-and-cr", "a;b\n1;2\r\n3\n;4\r5"},
        {"cr", "a|b\r1|2\r"},
        {"utf8-bom", "\xEF\xBB\xBFS\xC3\xA3o\t\xE2\x82\xAC\r\nx\ty\r\n"},
        {"windows-1252", "S\xE3o;\x80;\x93"
                         "aspas\x94\r\n"},
        {"no-delimiter", "alpha\r\n\r\nbeta"},
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
        return OnGrid([&](TVevIvizudEvar& grid) {
            grid.LoadFromCSV(file.fileName());
            grid.FloatingFooter.Visible = true;
            grid.OemConvert = true;
            grid.LoadDelimited(file.fileName(), true);
        });
    return OnGrid([&](TVevIvizudEvar& grid) { grid.LoadFromXLS(file.fileName()); });
}

std::vector<TGridFuzzSeed> MakeGridFuzzSeeds(TGridFuzzKind kind) {
    if (kind == TGridFuzzKind::CellStream) return StreamSeeds();
    if (kind == TGridFuzzKind::Xlsx) return XlsxSeeds();
    if (kind == TGridFuzzKind::Delimited) return DelimitedSeeds();
    std::vector<TGridFuzzSeed> seeds;
    if (kind == TGridFuzzKind::Xls) // made by scripts/make-workbook-fixture
        for (const char* name : {"import.xls", "import-large.xls"})
            seeds.push_back(
                {name, ReadFile(QString::fromUtf8(CENTRPRG_SOURCE_DIR "/tests/grid/data/") + name)});
    else
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
