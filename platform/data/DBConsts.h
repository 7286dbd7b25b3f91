#pragma once
// The fixed English messages of database errors. The framework raises the first group itself; the
// second group belongs to the session, database, dataset, table and query components built on it.

namespace platform::data {

// Datasets, fields, definitions, parameters and links.
inline constexpr const char* SDataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* SDataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* SDataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char* SDataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr const char* SNotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* SRecordNotFound = "Record not found";
inline constexpr const char* SDataSetTooManyValues = "More values than fields";
inline constexpr const char* SFieldNotFound = "Field '%s' not found";
inline constexpr const char* SFieldNameMissing = "Field name missing";
inline constexpr const char* SDuplicateFieldName = "Duplicate field name '%s'";
inline constexpr const char* SFieldRequired = "Field '%s' must have a value";
inline constexpr const char* SFieldAccessError = "Cannot access field '%s' as type %s";
inline constexpr const char* SFieldTypeMismatch = "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr const char* SFieldSizeMismatch = "Size mismatch for field '%s', expecting: %d actual: %d";
inline constexpr const char* SFieldRangeError =
    "%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr const char* SInvalidIntegerValue = "'%s' is not a valid integer value for field '%s'";
inline constexpr const char* SInvalidFloatValue = "'%s' is not a valid floating point value for field '%s'";
inline constexpr const char* SInvalidBoolValue = "'%s' is not a valid boolean value for field '%s'";
inline constexpr const char* SInvalidDateTimeValue = "'%s' is not a valid date and time for field '%s'";
inline constexpr const char* SInvalidBinaryValue = "Value of field '%s' is longer than the field";
inline constexpr const char* SInvalidFieldSize = "Invalid field size";
inline constexpr const char* SUnknownFieldType = "Field '%s' is of an unknown type";
inline constexpr const char* SDuplicateIndexName = "Duplicate index name '%s'";
inline constexpr const char* SIndexNotFound = "Index '%s' not found";
inline constexpr const char* SNoIndexForFields = "No index for fields '%s'";
inline constexpr const char* SParameterNotFound = "Parameter '%s' not found";
inline constexpr const char* SCircularDataLink = "Circular data links are not allowed.";
inline constexpr const char* SDataSourceChange = "DataSource cannot be changed";
inline constexpr const char* SDataSetMissing = "Field '%s' has no dataset";
inline constexpr const char* SBlobNotSupported = "Field '%s' has no blob stream";

// Sessions, databases, datasets over a cursor, tables and queries.
inline constexpr const char* SInvalidSessionName = "Session name %s is not valid.";
inline constexpr const char* SSessionNameMissing = "Session name is missing.";
inline constexpr const char* SSessionActive = "Cannot perform this operation on an active session.";
inline constexpr const char* SAutoSessionActive = "Cannot perform this operation on the active auto-session.";
inline constexpr const char* SDuplicateSessionName = "Session name %s already exists.";
inline constexpr const char* SAutoSessionExclusive =
    "The active auto-session can be the only active session.";
inline constexpr const char* SAutoSessionExists = "This auto-session already exists.";
inline constexpr const char* SDatabaseNameMissing = "Database name is missing.";
inline constexpr const char* SInvalidDatabaseName = "Database name %s is not valid.";
inline constexpr const char* SDuplicateDatabaseName = "Database name %s already exists.";
inline constexpr const char* SDatabaseOpen = "Cannot perform this operation on an open database.";
inline constexpr const char* SDatabaseClosed = "Cannot perform this operation on a closed database.";
inline constexpr const char* SInTransaction = "Database %s already has an active transaction.";
inline constexpr const char* SNotInTransaction = "Database %s has no active transaction.";
inline constexpr const char* SHandleError = "Error creating table handle.";
inline constexpr const char* SNotEditingTable = "Table is not in edit or insert mode.";
inline constexpr const char* SNotIndexField = "Field %s is not in the current index.";
inline constexpr const char* SFieldReadOnly = "Field %s cannot be modified.";
inline constexpr const char* SFieldIndexOutOfRange = "Field index out of range.";
inline constexpr const char* SIndexFieldMissing = "Cannot access index field %s.";
inline constexpr const char* SNoFieldIndexes = "No fields defined for the current index.";
inline constexpr const char* STableNameMissing = "Missing table name.";
inline constexpr const char* SNoSQLStatement = "No SQL statement available";
inline constexpr const char* SNoParameterValue = "No value for parameter '%s'";

} // namespace platform::data
