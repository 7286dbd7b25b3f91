// What a new table is made of, and how its fields are laid out and checked before any of its files
// exists: a definition that would make a table that never opens is refused at once.
//
// Layout: the fields are numbered by position from 1, get their physical size and decimals from their
// type (FieldDescriptor.h) and their offsets in field order (DataFileHeader.h, Record.h): an
// auto-increment field takes the record prefix's +5 value and no room, a computed field no room, every
// other field 1 + physical size bytes from offset 9 on. The record size is where the last one ends.
// Index key lengths come from the index definitions (IndexDefinition.h).
//
// Checks, in order (each a TDefinitionBreach with the code that opening such a table would raise):
//   no field at all VORSAM_INVALIDPARAM (a table has at least one); more than 1024 fields
//   VORSAM_HEADERCORRUPT; more than 128 BLOB fields VORSAM_BLOBLIMIT; a record
//   above 65,535 bytes VORSAM_RECTOOBIG; a blob block size (0 meaning 512) outside 19 .. 65,553 bytes
//   VORSAM_HEADERCORRUPT; then every rule of an opened table's header and descriptors
//   (DataFileValidation.h): the collation, each field's name, type, size, decimals, value texts.
// The index definitions are checked by the index file's own rules when the table makes them.
#pragma once

#include "db/engine/DataFileValidation.h"
#include "db/engine/IndexDefinition.h"
#include "db/lib/FieldDescriptor.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorsam {

struct TTableDefinition {
    // Name, type, subtype, declared size and decimals, required flag, character case, value texts and
    // computed flag of each field, in order; numbers, physical sizes and offsets are computed.
    std::vector<TFieldDescriptor> Fields;
    TIndexDefinition PrimaryIndex; // no fields: the table is in record order
    std::vector<TIndexDefinition> SecondaryIndexes;
    uint16_t LanguageId = 0;
    uint16_t SortId = 0;
    uint32_t BlobBlockSize = 512; // 0 reads as 512
    std::string Description;
    std::string Password;
    bool Encrypted = false;
    uint16_t UserMajorVersion = 0;
    uint16_t UserMinorVersion = 0;
    uint32_t LastAutoIncValue = 0; // the auto-increment counter: the first record gets the next value
};

// Numbers the fields and computes their physical sizes, decimals and offsets; returns the record size
// (which may exceed 65,535: offsets are then meaningless and CheckTableDefinition refuses it).
uint32_t LayOutFields(std::vector<TFieldDescriptor>& fields);

// Lays out the definition's fields into `fields` and checks them (see above); a breach with code 0
// when the definition makes a sound table.
TLayoutBreach CheckTableDefinition(const TTableDefinition& definition, std::vector<TFieldDescriptor>& fields);

} // namespace vorsam
