// Small integer, rectangle and text helpers shared by the grid family: positions of characters,
// quoted fields with doubled quotes, line handling, mixed case, addresses in cells, the kind of a
// cell's text and the wide-text marker. Positions are 1-based and 0 means "not found", as the
// grid's text routines have always counted.
#pragma once

#include "platform/ui/GridTypes.h"

#include <QString>
#include <bitset>

// Min = Max: Value; else Max when Max > 0 and Value > Max; else Min when Min > 0 and Value < Min.
int LimitValue(int value, int min, int max);
int MaxInt2(int a, int b);
int MinInt2(int a, int b);
// Left <= X <= Right and Top <= Y <= Bottom.
bool PointInGridRect(const TGridRect& rect, int x, int y);

// First position of c in s (0 when absent); also stored in p when found.
int CharPos(QChar c, const QString& s, int& p);
int CharPosFirst(QChar c, const QString& s);
// Position of sub in s (0 when absent), also stored in p.
int PosVar(const QString& sub, const QString& s, int& p);
// Position of sub in s upper-cased (ASCII letters only).
int PosUpper(const QString& sub, const QString& s);
// The first character of s that belongs to the set (characters 0..255), or a null character.
QChar FirstCharInSet(const std::bitset<256>& set, const QString& s);

// The position that closes a quoted field: runs of c are counted walking s; the first run of odd
// length followed by another character ends at the returned position (the run's last c); a c that
// is the last character of s gives that position; 0 when none.
int ClosingCharPos(QChar c, const QString& s, int& p);
// The closing characters of s, counted field by field; doubled characters do not count.
int CountSingleChar(QChar c, const QString& s);
int CountChar(QChar c, const QString& s);
// When s holds c: each pair cc becomes one c and a c standing alone is dropped.
QString UndoubleChar(QChar c, const QString& s);

void LFtoCRLF(QString& s);
void TildeToCRLF(QString& s);
QString RemoveCR(const QString& s);
// Drops the CR of every CR LF pair and puts s between double quotes.
void QuoteMultiLine(QString& s);
// Every backslash followed by 'n' becomes a CR.
void EscapedNewlineToCR(const QString& s, QString& r);
// Multi: 1 + the number of CRs; else 1.
int LineCount(const QString& s, bool multi);
// line := s up to its first CR (all of s without one); s loses that part, the CR and an LF right
// after it; without keepRest s becomes empty.
void SplitFirstLine(QString& s, bool keepRest, QString& line);
void FillChars(QString& s, QChar c);
QChar LowerChar(QChar c);
// The first letter of each word upper-case, the others lower-case; words break at blank,
// apostrophe, ',', '-' and '.'; "Mc" at a word start upper-cases the next letter; a final " I" or
// " II" keeps its capitals.
void MixedCase(const QString& s, QString& r);

// s contains "://" or "mailto:".
bool IsURL(const QString& s);
// Deletes s up to and including "://", or up to and including "mailto:".
void StripURLProtocol(QString& s);
// What StripURLProtocol leaves of s.
QStringView WithoutURLProtocol(QStringView s);
// The text up to its first NUL: some programs end a text from outside (the clipboard, a drop) with
// a terminating zero, and what follows it is no text.
QString UpToZero(QString text);
// "R12C3" (upper-cased, at least 4 characters): row 12, column 3; true when both numbers convert.
bool ParseRCRef(const QString& s, TGridCoord& cell);

// Kinds of cell text.
enum TCellTextKind { ctkPlain = 0, ctkHTML = 1, ctkRichText = 2, ctkFormula = 3, ctkWide = 5 };
// 0 plain; for texts longer than one character: 3 formula ('='), 5 wide (the marker "|\"),
// 2 rich text ("{\"), 1 HTML when enabled and the text holds "</", "<B" or "<I".
int CellTextKind(const QString& s, bool htmlEnabled);

// Wide text kept in a cell: the marker "|\" then, per UTF-16 code unit, its high byte and its low
// byte as two characters. Cells of this grid hold wide text as it is; the marker form is read (and
// written by EncodeWideCell) for texts that come from narrow storage.
extern const QString kWideMarker;
void EncodeWideCell(const QString& w, QString& s);
// Removes the marker and joins each pair of characters into one code unit; a text without the
// marker is returned as it is.
void DecodeWideCell(const QString& s, QString& w);

// The characters of s taken as bytes of the OEM code page (850) and converted to ANSI text.
void OemToAnsiText(QString& s);
