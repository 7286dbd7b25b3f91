#include "ChangeTestSupport.h"

#include "db/engine/TableDefinition.h"
#include "db/lib/DataTypes.h"
#include "db/lib/Values.h"

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

std::vector<TRowText> TChangeTest::Rows(const std::string& name) const {
    auto cursor = Open(name);
    std::vector<uint8_t> image(cursor->GetRecordSize());
    std::vector<TRowText> rows;
    for (cursor->SetToBegin(); cursor->GetNextRecord(image) == 0;) rows.push_back(RowOf(*cursor, image));
    return rows;
}

} // namespace vorsam::test
