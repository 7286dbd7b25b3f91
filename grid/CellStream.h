// The cell stream: a block of the grid's cells with their texts, properties and graphics, as
// SaveCellsToStream writes it, LoadCellsFromStream reads it and the grid's own clipboard format
// carries it.
//
// Format (version 1). A sequence of records written with QDataStream (Qt 6.0 encoding, big-endian
// integers, strings as a quint32 byte count (0xFFFFFFFF: null) followed by UTF-16 code units):
//
//   record := kind: quint8, length: quint32, payload: length bytes
//
// A payload may be longer than the fields listed below: fields added to a record later go at its
// end, and a reader skips what it does not know. The records come in this order:
//
//   'H' header          magic quint32 0x56434C53, version quint16 (a reader refuses a newer one)
//   'B' block           ColCount qint32, RowCount qint32, ColWidths (count quint32, then qint32
//                       each), RowHeights (likewise), FullGrid bool, ID qint32 (the source grid)
//   then, for each cell of the block that has a text or properties, row by row, left to right:
//   'C' cell            Col qint32, Row qint32 (the cell's place within the block, from 0),
//                       Cell QString (the text stored in the cell), HasProp bool
//   'P' properties      when HasProp: BrushStyle quint8, BrushColor quint32, BrushColorTo quint32,
//                       FontSize qint32, FontColor quint32, FontStyle quint8 (bits of the styles),
//                       CellSpanY qint32, CellSpanX qint32, BorderWidth qint32, BorderColor
//                       quint32, Alignment quint8, VAlignment quint8, WordWrap bool, IsBaseCell
//                       bool, NodeLevel qint32, Editor quint8, FontName QString, ReadOnly bool,
//                       CalcType quint8, HasGraphic bool
//   'G' graphic         when HasGraphic: CellType quint8, CellVAlign quint8, CellHAlign quint8,
//                       CellIndex qint32, CellTransparent bool, CellCreated bool, CellBoolean bool,
//                       CellAngle qint32, CellValue double, CellErrFrom qint16, CellErrLen qint16,
//                       CellText QString
//   then, by the graphic's type, the object it owns:
//   'M' bitmap          ctBitmap, ctBitButton: the image as PNG (QByteArray; empty for none)
//   'I' icon            ctIcon: likewise
//   'X' picture         ctPicture: likewise
//   'L' string list     ctRadio: the items; ctImages: the image indexes as decimal texts
//                       (count quint32, then QString each)
//   'F' file picture    ctFilePicture: Filename QString, Width qint32, Height qint32
//   'E' end             the number of cell records qint32; nothing after it is read
//
// A graphic is written when the cell has one that is not ctEmpty; a graphic of a type that holds
// an object (bitmap, icon, picture, file picture, radio items, image indexes) only when it owns
// that object (a picture the application lends to the cell stays with the application).
//
// What a reader takes: a block of at most inputlimits::kMaxCells cells, node levels cut to
// 0..TCellProperties::kMaxNodeLevel, widths and heights as the grid limits them; a file picture's
// file is not opened while the cells load (a larger block is refused as too large).
//
// A cell's place and the merged blocks: the cell's own position in the source grid is not kept;
// the properties' spans tell which cells formed a block, and a block is merged again where it is
// loaded when all of its cells were loaded there.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <vector>

namespace cellstream {

constexpr quint32 kMagic = 0x56434C53;
constexpr quint16 kVersion = 1;

enum TRecordKind : quint8 {
    rkHeader = 'H',
    rkBlock = 'B',
    rkCell = 'C',
    rkProperties = 'P',
    rkGraphic = 'G',
    rkBitmap = 'M',
    rkIcon = 'I',
    rkPicture = 'X',
    rkStringList = 'L',
    rkFilePicture = 'F',
    rkEnd = 'E'
};

} // namespace cellstream

// The block record.
struct TGridPropIO {
    qint32 ColCount = 0, RowCount = 0;
    std::vector<qint32> ColWidths, RowHeights;
    bool FullGrid = false;
    qint32 ID = 0;
};

// The cell record.
struct TGridCellIO {
    qint32 Col = 0, Row = 0;
    QString Cell;
    bool HasProp = false;
};
