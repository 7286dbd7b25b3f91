#include "platform/data/FieldDefs.h"

#include "platform/data/BinaryFields.h"
#include "platform/data/BlobFields.h"
#include "platform/data/BooleanField.h"
#include "platform/data/DBConsts.h"
#include "platform/data/DataSet.h"
#include "platform/data/DateTimeFields.h"
#include "platform/data/Errors.h"
#include "platform/data/NumericFields.h"
#include "platform/data/StringField.h"
#include "platform/data/TextUtil.h"

namespace platform::data {
namespace {

std::unique_ptr<TField> NewField(const TFieldDef& def) {
    switch (def.DataType) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftGuid:
        return std::make_unique<TStringField>(def.Name, def.Size, def.DataType);
    case ftSmallint:
        return std::make_unique<TSmallintField>(def.Name);
    case ftInteger:
        return std::make_unique<TIntegerField>(def.Name);
    case ftWord:
        return std::make_unique<TWordField>(def.Name);
    case ftAutoInc:
        return std::make_unique<TAutoIncField>(def.Name);
    case ftLargeint:
        return std::make_unique<TLargeintField>(def.Name);
    case ftBoolean:
        return std::make_unique<TBooleanField>(def.Name);
    case ftFloat:
        return std::make_unique<TFloatField>(def.Name);
    case ftCurrency:
        return std::make_unique<TCurrencyField>(def.Name);
    case ftBCD:
        return std::make_unique<TBCDField>(def.Name, def.Size, def.Precision);
    case ftDate:
        return std::make_unique<TDateField>(def.Name);
    case ftTime:
        return std::make_unique<TTimeField>(def.Name);
    case ftDateTime:
        return std::make_unique<TDateTimeField>(def.Name);
    case ftBytes:
        return std::make_unique<TBytesField>(def.Name, def.Size);
    case ftVarBytes:
        return std::make_unique<TVarBytesField>(def.Name, def.Size);
    case ftMemo:
        return std::make_unique<TMemoField>(def.Name);
    case ftGraphic:
        return std::make_unique<TGraphicField>(def.Name);
    default:
        if (IsBlobType(def.DataType)) return std::make_unique<TBlobField>(def.Name, def.DataType);
        DatabaseErrorFmt(SUnknownFieldType, {def.Name});
    }
}

} // namespace

TField& TFieldDef::CreateField(TDataSet& dataSet) const {
    std::unique_ptr<TField> field = NewField(*this);
    field->SetRequired(Required);
    return dataSet.AddField(std::move(field));
}

TFieldDef& TFieldDefs::Add(std::string name, TFieldType dataType, int size, bool required) {
    if (name.empty()) DatabaseError(SFieldNameMissing);
    if (IndexOf(name) >= 0) DatabaseErrorFmt(SDuplicateFieldName, {name});
    TFieldDef& def = fItems.emplace_back();
    def.Name = std::move(name);
    def.DataType = dataType;
    def.Size = size;
    def.Required = required;
    def.FieldNo = Count();
    return def;
}

int TFieldDefs::IndexOf(std::string_view name) const {
    return IndexOfName(fItems, name);
}

TFieldDef& TFieldDefs::Find(std::string_view name) {
    return FindByName(fItems, name, SFieldNotFound);
}

void TFieldDefs::Update() {
    UpdateDefs(&TDataSet::InitFieldDefs);
}

} // namespace platform::data
