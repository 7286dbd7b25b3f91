#include "db/sql/SqlParserTools.h"

#include "db/lib/ExpressionParser.h"
#include "db/sql/SqlErrors.h"

#include <charconv>

namespace vorsam {

namespace {
constexpr size_t MaxShortString = 255;
}

bool SkipSymbol(TExpressionParser& parser, std::string_view keyword) {
    if (!parser.IsSymbol(keyword)) return false;
    parser.NextToken();
    return true;
}

void RequireSymbol(TExpressionParser& parser, std::string_view keyword, std::string_view message) {
    if (!SkipSymbol(parser, keyword)) SqlErrorFound(parser, message);
}

bool SkipToken(TExpressionParser& parser, int kind) {
    if (!parser.TokenTypeIs(kind)) return false;
    parser.NextToken();
    return true;
}

void RequireToken(TExpressionParser& parser, int kind, std::string_view message) {
    if (!SkipToken(parser, kind)) SqlErrorFound(parser, message);
}

bool IsAnySymbol(const TExpressionParser& parser, std::initializer_list<std::string_view> keywords) {
    for (std::string_view keyword : keywords)
        if (parser.IsSymbol(keyword)) return true;
    return false;
}

std::string ReadName(TExpressionParser& parser, std::string_view message) {
    if (!parser.IsWordOrQuoted()) SqlErrorFound(parser, message);
    std::string name = parser.TokenText();
    parser.NextToken();
    return name;
}

std::string ReadTableName(TExpressionParser& parser, std::string_view message) {
    std::string name = ReadName(parser, message);
    if (SkipToken(parser, '\\')) {
        name += '\\';
        name += ReadName(parser, message);
    }
    return name;
}

bool ReadAlias(TExpressionParser& parser, std::string& alias,
               std::initializer_list<std::string_view> stopWords,
               std::initializer_list<std::string_view> moreStopWords) {
    if (SkipSymbol(parser, "AS")) {
        alias = ReadName(parser, "Symbol or string expected after AS keyword, instead found '");
        return true;
    }
    if (!parser.IsWordOrQuoted() || IsAnySymbol(parser, stopWords) || IsAnySymbol(parser, moreStopWords))
        return false;
    alias = parser.TokenText();
    parser.NextToken();
    return true;
}

int64_t ReadInteger(TExpressionParser& parser, std::string_view message, int64_t minimum, int64_t maximum) {
    const std::string& text = parser.TokenText();
    int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    bool valid = parser.TokenTypeIs(tkInteger) && error == std::errc() && end == text.data() + text.size();
    if (!valid || value < minimum || value > maximum) SqlErrorFound(parser, message);
    parser.NextToken();
    return value;
}

std::string ReadConstantText(TExpressionParser& parser) {
    std::string text;
    if (parser.TokenTypeIs('-') || parser.TokenTypeIs('+')) {
        auto state = parser.SaveState();
        std::string sign = parser.TokenText();
        parser.NextToken();
        if (parser.TokenTypeIs(tkInteger) || parser.TokenTypeIs(tkNumber))
            text = sign == "-" ? sign : std::string();
        else
            parser.RestoreState(state);
    }
    text += parser.TokenText();
    parser.NextToken();
    return ShortString(std::move(text));
}

std::string ShortString(std::string text) {
    if (text.size() > MaxShortString) text.resize(MaxShortString);
    return text;
}

} // namespace vorsam
