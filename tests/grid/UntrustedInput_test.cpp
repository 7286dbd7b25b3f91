// Files named by a cell from outside (a picture of a mini-HTML text, a file picture loaded with a
// cell stream): only a regular file of a picture's size is read, and loading opens nothing. Node
// levels, widths and heights from a stream: the fuzzers' seeds (FuzzSeeds_test.cpp).
#include "GridTestSupport.h"
#include "grid/FilePicture.h"
#include "grid/InputLimits.h"
#include "grid/PictureContainer.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

TEST(UntrustedInput, OnlyRegularFilesOfAPicturesSizeAreReadAndLoadingOpensNothing) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo"), big = dir.filePath("big.png"), dot = dir.filePath("dot.png");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile(big).open(QIODevice::WriteOnly) &&
                QFile::resize(big, inputlimits::kMaxPictureBytes + 1));
    QImage(4, 4, QImage::Format_RGB32).save(dot);
    TVevIvizudEvar grid;
    for (const QString& file : {fifo, big, dot}) {
        grid.SetGridCells(1, 1, "<IMG SRC=\"file://" + file + "\">");
        RenderOps(grid);
        EXPECT_EQ(grid.HTMLPictureCache().FindPicture("file://" + file)->GetEmpty(), file != dot);
    }
    TCellGraphic* graphic = grid.CreateCellGraphic(1, 1);
    graphic->CellType = TCellType::ctFilePicture;
    graphic->SetObject(std::make_unique<TFilePicture>());
    graphic->Object<TFilePicture>()->SetFilename(fifo);
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    grid.SaveCellsToStream({1, 1, 1, 1}, stream);
    stream.seek(0);
    grid.LoadCellsFromStream({2, 2}, stream);
    EXPECT_EQ(grid.GetCellGraphicExtent(2, 2), (TPoint{0, 0}));
    RenderOps(grid);
}

} // namespace
