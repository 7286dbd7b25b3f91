// Token tests and small readers shared by the clause parsers of the SQL dialect. All work on the
// statement's parser at its current token and raise the SQL error (SqlErrors.h) with the message given
// and the offending token.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vorsam {

class TExpressionParser;

// Consumes the keyword (an unquoted word, ignoring case) when it stands here.
bool SkipSymbol(TExpressionParser& parser, std::string_view keyword);
// Requires the keyword and consumes it.
void RequireSymbol(TExpressionParser& parser, std::string_view keyword, std::string_view message);
// Consumes a one-character token of that kind when it stands here.
bool SkipToken(TExpressionParser& parser, int kind);
// Requires a token of that kind and consumes it.
void RequireToken(TExpressionParser& parser, int kind, std::string_view message);
// True when the current token is one of the keywords.
bool IsAnySymbol(const TExpressionParser& parser, std::initializer_list<std::string_view> keywords);

// Reads a word or quoted name and consumes it.
std::string ReadName(TExpressionParser& parser, std::string_view message);
// Reads a table reference without MEMORY: a name, or two joined by "\" ("database\table").
std::string ReadTableName(TExpressionParser& parser, std::string_view message);
// Reads an optional correlation name or alias: AS and a word or quoted name, or a bare word or quoted
// name that is none of the stop words. True when one was read.
bool ReadAlias(TExpressionParser& parser, std::string& alias,
               std::initializer_list<std::string_view> stopWords,
               std::initializer_list<std::string_view> moreStopWords = {});

// Reads an integer literal within [minimum, maximum] and consumes it; anything else (also a number out of
// range) raises the message with the token.
int64_t ReadInteger(TExpressionParser& parser, std::string_view message, int64_t minimum, int64_t maximum);
// The text of the current token whatever its kind (a sign before a number is taken with it), consumed,
// cut to 255 characters.
std::string ReadConstantText(TExpressionParser& parser);

// Cuts a short string to 255 characters.
std::string ShortString(std::string text);

} // namespace vorsam
