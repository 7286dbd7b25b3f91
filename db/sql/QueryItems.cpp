#include "db/sql/QueryItems.h"

#include "db/lib/DataTypes.h"

namespace vorsam {

void TResultField::SetColumnName(const std::string& name) {
    if (ColumnName != name) ColumnName = name;
    if (Alias.empty() && name != "*") Alias = name;
}

void TCreateField::AssignFromToken(uint16_t fieldNumber) {
    if (!TypeToken) return;
    const TExpToken& token = *TypeToken;
    FieldName = token.Name;
    FieldNumber = fieldNumber;
    DataType = token.DataType;
    SubType = token.SubType;
    // The token carries the declared length of strings and bytes (no terminator counted).
    if (DataType == dtString || DataType == dtBytes || DataType == dtVarBytes) Size = token.Size;
    if (DataType == dtBcd) Scale = token.Scale;
    // REDEFINE old new: FieldName names the existing column, OldFieldName the name it takes.
    if (Redefine && token.Left()) {
        OldFieldName = FieldName;
        FieldName = token.Left()->Name;
    }
}

TExpToken& TCreateIndex::AppendColumnToken(TExpTree token) {
    TExpToken& appended = *token;
    if (!ColumnTokens) {
        ColumnTokens = std::move(token);
        return appended;
    }
    TExpToken* last = ColumnTokens.get();
    while (last->Left()) last = last->Left();
    last->SetLeft(std::move(token));
    return appended;
}

void TCreateIndex::BuildColumnNames() {
    ColumnNames.clear();
    for (const TExpToken* token = ColumnTokens.get(); token; token = token->Left()) {
        bool stringConstant = token->Kind == nkConstant && token->DataType == dtString && !token->IsParameter;
        ColumnNames.push_back(stringConstant ? std::string(token->StringValue()) : token->Name);
    }
}

} // namespace vorsam
