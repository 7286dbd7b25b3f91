// The engine's field and index descriptors built from the column and index definitions of CREATE TABLE,
// ALTER TABLE and CREATE INDEX.
//
// A field descriptor takes a column's name, type and subtype, its declared size (strings, bytes, varbytes)
// or decimals (BCD), its description, NOT NULL, CHARCASE and its DEFAULT, MINIMUM and MAXIMUM texts; its
// number is the one the statement gives it (CREATE: its position; ALTER: the number of the old field whose
// values it keeps, or a number the table never had for a new field).
//
// An index descriptor takes the definition's name, flags (unique, NOCASE, descending for every key field)
// and compression, and the numbers of its key fields, each looked up by name (ignoring case) among the
// fields the index is built over; a name that none has raises the SQL error
// "Invalid field name '<column>' specified for index '<index>'" (for the text index: "... specified for
// text index"). The key length is the engine's to compute.
#pragma once

#include "db/engine/IndexDefinition.h"
#include "db/lib/FieldDescriptor.h"

#include <cstdint>
#include <span>
#include <string>

namespace vorsam {

class TCreateField;
class TCreateIndex;

// The descriptor of a new column (CREATE TABLE, ALTER TABLE ... ADD).
TFieldDescriptor FieldDescriptorOf(const TCreateField& column);
// REDEFINE: what the definition gives replaces the field's type, name and clause values.
void RedefineFieldDescriptor(TFieldDescriptor& field, const TCreateField& column);

// The descriptor of an index over the fields (by their names and numbers); the definition's column names
// must have been built (TCreateIndex::BuildColumnNames).
TIndexDescriptor IndexDescriptorOf(const TCreateIndex& index, std::span<const TFieldDescriptor> fields,
                                   const std::string& tableName);
// The text index's key fields are checked the same way (the engine keeps no text index of its own).
void CheckTextIndexColumns(const TCreateIndex& index, std::span<const TFieldDescriptor> fields);

// The field of that name (ignoring case); nullptr when none.
const TFieldDescriptor* FindFieldByName(std::span<const TFieldDescriptor> fields, const std::string& name);

} // namespace vorsam
