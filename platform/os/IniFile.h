#pragma once
// TIniFile: reader and writer of INI files with the semantics the tool's configuration and
// language files have always had.
//
// File format (UTF-8; a file that is not valid UTF-8 is read as Windows-1252; the encoding, a
// leading UTF-8 BOM and CRLF line ends are kept when the file is written back, so that a file
// shared with programs that read Windows-1252 stays readable to them; only a value with a
// character Windows-1252 lacks turns such a file into UTF-8):
//   [Section]            a section header; the name is the text up to the first "]", trimmed
//   key=value            a value; the first "=" splits, key and value are trimmed of blanks
//   ; comment            ignored, as are blank lines and lines without "="
// Sections and keys are matched ignoring case (ASCII and Latin-1 letters). Keys may hold any
// text but "=" and line breaks: "/", "&", quotes, accents and inner blanks are ordinary
// characters. Lines before the first section belong to no section. When a section or key occurs
// twice, the first one counts, for reading and for writing.
// A value enclosed in a matching pair of quotes ("..." or '...') is read without them; a value
// written with blanks at its ends, or already enclosed in quotes, is quoted so that it reads back
// exactly.
//
// Writing a key changes only that key's line (or adds one line at the end of its section, or
// the section at the end of the file); every other line and comment stays as it was. Every change
// is written to the disk at once, safely (temporary file, flush, rename). A missing file reads as
// empty and is created by the first change. Failures raise EOsError.

#include <string>
#include <string_view>
#include <vector>

class TIniFile {
public:
    explicit TIniFile(std::string fileName);

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(std::string_view section, std::string_view ident, std::string_view def) const;
    void WriteString(std::string_view section, std::string_view ident, std::string_view value);

    // Decimal, or hexadecimal with "$" or "0x"; anything else, or a value outside int, gives def.
    int ReadInteger(std::string_view section, std::string_view ident, int def) const;
    void WriteInteger(std::string_view section, std::string_view ident, int value);

    // An integer: 0 is false, any other true; a missing or non-integer value gives def.
    bool ReadBool(std::string_view section, std::string_view ident, bool def) const;
    void WriteBool(std::string_view section, std::string_view ident, bool value); // "1" or "0"

    std::vector<std::string> ReadSection(std::string_view section) const; // its keys, each once
    std::vector<std::string> ReadSections() const;                        // section names, each once
    // Every "key=value" line of the section in file order (a repeated key too), values unquoted.
    std::vector<std::string> ReadSectionValues(std::string_view section) const;
    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view ident) const;

    void DeleteKey(std::string_view section, std::string_view ident);
    void EraseSection(std::string_view section);

    // Writes the file as it stands in memory (every change is already written; this re-writes).
    void UpdateFile();

private:
    struct TSectionRange {
        std::size_t header = 0; // line of "[...]"
        std::size_t end = 0;    // one past the section's last line
    };
    struct TKeyLine {
        std::size_t line = 0;
        std::string key, value;
    };

    bool FindSection(std::string_view section, TSectionRange& range) const;
    bool FindKey(const TSectionRange& range, std::string_view ident, TKeyLine& found) const;
    std::vector<TKeyLine> KeysOf(const TSectionRange& range, bool firstOnly) const;
    static std::string FormatValue(std::string_view value);

    std::string fileName_;
    std::vector<std::string> lines_;
    bool crlf_ = false;
    bool bom_ = false;
    bool cp1252_ = false; // read as Windows-1252
};
