// The engine's error codes: one table of every code with its VORSAM_ name, number and English message.
//
// Numbers are 16-bit and grouped by the high byte: 0x21xx operating system and file access, 0x22xx
// positions (0x2201 before the first record, 0x2202 after the last, 0x2207 end of a BLOB are returned by
// cursor operations, not raised), 0x23xx corrupt or foreign files, 0x24xx size limits, 0x25xx locks and
// sharing, 0x26xx values and constraints, 0x27xx definitions, 0x2Axx engine state and environment, and
// the two numbers of the SQL engine and the remote protocol (11949, 11284). A number, once given, never
// changes: stored and logged codes rely on it. 0x270E is left free (the blob stream treats it as no error).
//
// A message may hold "%s" markers; each is filled, in order, from the context items the table names for
// the code (see EngineErrors.h), e.g. the table name of a corrupt-header error.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vorsam {

enum TEngineErrorCode : uint16_t {
    VORSAM_NONE = 0,

    VORSAM_OSENOENT = 0x2101,
    VORSAM_OSEACCES = 0x2102,
    VORSAM_READERR = 0x2103,
    VORSAM_WRITEERR = 0x2104,
    VORSAM_OSERROR = 0x2105,
    VORSAM_FILEEXISTS = 0x2106,
    VORSAM_DIRNOTFOUND = 0x2107,

    VORSAM_BOF = 0x2201,
    VORSAM_EOF = 0x2202,
    VORSAM_KEYORRECDELETED = 0x2203,
    VORSAM_RECNOTFOUND = 0x2204,
    VORSAM_ENDOFBLOB = 0x2207,

    VORSAM_HEADERCORRUPT = 0x2301,
    VORSAM_FILECORRUPT = 0x2302,
    VORSAM_INDEXCORRUPT = 0x2303,
    VORSAM_MEMOCORRUPT = 0x2304,
    VORSAM_OLDVERSION = 0x2305,
    VORSAM_UNCOMPRESS = 0x2306,
    VORSAM_WRITEINTERRUPTED = 0x2307,

    VORSAM_TABLEFULL = 0x2401,
    VORSAM_RECTOOBIG = 0x2402,
    VORSAM_BLOBLIMIT = 0x2403,
    VORSAM_INDEXLIMIT = 0x2404,
    VORSAM_INVALIDBLOBLEN = 0x2405,

    VORSAM_LOCKTIMEOUT = 0x2501,
    VORSAM_RECLOCKFAILED = 0x2502,
    VORSAM_UNLOCKFAILED = 0x2503,
    VORSAM_FILEINUSE = 0x2504,

    VORSAM_KEYVIOL = 0x2601,
    VORSAM_REQDERR = 0x2602,
    VORSAM_MINVALERR = 0x2603,
    VORSAM_MAXVALERR = 0x2604,
    VORSAM_OUTOFRANGE = 0x2605,

    // Expression evaluation.
    VORSAM_DIVBYZERO = 0x2610,
    VORSAM_EXPTYPEMISMATCH = 0x2611,
    VORSAM_NOCOLUMNVALUE = 0x2612,

    VORSAM_INDEXEXISTS = 0x2701,
    VORSAM_INDEXNAMEREQUIRED = 0x2702,
    VORSAM_INVALIDINDEXNAME = 0x2703,
    VORSAM_PRIMARYKEYREDEFINE = 0x2704,
    VORSAM_SEARCHCOLREQD = 0x2705,
    VORSAM_TABLEEXISTS = 0x2706,

    VORSAM_NOTINITIALIZED = 0x2A06,
    VORSAM_CANNOTLOADLDDRV = 0x2A07,
    VORSAM_INVALIDPARAM = 0x2A08,
    VORSAM_NOTCONNECTED = 0x2A09,
    VORSAM_NOTSUPPORTED = 0x2A0A,

    VORSAM_REMOTECALLBACK = 11284,
    VORSAM_SQLPARSE = 11949,
};

// Context items of an error, in the order GetErrorContextItem numbers them.
enum TErrorContextItem : uint8_t {
    ecServer = 0,
    ecUser = 1,
    ecDatabase = 2,
    ecTable = 3,
    ecField = 4,
    ecIndex = 5,
    ecExtraText = 6,
    ecOSErrorCode = 7,
    ecSocketErrorCode = 8,
    ecItemCount = 9
};

struct TEngineErrorInfo {
    TEngineErrorCode Code;
    std::string_view Name;     // "VORSAM_READERR"
    std::string_view Message;  // English text with "%s" markers
    TErrorContextItem Fill[2]; // context items for the first and second "%s"
};

// Message of a code (at most 255 characters, "%s" markers unfilled); an unknown code gives a generic text.
std::string GetEngineErrorMessage(uint16_t code);

// The whole table, sorted by code; `FindEngineError` returns nullptr for an unknown code.
std::span<const TEngineErrorInfo> EngineErrorTable();
const TEngineErrorInfo* FindEngineError(uint16_t code);

} // namespace vorsam
