// The SQL engine's error convention: every failure of a statement's text is the engine error 11949
// ("SQL error - %s") with all six name contexts empty and the text as the extra text, cut to 255
// characters. Parser messages that name the offending token end in "instead found '" and get the
// current token's text (without quotes) and a closing "'".
#pragma once

#include <string>
#include <string_view>

namespace vorsam {

class TExpressionScanner;

// The longest error text; longer texts are cut.
inline constexpr size_t MaxSqlErrorText = 255;

// Raises the SQL error with the text as it stands (cut to 255 characters).
[[noreturn]] void SqlError(std::string text);
// Raises the SQL error with the message followed by the current token's text and "'".
[[noreturn]] void SqlErrorFound(const TExpressionScanner& parser, std::string_view message);

} // namespace vorsam
