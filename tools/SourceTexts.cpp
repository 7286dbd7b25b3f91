#include "tools/SourceTexts.h"

#include "core/Language.h"
#include "platform/os/FileIo.h"
#include "platform/os/Utf8.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <tuple>

namespace fs = std::filesystem;

namespace {

enum class TTokenKind { Identifier, Literal, Punctuation };

struct TToken {
    TTokenKind kind;
    std::string text;
    int line;
};

bool IsIdentifierChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// A tokenizer good enough to tell calls, literals and comments apart.
class TScanner {
public:
    explicit TScanner(std::string_view source) : s_(source) {}

    std::vector<TToken> Tokens() {
        std::vector<TToken> tokens;
        while (pos_ < s_.size()) {
            const char c = s_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
            } else if (s_.substr(pos_, 2) == "//") {
                pos_ = std::min(s_.find('\n', pos_), s_.size());
            } else if (s_.substr(pos_, 2) == "/*") {
                SkipBlockComment();
            } else if (c == '"' || c == '\'') {
                tokens.push_back(
                    {c == '"' ? TTokenKind::Literal : TTokenKind::Punctuation, Quoted(c), line_});
            } else if (s_.substr(pos_, 3) == "u8\"") {
                pos_ += 2;
                tokens.push_back({TTokenKind::Literal, Quoted('"'), line_});
            } else if (IsIdentifierChar(c)) {
                tokens.push_back({TTokenKind::Identifier, Identifier(), line_});
            } else {
                if (c != ' ' && c != '\t' && c != '\r')
                    tokens.push_back({TTokenKind::Punctuation, std::string(1, c), line_});
                ++pos_;
            }
        }
        return tokens;
    }

private:
    void SkipBlockComment() {
        const auto end = s_.find("*/", pos_ + 2);
        const auto stop = end == std::string_view::npos ? s_.size() : end + 2;
        line_ += static_cast<int>(std::count(s_.begin() + static_cast<std::ptrdiff_t>(pos_),
                                             s_.begin() + static_cast<std::ptrdiff_t>(stop), '\n'));
        pos_ = stop;
    }

    std::string Identifier() {
        const std::size_t start = pos_;
        while (pos_ < s_.size() && IsIdentifierChar(s_[pos_])) ++pos_;
        if (s_.substr(start, pos_ - start) == "R" && pos_ < s_.size() && s_[pos_] == '"') return RawLiteral();
        return std::string(s_.substr(start, pos_ - start));
    }

    // R"delim(...)delim": returned as an identifier so that it never counts as a text.
    std::string RawLiteral() {
        const auto open = s_.find('(', pos_);
        std::string close(1, ')');
        close.append(s_.substr(pos_ + 1, open - pos_ - 1));
        close += '"';
        const auto end = s_.find(close, open);
        const auto stop = end == std::string_view::npos ? s_.size() : end + close.size();
        line_ += static_cast<int>(std::count(s_.begin() + static_cast<std::ptrdiff_t>(pos_),
                                             s_.begin() + static_cast<std::ptrdiff_t>(stop), '\n'));
        pos_ = stop;
        return "R";
    }

    std::string Quoted(char quote) {
        std::string text;
        ++pos_;
        while (pos_ < s_.size() && s_[pos_] != quote && s_[pos_] != '\n') {
            if (s_[pos_] == '\\' && pos_ + 1 < s_.size())
                Escape(text);
            else
                text += s_[pos_++];
        }
        ++pos_;
        return text;
    }

    void Escape(std::string& text) {
        const char c = s_[++pos_];
        ++pos_;
        switch (c) {
        case 'n':
            text += '\n';
            return;
        case 't':
            text += '\t';
            return;
        case 'r':
            text += '\r';
            return;
        case 'x':
            text += static_cast<char>(Number(16, 2));
            return;
        default:
            if (c >= '0' && c <= '7') {
                --pos_;
                text += static_cast<char>(Number(8, 3));
            } else {
                text += c;
            }
        }
    }

    int Number(int base, int maxDigits) {
        int value = 0;
        for (int i = 0; i < maxDigits && pos_ < s_.size(); ++i, ++pos_) {
            const char c = s_[pos_];
            const int digit = c >= '0' && c <= '9'                     ? c - '0'
                              : (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10
                                                                       : 99;
            if (digit >= base) break;
            value = value * base + digit;
        }
        return value;
    }

    std::string_view s_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

bool IsTranslationCall(const std::string& identifier) {
    return identifier == "TranslateText" || identifier == "LookupLabel" || identifier == "LngText" ||
           identifier == "TrText" || identifier == "TrLabel";
}

bool IsPunctuation(const TToken& token, char c) {
    return token.kind == TTokenKind::Punctuation && token.text.size() == 1 && token.text[0] == c;
}

bool SkippedFolder(const fs::path& path) {
    const std::string name = path.filename().string();
    return name.starts_with(".") || name.starts_with("build") || name == "tests";
}

} // namespace

std::vector<TSourceText> ExtractTexts(std::string_view source, const std::string& file) {
    const std::vector<TToken> tokens = TScanner(source).Tokens();
    std::vector<TSourceText> texts;
    for (std::size_t i = 0; i + 3 < tokens.size(); ++i) {
        if (tokens[i].kind != TTokenKind::Identifier || !IsTranslationCall(tokens[i].text)) continue;
        if (!IsPunctuation(tokens[i + 1], '(') || tokens[i + 2].kind != TTokenKind::Literal) continue;
        std::size_t j = i + 2;
        std::string text;
        while (j < tokens.size() && tokens[j].kind == TTokenKind::Literal) text += tokens[j++].text;
        if (j < tokens.size() && IsPunctuation(tokens[j], ')'))
            texts.push_back({text, file, tokens[i + 2].line});
    }
    return texts;
}

std::vector<TSourceText> ExtractTextsFromTree(const std::string& root) {
    std::vector<TSourceText> texts;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        if (it->is_directory() && SkippedFolder(it->path())) {
            it.disable_recursion_pending();
            continue;
        }
        const std::string extension = it->path().extension().string();
        if (!it->is_regular_file() || (extension != ".h" && extension != ".cpp")) continue;
        const std::string relative = fs::relative(it->path(), root).string();
        const auto found = ExtractTexts(ReadWholeFile(it->path().string()).value_or(""), relative);
        texts.insert(texts.end(), found.begin(), found.end());
    }
    std::ranges::sort(texts, [](const TSourceText& a, const TSourceText& b) {
        return std::tie(a.file, a.line) < std::tie(b.file, b.line);
    });
    return texts;
}

std::vector<TSourceText> MissingTexts(const std::vector<TSourceText>& texts,
                                      const std::string& languageFile) {
    OpenLanguageFile(languageFile);
    std::vector<TSourceText> missing;
    std::set<std::string> reported;
    for (const TSourceText& text : texts) {
        if (TrimBlanks(text.text).empty() || HasTranslation(text.text)) continue;
        if (reported.insert(text.text).second) missing.push_back(text);
    }
    CloseLanguageFile();
    return missing;
}
