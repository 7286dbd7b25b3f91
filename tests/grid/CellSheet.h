// A block of cells of every kind the cell stream carries (texts, properties, every graphic with
// its object, a merged block), written into a grid by the stream and clipboard tests, and a
// description of a cell that names everything the stream should keep.
#pragma once

#include "grid/AdvancedGrid.h"
#include "grid/FilePicture.h"

#include <QImage>
#include <QTemporaryDir>

namespace cellsheet {

// The sheet covers columns 1..3 and rows 1..5 of a grid of at least 5 x 7.
constexpr TGridRect kSheet{1, 1, 3, 5};

inline std::unique_ptr<TBitmap> Picture(int width, int height, QRgb corner) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(qRgb(255, 255, 255));
    image.setPixel(0, 0, corner);
    return std::make_unique<TBitmap>(std::move(image));
}

inline TCellGraphic* Graphic(TVevIvizudEvar& grid, int col, int row, TCellType type) {
    TCellGraphic* graphic = grid.CreateCellGraphic(col, row);
    graphic->CellType = type;
    return graphic;
}

// Fills the sheet; pictureFile is a picture file on disk for the file picture.
inline void FillSheet(TVevIvizudEvar& grid, const QString& pictureFile) {
    grid.SetGridCells(2, 1, "plain");
    grid.SetGridCells(3, 1, QString::fromUtf8("ação\r\nsecond line \"quoted\""));
    TCellProperties* look = grid.GetCellProperties(1, 2);
    grid.SetGridCells(1, 2, "look");
    look->SetBrushColor(clRed);
    look->SetBrushColorTo(clBlue);
    look->BrushStyle = TBrushStyle::bsCross;
    look->FontSize = 13;
    look->FontColor = clGreen;
    look->FontStyle = {TFontStyle::fsBold, TFontStyle::fsItalic};
    look->FontName = "DejaVu Serif";
    look->BorderWidth = 2;
    look->BorderColor = clPurple;
    look->Alignment = TAlignment::taCenter;
    look->SetVAlignment(TVAlignment::vtaBottom);
    look->SetWordWrap(true);
    look->NodeLevel = 2;
    look->Editor = TEditorType::edSpinEdit;
    look->ReadOnly = true;
    look->CalcType = 3;

    TCellGraphic* check = Graphic(grid, 2, 2, TCellType::ctCheckBox);
    check->CellBoolean = true;
    check->CellHAlign = TCellHAlign::haAfterText;
    grid.SetGridCells(2, 2, "check");
    TCellGraphic* radio = Graphic(grid, 3, 2, TCellType::ctRadio);
    radio->SetObject(std::make_unique<QStringList>(QStringList{"one", "two", "três"}));
    radio->CellIndex = 1;
    TCellGraphic* images = Graphic(grid, 1, 3, TCellType::ctImages);
    auto indexes = std::make_unique<TIntList>();
    for (int i : {3, 1, 4}) indexes->Add(i);
    images->SetObject(std::move(indexes));
    images->CellBoolean = true;
    TCellGraphic* picture = Graphic(grid, 2, 3, TCellType::ctPicture);
    picture->SetObject(Picture(4, 3, qRgb(255, 0, 0)));
    picture->CellAngle = 2;
    picture->CellIndex = 1;
    TCellGraphic* file = Graphic(grid, 3, 3, TCellType::ctFilePicture);
    auto filePicture = std::make_unique<TFilePicture>();
    filePicture->SetFilename(pictureFile);
    file->SetObject(std::move(filePicture));
    TCellGraphic* icon = Graphic(grid, 1, 4, TCellType::ctIcon);
    icon->SetIcon(Picture(2, 2, qRgb(0, 0, 255)));
    TCellGraphic* button = Graphic(grid, 2, 4, TCellType::ctBitButton);
    button->SetObject(Picture(5, 5, qRgb(0, 255, 0)));
    button->CellIndex = (18 << 16) | 40;
    button->CellValue = double((2 << 16) | 3);
    TCellGraphic* comment = Graphic(grid, 3, 4, TCellType::ctComment);
    comment->CellText = "a note";
    comment->CellErrFrom = 2;
    comment->CellErrLen = 3;
    comment->CellTransparent = true;
    comment->CellVAlign = TCellVAlign::vaCenter;
    grid.SetGridCells(1, 5, "merged");
    grid.MergeCells(1, 5, 2, 1);
    grid.GetCellProperties(3, 5)->SetBrushColor(clYellow); // properties, no text
}

inline QString Image(const TBitmap* bitmap) {
    if (!bitmap) return "none";
    return QString("%1x%2 %3").arg(bitmap->Width()).arg(bitmap->Height()).arg(bitmap->Pixel(0, 0), 0, 16);
}

// Everything of a cell the stream keeps: the text it stores, its properties, its graphic and the
// graphic's object.
inline QString Describe(const TVevIvizudEvar& grid, int col, int row) {
    QString d = grid.Cells(col, row);
    const TCellProperties* p = grid.CellProperties(col, row);
    if (!p) return d;
    d += QString(" | brush %1 %2 %3 font %4 %5 %6 %7 border %8 %9 align %10 %11 wrap %12 merge %13 %14 %15 "
                 "level %16 editor %17 readonly %18 calc %19")
             .arg(p->BrushColor())
             .arg(p->BrushColorTo())
             .arg(int(p->BrushStyle))
             .arg(p->FontSize)
             .arg(p->FontColor)
             .arg(p->FontStyle.Bits())
             .arg(p->FontName)
             .arg(p->BorderWidth)
             .arg(p->BorderColor)
             .arg(int(p->Alignment))
             .arg(int(p->VAlignment()))
             .arg(p->WordWrap())
             .arg(p->IsBaseCell)
             .arg(p->CellSpanX)
             .arg(p->CellSpanY)
             .arg(p->NodeLevel)
             .arg(int(p->Editor))
             .arg(p->ReadOnly)
             .arg(p->CalcType);
    const TCellGraphic* g = p->CellGraphic.get();
    if (!g) return d;
    d += QString(" | graphic %1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11 %12")
             .arg(int(g->CellType))
             .arg(int(g->CellVAlign))
             .arg(int(g->CellHAlign))
             .arg(g->CellIndex)
             .arg(g->CellTransparent)
             .arg(g->CellBoolean)
             .arg(g->CellAngle)
             .arg(g->CellValue)
             .arg(g->CellErrFrom)
             .arg(g->CellErrLen)
             .arg(g->CellText)
             .arg(g->OwnsObject() || g->OwnsIcon());
    if (const TBitmap* b = g->Object<TBitmap>()) d += " bitmap " + Image(b);
    if (const TBitmap* b = g->Icon<TBitmap>()) d += " icon " + Image(b);
    if (const QStringList* items = g->Object<QStringList>()) d += " items " + items->join(',');
    if (const TIntList* images = g->Object<TIntList>()) d += " images " + images->Text();
    if (const TFilePicture* f = g->Object<TFilePicture>())
        d += QString(" file %1 %2x%3").arg(f->Filename()).arg(f->Width()).arg(f->Height());
    return d;
}

} // namespace cellsheet
