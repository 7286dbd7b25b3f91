// Reading one stream out of a compound document (the container of ".xls" workbooks), held in
// memory, whatever it claims: every offset, chain and size is checked against the bytes there are.
//
// Layout (little-endian): a 512-byte header, then sectors of 2^shift bytes (sector n at
// (n + 1) << shift; with 4,096-byte sectors the header fills the first 4,096 bytes). Header fields
// used: signature D0 CF 11 E0 A1 B1 1A E1 at 0, sector shift u16 at 0x1E (9 or 12), mini sector
// shift u16 at 0x20 (6), number of FAT sectors u32 at 0x2C, first directory sector u32 at 0x30,
// mini stream cutoff u32 at 0x38 (4096), first mini FAT sector u32 at 0x3C, first DIFAT sector
// u32 at 0x44, the first 109 DIFAT entries u32 at 0x4C. The DIFAT lists the sectors of the FAT, as
// many as the header counts (free entries, 0xFFFFFFFF, passed over); a DIFAT sector holds (sector
// size / 4 - 1) entries and the next DIFAT sector. The FAT gives each sector's successor
// (0xFFFFFFFE ends a chain). The directory is a chain of 128-byte entries: name in UTF-16 at 0 (its byte
// length, terminator included, u16 at 0x40), type u8 at 0x42 (2 stream, 5 root), first sector u32 at 0x74,
// size at 0x78 (u32; the high half is ignored). Streams below the cutoff live in the mini stream (the root
// entry's chain) in 64-byte mini sectors chained by the mini FAT.
//
// A sound document gives each sector to one chain at most: the DIFAT, the FAT sectors, the
// directory, the mini FAT, the mini stream and the stream read are disjoint, and none of them
// loops. A chain that visits a sector twice, leaves the file (or the mini stream) or ends before
// its stream's size makes the document damaged, so a chain is followed for at most as many steps
// as the file has sectors (the mini stream's size / 64 for mini sectors). The file may end within
// its last sector, which then holds what it has, but a FAT or DIFAT sector must be whole.
#pragma once

#include <QByteArray>
#include <QStringList>
#include <optional>

// The stream of the first of the names (compared ignoring letter case) the document has; nothing
// when it has none of them or is damaged.
std::optional<QByteArray> ReadCompoundStream(const QByteArray& document, const QStringList& names);
