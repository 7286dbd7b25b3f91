#include "platform/data/TextUtil.h"

namespace platform::data {
namespace {

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

std::string Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return TrimRight(text);
}

std::string TrimRight(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

std::vector<std::string> SplitNames(std::string_view names) {
    std::vector<std::string> result;
    while (!names.empty()) {
        const auto end = names.find(';');
        std::string name = Trim(names.substr(0, end));
        if (!name.empty()) result.push_back(std::move(name));
        if (end == std::string_view::npos) break;
        names.remove_prefix(end + 1);
    }
    return result;
}

} // namespace platform::data
