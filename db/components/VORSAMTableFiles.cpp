// TVORSAMTable: making, emptying and deleting the table's files, and the index definitions read back
// from the engine.
#include "db/components/VORSAMTable.h"

#include "db/components/VORSAMDatabase.h"
#include "db/components/VORSAMTypeMapping.h"
#include "db/engine/IndexDefinition.h"
#include "db/lib/FieldDescriptor.h"
#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"
#include "platform/data/Field.h"
#include "platform/data/TextUtil.h"

#include <algorithm>

namespace vorsam {

using namespace platform::data;

namespace {

TFieldDescriptor FieldDescriptorOf(const TFieldDef& def, uint16_t number) {
    const TEngineFieldType type = EngineFieldType(def.DataType);
    if (type.DataType == dtUnknown) DatabaseErrorFmt(SUnknownFieldType, {def.Name});
    TFieldDescriptor descriptor;
    descriptor.SetFieldNumber(number);
    descriptor.SetName(def.Name);
    descriptor.SetDataType(type.DataType);
    descriptor.SetSubType(type.SubType);
    switch (def.DataType) {
    case ftString:
    case ftFixedChar:
    case ftBytes:
    case ftVarBytes:
        descriptor.SetDeclaredSize(uint8_t(std::clamp(def.Size, 0, 255)));
        break;
    case ftBCD:
        descriptor.SetDecimals(uint8_t(std::clamp(def.Size, 0, 255)));
        break;
    default:
        break;
    }
    descriptor.SetRequired(def.Required);
    GetFieldPhysicalSize(descriptor);
    GetFieldPhysicalDecimals(descriptor);
    return descriptor;
}

TIndexDescriptor IndexDescriptorOf(const TIndexDef& def, TFieldDefs& fieldDefs,
                                   std::span<const TFieldDescriptor> fields) {
    TIndexDefinition definition;
    definition.Name = def.Name;
    for (const std::string& name : SplitNames(def.Fields)) {
        if (definition.Fields.size() == MaxIndexFields) break;
        definition.Fields.push_back(uint16_t(fieldDefs.IndexOf(name) + 1));
        if (definition.Fields.back() == 0) DatabaseErrorFmt(SFieldNotFound, {name});
    }
    definition.Descending = def.Options.Contains(ixDescending);
    definition.FieldDescending.assign(definition.Fields.size(), definition.Descending);
    definition.CaseInsensitive = def.Options.Contains(ixCaseInsensitive);
    definition.Unique = def.Options.Contains(ixUnique) || def.Options.Contains(ixPrimary);
    return MakeIndexDescriptor(definition, fields);
}

} // namespace

TVORSAMTable::TDatabaseScope::TDatabaseScope(TVORSAMTable& table, TDBFlag flag) : table_(table), flag_(flag) {
    table_.SetDBFlag(flag_, true);
}

TVORSAMTable::TDatabaseScope::~TDatabaseScope() {
    try {
        table_.SetDBFlag(flag_, false);
    } catch (...) {
        // the database stays with its session, which closes it at the latest
    }
}

// ---- making, emptying and deleting ----

void TVORSAMTable::CreateTable() {
    CheckInactive();
    if (FieldDefs().Count() == 0)
        for (int i = 0; i < Fields().Count(); ++i) {
            const TField& field = Fields()[i];
            if (field.FieldKind() == fkData)
                FieldDefs().Add(field.FieldName(), field.DataType(), field.Size(), field.Required());
        }
    TCreateTableArgs args;
    args.BlobBlockSize = 512;
    for (int i = 0; i < FieldDefs().Count(); ++i)
        args.Fields.push_back(FieldDescriptorOf(FieldDefs()[i], uint16_t(i + 1)));
    std::vector<const TIndexDef*> defs;
    for (int i = 0; i < indexDefs_.Count(); ++i) defs.push_back(&indexDefs_[i]);
    const auto primary = std::find_if(defs.begin(), defs.end(),
                                      [](const TIndexDef* def) { return def->Options.Contains(ixPrimary); });
    if (primary != defs.end()) std::rotate(defs.begin(), primary, primary + 1);
    const bool hasPrimary = primary != defs.end();
    if (!hasPrimary) args.Indexes.emplace_back();
    for (const TIndexDef* def : defs)
        args.Indexes.push_back(IndexDescriptorOf(*def, FieldDefs(), args.Fields));
    if (hasPrimary) args.Indexes.front().SetName("");
    args.SecondaryCount = uint8_t(std::min<size_t>(args.Indexes.size() - 1, 255));
    const TDatabaseScope scope(*this, dbfTable);
    const TEngineLock lock(*this);
    NewCursor(true, false)->CreateTable(args);
}

void TVORSAMTable::DeleteTable() {
    CheckInactive();
    const TDatabaseScope scope(*this, dbfTable);
    const TEngineLock lock(*this);
    NewCursor(true, false)->DeleteTable();
}

void TVORSAMTable::EmptyTable() {
    if (Active()) {
        CheckBrowseMode();
        DestroyLookupCursor();
        {
            const TEngineLock lock(*this);
            Handle()->EmptyTable();
        }
        First();
        return;
    }
    const TDatabaseScope scope(*this, dbfTable);
    const TEngineLock lock(*this);
    std::unique_ptr<TDataCursor> cursor = NewCursor(true, false);
    cursor->OpenCursor();
    cursor->EmptyTable();
    cursor->CloseCursor();
}

void TVORSAMTable::RepairTable() {
    CheckInactive();
    const TDatabaseScope scope(*this, dbfTable);
    const TEngineLock lock(*this);
    TRepairEvents events;
    if (OnRepairProgress)
        events.Progress = [this](const std::string& step, int percent) {
            OnRepairProgress(*this, step, percent);
        };
    if (OnRepairLog) events.Log = [this](const std::string& line) { OnRepairLog(*this, line); };
    NewCursor(true, false)->RepairTable(events);
}

bool TVORSAMTable::Exists() {
    if (Active()) return true;
    if (tableName_.empty()) return false;
    const TDatabaseScope scope(*this, dbfTable);
    const TEngineLock lock(*this);
    return Database()->Handle()->TableExists(tableName_, inMemory_);
}

// ---- index definitions ----

void TVORSAMTable::UpdateIndexDefs() {
    if (Handle() != nullptr) return ReadIndexDefs(*Handle());
    const TDatabaseScope scope(*this, dbfIndexList);
    const TEngineLock lock(*this);
    std::unique_ptr<TDataCursor> cursor = NewCursor(false, false);
    cursor->OpenCursor();
    ReadIndexDefs(*cursor);
    cursor->CloseCursor();
}

// The primary index is a definition only when the table has a primary key; a field number beyond the
// table's fields is left out of the list.
void TVORSAMTable::ReadIndexDefs(const TDataCursor& cursor) {
    indexDefs_.Clear();
    const uint8_t count = cursor.GetIndexCount();
    for (uint8_t number = 0; number <= count; ++number) {
        if (number == PrimaryIndexSlot && cursor.IsDefaultPrimaryIndex()) continue;
        const TIndexDescriptor descriptor = cursor.GetIndexDesc(number);
        TIndexOptions options;
        if (number == PrimaryIndexSlot) options.Include(ixPrimary);
        if (descriptor.Descending()) options.Include(ixDescending);
        if (descriptor.CaseInsensitive()) options.Include(ixCaseInsensitive);
        if (descriptor.Unique()) options.Include(ixUnique);
        std::string fields;
        for (uint8_t i = 0; i < std::min(descriptor.FieldCount(), MaxIndexFields); ++i) {
            TFieldDescriptor field;
            if (!cursor.GetFieldDesc(descriptor.FieldNumber(i), field)) continue;
            if (!fields.empty()) fields += ';';
            fields += field.Name();
        }
        indexDefs_.Add(descriptor.Name(), fields, options);
    }
    indexDefs_.SetUpdated(true);
}

} // namespace vorsam
