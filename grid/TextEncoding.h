// Telling the encoding of a text file from its bytes: whether they are valid UTF-8, and whether a
// file without a byte-order mark is UTF-16 (DelimitedImport.h says what the delimited loader makes
// of both).
//
// UTF-16 without a mark is guessed from the file's start (its first kUtf16SampleBytes bytes), and
// only when the start reads as UTF-16 throughout and as 8-bit text it would not. It reads as UTF-16
// LE (BE) throughout when the file's size is even, no CR byte is followed by an LF byte (an 8-bit
// CR LF), and read in 16-bit units of that byte order every unit is a character of text: no
// unpaired surrogate (but for a high one the start cuts off), no control character other than TAB,
// LF and CR (U+0000 and the C1 controls among them), no unassigned code point, private use
// character or noncharacter. Its 8-bit text would not read when:
// - a CR unit is followed by an LF unit: no 8-bit text ends its lines with a NUL after the CR and
//   after the LF;
// - or every CR and LF byte lies in a unit that is a CR or an LF, two at least;
// - or the units below U+0100 are more than half of them, the units beyond have their low byte zero
//   in no more than an eighth as many (Latin text, each character of which holds a zero byte), and
//   where the bytes hold a CR or an LF, some unit is a CR or an LF;
// - or the bytes hold some that no 8-bit text holds (controls other than TAB, LF, CR and NUL; where
//   they are not UTF-8 and 8-bit text would be Windows-1252, not code page 850, those Windows-1252
//   leaves undefined), and no more than three quarters of
//   the units beyond U+00FF are two ASCII text bytes (printable, TAB, LF or CR), as 8-bit text
//   makes most of them;
// - or the letters among the units beyond U+00FF are all Han, kana, Hangul or Bopomofo, fewer than
//   three quarters of those units are two ASCII text bytes and two at least are not, and no more
//   than a quarter have their low byte zero (CJK characters may hold the byte of a CR or an LF).
// Except by 16-bit CR LF units, bytes that read as UTF-8 text (valid UTF-8 holding letters beyond
// ASCII, all of one script, and no combining mark but after a letter) are never UTF-16. Where both
// byte orders read, the one with more line-end units wins, then the one with more units below
// U+0100, then the one whose letters are of fewer scripts. So zero bytes strewn in an 8-bit file
// never make it UTF-16: only zero bytes in every Latin character or beside the line ends do.
#pragma once

#include <QByteArrayView>
#include <QStringConverter>
#include <optional>

// Whether bytes given piece after piece are valid UTF-8 (RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF, no sequence cut short at the end).
class TUtf8Check {
public:
    void Add(QByteArrayView piece);
    bool Valid() const { return !failed_ && needed_ == 0; }
    // Valid, but for a sequence the bytes so far end within.
    bool ValidSoFar() const { return !failed_; }

private:
    int needed_ = 0;                   // continuation bytes still to come
    unsigned char low_ = 0, high_ = 0; // the range of the next one
    bool failed_ = false;
};

inline constexpr qsizetype kUtf16SampleBytes = 4096;

// Utf16LE or Utf16BE when the file of fileSize bytes that start begins (its first
// kUtf16SampleBytes bytes, or all of it) is UTF-16 without a byte-order mark, as above; oem: its
// 8-bit text would be code page 850.
std::optional<QStringConverter::Encoding> GuessUtf16(QByteArrayView start, qint64 fileSize, bool oem = false);
