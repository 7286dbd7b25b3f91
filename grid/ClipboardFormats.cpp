// The formats a copy of TVevIvizudEvar puts on the clipboard beside its text, and the choice of
// format when pasting.
//
// A copy always offers the cells as text (ClipboardText.cpp). With Navigation.AllowRTFClipboard
// it also offers the first copied cell's rich text as "text/rtf" (and "application/rtf") when that
// cell holds rich text ("{\"); with Navigation.AllowFmtClipboard it offers the copied cells as the
// grid's own format, a cell stream (CellStream.h) under the MIME type CellsClipboardFormat().
//
// A paste takes, in this order: the grid's format (with AllowFmtClipboard), rich text (with
// AllowRTFClipboard; it goes as one text into the cell pasted at), plain text. Whatever the format,
// nothing is pasted unless the grid takes pastes (editing on, AllowClipboardAlways or
// RangeSelectAndEdit), and each cell is pasted as a text paste pastes it: only into a cell that may
// be edited (any cell with AllowClipboardAlways) and after OnClipboardBeforePasteCell allows it.
// A cell stream of a whole grid replaces the whole grid.
#include "grid/AdvancedGrid.h"
#include "grid/GridError.h"
#include "grid/TextUtils.h"

#include "platform/ui/Clipboard.h"

#include <QBuffer>

namespace {

const QString kRichTextAlias = QStringLiteral("application/rtf");

// Rich text travels as 7-bit text: a character beyond ASCII is written as \uN? (N a signed 16-bit
// code unit, "?" its stand-in for readers that do not know \u).
QByteArray RichTextBytes(const QString& rtf) {
    QByteArray bytes;
    bytes.reserve(rtf.size());
    for (const QChar ch : rtf) {
        if (ch.unicode() < 0x80)
            bytes += char(ch.unicode());
        else
            bytes += "\\u" + QByteArray::number(qint16(ch.unicode())) + '?';
    }
    return bytes;
}

// The rich text of clipboard data: the bytes up to a NUL, each byte a character.
QString RichTextOf(const QByteArray& bytes) {
    const qsizetype end = bytes.indexOf('\0');
    return QString::fromLatin1(end < 0 ? bytes : bytes.left(end));
}

} // namespace

QString TVevIvizudEvar::CellsClipboardFormat() {
    static const QString format = TClipboard::RegisterFormat(QStringLiteral("TVevIvizudEvar Cells"));
    return format;
}

void TVevIvizudEvar::CopyFormatsToClipboard(const std::vector<int>& cols, const std::vector<int>& rows) {
    if (cols.empty() || rows.empty()) return;
    if (Navigation.AllowRTFClipboard) {
        const QString first = GetGridCells(DisplToRealCol(cols.front()), rows.front());
        if (first.contains(QStringLiteral("{\\")))
            Clipboard().SetData(TClipboard::RichTextFormat(), RichTextBytes(first));
    }
    if (Navigation.AllowFmtClipboard) {
        QByteArray cells;
        QBuffer buffer(&cells);
        buffer.open(QIODevice::WriteOnly);
        SaveCells(cols, rows, buffer);
        Clipboard().SetData(CellsClipboardFormat(), cells);
    }
}

int TVevIvizudEvar::PasteRichText(int col, int row, const QString& rtf) {
    if (!MayPasteInto(col, row)) return 1;
    QString value = rtf;
    if (!AllowPastedCell(DisplToRealCol(col), row, value)) return 1;
    SetDisplayCell(col, row, value);
    CellsChanged({DisplToRealCol(col), row, DisplToRealCol(col), row});
    return 1;
}

// Whatever the format, a paste that runs out of memory is refused as one beyond the limits is, the
// grid as it was (a whole grid's cell stream replaces the grid: what it loaded stays).
int TVevIvizudEvar::PasteFromClipboardAt(int col, int row) {
    if (col < 0 || row < 0 || !MayPasteHere()) return 0;
    try {
        if (Navigation.AllowFmtClipboard && Clipboard().HasFormat(CellsClipboardFormat())) {
            QByteArray cells = Clipboard().Data(CellsClipboardFormat());
            QBuffer buffer(&cells);
            buffer.open(QIODevice::ReadOnly);
            return LoadCells({col, row}, buffer, true);
        }
        if (Navigation.AllowRTFClipboard) {
            for (const QString& format : {TClipboard::RichTextFormat(), kRichTextAlias})
                if (Clipboard().HasFormat(format))
                    return PasteRichText(col, row, RichTextOf(Clipboard().Data(format)));
        }
        if (!Clipboard().HasFormat(QStringLiteral("text/plain"))) return 0;
        return PasteText(col, row, UpToZero(Clipboard().AsText()));
    } catch (const std::bad_alloc&) {
        // One cell's text is written whole or not at all.
        throw EVozAvozError(ClipboardTooLarge().toStdString());
    }
}
