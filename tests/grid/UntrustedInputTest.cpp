// Input the grid cannot trust, from a cell text or a cell stream: files that are no regular files
// or too large, node levels, widths and heights far beyond any screen. Each load and paint returns
// at once and keeps what it takes within the grid's limits.
#include "GridTestSupport.h"
#include "grid/FilePicture.h"
#include "grid/GridError.h"
#include "grid/InputLimits.h"
#include "grid/PictureContainer.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class UntrustedInput : public testing::Test {
protected:
    UntrustedInput() {
        EXPECT_EQ(mkfifo(QFile::encodeName(Path("fifo")).constData(), 0600), 0);
        QFile big(Path("big.png"));
        EXPECT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(inputlimits::kMaxPictureBytes + 1));
        QImage(4, 4, QImage::Format_RGB32).save(Path("dot.png"));
    }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    // The cells of the source grid as the grid's stream, with the first column width replaced.
    QByteArray Stream(TVevIvizudEvar& source, qint32 firstWidth) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        source.SaveCellsToStream({0, 0, source.ColCount() - 1, source.RowCount() - 1}, buffer);
        QByteArray bytes = buffer.data();
        qToBigEndian(firstWidth, bytes.data() + 28); // header record 11 bytes, block record's 5 + 12
        return bytes;
    }
    void Load(TVevIvizudEvar& grid, QByteArray bytes) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        grid.LoadCellsFromStream({0, 0}, buffer);
    }

    QTemporaryDir dir_;
    TAdvancedGridWindow w_{4, 6};
};

// A picture named by a mini-HTML text is read once into the cache, and only from a regular file
// of a picture's size at most.
TEST_F(UntrustedInput, PicturesOfMiniHTMLTextsComeOnlyFromRegularFilesOnce) {
    const std::vector<std::pair<QString, bool>> sources = {
        {Path("fifo"), false}, {Path("big.png"), false}, {Path("dot.png"), true}};
    TVevIvizudEvar& grid = w_.Grid();
    for (const auto& [file, shown] : sources) {
        SCOPED_TRACE(file.toStdString());
        grid.SetGridCells(1, 1, "<IMG SRC=\"file://" + file + "\">");
        RenderOps(grid);
        const THTMLPicture* picture = grid.HTMLPictureCache().FindPicture("file://" + file);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(!picture->GetEmpty(), shown);
    }
    QFile::remove(Path("dot.png"));
    const auto ops = RenderOps(grid);
    EXPECT_TRUE(std::any_of(ops.begin(), ops.end(),
                            [](const TCanvasOp& op) { return op.Kind == TCanvasOpKind::Image; }));
}

// Loading cells opens no file; painting reads only a regular file.
TEST_F(UntrustedInput, AFilePictureFromAStreamIsNotOpenedWhileLoading) {
    TVevIvizudEvar source;
    source.SetColCount(2);
    source.SetRowCount(2);
    for (const QString& file : {Path("fifo"), Path("big.png")}) {
        TCellGraphic* graphic = source.CreateCellGraphic(1, 1);
        graphic->CellType = TCellType::ctFilePicture;
        auto picture = std::make_unique<TFilePicture>();
        picture->SetFilename(file);
        graphic->SetObject(std::move(picture));
        Load(w_.Grid(), Stream(source, 64));
        EXPECT_EQ(w_.Grid().GetCellGraphicExtent(1, 1), (TPoint{0, 0}));
        RenderOps(w_.Grid());
    }
}

// Node levels, widths and heights from a stream are cut to what the grid paints in bounded time
// and arithmetic.
TEST_F(UntrustedInput, NodeLevelsAndSizesFromAStreamAreCutToTheGridsLimits) {
    TVevIvizudEvar source;
    source.SetColCount(2);
    source.SetRowCount(3);
    source.GetCellProperties(0, 2)->NodeLevel = 100'000;
    source.SetGridCells(1, 2, "deep");
    TVevIvizudEvar& grid = w_.Grid();
    grid.AddNode(1, 2);
    Load(grid, Stream(source, 0x7FFFFFFF));
    EXPECT_EQ(grid.ColWidths(0), TGridAxis::kMaxSize);
    EXPECT_EQ(grid.CellProperties(0, 2)->NodeLevel, TCellProperties::kMaxNodeLevel);
    EXPECT_LT(RenderOps(grid).size(), 5000u);
    grid.SetRowHeights(1, -5);
    grid.SetRowHeights(2, 1 << 30);
    EXPECT_EQ(grid.RowHeights(1), 0);
    EXPECT_EQ(grid.RowHeights(2), TGridAxis::kMaxSize);
}

} // namespace
