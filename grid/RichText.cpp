#include "grid/RichText.h"

#include <QAbstractTextDocumentLayout>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace {

// ---- Reading -----------------------------------------------------------------------------------

struct TCharLook {
    bool Bold = false, Italic = false, Underline = false;
    int HalfPoints = 0; // 0: the document's size
    int Color = 0;      // entry of the colour table; 0: automatic
    bool operator==(const TCharLook&) const = default;
};

enum class TDestination { Text, ColorTable, Skipped };

struct TGroup {
    TCharLook Look;
    TDestination Destination = TDestination::Text;
    int FallbackChars = 1; // \ucN
};

bool IsSkippedDestination(const QString& word) {
    static const char* const kSkipped[] = {
        "fonttbl",
        "stylesheet",
        "info",
        "pict",
        "object",
        "header",
        "headerl",
        "headerr",
        "headerf",
        "footer",
        "footerl",
        "footerr",
        "footerf",
        "footnote",
        "filetbl",
        "listtable",
        "revtbl",
        "listoverridetable",
        "pntext",
        "pntxta",
        "pntxtb",
        "rsidtbl",
        "xmlnstbl",
        "themedata",
        "colorschememapping",
    };
    for (const char* name : kSkipped)
        if (word == QLatin1String(name)) return true;
    return false;
}

class TRTFReader {
public:
    TRTFReader(const QString& rtf, QTextDocument& document)
        : rtf_(rtf), document_(document), cursor_(&document) {}

    void Run() {
        document_.clear();
        cursor_ = QTextCursor(&document_);
        groups_.push_back({});
        while (pos_ < rtf_.size()) {
            const QChar ch = rtf_[pos_];
            if (ch == u'{') {
                ++pos_;
                FlushBytes();
                groups_.push_back(groups_.back());
                groupStart_ = true;
                skip_ = 0;
                continue;
            }
            if (ch == u'}') {
                ++pos_;
                FlushBytes();
                if (groups_.size() > 1) {
                    if (Current().Destination == TDestination::Text) FlushText();
                    groups_.pop_back();
                }
                groupStart_ = false;
                skip_ = 0;
                continue;
            }
            if (ch == u'\\') {
                ControlSequence();
                continue;
            }
            ++pos_;
            groupStart_ = false;
            if (ch == u'\r' || ch == u'\n') continue;
            FlushBytes();
            if (Consumed()) continue;
            Character(ch);
        }
        FlushBytes();
        FlushText();
        DropFinalEmptyParagraph();
    }

private:
    TGroup& Current() { return groups_.back(); }

    // A fallback character after \uN is skipped.
    bool Consumed() {
        if (skip_ <= 0) return false;
        --skip_;
        return true;
    }

    void ControlSequence() {
        ++pos_; // the backslash
        if (pos_ >= rtf_.size()) return;
        const QChar ch = rtf_[pos_];
        if (!IsAsciiLetter(ch)) {
            ++pos_;
            ControlSymbol(ch);
            return;
        }
        const qsizetype start = pos_;
        while (pos_ < rtf_.size() && IsAsciiLetter(rtf_[pos_])) ++pos_;
        const QString word = rtf_.mid(start, pos_ - start);
        bool hasParam = false;
        int param = 0;
        const qsizetype numberStart = pos_;
        if (pos_ < rtf_.size() && rtf_[pos_] == u'-') ++pos_;
        while (pos_ < rtf_.size() && rtf_[pos_].isDigit() && rtf_[pos_].unicode() < 128) ++pos_;
        if (pos_ > numberStart && !(pos_ == numberStart + 1 && rtf_[numberStart] == u'-')) {
            hasParam = true;
            param = int(std::clamp(rtf_.mid(numberStart, pos_ - numberStart).toLongLong(), -2147483647LL,
                                   2147483647LL));
        } else {
            pos_ = numberStart;
        }
        if (pos_ < rtf_.size() && rtf_[pos_] == u' ') ++pos_; // the delimiter belongs to the word
        const bool first = groupStart_;
        groupStart_ = false;
        if (first && IsSkippedDestination(word)) {
            FlushBytes();
            Current().Destination = TDestination::Skipped;
            return;
        }
        if (first && word == QLatin1String("colortbl")) {
            FlushBytes();
            Current().Destination = TDestination::ColorTable;
            colorStarted_ = false;
            return;
        }
        ControlWord(word, hasParam, param);
    }

    static bool IsAsciiLetter(QChar ch) {
        const char16_t c = ch.unicode();
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    }

    void ControlSymbol(QChar ch) {
        const bool first = groupStart_;
        groupStart_ = false;
        if (ch == u'*' && first) {
            FlushBytes();
            Current().Destination = TDestination::Skipped;
            return;
        }
        if (ch == u'\'') {
            int value = 0;
            int digits = 0;
            while (digits < 2 && pos_ < rtf_.size()) {
                const int d = HexValue(rtf_[pos_]);
                if (d < 0) break;
                value = value * 16 + d;
                ++pos_;
                ++digits;
            }
            if (Consumed() || Current().Destination != TDestination::Text) return;
            bytes_.append(char(value));
            return;
        }
        FlushBytes();
        if (Consumed()) return;
        switch (ch.unicode()) {
        case u'\\':
        case u'{':
        case u'}':
            Character(ch);
            break;
        case u'~':
            Character(QChar(0x00A0));
            break;
        case u'_':
            Character(u'-');
            break;
        case u'\r':
        case u'\n':
            Paragraph();
            break;
        default:
            break; // \- and other symbols show nothing
        }
    }

    static int HexValue(QChar ch) {
        const char16_t c = ch.unicode();
        if (c >= u'0' && c <= u'9') return c - u'0';
        if (c >= u'a' && c <= u'f') return c - u'a' + 10;
        if (c >= u'A' && c <= u'F') return c - u'A' + 10;
        return -1;
    }

    void ControlWord(const QString& word, bool hasParam, int param) {
        FlushBytes();
        TGroup& group = Current();
        if (group.Destination == TDestination::ColorTable) {
            if (word == QLatin1String("red")) red_ = param, colorStarted_ = true;
            if (word == QLatin1String("green")) green_ = param, colorStarted_ = true;
            if (word == QLatin1String("blue")) blue_ = param, colorStarted_ = true;
            return;
        }
        if (word == QLatin1String("uc")) {
            group.FallbackChars = std::max(0, param);
            return;
        }
        if (word == QLatin1String("u") && hasParam) {
            if (Consumed()) return;
            if (group.Destination == TDestination::Text)
                Character(QChar(char16_t(param < 0 ? param + 65536 : param)));
            skip_ = group.FallbackChars;
            return;
        }
        if (Consumed()) return;
        if (word == QLatin1String("ansicpg") && hasParam) {
            codePage_ = param;
            return;
        }
        if (group.Destination != TDestination::Text) return;
        const bool on = !hasParam || param != 0;
        TCharLook look = group.Look;
        if (word == QLatin1String("b"))
            look.Bold = on;
        else if (word == QLatin1String("i"))
            look.Italic = on;
        else if (word == QLatin1String("ul"))
            look.Underline = on;
        else if (word == QLatin1String("ulnone"))
            look.Underline = false;
        else if (word == QLatin1String("fs"))
            look.HalfPoints = hasParam ? std::max(0, param) : 0;
        else if (word == QLatin1String("cf"))
            look.Color = std::max(0, param);
        else if (word == QLatin1String("plain"))
            look = TCharLook{};
        else if (word == QLatin1String("par"))
            Paragraph();
        else if (word == QLatin1String("line"))
            Character(QChar::LineSeparator);
        else if (word == QLatin1String("tab"))
            Character(u'\t');
        if (!(look == group.Look)) {
            FlushText();
            group.Look = look;
        }
    }

    void Character(QChar ch) {
        TGroup& group = Current();
        if (group.Destination == TDestination::ColorTable) {
            if (ch == u';') {
                colors_.push_back(colorStarted_ ? QColor(std::clamp(red_, 0, 255), std::clamp(green_, 0, 255),
                                                         std::clamp(blue_, 0, 255))
                                                : QColor());
                red_ = green_ = blue_ = 0;
                colorStarted_ = false;
            }
            return;
        }
        if (group.Destination != TDestination::Text) return;
        if (pendingLook_ != group.Look) FlushText();
        pendingLook_ = group.Look;
        pending_ += ch;
    }

    void Paragraph() {
        if (Current().Destination != TDestination::Text) return;
        FlushText();
        cursor_.insertBlock();
    }

    // Bytes of \'hh escapes are decoded together, so that a code page of several bytes per
    // character reads right.
    void FlushBytes() {
        if (bytes_.isEmpty()) return;
        QStringDecoder decoder(QStringLiteral("windows-%1").arg(codePage_).toLatin1().constData());
        if (!decoder.isValid()) decoder = QStringDecoder("windows-1252");
        const QString text = decoder.decode(bytes_);
        bytes_.clear();
        for (QChar ch : text) Character(ch);
    }

    void FlushText() {
        if (pending_.isEmpty()) return;
        QTextCharFormat format;
        format.setFontWeight(pendingLook_.Bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(pendingLook_.Italic);
        format.setFontUnderline(pendingLook_.Underline);
        if (pendingLook_.HalfPoints > 0) format.setFontPointSize(pendingLook_.HalfPoints / 2.0);
        const int color = pendingLook_.Color;
        if (color > 0 && color < int(colors_.size()) && colors_[size_t(color)].isValid())
            format.setForeground(colors_[size_t(color)]);
        cursor_.insertText(pending_, format);
        pending_.clear();
    }

    void DropFinalEmptyParagraph() {
        if (document_.blockCount() < 2 || document_.lastBlock().length() > 1) return;
        QTextCursor cursor(document_.lastBlock());
        cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }

    const QString& rtf_;
    QTextDocument& document_;
    QTextCursor cursor_;
    qsizetype pos_ = 0;
    std::vector<TGroup> groups_;
    bool groupStart_ = false;
    int skip_ = 0;
    int codePage_ = 1252;
    QByteArray bytes_;
    QString pending_;
    TCharLook pendingLook_;
    std::vector<QColor> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorStarted_ = false;
};

// ---- Writing -----------------------------------------------------------------------------------

struct TRunLook {
    bool Bold = false, Italic = false, Underline = false;
    int HalfPoints = 0;
    int Color = 0;
};

TRunLook LookOf(const QTextCharFormat& format, const QFont& defaultFont, std::vector<QColor>& colors) {
    const QFont font = format.font().resolve(defaultFont);
    TRunLook look;
    look.Bold = font.bold();
    look.Italic = font.italic();
    look.Underline = font.underline();
    look.HalfPoints = int(std::lround((font.pointSizeF() > 0 ? font.pointSizeF() : 12.0) * 2));
    if (format.hasProperty(QTextFormat::ForegroundBrush)) {
        const QColor color = format.foreground().color();
        auto it = std::find(colors.begin(), colors.end(), color);
        if (it == colors.end()) it = colors.insert(colors.end(), color);
        look.Color = int(it - colors.begin()) + 1;
    }
    return look;
}

void WriteText(QString& out, const QString& text) {
    static QStringEncoder encoder("windows-1252");
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == u'\\' || c == u'{' || c == u'}') {
            out += u'\\';
            out += ch;
        } else if (c == u'\t') {
            out += QLatin1String("\\tab ");
        } else if (c == QChar::LineSeparator) {
            out += QLatin1String("\\line ");
        } else if (c == 0x00A0) {
            out += QLatin1String("\\~");
        } else if (c == QChar::ObjectReplacementCharacter || c < 0x20) {
            // an embedded object or a control character has no text
        } else if (c < 0x80) {
            out += ch;
        } else {
            const QByteArray bytes = encoder.encode(QStringView(&ch, 1));
            if (!encoder.hasError() && bytes.size() == 1 && bytes[0] != '?') {
                out += QStringLiteral("\\'%1").arg(uchar(bytes[0]), 2, 16, QLatin1Char('0'));
            } else {
                encoder.resetState();
                out += QStringLiteral("\\u%1?").arg(int(std::int16_t(c)));
            }
        }
    }
}

QString ColorTable(const std::vector<QColor>& colors) {
    QString table = QStringLiteral("{\\colortbl ;");
    for (const QColor& c : colors)
        table += QStringLiteral("\\red%1\\green%2\\blue%3;").arg(c.red()).arg(c.green()).arg(c.blue());
    return table + u'}';
}

// ---- Drawing -----------------------------------------------------------------------------------

TFont FontOf(const QTextCharFormat& format, const QFont& defaultFont, TColor color) {
    const QFont qfont = format.font().resolve(defaultFont);
    TFont font;
    font.SetName(qfont.family());
    font.SetSize(std::max(1, int(std::lround(qfont.pointSizeF()))));
    TFontStyles style;
    if (qfont.bold()) style.Include(TFontStyle::fsBold);
    if (qfont.italic()) style.Include(TFontStyle::fsItalic);
    if (qfont.underline()) style.Include(TFontStyle::fsUnderline);
    if (qfont.strikeOut()) style.Include(TFontStyle::fsStrikeOut);
    font.SetStyle(style);
    font.SetColor(color);
    return font;
}

} // namespace

void RTFToDocument(const QString& rtf, QTextDocument& document) {
    TRTFReader(rtf, document).Run();
}

QString DocumentToRTF(const QTextDocument& document) {
    std::vector<QColor> colors;
    const QFont defaultFont = document.defaultFont();
    QString body;
    TRunLook current;
    current.HalfPoints = -1; // the first run writes its size
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin()) body += QLatin1String("\\par ");
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            const TRunLook look = LookOf(fragment.charFormat(), defaultFont, colors);
            QString words;
            auto change = [&](bool differs, const QString& word) {
                if (differs) words += word;
            };
            change(look.Bold != current.Bold, look.Bold ? QStringLiteral("\\b") : QStringLiteral("\\b0"));
            change(look.Italic != current.Italic,
                   look.Italic ? QStringLiteral("\\i") : QStringLiteral("\\i0"));
            change(look.Underline != current.Underline,
                   look.Underline ? QStringLiteral("\\ul") : QStringLiteral("\\ulnone"));
            change(look.HalfPoints != current.HalfPoints, QStringLiteral("\\fs%1").arg(look.HalfPoints));
            change(look.Color != current.Color, QStringLiteral("\\cf%1").arg(look.Color));
            if (!words.isEmpty()) body += words + u' ';
            current = look;
            WriteText(body, fragment.text());
        }
    }
    QString family = defaultFont.family();
    family.remove(u'\\').remove(u'{').remove(u'}').remove(u';');
    return QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil %1;}}").arg(family) +
           ColorTable(colors) + QStringLiteral("\\uc1\\pard\\plain\\f0 ") + body + u'}';
}

QString RichPlainText(const QTextDocument& document) {
    QString text;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin()) text += QLatin1String("\r\n");
        text += block.text();
    }
    text.replace(QChar::LineSeparator, QLatin1String("\r\n"));
    return text;
}

QString RTFToPlainText(const QString& rtf) {
    QTextDocument document;
    RTFToDocument(rtf, document);
    return RichPlainText(document);
}

void PrepareRichText(QTextDocument& document, const QString& rtf, const TFont& font) {
    RTFToDocument(rtf, document);
    document.setDefaultFont(font.ToQFont());
    document.setDocumentMargin(0);
}

QSize RichTextSize(QTextDocument& document, int width) {
    document.setDocumentMargin(0);
    document.setTextWidth(width < 0 ? -1 : width);
    const int w = int(std::ceil(width < 0 ? document.idealWidth() : document.size().width()));
    return {w, int(std::ceil(document.size().height()))};
}

void DrawRichText(TCanvas& canvas, QTextDocument& document, const TRect& rect, TColor textColor) {
    if (rect.IsEmpty()) return;
    document.setDocumentMargin(0);
    document.setTextWidth(rect.Width());
    document.size(); // lays the whole document out
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    const std::optional<TRect> oldClip = canvas.ClipRect();
    const TRect clip = oldClip ? IntersectRect(*oldClip, rect) : rect;
    if (clip.IsEmpty()) return;
    canvas.SetClipRect(clip);
    const TFont savedFont = canvas.Font();
    const TBkMode savedMode = canvas.BkMode();
    canvas.SetBkMode(TBkMode::Transparent);
    const QFont defaultFont = document.defaultFont();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QRectF box = layout->blockBoundingRect(block);
        if (rect.Top + box.top() >= rect.Bottom) break;
        const QTextLayout* lines = block.layout();
        const QString text = block.text();
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            const int lineTop = rect.Top + int(std::lround(box.top() + line.y()));
            if (lineTop >= rect.Bottom) break;
            const int baseline = lineTop + int(std::lround(line.ascent()));
            const int lineStart = line.textStart(), lineEnd = lineStart + line.textLength();
            for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                const int fragmentStart = fragment.position() - block.position();
                const int start = std::max(fragmentStart, lineStart);
                const int end = std::min(fragmentStart + fragment.length(), lineEnd);
                if (start >= end) continue;
                const QTextCharFormat format = fragment.charFormat();
                TColor color = savedFont.Color();
                if (format.hasProperty(QTextFormat::ForegroundBrush))
                    color = FromQColor(format.foreground().color());
                if (IsColorSet(textColor)) color = textColor;
                canvas.Font() = FontOf(format, defaultFont, color);
                const int top = baseline - canvas.Metrics().ascent();
                // Tabs and line breaks are not drawn: the pieces between them stand where the
                // layout put them.
                int piece = start;
                for (int at = start; at <= end; ++at) {
                    const bool cut = at == end || text[at] == u'\t' || text[at] == QChar::LineSeparator;
                    if (!cut) continue;
                    if (at > piece) {
                        const int x = rect.Left + int(std::lround(box.left() + line.cursorToX(piece)));
                        canvas.TextOut(x, top, text.mid(piece, at - piece));
                    }
                    piece = at + 1;
                }
            }
        }
    }
    canvas.Font() = savedFont;
    canvas.SetBkMode(savedMode);
    if (oldClip)
        canvas.SetClipRect(*oldClip);
    else
        canvas.ClearClip();
}
