#include "platform/data/IndexDefs.h"

#include "platform/data/DBConsts.h"
#include "platform/data/DataSet.h"
#include "platform/data/Errors.h"
#include "platform/data/TextUtil.h"

namespace platform::data {

TIndexDef& TIndexDefs::Add(std::string name, std::string fields, TIndexOptions options) {
    if (IndexOf(name) >= 0) DatabaseErrorFmt(SDuplicateIndexName, {name});
    return fItems.emplace_back(TIndexDef{std::move(name), std::move(fields), options});
}

int TIndexDefs::IndexOf(std::string_view name) const {
    return IndexOfName(fItems, name);
}

TIndexDef& TIndexDefs::Find(std::string_view name) {
    return FindByName(fItems, name, SIndexNotFound);
}

TIndexDef* TIndexDefs::GetIndexForFields(std::string_view fields, bool caseInsensitive) {
    Update();
    for (const bool exact : {true, false}) {
        for (TIndexDef& def : fItems) {
            if (def.Options.Contains(ixDescending) || def.Options.Contains(ixExpression)) continue;
            if (caseInsensitive && !def.Options.Contains(ixCaseInsensitive)) continue;
            const std::string_view defFields = def.Fields;
            if (exact ? SameText(defFields, fields)
                      : defFields.size() > fields.size() && defFields[fields.size()] == ';' &&
                            SameText(defFields.substr(0, fields.size()), fields))
                return &def;
        }
    }
    return nullptr;
}

TIndexDef& TIndexDefs::FindIndexForFields(std::string_view fields) {
    TIndexDef* def = GetIndexForFields(fields, false);
    if (def == nullptr) DatabaseErrorFmt(SNoIndexForFields, {fields});
    return *def;
}

void TIndexDefs::Update() {
    UpdateDefs(&TDataSet::UpdateIndexDefs);
}

} // namespace platform::data
