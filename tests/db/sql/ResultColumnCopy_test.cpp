// A SELECT's plain columns reach its result records as writing each value through the result cursor puts
// them: the same bytes for values the engine wrote, and for records another program wrote with bytes the
// engine never leaves (text after a string's end or trailing blanks, a stale value under a null
// indicator, a boolean other than 0 or 1), the bytes the engine would have written.
#include "SqlRunSupport.h"

#include "db/engine/TableDefinition.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/Values.h"
#include "db/sql/QueryStatement.h"

#include <cstdio>
#include <cstring>
#include <random>

namespace vorsam::test {
namespace {

struct TColumn {
    const char* Name;
    uint8_t Type;
    uint8_t Size = 0;
    uint8_t SubType = 0;
};

const TColumn Columns[] = {
    {"ID", dtInteger},
    {"S", dtString, 12},
    {"SI", dtSmallInt},
    {"W", dtWord},
    {"F", dtFloat},
    {"B", dtBcd},
    {"D", dtDate},
    {"T", dtTime},
    {"TS", dtTimeStamp},
    {"BO", dtBoolean},
    {"BY", dtBytes, 5},
    {"LI", dtLargeInt},
    {"A", dtInteger, 0, stAutoInc},
};
constexpr uint16_t ColumnCount = std::size(Columns);
constexpr int RowCount = 300;

class ResultColumnCopyTest : public TSqlTest {
protected:
    ResultColumnCopyTest() {
        TCreateTableArgs args;
        for (const TColumn& column : Columns) {
            TFieldDescriptor field;
            field.SetName(column.Name);
            field.SetDataType(column.Type);
            field.SetSubType(column.SubType);
            field.SetDeclaredSize(column.Size);
            if (column.Type == dtBcd) field.SetDecimals(2);
            args.Fields.push_back(field);
        }
        LayOutFields(args.Fields);
        TIndexDescriptor primary;
        primary.SetUnique(true);
        primary.SetFieldCount(1);
        primary.SetFieldNumber(0, 1);
        args.Indexes.push_back(primary);
        TDataCursor cursor(*database_);
        cursor.SetTableName("ALLTYPES");
        cursor.CreateTable(args);
        cursor.OpenCursor();
        std::mt19937 random(31);
        std::vector<uint8_t> image(cursor.GetRecordSize());
        for (int32_t id = 1; id <= RowCount; ++id) {
            cursor.InitEmptyRecord(image);
            cursor.PutField(1, image, reinterpret_cast<const uint8_t*>(&id));
            for (uint16_t n = 2; n < ColumnCount; ++n) {
                if (random() % 5 == 0) continue; // null
                std::vector<uint8_t> value(64, 0);
                switch (Columns[n - 1].Type) {
                case dtString: {
                    std::string text(random() % 13, 'a');
                    for (char& c : text) c = char("ab c"[random() % 4]);
                    std::memcpy(value.data(), text.data(), text.size());
                    break;
                }
                case dtBcd:
                    EXPECT_TRUE(TextToValue(std::to_string(int(random() % 20000) - 10000) + ".25",
                                            {dtBcd, 0, 2}, value.data()));
                    break;
                case dtFloat: {
                    double d = double(int(random() % 2000) - 1000) / 8.0;
                    std::memcpy(value.data(), &d, sizeof d);
                    break;
                }
                default:
                    for (size_t i = 0; i < 8; ++i) value[i] = uint8_t(random());
                    break;
                }
                cursor.PutField(n, image, value.data());
            }
            cursor.AppendRecord(image);
        }
        for (uint16_t n = 1; n <= ColumnCount; ++n) {
            TFieldDescriptor field;
            cursor.GetTableFieldDesc(n, field);
            fields_.push_back(field);
        }
        recordSize_ = cursor.GetRecordSize();
        recordArea_ = TDataFileHeader::Size + size_t(ColumnCount) * TFieldDescriptor::Size;
    }

    // Rewrites the records in the file as another program might have left them.
    void WriteForeignBytes() {
        std::string file = dir_.File("ALLTYPES.DAT");
        FILE* data = std::fopen(file.c_str(), "r+b");
        ASSERT_NE(data, nullptr);
        std::mt19937 random(37);
        std::vector<uint8_t> slot(recordSize_);
        for (int record = 0; record < RowCount; ++record) {
            long at = long(recordArea_ + size_t(record) * recordSize_);
            std::fseek(data, at, SEEK_SET);
            ASSERT_EQ(std::fread(slot.data(), 1, slot.size(), data), slot.size());
            for (const TFieldDescriptor& field : fields_) {
                if (field.IsAutoIncrement() || field.FieldNumber() == 1) continue;
                uint8_t* value = &slot[field.Offset()];
                if (value[0] == 0) {
                    for (size_t i = 1; i <= field.PhysicalSize(); ++i) value[i] = uint8_t(random() | 1);
                } else if (field.DataType() == dtString) {
                    size_t length = strnlen(reinterpret_cast<char*>(value + 1), field.DeclaredSize());
                    if (random() % 2 && length + 2 < field.DeclaredSize()) {
                        value[1 + length] = ' ';
                        value[2 + length] = ' ';
                    } else if (length + 2 < field.PhysicalSize()) {
                        value[2 + length] = 'x'; // after the terminator
                    }
                } else if (field.DataType() == dtBoolean) {
                    StoreNative<int16_t>(value + 1, int16_t(random() % 7));
                }
            }
            std::fseek(data, at, SEEK_SET);
            ASSERT_EQ(std::fwrite(slot.data(), 1, slot.size(), data), slot.size());
        }
        // Its write moves the header's change counter on, so that this process drops what it caches.
        uint8_t counter[4];
        std::fseek(data, 0, SEEK_SET);
        ASSERT_EQ(std::fread(counter, 1, 4, data), 4u);
        StoreLE32(counter, LoadLE32(counter) + 1);
        std::fseek(data, 0, SEEK_SET);
        ASSERT_EQ(std::fwrite(counter, 1, 4, data), 4u);
        std::fclose(data);
    }

    // Runs the SELECT of every column and checks each result record against the source record's values
    // written through the result cursor.
    void ExpectResultAsWritten() {
        std::string sql = "SELECT ";
        for (uint16_t n = 1; n <= ColumnCount; ++n)
            sql += std::string(n > 1 ? ", " : "") + Columns[n - 1].Name;
        TQueryStatement statement(*database_);
        statement.Prepare(sql + " FROM ALLTYPES");
        TDataCursor* result = statement.Execute({}, false);
        ASSERT_NE(result, nullptr);
        ASSERT_FALSE(statement.LiveResult);
        TDataCursor source(*database_);
        source.SetTableName("ALLTYPES");
        source.SetReadOnly(true); // as the statement's source cursor is
        source.OpenCursor();
        std::vector<uint8_t> from(source.GetRecordSize()), to(result->GetRecordSize()), expected(to.size());
        result->SetToBegin();
        int rows = 0;
        while (source.GetNextRecord(from) == 0) {
            ASSERT_EQ(result->GetNextRecord(to), 0);
            result->InitEmptyRecord(expected);
            for (uint16_t n = 1; n <= ColumnCount; ++n) {
                std::vector<uint8_t> value(256, 0);
                bool isNull = true;
                source.GetTableField(n, from, isNull, value.data());
                result->PutField(n, expected, isNull ? nullptr : value.data());
                TFieldDescriptor field;
                result->GetFieldDesc(n, field);
                EXPECT_EQ(
                    0, std::memcmp(&to[field.Offset()], &expected[field.Offset()], field.PhysicalSize() + 1u))
                    << "row " << rows << " column " << Columns[n - 1].Name;
            }
            ++rows;
        }
        EXPECT_EQ(rows, RowCount);
        EXPECT_EQ(result->GetNextRecord(to), VORSAM_EOF);
    }

    std::vector<TFieldDescriptor> fields_;
    uint16_t recordSize_ = 0;
    size_t recordArea_ = 0;
};

TEST_F(ResultColumnCopyTest, EveryTypeComesOutAsTheResultCursorWritesIt) {
    ExpectResultAsWritten();
}

TEST_F(ResultColumnCopyTest, BytesAnotherProgramLeftAreCleanedAsTheResultCursorWouldClean) {
    WriteForeignBytes();
    ExpectResultAsWritten();
}

} // namespace
} // namespace vorsam::test
