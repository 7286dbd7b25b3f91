// TExpressionScanner: the tokens of filter and SQL texts, and the error texts of everything that parses
// them (the expression parser and the SQL parser share one scanner per statement).
//
// Token kinds:
//   0 end of text          1 word: a letter, '_' or a character 128..254, then those and digits
//   2 [name]               3 'string' ('' inside stands for ')   4 "name"
//   5 '#' and digits       6 integer: digits                     7 number: digits '.' digits and/or an
//                                                                  exponent (e or E, optional sign, digits)
//   256 <>   257 <=   258 >=   259 ||
//   any other character: a token whose kind is the character's code (1..255)
// Blanks, tabs, carriage returns and line feeds separate tokens; there are no comments; '\' is an
// ordinary character. A zero byte ends the text. The text is Windows-1252.
//
// Errors raise the engine error `ErrorCode` (11949 for SQL statements) with texts that end in " in " and
// the subject; texts are cut to 255 characters.
#pragma once

#include "db/lib/EngineErrorCodes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorsam {

enum TTokenKind : int {
    tkEnd = 0,
    tkWord = 1,
    tkBracketedName = 2,
    tkString = 3,
    tkQuotedName = 4,
    tkHashDigits = 5,
    tkInteger = 6,
    tkNumber = 7,
    tkNotEqual = 256,
    tkLessEqual = 257,
    tkGreaterEqual = 258,
    tkConcat = 259,
};

class TExpressionScanner {
public:
    // Loads the text and resets the scanner; the first NextToken reads the first token.
    void SetText(std::string_view text);
    void NextToken();

    int TokenKind() const { return token_.Kind; }
    bool TokenTypeIs(int kind) const { return token_.Kind == kind; }
    // The current token is a word equal to the keyword, ignoring case.
    bool IsSymbol(std::string_view keyword) const;
    // Kinds 1 to 4: a word or a quoted or bracketed name or string.
    bool IsWordOrQuoted() const { return token_.Kind >= tkWord && token_.Kind <= tkQuotedName; }
    // The token's text; kinds 2 to 4 without brackets or quotes, doubled single quotes undone.
    const std::string& TokenText() const { return token_.Text; }
    // Offset of the current token in the text, and of the end of the last token consumed.
    size_t TokenStart() const { return token_.Start; }
    size_t LastTokenEnd() const { return lastEnd_; }

    // Remembers the start of the current token.
    void MarkStart() { mark_ = token_.Start; }
    // The text from the mark to the end of the last token consumed, without carriage returns and line feeds.
    std::string TextSinceMark() const;

    // One token of look-ahead: save, move on, look, restore.
    struct TState {
        size_t Pos = 0;
        size_t LastEnd = 0;
        int Kind = tkEnd;
        size_t Start = 0;
        size_t End = 0;
        std::string Text;
    };
    TState SaveState() const;
    void RestoreState(const TState& state);

    // The text the parser's own messages end with, after " in ".
    std::string Subject = "SQL statement";
    // The engine error code of the parser's own errors.
    uint16_t ErrorCode = VORSAM_SQLPARSE;

    // Raises ErrorCode with the text (cut to 255 characters).
    [[noreturn]] void RaiseParseError(std::string text) const;
    // Raises "<what> expected ..., instead found '<current token>' in <subject>"; `what` is the phrase up to
    // the comma ("Left parentheses expected after IN keyword").
    [[noreturn]] void RaiseExpected(std::string_view what) const;

private:
    struct TToken {
        int Kind = tkEnd;
        size_t Start = 0;
        size_t End = 0;
        std::string Text;
    };
    void ScanQuoted(char close, int kind, std::string_view what);
    void ScanNumber();
    void ScanWord();
    bool ScanOperator();

    std::string text_;
    size_t pos_ = 0;
    size_t lastEnd_ = 0;
    size_t mark_ = 0;
    TToken token_;
};

} // namespace vorsam
