// Saving a block of TVevIvizudEvar's cells to a stream and loading it back; the format is
// described in CellStream.h.
//
// Loading writes each cell as soon as all of its records have been read, so a truncated or damaged
// stream raises EVozAvozError (that it ends early, or that it is damaged) and leaves the
// cells read before the damage in place. A stream of the whole grid (FullGrid) clears the grid
// (hidden and filtered rows shown first, so that none of the old rows stays behind) and gives it
// the stream's size, widths and heights, and always loads at (0, 0). Other cells that
// would fall outside the grid are left out. The merged blocks of the stream are merged again once
// all of their cells are loaded.
#include "grid/CellStream.h"

#include "grid/AdvancedGrid.h"
#include "grid/DelimitedImport.h"
#include "grid/FilePicture.h"
#include "grid/GridError.h"
#include "grid/InputLimits.h"
#include "platform/os/LngText.h"
#include "platform/ui/UiServices.h"

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

using namespace cellstream;

namespace {

// The refusals a person sees when cells are pasted or dropped, in the tool's language.
[[noreturn]] void Damaged() {
    throw EVozAvozError(
        TrText(LngText("O bloco de células está danificado e não pode ser carregado")).toStdString());
}

[[noreturn]] void TooLarge() {
    throw EVozAvozError(
        TrText(LngText("O bloco de células é grande demais para ser carregado")).toStdString());
}

[[noreturn]] void EndsEarly() {
    throw EVozAvozError(TrText(LngText("O bloco de células termina antes do fim")).toStdString());
}

[[noreturn]] void NotAStream() {
    throw EVozAvozError(TrText(LngText("Os dados não são um bloco de células")).toStdString());
}

[[noreturn]] void NewerVersion() {
    throw EVozAvozError(
        TrText(LngText("O bloco de células é de uma versão mais nova e não pode ser carregado"))
            .toStdString());
}

// Records are built in a buffer so that their length can go first.
class TRecordWriter {
public:
    explicit TRecordWriter(QIODevice& device) : out_(&device), buffer_(&payload_) {
        out_.setVersion(QDataStream::Qt_6_0);
        buffer_.open(QIODevice::WriteOnly);
        fields_.setDevice(&buffer_);
        fields_.setVersion(QDataStream::Qt_6_0);
    }

    QDataStream& Begin(TRecordKind kind) {
        kind_ = kind;
        payload_.resize(0);
        buffer_.seek(0);
        return fields_;
    }

    void End() {
        out_ << quint8(kind_) << quint32(payload_.size());
        out_.writeRawData(payload_.constData(), int(payload_.size()));
        if (out_.status() != QDataStream::Ok)
            throw EVozAvozError(TrText(LngText("Não foi possível gravar o bloco de células")).toStdString());
    }

private:
    QDataStream out_;
    QByteArray payload_;
    QBuffer buffer_;
    QDataStream fields_;
    TRecordKind kind_ = rkEnd;
};

// Reads records one by one; every read is checked against the bytes the record has.
class TRecordReader {
public:
    explicit TRecordReader(QIODevice& device) {
        if (device.isSequential()) {
            data_ = device.read(inputlimits::kMaxStreamBytes + 1);
            if (data_.size() > inputlimits::kMaxStreamBytes) TooLarge();
            buffer_.setBuffer(&data_);
            buffer_.open(QIODevice::ReadOnly);
            in_.setDevice(&buffer_);
        } else {
            in_.setDevice(&device);
        }
        in_.setVersion(QDataStream::Qt_6_0);
    }

    // The next record's kind; its fields are read next.
    quint8 Next() {
        QIODevice& device = *in_.device();
        if (recordEnd_ >= 0 && !device.seek(recordEnd_)) EndsEarly();
        if (device.bytesAvailable() < 5) EndsEarly();
        quint8 kind = 0;
        quint32 length = 0;
        in_ >> kind >> length;
        if (qint64(length) > device.bytesAvailable()) EndsEarly();
        recordEnd_ = device.pos() + qint64(length);
        return kind;
    }

    template <typename T> T Read() {
        if (Left() < qint64(sizeof(T))) Damaged();
        T value{};
        in_ >> value;
        return value;
    }
    bool ReadBool() { return Read<quint8>() != 0; }
    // Leaves the device after the current record.
    void Finish() { in_.device()->seek(recordEnd_); }
    // A value of an enumeration whose last value is given.
    template <typename E> E ReadEnum(E last) {
        const quint8 value = Read<quint8>();
        if (value > quint8(last)) Damaged();
        return E(value);
    }
    QString ReadString() {
        const quint32 bytes = Read<quint32>();
        if (bytes == 0xFFFFFFFF) return {};
        if (bytes % 2 != 0 || qint64(bytes) > Left()) Damaged();
        Back(4);
        QString value;
        in_ >> value;
        return value;
    }
    QByteArray ReadBytes() {
        const quint32 bytes = Read<quint32>();
        if (bytes == 0xFFFFFFFF) return {};
        if (qint64(bytes) > Left()) Damaged();
        QByteArray value(qsizetype(bytes), Qt::Uninitialized);
        if (in_.readRawData(value.data(), int(bytes)) != int(bytes)) Damaged();
        return value;
    }
    // A count of items that each take at least itemBytes of the record.
    quint32 ReadCount(int itemBytes) {
        const quint32 count = Read<quint32>();
        if (qint64(count) * itemBytes > Left()) Damaged();
        return count;
    }

private:
    qint64 Left() const { return recordEnd_ - in_.device()->pos(); }
    void Back(qint64 bytes) { in_.device()->seek(in_.device()->pos() - bytes); }

    QByteArray data_;
    QBuffer buffer_;
    QDataStream in_;
    qint64 recordEnd_ = -1;
};

void WriteImage(QDataStream& out, const TBitmap* bitmap) {
    QByteArray png;
    if (bitmap && !bitmap->Empty()) {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        bitmap->Image().save(&buffer, "PNG");
    }
    out << png;
}

std::unique_ptr<TBitmap> ReadImage(TRecordReader& in) {
    const QByteArray png = in.ReadBytes();
    QImage image;
    if (!png.isEmpty() && !image.loadFromData(png, "PNG")) Damaged();
    return std::make_unique<TBitmap>(std::move(image));
}

// The record kind of the object a graphic of the type owns; rkEnd for none.
TRecordKind ObjectKind(TCellType type) {
    switch (type) {
    case TCellType::ctBitmap:
    case TCellType::ctBitButton:
        return rkBitmap;
    case TCellType::ctIcon:
        return rkIcon;
    case TCellType::ctPicture:
        return rkPicture;
    case TCellType::ctRadio:
    case TCellType::ctImages:
        return rkStringList;
    case TCellType::ctFilePicture:
        return rkFilePicture;
    default:
        return rkEnd;
    }
}

// A graphic goes into the stream with its object only when it owns that object.
bool StreamsGraphic(const TCellGraphic& g) {
    switch (g.CellType) {
    case TCellType::ctEmpty:
        return false;
    case TCellType::ctBitmap:
    case TCellType::ctBitButton:
    case TCellType::ctPicture:
        return g.OwnsObject() && g.Object<TBitmap>();
    case TCellType::ctIcon:
        return g.OwnsIcon() && g.Icon<TBitmap>();
    case TCellType::ctRadio:
        return g.OwnsObject() && g.Object<QStringList>();
    case TCellType::ctImages:
        return g.OwnsObject() && g.Object<TIntList>();
    case TCellType::ctFilePicture:
        return g.OwnsObject() && g.Object<TFilePicture>();
    default:
        return true;
    }
}

void WriteProperties(QDataStream& out, const TCellProperties& p, bool hasGraphic) {
    out << quint8(p.BrushStyle) << quint32(p.BrushColor()) << quint32(p.BrushColorTo()) << qint32(p.FontSize)
        << quint32(p.FontColor) << quint8(p.FontStyle.Bits()) << qint32(p.CellSpanY) << qint32(p.CellSpanX)
        << qint32(p.BorderWidth) << quint32(p.BorderColor) << quint8(p.Alignment) << quint8(p.VAlignment())
        << p.WordWrap() << p.IsBaseCell << qint32(p.NodeLevel) << quint8(p.Editor) << p.FontName << p.ReadOnly
        << quint8(p.CalcType) << hasGraphic;
}

void WriteGraphic(QDataStream& out, const TCellGraphic& g) {
    out << quint8(g.CellType) << quint8(g.CellVAlign) << quint8(g.CellHAlign) << qint32(g.CellIndex)
        << g.CellTransparent << g.CellCreated << g.CellBoolean << qint32(g.CellAngle) << g.CellValue
        << qint16(g.CellErrFrom) << qint16(g.CellErrLen) << g.CellText;
}

void WriteObject(TRecordWriter& writer, const TCellGraphic& g) {
    const TRecordKind kind = ObjectKind(g.CellType);
    if (kind == rkEnd) return;
    QDataStream& out = writer.Begin(kind);
    switch (kind) {
    case rkBitmap:
    case rkPicture:
        WriteImage(out, g.Object<TBitmap>());
        break;
    case rkIcon:
        WriteImage(out, g.Icon<TBitmap>());
        break;
    case rkStringList: {
        QStringList items;
        if (g.CellType == TCellType::ctRadio) {
            items = *g.Object<QStringList>();
        } else {
            const TIntList& images = *g.Object<TIntList>();
            for (int i = 0; i < images.Count(); ++i) items << QString::number(images.Item(i));
        }
        out << quint32(items.size());
        for (const QString& item : items) out << item;
        break;
    }
    case rkFilePicture: {
        const TFilePicture& picture = *g.Object<TFilePicture>();
        out << picture.Filename() << qint32(picture.Width()) << qint32(picture.Height());
        break;
    }
    default:
        break;
    }
    writer.End();
}

// One cell as read from the stream, applied only once all of its records are in.
struct TLoadedCell {
    TGridCellIO Cell;
    std::unique_ptr<TCellProperties> Properties;
    std::unique_ptr<TCellGraphic> Graphic; // the fields; the object comes separately
    std::unique_ptr<TBitmap> Image;
    QStringList Items;
    QString FileName;
};

void ReadProperties(TRecordReader& in, TLoadedCell& cell) {
    auto p = std::make_unique<TCellProperties>(nullptr, -1, -1);
    p->BrushStyle = in.ReadEnum(TBrushStyle::bsDiagCross);
    p->SetBrushColor(in.Read<quint32>());
    p->SetBrushColorTo(in.Read<quint32>());
    p->FontSize = in.Read<qint32>();
    p->FontColor = in.Read<quint32>();
    const quint8 styles = in.Read<quint8>();
    if (styles > 0x0F) Damaged();
    p->FontStyle = TFontStyles::FromBits(styles);
    p->CellSpanY = in.Read<qint32>();
    p->CellSpanX = in.Read<qint32>();
    p->BorderWidth = in.Read<qint32>();
    p->BorderColor = in.Read<quint32>();
    p->Alignment = in.ReadEnum(TAlignment::taCenter);
    p->SetVAlignment(in.ReadEnum(TVAlignment::vtaBottom));
    p->SetWordWrap(in.ReadBool());
    p->IsBaseCell = in.ReadBool();
    p->NodeLevel = std::clamp<qint32>(in.Read<qint32>(), 0, TCellProperties::kMaxNodeLevel);
    p->Editor = in.ReadEnum(TEditorType::edUniComboList);
    p->FontName = in.ReadString();
    p->ReadOnly = in.ReadBool();
    p->CalcType = in.Read<quint8>();
    const bool hasGraphic = in.ReadBool();
    if (p->CellSpanX < -1 || p->CellSpanY < -1 || (p->CellSpanX == -1) != (p->CellSpanY == -1)) Damaged();
    if (hasGraphic) cell.Graphic = std::make_unique<TCellGraphic>();
    cell.Properties = std::move(p);
}

void ReadGraphic(TRecordReader& in, TCellGraphic& g) {
    g.CellType = in.ReadEnum(TCellType::ctSummary);
    g.CellVAlign = in.ReadEnum(TCellVAlign::vaFull);
    g.CellHAlign = in.ReadEnum(TCellHAlign::haFull);
    g.CellIndex = in.Read<qint32>();
    g.CellTransparent = in.ReadBool();
    g.CellCreated = in.ReadBool();
    g.CellBoolean = in.ReadBool();
    g.CellAngle = in.Read<qint32>();
    g.CellValue = in.Read<double>();
    g.CellErrFrom = in.Read<qint16>();
    g.CellErrLen = in.Read<qint16>();
    g.CellText = in.ReadString();
    if (g.CellType == TCellType::ctEmpty) Damaged();
}

void ReadObject(TRecordReader& in, TRecordKind kind, TLoadedCell& cell) {
    switch (kind) {
    case rkBitmap:
    case rkIcon:
    case rkPicture:
        cell.Image = ReadImage(in);
        break;
    case rkStringList: {
        const quint32 count = in.ReadCount(4);
        for (quint32 i = 0; i < count; ++i) cell.Items << in.ReadString();
        if (cell.Graphic->CellType == TCellType::ctImages)
            for (const QString& item : std::as_const(cell.Items)) {
                bool ok = false;
                item.toInt(&ok);
                if (!ok) Damaged();
            }
        break;
    }
    case rkFilePicture:
        cell.FileName = in.ReadString();
        in.Read<qint32>(); // the width and height the picture had: read again from the file
        in.Read<qint32>();
        break;
    default:
        Damaged();
    }
}

// The cell and the records that belong to it.
TLoadedCell ReadCell(TRecordReader& in, const TGridPropIO& block) {
    TLoadedCell cell;
    cell.Cell.Col = in.Read<qint32>();
    cell.Cell.Row = in.Read<qint32>();
    cell.Cell.Cell = in.ReadString();
    cell.Cell.HasProp = in.ReadBool();
    if (cell.Cell.Col < 0 || cell.Cell.Row < 0 || cell.Cell.Col >= block.ColCount ||
        cell.Cell.Row >= block.RowCount)
        Damaged();
    if (!cell.Cell.HasProp) return cell;
    if (in.Next() != rkProperties) Damaged();
    ReadProperties(in, cell);
    if (!cell.Graphic) return cell;
    if (in.Next() != rkGraphic) Damaged();
    ReadGraphic(in, *cell.Graphic);
    if (const TRecordKind kind = ObjectKind(cell.Graphic->CellType); kind != rkEnd) {
        if (in.Next() != kind) Damaged();
        ReadObject(in, kind, cell);
    }
    return cell;
}

std::vector<qint32> ReadSizes(TRecordReader& in, qint32 expected) {
    const quint32 count = in.ReadCount(4);
    if (qint64(count) != expected) Damaged();
    std::vector<qint32> sizes(count);
    for (qint32& size : sizes) {
        size = in.Read<qint32>();
        if (size < 0) Damaged();
    }
    return sizes;
}

TGridPropIO ReadStart(TRecordReader& in) {
    if (in.Next() != rkHeader || in.Read<quint32>() != kMagic) NotAStream();
    if (in.Read<quint16>() > kVersion) NewerVersion();
    if (in.Next() != rkBlock) Damaged();
    TGridPropIO block;
    block.ColCount = in.Read<qint32>();
    block.RowCount = in.Read<qint32>();
    if (block.ColCount < 0 || block.RowCount < 0) Damaged();
    // The block sizes the grid (a whole grid) or makes it grow (a paste).
    if (qint64(std::max(block.ColCount, 1)) * std::max(block.RowCount, 1) > inputlimits::kMaxCells)
        TooLarge();
    block.ColWidths = ReadSizes(in, block.ColCount);
    block.RowHeights = ReadSizes(in, block.RowCount);
    block.FullGrid = in.ReadBool();
    block.ID = in.Read<qint32>();
    if (block.FullGrid && (block.ColCount < 1 || block.RowCount < 1)) Damaged();
    return block;
}

int NextStreamId() {
    static int last = 0;
    return ++last;
}

} // namespace

// ---- Saving ----------------------------------------------------------------------------------------

void TVevIvizudEvar::SaveCellsToStream(const TGridRect& rect, QIODevice& stream) {
    if (rect.Left < 0 || rect.Right >= ColCount() || rect.Left > rect.Right)
        throw EVozAvozError("Invalid column accessed");
    if (rect.Top < 0 || rect.Bottom >= RowCount() || rect.Top > rect.Bottom)
        throw EVozAvozError("Invalid row accessed");
    std::vector<int> cols, rows;
    for (int c = rect.Left; c <= rect.Right; ++c) cols.push_back(c);
    for (int r = rect.Top; r <= rect.Bottom; ++r) rows.push_back(r);
    SaveCells(cols, rows, stream);
}

void TVevIvizudEvar::SaveCells(const std::vector<int>& cols, const std::vector<int>& rows,
                               QIODevice& stream) {
    if (streamId_ == 0) streamId_ = NextStreamId();
    TRecordWriter writer(stream);
    writer.Begin(rkHeader) << kMagic << kVersion;
    writer.End();
    QDataStream& block = writer.Begin(rkBlock);
    block << qint32(cols.size()) << qint32(rows.size()) << quint32(cols.size());
    for (int c : cols) block << qint32(ColWidths(c));
    block << quint32(rows.size());
    for (int r : rows) block << qint32(RowHeights(r));
    block << (int(cols.size()) == ColCount() && int(rows.size()) == RowCount()) << qint32(streamId_);
    writer.End();

    qint32 written = 0;
    int lastPercent = -1;
    for (size_t i = 0; i < rows.size(); ++i) {
        const int r = rows[i];
        for (size_t j = 0; j < cols.size(); ++j) {
            const int realCol = DisplToRealCol(cols[j]);
            const QString& text = Cells(realCol, r);
            const TCellProperties* p = CellProperties(realCol, r);
            if (text.isEmpty() && !p) continue;
            writer.Begin(rkCell) << qint32(j) << qint32(i) << text << (p != nullptr);
            writer.End();
            ++written;
            if (!p) continue;
            const TCellGraphic* graphic = p->CellGraphic.get();
            const bool hasGraphic = graphic && StreamsGraphic(*graphic);
            WriteProperties(writer.Begin(rkProperties), *p, hasGraphic);
            writer.End();
            if (!hasGraphic) continue;
            WriteGraphic(writer.Begin(rkGraphic), *graphic);
            writer.End();
            WriteObject(writer, *graphic);
        }
        if (OnFileProgress) {
            const int percent = int(std::lround(double(i + 1) * 100 / double(rows.size())));
            if (percent != lastPercent) FileProgress(short(lastPercent = percent));
        }
    }
    writer.Begin(rkEnd) << written;
    writer.End();
}

// ---- Loading ---------------------------------------------------------------------------------------

void TVevIvizudEvar::LoadCellsFromStream(TGridCoord dest, QIODevice& stream) {
    LoadCells(dest, stream, false);
}

int TVevIvizudEvar::LoadCells(TGridCoord dest, QIODevice& stream, bool paste) {
    if (dest.X < 0) throw EVozAvozError("Invalid column accessed");
    if (dest.Y < 0) throw EVozAvozError("Invalid row accessed");
    TRecordReader in(stream);
    const TGridPropIO block = ReadStart(in);
    // A paste into the grid is counted as a text paste is; it is taken back when memory runs out.
    if (paste && !block.FullGrid) CheckPasteSize(dest.X, block.RowCount, block.ColCount, ClipboardTooLarge());
    TStructureChange change(*this); // an open editor writes its value first
    std::optional<TPasteUndo> undo;
    if (paste && !block.FullGrid) undo.emplace(*this, dest.X, dest.Y, block.ColCount, block.RowCount);

    if (block.FullGrid) {
        // The grid becomes the stream's: rows kept out of view come back to be cleared too.
        if (FilterActive()) SetFilterActive(false);
        UnHideRowsAll();
        ClearAll();
        SetRowCount(block.RowCount);
        SetColCount(block.ColCount);
        for (int c = 0; c < block.ColCount; ++c) SetColWidths(c, block.ColWidths[size_t(c)]);
        for (int r = 0; r < block.RowCount; ++r) SetRowHeights(r, block.RowHeights[size_t(r)]);
        ForgetRowOrder(); // the stream's rows stand in the order before sorting
        dest = {0, 0};
    } else if (paste) {
        // The grid grows as a text paste does: rows above the footer rows, columns at the end.
        const int usable = DataRowEnd();
        undo->SetInsertRow(usable);
        if (Navigation.AllowClipboardRowGrow && dest.Y < usable && dest.Y + block.RowCount > usable)
            InsertRows(usable, dest.Y + block.RowCount - usable);
        if (Navigation.AllowClipboardColGrow && dest.X < ColCount() && dest.X + block.ColCount > ColCount())
            SetColCount(dest.X + block.ColCount);
    }

    // The blocks met (display base cell → spans) and how many of their other cells were loaded.
    std::map<std::pair<int, int>, TGridCoord> blocks;
    std::map<std::pair<int, int>, int> membersLoaded;
    TGridRect loaded{ColCount(), RowCount(), -1, -1};

    auto apply = [&](TLoadedCell& cell) {
        const int col = dest.X + cell.Cell.Col, row = dest.Y + cell.Cell.Row;
        if (col >= ColCount() || row >= RowCount()) return;
        const int realCol = DisplToRealCol(col);
        QString text = cell.Cell.Cell;
        if (paste && ((!block.FullGrid && !MayPasteInto(col, row)) || !AllowPastedCell(realCol, row, text)))
            return;
        if (IsBaseCellAt(realCol, row))
            SetGridCells(realCol, row, text);
        else
            SetCells(realCol, row, text); // a member of a block already there keeps its block's text
        if (undo && cell.Properties) undo->NoteProperties(realCol, row, cell.Graphic != nullptr);
        if (TCellProperties* from = cell.Properties.get()) {
            TCellProperties* to = GetCellProperties(realCol, row);
            const TGridCoord span{from->CellSpanX, from->CellSpanY};
            const bool base = from->IsBaseCell;
            // The cell keeps its own place in the blocks of the grid; the stream's blocks are
            // merged afterwards.
            from->CellSpanX = to->CellSpanX, from->CellSpanY = to->CellSpanY,
            from->IsBaseCell = to->IsBaseCell;
            from->Control = to->Control;
            to->Assign(*from);
            to->SetBrushColorTo(from->BrushColorTo());
            if (span.X >= 0 && base && cell.Cell.Col + span.X < block.ColCount &&
                cell.Cell.Row + span.Y < block.RowCount && (span.X > 0 || span.Y > 0))
                blocks[{col, row}] = span;
            else if (span.X >= 0 && !base)
                ++membersLoaded[{col - span.X, row - span.Y}];
        }
        if (TCellGraphic* from = cell.Graphic.get()) {
            TCellGraphic* g = CreateCellGraphic(realCol, row);
            g->Assign(*from);
            switch (g->CellType) {
            case TCellType::ctBitmap:
            case TCellType::ctBitButton:
            case TCellType::ctPicture:
                g->SetObject(std::move(cell.Image));
                break;
            case TCellType::ctIcon:
                g->SetIcon(std::move(cell.Image));
                break;
            case TCellType::ctRadio:
                g->SetObject(std::make_unique<QStringList>(cell.Items));
                break;
            case TCellType::ctImages: {
                auto images = std::make_unique<TIntList>();
                for (const QString& item : std::as_const(cell.Items)) images->Add(item.toInt());
                g->SetObject(std::move(images));
                break;
            }
            case TCellType::ctFilePicture: {
                auto picture = std::make_unique<TFilePicture>();
                picture->SetFilename(cell.FileName);
                g->SetObject(std::move(picture));
                break;
            }
            case TCellType::ctNode:
                // A node comes expanded (the rows it had hidden are not part of the block), its
                // span cut to the rows there are.
                g->CellBoolean = false;
                if (realCol == 0) {
                    g->CellIndex = std::clamp(g->CellIndex, 0, RealRowCount() - DisplToRealRow(row));
                    ++nodeCount_;
                }
                break;
            default:
                break;
            }
        }
        loaded = {std::min(loaded.Left, col), std::min(loaded.Top, row), std::max(loaded.Right, col),
                  std::max(loaded.Bottom, row)};
    };

    auto finish = [&]() {
        for (const auto& [at, span] : blocks) {
            const auto [col, row] = at;
            if (membersLoaded[at] != (span.X + 1) * (span.Y + 1) - 1) continue;
            if (col + span.X >= ColCount() || row + span.Y >= RowCount()) continue;
            if (undo) undo->NoteBlocks(DisplToRealCol(col), row, span.X + 1, span.Y + 1);
            MergeCells(DisplToRealCol(col), row, span.X + 1, span.Y + 1);
        }
        if (loaded.Right >= 0)
            CellsChanged(
                {DisplToRealCol(loaded.Left), loaded.Top, DisplToRealCol(loaded.Right), loaded.Bottom});
    };

    qint32 cells = 0;
    try {
        try {
            for (;;) {
                const quint8 kind = in.Next();
                if (kind == rkEnd) {
                    if (in.Read<qint32>() != cells) Damaged();
                    in.Finish();
                    break;
                }
                if (kind != rkCell) Damaged();
                TLoadedCell cell = ReadCell(in, block);
                ++cells;
                apply(cell);
            }
        } catch (const std::bad_alloc&) {
            if (!undo) finish();
            throw;
        } catch (...) {
            finish(); // the cells read before the damage stay
            throw;
        }
        finish();
    } catch (const std::bad_alloc&) {
        if (!undo) throw;
        undo->Undo();
        throw EVozAvozError(ClipboardTooLarge().toStdString());
    }
    return int(std::min<qint64>(qint64(block.ColCount) * block.RowCount, std::numeric_limits<int>::max()));
}
