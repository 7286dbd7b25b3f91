#include "db/lib/EngineErrorCodes.h"

#include <algorithm>
#include <array>

namespace vorsam {

namespace {

constexpr TErrorContextItem None = ecItemCount;

// Sorted by code; a test checks the order, the uniqueness of codes and names, and the "%s" counts.
constexpr std::array<TEngineErrorInfo, 49> ErrorTable{{
    {VORSAM_OSENOENT, "VORSAM_OSENOENT", "The file '%s' does not exist", {ecTable, None}},
    {VORSAM_OSEACCES, "VORSAM_OSEACCES", "Access to the file '%s' is denied", {ecTable, None}},
    {VORSAM_READERR, "VORSAM_READERR", "Error reading from the table '%s'", {ecTable, None}},
    {VORSAM_WRITEERR, "VORSAM_WRITEERR", "Error writing to the table '%s'", {ecTable, None}},
    {VORSAM_OSERROR, "VORSAM_OSERROR", "Operating system error on the file '%s'", {ecTable, None}},
    {VORSAM_FILEEXISTS, "VORSAM_FILEEXISTS", "The file '%s' already exists", {ecTable, None}},
    {VORSAM_DIRNOTFOUND, "VORSAM_DIRNOTFOUND", "The folder '%s' does not exist", {ecDatabase, None}},
    {VORSAM_BOF, "VORSAM_BOF", "Beginning of the table", {None, None}},
    {VORSAM_EOF, "VORSAM_EOF", "End of the table", {None, None}},
    {VORSAM_KEYORRECDELETED,
     "VORSAM_KEYORRECDELETED",
     "A key or record of the table '%s' was changed or deleted by another user",
     {ecTable, None}},
    {VORSAM_RECNOTFOUND, "VORSAM_RECNOTFOUND", "Record not found in the table '%s'", {ecTable, None}},
    {VORSAM_ENDOFBLOB, "VORSAM_ENDOFBLOB", "End of the BLOB", {None, None}},
    {VORSAM_HEADERCORRUPT,
     "VORSAM_HEADERCORRUPT",
     "Header information corrupt in the table '%s'",
     {ecTable, None}},
    {VORSAM_FILECORRUPT,
     "VORSAM_FILECORRUPT",
     "Data record buffers corrupt in the table '%s'",
     {ecTable, None}},
    {VORSAM_INDEXCORRUPT,
     "VORSAM_INDEXCORRUPT",
     "Index page buffers corrupt in the table '%s'",
     {ecTable, None}},
    {VORSAM_MEMOCORRUPT,
     "VORSAM_MEMOCORRUPT",
     "BLOB block buffers corrupt in the table '%s'",
     {ecTable, None}},
    {VORSAM_OLDVERSION, "VORSAM_OLDVERSION", "The table '%s' has an unsupported format", {ecTable, None}},
    {VORSAM_UNCOMPRESS, "VORSAM_UNCOMPRESS", "Error decompressing data", {None, None}},
    {VORSAM_WRITEINTERRUPTED,
     "VORSAM_WRITEINTERRUPTED",
     "An interrupted write left the table '%s' inconsistent: the table must be repaired",
     {ecTable, None}},
    {VORSAM_TABLEFULL, "VORSAM_TABLEFULL", "The table '%s' is full", {ecTable, None}},
    {VORSAM_RECTOOBIG, "VORSAM_RECTOOBIG", "The record size of the table '%s' is too big", {ecTable, None}},
    {VORSAM_BLOBLIMIT, "VORSAM_BLOBLIMIT", "Too many BLOB fields in the table '%s'", {ecTable, None}},
    {VORSAM_INDEXLIMIT,
     "VORSAM_INDEXLIMIT",
     "Too many indexes or index fields in the table '%s'",
     {ecTable, None}},
    {VORSAM_INVALIDBLOBLEN,
     "VORSAM_INVALIDBLOBLEN",
     "Invalid BLOB length in the table '%s'",
     {ecTable, None}},
    {VORSAM_LOCKTIMEOUT,
     "VORSAM_LOCKTIMEOUT",
     "Timeout waiting for a lock on the table '%s'",
     {ecTable, None}},
    {VORSAM_RECLOCKFAILED,
     "VORSAM_RECLOCKFAILED",
     "Record locked by another user in the table '%s'",
     {ecTable, None}},
    {VORSAM_UNLOCKFAILED, "VORSAM_UNLOCKFAILED", "Cannot release a lock on the table '%s'", {ecTable, None}},
    {VORSAM_FILEINUSE, "VORSAM_FILEINUSE", "The file '%s' is in use", {ecTable, None}},
    {VORSAM_KEYVIOL,
     "VORSAM_KEYVIOL",
     "Key violation in the index '%s' of the table '%s'",
     {ecIndex, ecTable}},
    {VORSAM_REQDERR, "VORSAM_REQDERR", "A value is required for the field '%s'", {ecField, None}},
    {VORSAM_MINVALERR,
     "VORSAM_MINVALERR",
     "The value of the field '%s' is below its minimum",
     {ecField, None}},
    {VORSAM_MAXVALERR,
     "VORSAM_MAXVALERR",
     "The value of the field '%s' is above its maximum",
     {ecField, None}},
    {VORSAM_OUTOFRANGE, "VORSAM_OUTOFRANGE", "Value out of range: %s", {ecExtraText, None}},
    // Expression evaluation.
    {VORSAM_DIVBYZERO, "VORSAM_DIVBYZERO", "Division by zero in an expression", {None, None}},
    {VORSAM_EXPTYPEMISMATCH,
     "VORSAM_EXPTYPEMISMATCH",
     "Type mismatch in an expression: %s",
     {ecExtraText, None}},
    {VORSAM_NOCOLUMNVALUE,
     "VORSAM_NOCOLUMNVALUE",
     "No value for the column '%s' in an expression",
     {ecField, None}},
    {VORSAM_INDEXEXISTS, "VORSAM_INDEXEXISTS", "The index '%s' already exists", {ecIndex, None}},
    {VORSAM_INDEXNAMEREQUIRED, "VORSAM_INDEXNAMEREQUIRED", "An index name is required", {None, None}},
    {VORSAM_INVALIDINDEXNAME, "VORSAM_INVALIDINDEXNAME", "Invalid index name '%s'", {ecIndex, None}},
    {VORSAM_PRIMARYKEYREDEFINE,
     "VORSAM_PRIMARYKEYREDEFINE",
     "The table '%s' already has a primary key",
     {ecTable, None}},
    {VORSAM_SEARCHCOLREQD, "VORSAM_SEARCHCOLREQD", "The field '%s' cannot be indexed", {ecField, None}},
    {VORSAM_TABLEEXISTS, "VORSAM_TABLEEXISTS", "The table '%s' already exists", {ecTable, None}},
    {VORSAM_NOTINITIALIZED, "VORSAM_NOTINITIALIZED", "The engine is not initialized", {None, None}},
    {VORSAM_CANNOTLOADLDDRV,
     "VORSAM_CANNOTLOADLDDRV",
     "The collation of the table '%s' is not installed",
     {ecTable, None}},
    {VORSAM_INVALIDPARAM, "VORSAM_INVALIDPARAM", "Invalid parameter: %s", {ecExtraText, None}},
    {VORSAM_NOTCONNECTED, "VORSAM_NOTCONNECTED", "Not connected to a database server", {None, None}},
    {VORSAM_NOTSUPPORTED, "VORSAM_NOTSUPPORTED", "Not supported by this engine: %s", {ecExtraText, None}},
    {VORSAM_REMOTECALLBACK, "VORSAM_REMOTECALLBACK", "Server callback", {None, None}},
    {VORSAM_SQLPARSE, "VORSAM_SQLPARSE", "SQL error - %s", {ecExtraText, None}},
}};

} // namespace

std::span<const TEngineErrorInfo> EngineErrorTable() {
    return ErrorTable;
}

const TEngineErrorInfo* FindEngineError(uint16_t code) {
    auto it = std::lower_bound(ErrorTable.begin(), ErrorTable.end(), code,
                               [](const TEngineErrorInfo& e, uint16_t c) { return e.Code < c; });
    return it != ErrorTable.end() && it->Code == code ? &*it : nullptr;
}

std::string GetEngineErrorMessage(uint16_t code) {
    const TEngineErrorInfo* info = FindEngineError(code);
    return std::string(info ? info->Message : "Unknown engine error");
}

} // namespace vorsam
