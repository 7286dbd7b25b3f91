#include "db/lib/TextUtils.h"

#include <cstring>

namespace vorsam {

std::string_view TrimBlanks(std::string_view text) {
    size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) return {};
    return text.substr(start, text.find_last_not_of(' ') - start + 1);
}

void TrimCharRight(char* text, char c) {
    size_t n = std::strlen(text);
    while (n > 0 && text[n - 1] == c) text[--n] = '\0';
}

void TrimCharRight(std::string& text, char c) {
    size_t end = text.find_last_not_of(c);
    text.erase(end == std::string::npos ? 0 : end + 1);
}

std::string CopyLastChars(std::string_view text, size_t n) {
    return std::string(text.size() <= n ? text : text.substr(text.size() - n));
}

void SplitAtBlanks(std::string_view text, std::vector<std::string>& list) {
    list.clear();
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') ++i;
        size_t start = i;
        while (i < text.size() && text[i] != ' ') ++i;
        if (i > start) list.emplace_back(text.substr(start, i - start));
    }
}

TCharSet StrToCharSet(std::string_view text) {
    TCharSet set;
    for (char c : text) set.set(static_cast<unsigned char>(c));
    return set;
}

} // namespace vorsam
