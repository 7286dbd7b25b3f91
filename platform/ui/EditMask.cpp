#include "platform/ui/EditMask.h"

namespace {

// The positions of the field separators that are not escaped by '\'.
std::vector<qsizetype> FieldSeparators(const QString& mask) {
    std::vector<qsizetype> found;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        if (mask[i] == u'\\')
            ++i;
        else if (mask[i] == u';')
            found.push_back(i);
    }
    return found;
}

bool IsAsciiDigit(QChar ch) {
    return ch >= u'0' && ch <= u'9';
}

} // namespace

TEditMask::TEditMask(const QString& mask, const TFormatSettings& settings) : source_(mask) {
    std::vector<qsizetype> separators = FieldSeparators(mask);
    QString field = mask;
    if (separators.size() >= 2) {
        const qsizetype save = separators[separators.size() - 2], blank = separators.back();
        field = mask.left(save);
        saveLiterals_ = mask.mid(save + 1, blank - save - 1) != u"0";
        if (blank + 1 < mask.size()) blank_ = mask[blank + 1];
    } else if (separators.size() == 1) {
        field = mask.left(separators[0]);
        saveLiterals_ = mask.mid(separators[0] + 1) != u"0";
    }
    Parse(field, settings);
}

void TEditMask::Parse(const QString& field, const TFormatSettings& settings) {
    TCase mode = TCase::None;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field[i];
        TPosition p;
        p.Case = mode;
        switch (c.unicode()) {
        case '!':
            leading_ = true;
            continue;
        case '>':
            mode = TCase::Upper;
            continue;
        case '<':
            if (i + 1 < field.size() && field[i + 1] == u'>') {
                mode = TCase::None;
                ++i;
            } else {
                mode = TCase::Lower;
            }
            continue;
        case '\\':
            if (++i >= field.size()) continue;
            p.Literal = field[i];
            break;
        case '0':
            p.Kind = TKind::Digit;
            p.Required = true;
            break;
        case '9':
            p.Kind = TKind::Digit;
            break;
        case '#':
            p.Kind = TKind::DigitSign;
            break;
        case 'L':
            p.Kind = TKind::Letter;
            p.Required = true;
            break;
        case 'l':
            p.Kind = TKind::Letter;
            break;
        case 'A':
            p.Kind = TKind::AlphaNum;
            p.Required = true;
            break;
        case 'a':
            p.Kind = TKind::AlphaNum;
            break;
        case 'C':
            p.Kind = TKind::Any;
            p.Required = true;
            break;
        case 'c':
            p.Kind = TKind::Any;
            break;
        case ':':
            p.Literal = QChar::fromLatin1(settings.TimeSeparator);
            break;
        case '/':
            p.Literal = QChar::fromLatin1(settings.DateSeparator);
            break;
        case '_':
            p.Literal = u' ';
            break;
        default:
            p.Literal = c;
            break;
        }
        positions_.push_back(p);
    }
}

bool TEditMask::IsLiteral(int pos) const {
    return pos >= 0 && pos < Length() && positions_[size_t(pos)].Kind == TKind::Literal;
}

bool TEditMask::IsRequired(int pos) const {
    return pos >= 0 && pos < Length() && positions_[size_t(pos)].Required;
}

QChar TEditMask::Literal(int pos) const {
    return IsLiteral(pos) ? positions_[size_t(pos)].Literal : QChar();
}

QChar TEditMask::Converted(QChar ch, TCase mode) {
    if (mode == TCase::Upper) return ch.toUpper();
    if (mode == TCase::Lower) return ch.toLower();
    return ch;
}

bool TEditMask::Accept(int pos, QChar& ch) const {
    if (pos < 0 || pos >= Length()) return false;
    const TPosition& p = positions_[size_t(pos)];
    if (p.Kind == TKind::Literal) return false;
    if (ch == u' ' && p.Kind != TKind::Any) {
        if (p.Required) return false;
        ch = blank_;
        return true;
    }
    bool ok = false;
    switch (p.Kind) {
    case TKind::Digit:
        ok = IsAsciiDigit(ch);
        break;
    case TKind::DigitSign:
        ok = IsAsciiDigit(ch) || ch == u'+' || ch == u'-';
        break;
    case TKind::Letter:
        ok = ch.isLetter();
        break;
    case TKind::AlphaNum:
        ok = ch.isLetterOrNumber();
        break;
    case TKind::Any:
        ok = ch.unicode() >= 32;
        break;
    case TKind::Literal:
        break;
    }
    if (ok) ch = Converted(ch, p.Case);
    return ok;
}

QString TEditMask::EmptyEditText() const {
    QString text;
    text.reserve(Length());
    for (const TPosition& p : positions_) text += p.Kind == TKind::Literal ? p.Literal : blank_;
    return text;
}

QString TEditMask::EditTextFromText(const QString& text) const {
    QString edit = EmptyEditText();
    auto place = [&](int pos, QChar ch) {
        if (ch != blank_ && Accept(pos, ch)) edit[pos] = ch;
    };
    if (saveLiterals_) {
        const int shift = leading_ ? std::max(0, Length() - int(text.size())) : 0;
        for (int pos = shift; pos < Length() && pos - shift < text.size(); ++pos)
            if (!IsLiteral(pos)) place(pos, text[pos - shift]);
        return edit;
    }
    std::vector<int> editable;
    for (int pos = 0; pos < Length(); ++pos)
        if (!IsLiteral(pos)) editable.push_back(pos);
    const int count = std::min(int(editable.size()), int(text.size()));
    const int first = leading_ ? int(editable.size()) - count : 0;
    for (int i = 0; i < count; ++i) place(editable[size_t(first + i)], text[i]);
    return edit;
}

QString TEditMask::TextFromEditText(const QString& editText) const {
    if (IsEmpty()) return editText;
    QString text;
    for (int pos = 0; pos < Length(); ++pos) {
        const QChar ch = pos < editText.size() ? editText[pos] : blank_;
        if (IsLiteral(pos)) {
            if (saveLiterals_) text += positions_[size_t(pos)].Literal;
        } else {
            text += ch == blank_ ? QChar(u' ') : ch;
        }
    }
    if (saveLiterals_) return text;
    if (leading_) {
        qsizetype start = 0;
        while (start < text.size() && text[start] == u' ') ++start;
        return text.mid(start);
    }
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ') --end;
    return text.left(end);
}

bool TEditMask::IsComplete(const QString& editText) const {
    for (int pos = 0; pos < Length(); ++pos)
        if (IsRequired(pos) && (pos >= editText.size() || editText[pos] == blank_)) return false;
    return true;
}

int TEditMask::NextEditable(int pos) const {
    for (pos = std::max(pos, 0); pos < Length(); ++pos)
        if (!IsLiteral(pos)) return pos;
    return Length();
}

int TEditMask::PrevEditable(int pos) const {
    for (pos = std::min(pos, Length()) - 1; pos >= 0; --pos)
        if (!IsLiteral(pos)) return pos;
    return -1;
}

TMaskedText::TMaskedText(const TEditMask& mask) : mask_(mask), editText_(mask.EmptyEditText()) {
    cursor_ = mask_.NextEditable(0);
}

void TMaskedText::SetEditText(const QString& editText) {
    QString fitted = mask_.EmptyEditText();
    for (int pos = 0; pos < mask_.Length() && pos < editText.size(); ++pos) {
        QChar ch = editText[pos];
        if (!mask_.IsLiteral(pos) && ch != mask_.Blank() && mask_.Accept(pos, ch)) fitted[pos] = ch;
    }
    editText_ = fitted;
    SetCursor(cursor_);
}

void TMaskedText::SetCursor(int pos) {
    cursor_ = mask_.NextEditable(std::clamp(pos, 0, mask_.Length()));
}

bool TMaskedText::SkipToLiteral(QChar ch) {
    for (int pos = cursor_; pos < mask_.Length(); ++pos) {
        if (!mask_.IsLiteral(pos)) continue;
        if (mask_.Literal(pos) != ch) return false;
        cursor_ = mask_.NextEditable(pos + 1);
        return true;
    }
    return false;
}

bool TMaskedText::Type(QChar ch) {
    if (cursor_ >= mask_.Length()) return false;
    QChar stored = ch;
    if (!mask_.Accept(cursor_, stored)) return SkipToLiteral(ch);
    editText_[cursor_] = stored;
    cursor_ = mask_.NextEditable(cursor_ + 1);
    return true;
}

void TMaskedText::ClearRange(int start, int length) {
    start = std::clamp(start, 0, mask_.Length());
    const int end = std::clamp(start + length, start, mask_.Length());
    for (int pos = start; pos < end; ++pos)
        if (!mask_.IsLiteral(pos)) editText_[pos] = mask_.Blank();
    SetCursor(start);
}

void TMaskedText::Backspace() {
    const int pos = mask_.PrevEditable(cursor_);
    if (pos < 0) return;
    editText_[pos] = mask_.Blank();
    cursor_ = pos;
}

void TMaskedText::Delete() {
    if (cursor_ < mask_.Length()) editText_[cursor_] = mask_.Blank();
}

int TMaskedText::Paste(const QString& text) {
    int typed = 0;
    for (QChar ch : text) {
        if (!Type(ch)) break;
        ++typed;
    }
    return typed;
}
