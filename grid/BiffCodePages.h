// The code pages an ".xls" workbook names in its CODEPAGE record, as text decoders: the strings of
// the older (BIFF5) workbooks are bytes in that page. Known here are the single-byte pages: the
// Windows ANSI pages (874, 1250-1258), the DOS pages (437, 737, 775, 850-869), the Macintosh pages
// (10000 and 32768 Roman, 10006 Greek, 10007 Cyrillic, 10029 Central European, 10081 Turkish),
// KOI8 (20866, 21866), ASCII (367) and 32769 (ANSI Latin I of the oldest workbooks).
#pragma once

#include <QStringDecoder>
#include <QtGlobal>
#include <optional>

// The decoder of the page; nothing for a page not known here (the multi-byte pages of East Asia
// and UTF-16 among them).
std::optional<QStringDecoder> BiffCodePageDecoder(quint16 codePage);
