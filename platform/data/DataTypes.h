#pragma once
// The enumerations and small value types shared by datasets, fields, definitions and data links.

#include "platform/data/Set.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::data {

// Field types; the numbering is fixed (ftString = 1, ftBlob .. ftTypedBinary = 15 .. 21, ftFixedChar = 23).
enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftParadoxOle,
    ftDBaseOle,
    ftTypedBinary,
    ftCursor,
    ftFixedChar,
    ftWideString,
    ftLargeint,
    ftADT,
    ftArray,
    ftReference,
    ftDataSet,
    ftOraBlob,
    ftOraClob,
    ftVariant,
    ftInterface,
    ftIDispatch,
    ftGuid,
    ftTimeStamp,
    ftFMTBcd
};

// The type's name as error messages show it ("String", "Integer", ...).
std::string_view FieldTypeName(TFieldType type);
bool IsBlobType(TFieldType type);

// Data fields read and write the record; calculated fields live in the calculated-fields part of a
// record buffer and get their values from OnCalcFields.
enum TFieldKind { fkData, fkCalculated };

enum TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsBlockRead
};
// States in which the record (or the key) is being written: Post and UpdateRecord accept them.
constexpr bool IsEditMode(TDataSetState state) {
    return state == dsEdit || state == dsInsert || state == dsSetKey;
}

enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    dePropertyChange,
    deFieldListChange,
    deFocusControl,
    deDisabledStateChange
};

class TField;
// What travels with a data event: the field of a field or record change or of a focus request, and
// the scroll distance of deDataSetScroll (or the active flag of deDisabledStateChange).
struct TDataEventInfo {
    TField* Field = nullptr;
    int Value = 0;
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
// Stored in a record buffer: 0 current, 1 before the first record, 2 after the last, 3 inserted.
enum TBookmarkFlag : std::uint8_t { bfCurrent, bfBOF, bfEOF, bfInserted };

enum TResyncModeItem { rmExact, rmCenter };
using TResyncMode = TSet<TResyncModeItem>;
enum TFilterOption { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = TSet<TFilterOption>;
enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption>;
enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

// A bookmark is an opaque byte string of the dataset's bookmark size; empty means none.
using TBookmark = std::string;
using TBytes = std::vector<std::uint8_t>;

} // namespace platform::data
