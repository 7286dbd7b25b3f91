// TParams::ParseSQL: finding the ":name" parameter markers of an SQL text.

#include "platform/data/Params.h"

namespace platform::data {
namespace {

bool IsQuote(char c) {
    return c == '\'' || c == '"' || c == '`';
}

bool IsNameChar(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           byte >= 0x80;
}

} // namespace

std::string TParams::ParseSQL(std::string_view sql, bool doCreate) {
    if (doCreate) Clear();
    std::string text;
    text.reserve(sql.size());
    char literal = 0; // the quote of the literal being copied
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        const char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
        std::string name;
        std::size_t end = i + 1; // where the text goes on after a marker
        if (literal != 0 || c != ':') {
            if (literal == 0 && IsQuote(c))
                literal = c;
            else if (c == literal)
                literal = 0;
            text += c;
            ++i;
            continue;
        }
        if (next == ':') { // "::" is a colon of the text
            text += ':';
            i += 2;
            continue;
        }
        if ((next == '"' || next == '\'') && sql.find(next, i + 2) != std::string_view::npos) {
            end = sql.find(next, i + 2);
            name = std::string(sql.substr(i + 2, end - i - 2));
            ++end;
        } else {
            while (end < sql.size() && IsNameChar(sql[end])) ++end;
            name = std::string(sql.substr(i + 1, end - i - 1));
        }
        if (end == i + 1) { // a lone ':' marks nothing
            text += c;
            ++i;
            continue;
        }
        if (doCreate) CreateParam(ftUnknown, std::move(name), ptUnknown);
        text += '?';
        i = end;
    }
    return text;
}

} // namespace platform::data
