// How much the grid takes from outside (files, streams, the clipboard, drops): limits sized for a
// desktop, checked before anything is kept, so that a damaged or hostile input is refused with a
// message instead of exhausting the memory or the time of the program.
#pragma once

#include <QtGlobal>

namespace inputlimits {

// Cells a cell stream's block or a workbook's range may size the grid to, and cells a delimited
// file or a paste (text or the grid's own format) may write as rows times the columns they reach:
// four times what the grid holds in about 90 MB.
constexpr qint64 kMaxCells = qint64(1) << 22;
// Bytes of a cell stream read from a device that cannot seek (it is read whole first).
constexpr qint64 kMaxStreamBytes = qint64(256) << 20;
// Bytes of a picture file a cell or a mini-HTML text shows.
constexpr qint64 kMaxPictureBytes = qint64(64) << 20;
// Bytes of a delimited text file.
constexpr qint64 kMaxTextFileBytes = qint64(256) << 20;
// Bytes of a workbook file, and of one part of it once unpacked.
constexpr qint64 kMaxWorkbookBytes = qint64(128) << 20;
constexpr qint64 kMaxWorkbookPartBytes = qint64(128) << 20;
// Bytes (in UTF-16) of the text a workbook's strings and cells may hold.
constexpr qint64 kMaxWorkbookTextBytes = qint64(128) << 20;

} // namespace inputlimits
