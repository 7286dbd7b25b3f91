// The grid filter's condition language: whether a cell text passes a condition.
//
// A condition is a list of parts joined by '&' (and) or by ';', '^', '|' (or), taken left to
// right. A part is a comparison (">5", ">=10", "<=31/12/2003", numbers first, then dates in the
// short date order, then texts) or a wildcard pattern ('?' one character, '*' any run, '"'
// ignored); '!' negates a pattern. Blanks around the joining characters and '=' are ignored.
//
// Wildcards are matched in time proportional to the pattern length times the text length, so a
// pattern with many '*' cannot stall the grid on a long text.
#pragma once

#include "platform/os/FormatSettings.h"

#include <QString>

bool MatchFilter(const QString& condition, const QString& text, bool caseSensitive,
                 const TFormatSettings& settings = FormatSettings());
// One part of a condition against a text (both already in the case they are compared in).
bool MatchCondition(const QString& pattern, const QString& text,
                    const TFormatSettings& settings = FormatSettings());
// '?' matches one character, '*' any run (also none); every other character itself.
bool MatchWildcard(const QString& pattern, const QString& text);
