#include "PeopleTable.h"

#include "FieldSpecs.h"

#include "db/engine/BlobBuffer.h"
#include "db/engine/TableVerify.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace vorsam::test {

namespace {

constexpr uint16_t KeyField = 1, ValueField = 2, NameField = 3, MemoField = 4;

const TFieldDescriptor& Field(TDataTable& table, uint16_t number) {
    return table.DataFile().FieldDescriptors().at(number - 1);
}

} // namespace

TIndexDefinition IndexOn(const std::string& name, std::vector<uint16_t> fields, bool unique) {
    TIndexDefinition definition;
    definition.Name = name;
    definition.Fields = std::move(fields);
    definition.Unique = unique;
    return definition;
}

TTableDefinition PeopleDefinition(bool memo) {
    std::vector<TFieldSpec> specs = {{"KEY", dtInteger}, {"VALUE", dtInteger}, {"NAME", dtString, 20}};
    if (memo) specs.push_back({"DOC", dtBlob, 0, stMemo});
    TTableDefinition definition;
    definition.Fields = MakeFields(specs);
    definition.PrimaryIndex.Fields = {KeyField};
    TIndexDefinition byName = IndexOn("ByName", {NameField});
    byName.CaseInsensitive = true;
    byName.Compression = TKeyCompression::Both;
    definition.SecondaryIndexes.push_back(byName);
    return definition;
}

std::vector<uint8_t> PersonImage(TDataTable& table, const TPerson& person) {
    std::vector<uint8_t> image(table.DataFile().GetRecordSize());
    for (auto [field, value] : {std::pair{KeyField, person.Key}, std::pair{ValueField, person.Value}}) {
        uint16_t at = Field(table, field).Offset();
        image[at] = 1;
        StoreNative<int32_t>(&image[at + 1], value);
    }
    uint16_t at = Field(table, NameField).Offset();
    image[at] = person.Name.empty() ? 0 : 1;
    std::memcpy(&image[at + 1], person.Name.data(), std::min<size_t>(person.Name.size(), 20));
    return image;
}

TPerson PersonOf(TDataTable& table, std::span<const uint8_t> image) {
    TPerson person;
    person.Key = LoadNative<int32_t>(&image[Field(table, KeyField).Offset() + 1]);
    person.Value = LoadNative<int32_t>(&image[Field(table, ValueField).Offset() + 1]);
    person.Name = reinterpret_cast<const char*>(&image[Field(table, NameField).Offset() + 1]);
    if (table.GetFieldCount() >= MemoField) {
        const uint8_t* value = &image[Field(table, MemoField).Offset() + 1];
        TBlobBuffer blob(table.BlobFile(), MemoField, LoadLE32(&image[1]), LoadLE32(value),
                         LoadLE32(value + 4));
        blob.ReadBlob(nullptr);
        person.Memo.assign(blob.GetData().begin(), blob.GetData().end());
    }
    return person;
}

void SaveMemo(TDataTable& table, std::vector<uint8_t>& image, const std::string& memo,
              uint32_t recordNumber) {
    uint16_t at = Field(table, MemoField).Offset();
    TBlobBuffer blob(table.BlobFile(), MemoField, recordNumber, LoadLE32(&image[at + 1]),
                     LoadLE32(&image[at + 5]));
    if (memo.empty()) {
        blob.DeleteBlob();
        std::memset(&image[at], 0, 9);
        return;
    }
    blob.SetSize(memo.size());
    std::memcpy(blob.GetData().data(), memo.data(), memo.size());
    blob.SetSequence(table.DataFile().NextBlobSequence());
    blob.SaveBlob();
    image[at] = 1;
    StoreLE32(&image[at + 1], blob.FirstBlock());
    StoreLE32(&image[at + 5], blob.Sequence());
}

TContents Contents(TDataTable& table) {
    TTableRead read(table);
    TContents contents;
    table.DataFile().ForEachActiveRecord([&](uint32_t, std::span<const uint8_t> image) {
        TPerson person = PersonOf(table, image);
        contents[person.Key] = person;
    });
    return contents;
}

uint32_t RecordOf(TDataTable& table, int32_t key) {
    // The primary index, or in record order a unique index on KEY alone.
    for (uint8_t slot : table.KeySlots()) {
        const TIndexDescriptor& index = table.IndexFile().GetIndexDesc(slot);
        if (index.Unique() && index.FieldCount() == 1 && index.FieldNumber(0) == KeyField)
            return table.FindKey(slot, PersonImage(table, TPerson(key)));
    }
    throw std::logic_error("a people table without a unique index on KEY");
}

void PutPerson(TDataTable& table, const TPerson& person) {
    TTableWrite write(table);
    std::vector<uint8_t> image = PersonImage(table, person);
    uint32_t number = RecordOf(table, person.Key);
    bool memo = table.GetFieldCount() >= MemoField;
    if (number != 0) {
        if (memo) {
            TPinnedRecord old(table.DataFile().GetRecord(nullptr, number));
            uint16_t at = Field(table, MemoField).Offset();
            std::copy_n(&old->Image()[at], 9, &image[at]);
        }
        if (memo) SaveMemo(table, image, person.Memo, number);
        table.ModifyRecord(number, image);
    } else {
        if (memo) SaveMemo(table, image, person.Memo, 0);
        table.AppendRecord(image);
    }
    write.End();
}

void DeletePerson(TDataTable& table, int32_t key) {
    TTableWrite write(table);
    table.DeleteRecord(RecordOf(table, key));
    write.End();
}

std::string ContentsDigest(const TContents& contents) {
    uint64_t hash = 14695981039346656037ull;
    auto add = [&](const void* data, size_t size) {
        for (size_t i = 0; i < size; ++i)
            hash = (hash ^ static_cast<const uint8_t*>(data)[i]) * 1099511628211ull;
    };
    for (const auto& [key, person] : contents) {
        for (int32_t number : {person.Key, person.Value}) add(&number, sizeof number);
        for (const std::string* text : {&person.Name, &person.Memo}) {
            uint64_t size = text->size();
            add(&size, sizeof size);
            add(text->data(), text->size());
        }
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string Problems(TDataTable& table) {
    std::string text;
    for (const std::string& problem : VerifyTable(table).Problems) text += problem + "\n";
    return text;
}

} // namespace vorsam::test
