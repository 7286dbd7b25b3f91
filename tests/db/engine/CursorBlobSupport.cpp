#include "CursorBlobSupport.h"

#include "db/lib/DataTypes.h"

namespace vorsam::test {

TCreateTableArgs BlobTableArgs() {
    return TableArgs({{"ID", dtInteger},
                      {"NAME", dtString, 20},
                      {"MEMO", dtBlob, 0, stMemo},
                      {"PICTURE", dtBlob, 0, stBinary}},
                     {BlobIdField});
}

std::string BlobValue(size_t size, unsigned seed) {
    std::string value(size, '\0');
    for (size_t i = 0; i < size; ++i) value[i] = char('a' + (i * 7 + seed * 13 + i / 494) % 26);
    return value;
}

std::string ReadBlob(TDataCursor& cursor, std::span<uint8_t> image, uint16_t field) {
    uint32_t size = 0;
    uint16_t code = cursor.OpenBlob(field, image, TBlobOpenMode::Read, &size);
    if (code != 0) throw EVORSAMEngineError(code);
    std::string value(size, '\0');
    uint32_t count = 0;
    EXPECT_EQ(cursor.GetBlob(field, image, 0, size, reinterpret_cast<uint8_t*>(value.data()), count), 0);
    EXPECT_EQ(count, size);
    cursor.FreeBlob(field, image);
    return value;
}

void WriteBlob(TDataCursor& cursor, std::span<uint8_t> image, uint16_t field, const std::string& value) {
    ASSERT_EQ(cursor.OpenBlob(field, image), 0);
    ASSERT_EQ(cursor.TruncateBlob(field, image, 0), 0);
    ASSERT_EQ(cursor.PutBlob(field, image, 0, uint32_t(value.size()),
                             reinterpret_cast<const uint8_t*>(value.data())),
              0);
}

std::vector<uint8_t> BlobRowImage(TDataCursor& cursor, const TBlobRow& row) {
    std::vector<uint8_t> image(cursor.GetRecordSize());
    cursor.InitRecordBuffer(image);
    cursor.PutField(BlobIdField, image, reinterpret_cast<const uint8_t*>(&row.Id));
    cursor.PutField(BlobNameField, image, reinterpret_cast<const uint8_t*>(row.Name.c_str()));
    if (!row.Memo.empty()) WriteBlob(cursor, image, MemoField, row.Memo);
    if (!row.Picture.empty()) WriteBlob(cursor, image, PictureField, row.Picture);
    return image;
}

TBlobRow BlobRowOf(TDataCursor& cursor, std::span<uint8_t> image) {
    TBlobRow row;
    bool null = false;
    cursor.GetField(BlobIdField, image, null, reinterpret_cast<uint8_t*>(&row.Id));
    char name[21] = {};
    cursor.GetField(BlobNameField, image, null, reinterpret_cast<uint8_t*>(name));
    row.Name = name;
    row.Memo = ReadBlob(cursor, image, MemoField);
    row.Picture = ReadBlob(cursor, image, PictureField);
    return row;
}

bool FindBlobRow(TDataCursor& cursor, int32_t id) {
    cursor.SetIndexNumber(PrimaryIndexSlot);
    std::vector<uint8_t> key(cursor.GetRecordSize());
    cursor.InitEmptyRecord(key);
    cursor.PutField(BlobIdField, key, reinterpret_cast<const uint8_t*>(&id));
    return cursor.Find(false, key.data(), 1, 0, false);
}

std::vector<uint8_t> CurrentImage(TDataCursor& cursor, bool lock) {
    std::vector<uint8_t> image(cursor.GetRecordSize());
    EXPECT_EQ(cursor.GetCurrentRecord(image, lock), 0);
    return image;
}

TBlobRows BlobContents(TDataCursor& cursor) {
    TBlobRows rows;
    std::vector<uint8_t> image(cursor.GetRecordSize());
    cursor.SetIndexNumber(PrimaryIndexSlot);
    cursor.SetToBegin();
    while (cursor.GetNextRecord(image) == 0) {
        TBlobRow row = BlobRowOf(cursor, image);
        rows[row.Id] = row;
    }
    return rows;
}

void RandomBlobEdit(TDataCursor& cursor, TBlobRows& oracle, std::mt19937& random, int32_t& nextId) {
    static const size_t sizes[] = {0, 1, 493, 494, 495, 1000, 3000};
    auto value = [&] { return BlobValue(sizes[random() % 7], unsigned(random())); };
    unsigned choice = oracle.size() < 4 ? 0 : random() % 5; // appends 2, modifies 2, deletes 1 in 5
    if (choice < 2) {
        TBlobRow row{nextId++, "row", value(), value()};
        std::vector<uint8_t> image = BlobRowImage(cursor, row);
        cursor.AppendRecord(image);
        oracle[row.Id] = row;
        return;
    }
    auto it = std::next(oracle.begin(), ptrdiff_t(random() % oracle.size()));
    ASSERT_TRUE(FindBlobRow(cursor, it->first));
    if (choice == 4) {
        cursor.DeleteRecord();
        oracle.erase(it);
        return;
    }
    TBlobRow& row = it->second;
    std::vector<uint8_t> image = CurrentImage(cursor, true);
    row.Name = "edited " + std::to_string(random() % 7);
    cursor.PutField(BlobNameField, image, reinterpret_cast<const uint8_t*>(row.Name.c_str()));
    if (random() % 2) WriteBlob(cursor, image, MemoField, row.Memo = value());
    if (random() % 3 == 0) WriteBlob(cursor, image, PictureField, row.Picture = value());
    cursor.ModifyRecord(image);
    EXPECT_EQ(BlobRowOf(cursor, image), row) << "the image holds the record as written";
}

} // namespace vorsam::test
