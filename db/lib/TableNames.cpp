#include "db/lib/TableNames.h"

#include <algorithm>
#include <strings.h>

namespace vorsam {

namespace {

size_t FileNameStart(std::string_view name) {
    size_t i = name.size();
    while (i > 0 && !IsPathSeparator(name[i - 1])) --i;
    return i;
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           strncasecmp(text.data() + text.size() - suffix.size(), suffix.data(), suffix.size()) == 0;
}

} // namespace

std::string ForwardToBackslashes(std::string_view path) {
    std::string result(path);
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

bool HasDirectoryPart(std::string_view name) {
    return name.empty() || std::any_of(name.begin(), name.end(), IsPathSeparator);
}

std::string ExtractBaseName(std::string_view name, std::string_view extension) {
    std::string_view file = name.substr(FileNameStart(name));
    if (!extension.empty() && EndsWithIgnoringCase(file, extension)) file.remove_suffix(extension.size());
    return std::string(file);
}

std::string RemoveTrailingBackslashes(std::string_view name) {
    size_t end = name.size();
    while (end > 0 && IsPathSeparator(name[end - 1])) --end;
    if (end == 0 && !name.empty()) return "/";
    return std::string(name.substr(0, end));
}

std::string RemoveOuterBackslashes(std::string_view name) {
    size_t start = 0, end = name.size();
    while (start < end && IsPathSeparator(name[start])) ++start;
    while (end > start && IsPathSeparator(name[end - 1])) --end;
    std::string result(name.substr(start, end - start));
    if (!result.empty() && !HasDirectoryPart(result)) {
        for (char& c : result)
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
    return result;
}

std::string RemoveFileExtension(std::string_view name) {
    size_t start = FileNameStart(name);
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot < start) return std::string(name);
    return std::string(name.substr(0, dot));
}

} // namespace vorsam
