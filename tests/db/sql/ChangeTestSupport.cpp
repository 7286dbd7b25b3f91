#include "ChangeTestSupport.h"

#include "db/engine/TableDefinition.h"
#include "db/lib/DataTypes.h"
#include "db/lib/Values.h"
#include "db/sql/QueryStatement.h"

#include <algorithm>
#include <cctype>

namespace vorsam::test {

TChangeTest::TChangeTest() {
    session_.SetLockRetryCount(0);
    database_ = &session_.OpenDataDirectory("", dir_.Path());
}

void TChangeTest::CreateTable(const std::string& name, const std::vector<TColumnSpec>& columns,
                              const std::vector<uint16_t>& key) {
    TCreateTableArgs args;
    for (const TColumnSpec& column : columns) {
        TFieldDescriptor field;
        field.SetName(column.Name);
        field.SetDataType(column.Type);
        field.SetSubType(column.SubType);
        field.SetDeclaredSize(column.Size);
        field.SetDecimals(column.Scale);
        args.Fields.push_back(field);
    }
    LayOutFields(args.Fields);
    TIndexDefinition primary;
    primary.Fields = key;
    primary.Unique = true;
    args.Indexes.push_back(key.empty() ? TIndexDescriptor() : MakeIndexDescriptor(primary, args.Fields));
    TDataCursor cursor(*database_);
    cursor.SetTableName(name);
    cursor.CreateTable(args);
}

std::unique_ptr<TDataCursor> TChangeTest::Open(const std::string& name, bool exclusive) const {
    auto cursor = std::make_unique<TDataCursor>(*database_);
    cursor->SetTableName(name);
    cursor->SetExclusive(exclusive);
    cursor->OpenCursor();
    return cursor;
}

TRowText TChangeTest::RowOf(TDataCursor& cursor, std::span<const uint8_t> image) {
    std::vector<uint8_t> work(image.begin(), image.end());
    TRowText row;
    for (uint16_t number = 1; number <= cursor.GetFieldCount(); ++number) {
        TFieldDescriptor field;
        cursor.GetFieldDesc(number, field);
        if (number > 1) row += "|";
        std::vector<uint8_t> value(field.DataType() == dtBlob ? 8 : field.PhysicalSize() + 1);
        bool null = false;
        cursor.GetField(number, work, null, value.data());
        if (null) {
            row += "NULL";
        } else if (field.DataType() == dtBlob) {
            uint32_t size = 0;
            cursor.OpenBlob(number, work, TBlobOpenMode::Read, &size);
            std::string bytes(size, '\0');
            uint32_t count = 0;
            cursor.GetBlob(number, work, 0, size, reinterpret_cast<uint8_t*>(bytes.data()), count);
            cursor.FreeBlob(number, work);
            row += "blob:" + std::to_string(size) + ":" + bytes;
        } else {
            row += ValueToText(value.data(), {field.DataType(), field.DeclaredSize(), field.Decimals()});
        }
    }
    return row;
}

std::vector<TRowText> TChangeTest::Rows(const std::string& name, const std::string& index) const {
    auto cursor = Open(name);
    for (uint8_t slot = 1; slot <= cursor->GetIndexCount(); ++slot)
        if (cursor->GetIndexDesc(slot).Name() == index) cursor->SetIndexNumber(slot);
    std::vector<uint8_t> image(cursor->GetRecordSize());
    std::vector<TRowText> rows;
    for (cursor->SetToBegin(); cursor->GetNextRecord(image) == 0;) rows.push_back(RowOf(*cursor, image));
    return rows;
}

namespace {

std::string UpperCase(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string TypeText(const TFieldDescriptor& field) {
    switch (field.DataType()) {
    case dtString:
        return "CHAR(" + std::to_string(field.DeclaredSize()) + ")";
    case dtBytes:
        return "BYTES(" + std::to_string(field.DeclaredSize()) + ")";
    case dtSmallInt:
        return "SMALLINT";
    case dtWord:
        return "WORD";
    case dtInteger:
        return field.SubType() == stAutoInc ? "AUTOINC" : "INTEGER";
    case dtLargeInt:
        return "LARGEINT";
    case dtFloat:
        return field.SubType() == stMoney ? "MONEY" : "FLOAT";
    case dtBcd:
        return "DECIMAL(" + std::to_string(field.Decimals()) + ")";
    case dtDate:
        return "DATE";
    case dtTime:
        return "TIME";
    case dtTimeStamp:
        return "TIMESTAMP";
    case dtBoolean:
        return "BOOLEAN";
    case dtBlob:
        return field.SubType() == stMemo ? "MEMO" : "BLOB";
    default:
        return "TYPE" + std::to_string(field.DataType());
    }
}

std::string IndexText(const TDataCursor& cursor, const TIndexDescriptor& index, bool withName) {
    std::string text = withName ? UpperCase(index.Name()) + "(" : "";
    for (size_t i = 0; i < index.FieldCount(); ++i) {
        TFieldDescriptor field;
        cursor.GetFieldDesc(index.FieldNumber(i), field);
        if (i) text += ',';
        text += UpperCase(field.Name());
    }
    return withName ? text + ")" : text;
}

} // namespace

int32_t TChangeTest::RunSql(const std::string& sql) {
    TQueryStatement statement(*database_);
    statement.Prepare(sql);
    statement.Execute({}, false);
    return statement.RowsAffected;
}

std::string TChangeTest::SqlErrorOf(const std::string& sql) {
    try {
        RunSql(sql);
    } catch (const EVORSAMEngineError& e) {
        EXPECT_EQ(e.ErrorCode, VORSAM_SQLPARSE) << e.what();
        return e.ErrorMessage;
    }
    return {};
}

std::vector<std::string> TChangeTest::Columns(const std::string& table) const {
    auto cursor = Open(table);
    std::vector<std::string> columns;
    for (uint16_t number = 1; number <= cursor->GetFieldCount(); ++number) {
        TFieldDescriptor field;
        cursor->GetFieldDesc(number, field);
        columns.push_back(UpperCase(field.Name()) + " " + TypeText(field) +
                          (field.Required() ? " NOT NULL" : ""));
    }
    return columns;
}

std::vector<std::string> TChangeTest::PrimaryKey(const std::string& table) const {
    auto cursor = Open(table);
    std::string text = IndexText(*cursor, cursor->GetIndexDesc(0), false);
    std::vector<std::string> key;
    for (size_t at = 0; !text.empty();) {
        size_t comma = text.find(',', at);
        key.push_back(text.substr(at, comma - at));
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return key;
}

std::vector<std::string> TChangeTest::Indexes(const std::string& table) const {
    auto cursor = Open(table);
    std::vector<std::string> indexes;
    for (uint8_t slot = 1; slot <= cursor->GetIndexCount(); ++slot)
        indexes.push_back(IndexText(*cursor, cursor->GetIndexDesc(slot), true));
    std::sort(indexes.begin(), indexes.end());
    return indexes;
}

} // namespace vorsam::test
