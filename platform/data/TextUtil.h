#pragma once
// Small text helpers: names compare ignoring ASCII case; ';'-separated name lists.

#include <string>
#include <string_view>
#include <vector>

namespace platform::data {

bool SameText(std::string_view a, std::string_view b);
std::string Trim(std::string_view text);
std::string TrimRight(std::string_view text);
// "A; B;C" -> {"A", "B", "C"}; empty entries are dropped.
std::vector<std::string> SplitNames(std::string_view names);

} // namespace platform::data
