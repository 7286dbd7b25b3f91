#include "db/lib/ExpressionScanner.h"

#include "db/lib/EngineErrors.h"
#include "db/lib/TextUtils.h"

#include <strings.h>

namespace vorsam {

namespace {

constexpr size_t MaxErrorTextLength = 255;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsWordChar(char c) {
    return IsIdentStartChar(c) || IsDigit(c);
}

} // namespace

void TExpressionScanner::SetText(std::string_view text) {
    text_.assign(text.substr(0, text.find('\0')));
    pos_ = lastEnd_ = mark_ = 0;
    token_ = TToken{};
}

void TExpressionScanner::NextToken() {
    lastEnd_ = token_.End;
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    token_.Start = pos_;
    token_.Text.clear();
    if (pos_ >= text_.size()) {
        token_.Kind = tkEnd;
        token_.End = pos_;
        return;
    }
    char c = text_[pos_];
    if (c == '[') {
        ScanQuoted(']', tkBracketedName, "Closing bracket of the name expected");
    } else if (c == '\'') {
        ScanQuoted('\'', tkString, "Closing quote of the string expected");
    } else if (c == '"') {
        ScanQuoted('"', tkQuotedName, "Closing double quote of the name expected");
    } else if (IsDigit(c) || (c == '#' && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1]))) {
        ScanNumber();
    } else if (IsIdentStartChar(c)) {
        ScanWord();
    } else if (!ScanOperator()) {
        token_.Kind = static_cast<unsigned char>(c);
        token_.Text.assign(1, c);
        ++pos_;
    }
    token_.End = pos_;
}

void TExpressionScanner::ScanQuoted(char close, int kind, std::string_view what) {
    ++pos_;
    for (;;) {
        size_t end = text_.find(close, pos_);
        if (end == std::string::npos) {
            token_.Kind = tkEnd;
            token_.Text.clear();
            pos_ = token_.End = text_.size();
            RaiseExpected(what);
        }
        token_.Text.append(text_, pos_, end - pos_);
        pos_ = end + 1;
        // Inside a string, two quotes stand for one.
        if (close == '\'' && pos_ < text_.size() && text_[pos_] == '\'') {
            token_.Text.push_back('\'');
            ++pos_;
            continue;
        }
        break;
    }
    token_.Kind = kind;
}

void TExpressionScanner::ScanNumber() {
    size_t start = pos_;
    auto digits = [&] {
        while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    };
    if (text_[pos_] == '#') {
        ++pos_;
        digits();
        token_.Kind = tkHashDigits;
    } else {
        digits();
        token_.Kind = tkInteger;
        if (pos_ + 1 < text_.size() && text_[pos_] == '.' && IsDigit(text_[pos_ + 1])) {
            ++pos_;
            digits();
            token_.Kind = tkNumber;
        }
        if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
            size_t exponent = pos_ + 1;
            if (exponent < text_.size() && (text_[exponent] == '+' || text_[exponent] == '-')) ++exponent;
            if (exponent < text_.size() && IsDigit(text_[exponent])) {
                pos_ = exponent;
                digits();
                token_.Kind = tkNumber;
            }
        }
    }
    token_.Text.assign(text_, start, pos_ - start);
}

void TExpressionScanner::ScanWord() {
    size_t start = pos_;
    while (pos_ < text_.size() && IsWordChar(text_[pos_])) ++pos_;
    token_.Kind = tkWord;
    token_.Text.assign(text_, start, pos_ - start);
}

bool TExpressionScanner::ScanOperator() {
    static constexpr struct {
        std::string_view Text;
        int Kind;
    } Operators[] = {{"<>", tkNotEqual}, {"<=", tkLessEqual}, {">=", tkGreaterEqual}, {"||", tkConcat}};
    std::string_view rest = std::string_view(text_).substr(pos_);
    for (const auto& op : Operators) {
        if (rest.substr(0, 2) != op.Text) continue;
        token_.Kind = op.Kind;
        token_.Text.assign(op.Text);
        pos_ += 2;
        return true;
    }
    return false;
}

bool TExpressionScanner::IsSymbol(std::string_view keyword) const {
    return token_.Kind == tkWord && token_.Text.size() == keyword.size() &&
           strncasecmp(token_.Text.data(), keyword.data(), keyword.size()) == 0;
}

std::string TExpressionScanner::TextSinceMark() const {
    std::string result;
    for (size_t i = mark_; i < lastEnd_ && i < text_.size(); ++i)
        if (text_[i] != '\r' && text_[i] != '\n') result.push_back(text_[i]);
    return result;
}

TExpressionScanner::TState TExpressionScanner::SaveState() const {
    return {pos_, lastEnd_, token_.Kind, token_.Start, token_.End, token_.Text};
}

void TExpressionScanner::RestoreState(const TState& state) {
    pos_ = state.Pos;
    lastEnd_ = state.LastEnd;
    token_ = TToken{state.Kind, state.Start, state.End, state.Text};
}

void TExpressionScanner::RaiseParseError(std::string text) const {
    if (text.size() > MaxErrorTextLength) text.resize(MaxErrorTextLength);
    RaiseEngineError(ErrorCode, text);
}

void TExpressionScanner::RaiseExpected(std::string_view what) const {
    RaiseParseError(std::string(what) + ", instead found '" + token_.Text + "' in " + Subject);
}

} // namespace vorsam
