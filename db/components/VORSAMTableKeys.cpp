// TVORSAMTable: searching by key, ranges, and the lookup cursor of Locate.
#include "db/components/VORSAMTable.h"

#include "db/lib/DataTypes.h"
#include "platform/data/TextUtil.h"

namespace vorsam {

using namespace platform::data;

// ---- key search ----

bool TVORSAMTable::FindKey(const std::vector<Variant>& values) {
    CheckBrowseMode();
    SetKeyFields(kiLookup, values);
    return GotoKey();
}

void TVORSAMTable::FindNearest(const std::vector<Variant>& values) {
    CheckBrowseMode();
    SetKeyFields(kiLookup, values);
    GotoNearest();
}

void TVORSAMTable::SetKey() {
    SetKeyBuffer(kiLookup, true);
}

void TVORSAMTable::EditKey() {
    SetKeyBuffer(kiLookup, false);
}

// The search compares the key fields set in the lookup buffer (all of the index's when none was counted).
bool TVORSAMTable::GotoKeyBuffer(bool nearest) {
    const TKeyBuffer& buffer = KeyBuffers()[kiLookup];
    const std::vector<uint8_t> key = BuildKey(buffer);
    const TEngineLock lock(*this);
    return Handle()->Find(true, key.data(), uint16_t(buffer.FieldCount), 0, nearest);
}

bool TVORSAMTable::GotoKey() {
    CheckBrowseMode();
    DoBeforeScroll();
    CursorPosChanged();
    const bool found = GotoKeyBuffer(false);
    if (found) {
        Resync({rmExact, rmCenter});
        DoAfterScroll();
    }
    return found;
}

void TVORSAMTable::GotoNearest() {
    CheckBrowseMode();
    CursorPosChanged();
    GotoKeyBuffer(true);
    Resync({rmCenter});
    DoAfterScroll();
}

// ---- ranges ----

void TVORSAMTable::SetRangeStart() {
    SetKeyBuffer(kiRangeStart, true);
}

void TVORSAMTable::SetRangeEnd() {
    SetKeyBuffer(kiRangeEnd, true);
}

void TVORSAMTable::EditRangeStart() {
    SetKeyBuffer(kiRangeStart, false);
}

void TVORSAMTable::EditRangeEnd() {
    SetKeyBuffer(kiRangeEnd, false);
}

void TVORSAMTable::SetRange(const std::vector<Variant>& startValues, const std::vector<Variant>& endValues) {
    CheckBrowseMode();
    SetKeyFields(kiRangeStart, startValues);
    SetKeyFields(kiRangeEnd, endValues);
    ApplyRange();
}

void TVORSAMTable::ApplyRange() {
    CheckBrowseMode();
    if (SetCursorRange()) First();
}

void TVORSAMTable::CancelRange() {
    CheckBrowseMode();
    UpdateCursorPos();
    if (ResetCursorRange()) Resync({});
}

bool TVORSAMTable::RangeInForce() {
    return KeyBuffers()[kiCurRangeStart].Modified || KeyBuffers()[kiCurRangeEnd].Modified;
}

// ---- the lookup cursor ----

TDataCursor* TVORSAMTable::GetLookupCursor(const std::string& keyFields, bool caseInsensitive) {
    if (lookupCursor_ && SameText(keyFields, lookupKeyFields_) && caseInsensitive == lookupCaseInsensitive_)
        return lookupCursor_.get();
    DestroyLookupCursor();
    if (RangeInForce()) return nullptr;
    const TIndexDef* def = GetIndexForFields(keyFields, caseInsensitive);
    if (def == nullptr) return nullptr;
    std::unique_ptr<TDataCursor> clone = Handle()->CloneCursor();
    clone->SetIndexName(def->Name);
    lookupCursor_ = std::move(clone);
    lookupKeyFields_ = keyFields;
    lookupCaseInsensitive_ = caseInsensitive;
    return lookupCursor_.get();
}

void TVORSAMTable::DestroyLookupCursor() {
    if (!lookupCursor_) return;
    const TEngineLock lock(*this);
    std::unique_ptr<TDataCursor> cursor = std::move(lookupCursor_);
    lookupKeyFields_.clear();
    cursor->CloseCursor();
}

const TIndexDef* TVORSAMTable::GetIndexForFields(const std::string& fields, bool caseInsensitive) {
    indexDefs_.Update();
    const auto usable = [&](const TIndexDef& def) {
        if (def.Options.Contains(ixDescending) || def.Options.Contains(ixExpression)) return false;
        if (def.Options.Contains(ixCaseInsensitive) == caseInsensitive) return true;
        for (const TField* field : GetFieldList(def.Fields))
            if (field->DataType() == ftString || field->DataType() == ftFixedChar) return false;
        return true;
    };
    for (const bool exact : {true, false})
        for (int i = 0; i < indexDefs_.Count(); ++i) {
            const TIndexDef& def = indexDefs_[i];
            const std::string_view listed = def.Fields;
            const bool matches = exact ? SameText(listed, fields)
                                       : listed.size() > fields.size() && listed[fields.size()] == ';' &&
                                             SameText(listed.substr(0, fields.size()), fields);
            if (matches && usable(def)) return &def;
        }
    return nullptr;
}

} // namespace vorsam
