// TVORSAMDataSet: Locate and Lookup, searching by the values of a list of fields.
//
// The key values are first written into the temporary record buffer as the fields' values (state
// dsFilter), so that each search compares values in the record's own form: a search cursor finds the
// buffer's key in its index; a filter compares each field with the buffer's value. With loPartialKey a
// trailing '*' of a text is dropped and a non-empty text is searched as the start of the field's value
// (on a cursor only for the last key field, through a filter for every one); an empty text is searched
// whole. A null key value searches for a null field in either way. The found record is read into the
// temporary buffer, where Lookup takes its result fields from.
#include "db/components/VORSAMDataSet.h"

#include "db/lib/DataTypes.h"
#include "db/lib/ExpressionHost.h"
#include "db/lib/ExpressionValues.h"
#include "platform/data/DBConsts.h"
#include "platform/data/Errors.h"

#include <cstring>

namespace vorsam {

using namespace platform::data;

namespace {

bool IsStringField(const TField& field) {
    return field.DataType() == ftString || field.DataType() == ftFixedChar;
}

// The value for key field i of n: the elements of an array in order, a single field the value itself (or
// an array's first element); a missing element is null.
Variant KeyValue(const Variant& keyValues, size_t i, size_t n) {
    if (!keyValues.IsArray()) return n == 1 ? keyValues : Variant();
    const std::vector<Variant>& elements = keyValues.Elements();
    return i < elements.size() ? elements[i] : Variant();
}

// The field's comparison with its value in the image: equal, equal over the text's length (a prefix),
// or IS NULL.
TExpTree KeyComparison(const TDataCursor& cursor, uint16_t number, std::span<const uint8_t> image,
                       bool prefix) {
    TFieldDescriptor descriptor;
    cursor.GetFieldDesc(number, descriptor);
    TExpTree column = MakeColumnNode("", descriptor.Name());
    std::vector<uint8_t> value(descriptor.PhysicalSize() + 1u, 0);
    bool isNull = true;
    cursor.GetField(number, image, isNull, value.data());
    if (isNull) return MakeUnaryNode(opIsNull, std::move(column));
    if (descriptor.DataType() == dtString) {
        const std::string text(reinterpret_cast<const char*>(value.data()));
        if (!prefix || text.empty())
            return MakeBinaryNode(opEqual, std::move(column), MakeStringConstant(text));
        TExpTree compare = MakeOperatorNode(nkPrefixCompare, opEqual);
        compare->PrefixLength = uint16_t(text.size());
        compare->SetLeft(std::move(column));
        compare->SetRight(MakeStringConstant(text));
        return compare;
    }
    TExpTree constant = NewExpToken();
    constant->Kind = nkConstant;
    const bool sized = descriptor.DataType() == dtBytes || descriptor.DataType() == dtVarBytes;
    SetExpType(*constant, {descriptor.DataType(), descriptor.SubType(),
                           uint16_t(sized ? descriptor.DeclaredSize() : 0), descriptor.Decimals()});
    value.resize(descriptor.PhysicalSize());
    constant->Value = std::move(value);
    constant->IsNull = false;
    return MakeBinaryNode(opEqual, std::move(column), std::move(constant));
}

} // namespace

// ---- the search ----

bool TVORSAMDataSet::LocateRecord(std::string_view keyFields, const Variant& keyValues,
                                  TLocateOptions options, bool sync) {
    CheckBrowseMode();
    CursorPosChanged();
    uint8_t* image = RecordBuffer(TempBuffer()).Image().data();
    const std::vector<TField*> fields = GetFieldList(keyFields);
    for (const TField* field : fields)
        if (field->FieldNo() < 1) DatabaseErrorFmt(SFieldNotFound, {field->FieldName()});
    const bool caseInsensitive = options.Contains(loCaseInsensitive);
    const bool partial = options.Contains(loPartialKey);
    const TEngineLock lock(*this);
    AssignKeyValues(fields, keyValues, partial, image);
    TDataCursor* search = MapsToIndex(fields, caseInsensitive)
                              ? &Cursor()
                              : GetLookupCursor(std::string(keyFields), caseInsensitive);
    return search != nullptr ? LocateOnCursor(*search, fields, partial, sync, image)
                             : LocateByFilter(fields, partial, caseInsensitive, image);
}

// The fields are the leading fields of the active index, and a string among them compares under the
// index's case rule.
bool TVORSAMDataSet::MapsToIndex(const std::vector<TField*>& fields, bool caseInsensitive) const {
    if (fields.empty() || fields.size() > size_t(index_.FieldCount) || fields.size() > MaxIndexFieldMap)
        return false;
    bool strings = false;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i]->FieldNo() != index_.FieldMap[i]) return false;
        strings = strings || IsStringField(*fields[i]);
    }
    return !strings || index_.CaseInsensitive == caseInsensitive;
}

void TVORSAMDataSet::AssignKeyValues(const std::vector<TField*>& fields, const Variant& keyValues,
                                     bool partial, uint8_t* image) {
    const TTempState state(*this, dsFilter, image);
    Cursor().InitEmptyRecord({image, layout_.RecordSize});
    for (size_t i = 0; i < fields.size(); ++i) {
        Variant value = KeyValue(keyValues, i, fields.size());
        if (partial && IsStringField(*fields[i]) && !value.IsNull()) {
            std::string text = value.ToString();
            if (!text.empty() && text.back() == '*') text.pop_back();
            value = text;
        }
        fields[i]->SetValue(value);
    }
}

bool TVORSAMDataSet::LocateOnCursor(TDataCursor& search, const std::vector<TField*>& fields, bool partial,
                                    bool sync, uint8_t* image) {
    const std::span<uint8_t> record(image, layout_.RecordSize);
    auto whole = uint16_t(fields.size());
    uint16_t prefix = 0;
    if (partial && IsStringField(*fields.back())) {
        bool isNull = true;
        std::vector<uint8_t> text(size_t(fields.back()->Size()) + 2, 0);
        Cursor().GetField(uint16_t(fields.back()->FieldNo()), record, isNull, text.data());
        prefix = uint16_t(std::strlen(reinterpret_cast<const char*>(text.data())));
        if (prefix > 0) --whole;
    }
    if (!search.Find(false, image, whole, prefix, false)) return false;
    search.GetCurrentRecord(record);
    if (sync && &search != &Cursor()) Cursor().SetToCursor(search);
    return true;
}

bool TVORSAMDataSet::LocateByFilter(const std::vector<TField*>& fields, bool partial, bool caseInsensitive,
                                    uint8_t* image) {
    TDataCursor& cursor = Cursor();
    const std::span<uint8_t> record(image, layout_.RecordSize);
    TExpTree condition;
    for (const TField* field : fields) {
        TExpTree compare = KeyComparison(cursor, uint16_t(field->FieldNo()), record, partial);
        condition =
            condition ? MakeBinaryNode(opAnd, std::move(condition), std::move(compare)) : std::move(compare);
    }
    const uint32_t handle =
        cursor.AddFilter(*condition, efNoPartialCompare | (caseInsensitive ? efCaseInsensitive : 0u));
    struct TDrop {
        TDataCursor& Cursor;
        uint32_t Handle;
        ~TDrop() {
            try {
                Cursor.DropFilter(Handle);
            } catch (...) {
                // the filter goes with the cursor at the latest
            }
        }
    } drop{cursor, handle};
    cursor.ActivateFilter(handle);
    cursor.SetToBegin();
    return cursor.GetNextRecord(record) == 0;
}

// ---- Locate and Lookup ----

bool TVORSAMDataSet::Locate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options) {
    DoBeforeScroll();
    const bool found = LocateRecord(keyFields, keyValues, options, true);
    if (found) {
        Resync({rmExact, rmCenter});
        DoAfterScroll();
    }
    return found;
}

Variant TVORSAMDataSet::Lookup(std::string_view keyFields, const Variant& keyValues,
                               std::string_view resultFields) {
    if (!LocateRecord(keyFields, keyValues, {}, false)) return {};
    char* found = TempBuffer();
    GetCalcFields(found);
    const TTempState state(*this, dsCalcFields);
    struct TLookupRecord {
        char*& Record;
        TLookupRecord(char*& record, char* found) : Record(record) { Record = found; }
        ~TLookupRecord() { Record = nullptr; }
    } lookup(lookupRecord_, found);
    const std::vector<TField*> fields = GetFieldList(resultFields);
    if (fields.size() == 1) return fields[0]->Value();
    std::vector<Variant> values;
    for (const TField* field : fields) values.push_back(field->Value());
    return VarArrayOf(std::move(values));
}

} // namespace vorsam
