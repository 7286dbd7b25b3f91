// The class library's edit masks and the texts of a masked field.
//
// A mask has up to three fields separated by ';': "mask;save;blank".
// - mask: one position per character, except the directives. Positions:
//     0 digit, required          9 digit or blank          # digit, '+', '-' or blank
//     L letter, required         l letter or blank
//     A letter or digit, req.    a letter or digit or blank
//     C any character, required  c any character or blank
//     : the time separator       / the date separator       _ a blank
//     \x the character x         any other character: itself
//   (literals are the positions that are not typed into). Directives: '>' upper-cases what
//   follows, '<' lower-cases it, "<>" stops converting; '!' keeps optional blanks at the start
//   of the text instead of at its end.
// - save: "0" leaves the literals out of Text; anything else (or no field) keeps them.
// - blank: the character shown for a position not filled (default '_').
//
// Two texts belong to a masked field. EditText is what the field shows: every position, blanks as
// the blank character. Text is what the program reads and stores: with literals saved, every
// position with blanks as spaces (an empty "9999" reads "    ", "99:99" typed 07 3 reads "07: 3");
// without them, only the typed positions, blanks as spaces, trailing blanks trimmed (leading ones
// with '!').
//
// Typing overwrites (TMaskedText): a character a position refuses is refused; a blank (space)
// leaves an optional position blank; typing the literal that follows skips to after it.
#pragma once

#include "platform/os/FormatSettings.h"

#include <QString>
#include <vector>

class TEditMask {
public:
    TEditMask() = default;
    explicit TEditMask(const QString& mask, const TFormatSettings& settings = FormatSettings());

    const QString& Source() const { return source_; }
    bool IsEmpty() const { return positions_.empty(); }
    int Length() const { return int(positions_.size()); }
    QChar Blank() const { return blank_; }
    bool SavesLiterals() const { return saveLiterals_; }
    bool BlanksLeading() const { return leading_; }

    bool IsLiteral(int pos) const;
    bool IsRequired(int pos) const;
    QChar Literal(int pos) const;
    // Whether the position takes the character; on success the character is the one to store
    // (case converted, a blank for a space on an optional position).
    bool Accept(int pos, QChar& ch) const;

    QString EmptyEditText() const;
    QString EditTextFromText(const QString& text) const;
    QString TextFromEditText(const QString& editText) const;
    // Every required position is filled.
    bool IsComplete(const QString& editText) const;

    // The first position at or after pos that is typed into (Length() when none).
    int NextEditable(int pos) const;
    // The last position before pos that is typed into (-1 when none).
    int PrevEditable(int pos) const;

private:
    enum class TKind { Literal, Digit, DigitSign, Letter, AlphaNum, Any };
    enum class TCase { None, Upper, Lower };
    struct TPosition {
        TKind Kind = TKind::Literal;
        bool Required = false;
        TCase Case = TCase::None;
        QChar Literal;
    };
    void Parse(const QString& field, const TFormatSettings& settings);
    static QChar Converted(QChar ch, TCase mode);

    QString source_;
    std::vector<TPosition> positions_;
    bool saveLiterals_ = true;
    bool leading_ = false;
    QChar blank_ = u'_';
};

// The edit text of a masked field being typed into, with its caret.
class TMaskedText {
public:
    explicit TMaskedText(const TEditMask& mask);

    const TEditMask& Mask() const { return mask_; }
    const QString& EditText() const { return editText_; }
    QString Text() const { return mask_.TextFromEditText(editText_); }
    // Replaces the edit text (padded or cut to the mask; refused characters become blanks).
    void SetEditText(const QString& editText);
    void SetText(const QString& text) { editText_ = mask_.EditTextFromText(text); }

    int Cursor() const { return cursor_; }
    // Puts the caret on the first typed position at or after pos.
    void SetCursor(int pos);

    // Types one character at the caret; false when it is refused (nothing changes then).
    bool Type(QChar ch);
    // Blanks the positions of the range (literals stay) and puts the caret at its start.
    void ClearRange(int start, int length);
    void Backspace();
    void Delete();
    // Types the characters one after the other, stopping at the first refused; the count typed.
    int Paste(const QString& text);

private:
    bool SkipToLiteral(QChar ch);

    TEditMask mask_;
    QString editText_;
    int cursor_ = 0;
};
