// The cell stream: a block saved and loaded elsewhere keeps every cell as it was; a whole grid
// replaces the grid it is loaded into; damaged and truncated streams raise and keep what was read
// before the damage, whatever the damage.
#include "grid/CellStream.h"
#include "CellSheet.h"
#include "grid/GridError.h"

#include <QBuffer>
#include <gtest/gtest.h>
#include <random>

using namespace cellsheet;

namespace {

constexpr const char* kDamaged = "O bloco de células está danificado e não pode ser carregado";
constexpr const char* kEndsEarly = "O bloco de células termina antes do fim";

class CellStream : public testing::Test {
protected:
    CellStream() {
        QImage(7, 5, QImage::Format_RGB32).save(dir_.filePath("p.png"));
        source_.SetColCount(5);
        source_.SetRowCount(7);
        FillSheet(source_, dir_.filePath("p.png"));
    }
    QByteArray Save(TVevIvizudEvar& grid, const TGridRect& rect) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        grid.SaveCellsToStream(rect, buffer);
        return bytes;
    }
    static void Load(TVevIvizudEvar& grid, TGridCoord dest, QByteArray bytes) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        grid.LoadCellsFromStream(dest, buffer);
    }
    // The message of the error a load raises; empty when it raises none.
    static std::string LoadError(TVevIvizudEvar& grid, TGridCoord dest, const QByteArray& bytes) {
        try {
            Load(grid, dest, bytes);
        } catch (const EVozAvozError& e) {
            return e.what();
        }
        return {};
    }
    QTemporaryDir dir_;
    TVevIvizudEvar source_;
};

TEST_F(CellStream, ABlockLoadedElsewhereKeepsEveryCellAsItWas) {
    TVevIvizudEvar target;
    target.SetColCount(7);
    target.SetRowCount(9);
    Load(target, {3, 2}, Save(source_, kSheet));
    for (int r = kSheet.Top; r <= kSheet.Bottom; ++r)
        for (int c = kSheet.Left; c <= kSheet.Right; ++c)
            EXPECT_EQ(Describe(target, c + 2, r + 1), Describe(source_, c, r)) << c << "," << r;
    EXPECT_TRUE(target.IsMergedCell(4, 6));
    EXPECT_EQ(target.GetGridCells(4, 6), "merged");
    EXPECT_TRUE(target.Verify());
}

// The cells of the block keep their places even when its first row and column are empty.
TEST_F(CellStream, ABlockKeepsItsShapeWhenItsFirstCellsAreEmpty) {
    TVevIvizudEvar target;
    target.SetColCount(5);
    target.SetRowCount(7);
    Load(target, {1, 1}, Save(source_, {0, 0, 2, 1}));
    EXPECT_EQ(target.Cells(3, 2), "plain");
    EXPECT_EQ(target.Cells(1, 1), "");
}

TEST_F(CellStream, PicturesTheCellOnlyBorrowsStayOut) {
    TBitmap lent = *Picture(3, 3, qRgb(1, 2, 3));
    Graphic(source_, 4, 6, TCellType::ctBitmap)->SetObject(&lent);
    TVevIvizudEvar target;
    target.SetColCount(5);
    target.SetRowCount(7);
    Load(target, {0, 0}, Save(source_, {4, 6, 4, 6}));
    ASSERT_TRUE(target.HasCellProperties(0, 0));
    EXPECT_EQ(target.GetCellGraphic(0, 0), nullptr);
}

TEST_F(CellStream, AWholeGridReplacesTheGridWithItsSizeAndLoadsAtItsOrigin) {
    source_.SetColWidths(2, 91);
    source_.SetRowHeights(3, 33);
    TVevIvizudEvar target;
    target.SetColCount(2);
    target.SetRowCount(4);
    target.SetGridCells(1, 1, "old");
    target.GetCellProperties(0, 2)->SetBrushColor(clRed);
    target.SetGridCells(1, 3, "hidden");
    target.HideRow(3);
    Load(target, {1, 1}, Save(source_, {0, 0, 4, 6}));
    EXPECT_EQ(target.NumHiddenRows(), 0);
    EXPECT_EQ(target.ColCount(), 5);
    EXPECT_EQ(target.RowCount(), 7);
    EXPECT_EQ(target.ColWidths(2), 91);
    EXPECT_EQ(target.RowHeights(3), 33);
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(Describe(target, c, r), Describe(source_, c, r)) << c << "," << r;
    EXPECT_TRUE(target.Verify());
}

TEST_F(CellStream, CellsThatWouldFallOutsideTheGridAreLeftOut) {
    TVevIvizudEvar target;
    target.SetColCount(3);
    target.SetRowCount(3);
    Load(target, {1, 1}, Save(source_, kSheet));
    EXPECT_EQ(target.ColCount(), 3);
    EXPECT_EQ(target.RowCount(), 3);
    EXPECT_EQ(Describe(target, 2, 1), Describe(source_, 2, 1));
    EXPECT_EQ(Describe(target, 2, 2), Describe(source_, 2, 2));
    EXPECT_TRUE(target.Verify());
}

// A contracted node's child rows are not in the block: it comes back expanded, and counted.
TEST_F(CellStream, ANodeComesBackExpanded) {
    TVevIvizudEvar grid;
    grid.SetColCount(2);
    grid.SetRowCount(8);
    grid.AddNode(1, 3);
    grid.ContractNode(1);
    const QByteArray bytes = Save(grid, {0, 1, 1, 1});
    Load(grid, {0, 4}, bytes);
    EXPECT_TRUE(grid.IsNode(4));
    EXPECT_FALSE(grid.GetNodeState(4));
    EXPECT_EQ(grid.NodeCount(), 2);
    EXPECT_TRUE(grid.Verify());
}

TEST_F(CellStream, SavingReportsEachNewPercentageOfRows) {
    std::vector<int> seen;
    source_.OnFileProgress = [&](QObject*, short percent) { seen.push_back(percent); };
    Save(source_, {0, 0, 4, 6});
    EXPECT_EQ(seen, (std::vector<int>{14, 29, 43, 57, 71, 86, 100}));
}

TEST_F(CellStream, ABlockOutsideTheGridIsRefused) {
    EXPECT_THROW(Save(source_, {0, 0, 5, 1}), EVozAvozError);
    EXPECT_THROW(Save(source_, {0, 3, 1, 2}), EVozAvozError);
}

// ---- Damage ----------------------------------------------------------------------------------------

// A column of numbered texts: the cells loaded from a damaged copy must be its first ones.
class DamagedStream : public CellStream {
protected:
    DamagedStream() {
        column_.SetColCount(1);
        column_.SetRowCount(40);
        for (int r = 0; r < 40; ++r) column_.SetGridCells(0, r, QString("cell %1").arg(r));
        bytes_ = Save(column_, {0, 0, 0, 39});
    }
    // The number of rows loaded in order from row 0; every row after them must be empty.
    static int LoadedPrefix(TVevIvizudEvar& grid) {
        int loaded = 0;
        while (loaded < grid.RowCount() && grid.Cells(0, loaded) == QString("cell %1").arg(loaded)) ++loaded;
        for (int r = loaded; r < grid.RowCount(); ++r) EXPECT_EQ(grid.Cells(0, r), "") << r;
        return loaded;
    }
    TVevIvizudEvar column_;
    QByteArray bytes_;
};

TEST_F(DamagedStream, ATruncatedStreamRaisesAndKeepsTheCellsBeforeTheCut) {
    for (qsizetype cut = 0; cut < bytes_.size(); cut += 7) {
        TVevIvizudEvar grid;
        grid.SetColCount(1);
        grid.SetRowCount(40);
        const std::string error = LoadError(grid, {0, 0}, bytes_.left(cut));
        EXPECT_EQ(error, kEndsEarly) << cut;
        const int loaded = LoadedPrefix(grid);
        if (cut > bytes_.size() / 2) {
            EXPECT_GT(loaded, 0) << cut;
        }
    }
}

struct TDamageCase {
    const char* what;
    qsizetype offset; // from the start (negative: from the end)
    QByteArray bytes; // written there
    const char* error;
};

class StreamDamage : public DamagedStream, public testing::WithParamInterface<TDamageCase> {};

TEST_P(StreamDamage, IsReportedClearly) {
    const TDamageCase& d = GetParam();
    QByteArray bytes = bytes_;
    bytes.replace(d.offset < 0 ? bytes.size() + d.offset : d.offset, d.bytes.size(), d.bytes);
    TVevIvizudEvar grid;
    grid.SetColCount(1);
    grid.SetRowCount(40);
    EXPECT_EQ(LoadError(grid, {0, 0}, bytes), d.error) << d.what;
    LoadedPrefix(grid);
}

// The header record: kind (1), length (4), magic (4), version (2); the block record: kind, length,
// column count (4) ...; the end record: kind, length, count (4).
INSTANTIATE_TEST_SUITE_P(
    Cases, StreamDamage,
    testing::Values(TDamageCase{"not a stream", 5, "XXXX", "Os dados não são um bloco de células"},
                    TDamageCase{"a newer version", 9, QByteArray("\x00\x02", 2),
                                "O bloco de células é de uma versão mais nova e não pode ser carregado"},
                    TDamageCase{"a record of an unknown kind", -9, "Z", kDamaged},
                    TDamageCase{"a count of cells that does not match", -1, "\x07", kDamaged},
                    TDamageCase{"a block of more cells than a grid takes", 16, "\x7f\xff\xff\xff",
                                "O bloco de células é grande demais para ser carregado"},
                    TDamageCase{"a record longer than the stream", -8, "\x7f", kEndsEarly}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& ch : name)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

// Whatever is done to the bytes, a load either succeeds or raises the grid's error, and the grid
// stays sound.
TEST_F(CellStream, RandomlyDamagedStreamsNeverBreakTheGrid) {
    const QByteArray good = Save(source_, {0, 0, 4, 6});
    const QByteArray block = Save(source_, kSheet);
    std::mt19937 random(27);
    int raised = 0;
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes = round % 2 ? good : block;
        const int damages = 1 + int(random() % 4);
        for (int i = 0; i < damages && !bytes.isEmpty(); ++i) {
            const qsizetype at = qsizetype(random() % quint32(bytes.size()));
            switch (random() % 4) {
            case 0: // a changed byte
                bytes[at] = char(random());
                break;
            case 1: // cut short
                bytes.truncate(at);
                break;
            case 2: // bytes put in
                bytes.insert(at, QByteArray(1 + int(random() % 8), char(random())));
                break;
            default: // bytes taken out
                bytes.remove(at, 1 + qsizetype(random() % 16));
                break;
            }
        }
        TVevIvizudEvar grid;
        grid.SetColCount(6);
        grid.SetRowCount(8);
        grid.SetGridCells(5, 7, "kept");
        try {
            Load(grid, {1, 1}, bytes);
        } catch (const EVozAvozError&) {
            ++raised;
        }
        ASSERT_TRUE(grid.Verify()) << round;
    }
    EXPECT_GT(raised, 300);
}

} // namespace
