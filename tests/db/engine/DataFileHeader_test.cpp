// The data file's header and field descriptors: a new table, validation of corrupted files, counters,
// encryption of the header texts and the descriptor area.
#include "DataFileTestSupport.h"

#include "db/engine/DataFileValidation.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/DataTypes.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"
#include "db/lib/Scramble.h"

#include <functional>

namespace vorsam::test {
namespace {

std::vector<TFieldDescriptor> PeopleFields() {
    return MakeFields({{"ID", dtInteger, 0, stAutoInc},
                       {"NAME", dtString, 30},
                       {"BORN", dtDate},
                       {"SALARY", dtBcd},
                       {"PHOTO", dtBlob, 0, stGraphic},
                       {"ACTIVE", dtBoolean}});
}

constexpr size_t DescriptorAt(size_t n) {
    return 127 + (n - 1) * 768;
}

class DataFileHeaderTest : public TDataFileTest {};

TEST_P(DataFileHeaderTest, NewTableHasNoRecordsExactSizeAndValidates) {
    auto fields = PeopleFields();
    auto file = CreateTable(fields);
    EXPECT_EQ(file->GetFileSize(), 127u + fields.size() * 768);
    EXPECT_EQ(file->Header().NextRecordNumber(), 1u);
    EXPECT_EQ(file->Header().FreeChainHead(), 0u);
    EXPECT_EQ(file->GetRecordCount(), 0u);
    EXPECT_EQ(file->GetRecordSize(), 9 + 32 + 5 + 35 + 9 + 3);
    EXPECT_EQ(file->GetBlobFieldCount(), 1);
    EXPECT_NO_THROW(file->ValidateHeader());
    file->Close();

    file = OpenTable();
    EXPECT_NO_THROW(file->ValidateHeader());
    EXPECT_NO_THROW(file->CheckFormat());
    ASSERT_EQ(file->FieldDescriptors().size(), fields.size());
    for (size_t i = 0; i < fields.size(); ++i) EXPECT_EQ(file->FieldDescriptors()[i].Bytes, fields[i].Bytes);
}

TEST_P(DataFileHeaderTest, ThirtyCharacterNameValidates) {
    auto fields = MakeFields({{std::string(30, 'N'), dtString, 10}, {"_X\xE7", dtInteger}});
    auto file = CreateTable(fields);
    EXPECT_NO_THROW(file->ValidateHeader());
}

// A mutation of a valid table file (3 records) and the error that opening and validating it must raise.
struct TCorruption {
    const char* Name;
    std::function<void(std::string&)> Mutate;
    uint16_t Code;
};

void SetByte(std::string& bytes, size_t at, uint8_t value) {
    bytes[at] = char(value);
}
void SetU16(std::string& bytes, size_t at, uint16_t value) {
    StoreLE16(reinterpret_cast<uint8_t*>(&bytes[at]), value);
}
void SetU32(std::string& bytes, size_t at, uint32_t value) {
    StoreLE32(reinterpret_cast<uint8_t*>(&bytes[at]), value);
}
void SetName(std::string& bytes, size_t field, const std::string& name) {
    SetByte(bytes, DescriptorAt(field) + 2, uint8_t(name.size()));
    bytes.replace(DescriptorAt(field) + 3, name.size(), name);
}
void SetText(std::string& bytes, size_t at, const std::string& text) {
    SetByte(bytes, at, uint8_t(text.size()));
    text.copy(bytes.data() + at + 1, text.size());
}

const TCorruption Corruptions[] = {
    {"RecordAreaOneByteShort", [](std::string& b) { b.pop_back(); }, VORSAM_HEADERCORRUPT},
    {"RecordAreaOneByteLong", [](std::string& b) { b.push_back('\0'); }, VORSAM_HEADERCORRUPT},
    {"RecordAreaOneRecordShort", [](std::string& b) { b.resize(b.size() - 93); }, VORSAM_HEADERCORRUPT},
    {"DuplicateNameInOtherCase", [](std::string& b) { SetName(b, 3, "name"); }, VORSAM_HEADERCORRUPT},
    {"DuplicateNameWithBlanks", [](std::string& b) { SetName(b, 3, " NAME "); }, VORSAM_HEADERCORRUPT},
    {"BlankName", [](std::string& b) { SetName(b, 2, "    "); }, VORSAM_HEADERCORRUPT},
    {"EmptyName", [](std::string& b) { SetName(b, 2, ""); }, VORSAM_HEADERCORRUPT},
    {"NameStartsWithDigit", [](std::string& b) { SetName(b, 2, "1NAME"); }, VORSAM_HEADERCORRUPT},
    {"NameLengthAbove30", [](std::string& b) { SetByte(b, DescriptorAt(2) + 2, 31); }, VORSAM_HEADERCORRUPT},
    {"OffsetOneTooFar", [](std::string& b) { SetU16(b, DescriptorAt(3) + 90, 42); }, VORSAM_HEADERCORRUPT},
    {"AutoIncrementOffsetNot5", [](std::string& b) { SetU16(b, DescriptorAt(1) + 90, 9); },
     VORSAM_HEADERCORRUPT},
    {"FieldNumberNotItsPosition", [](std::string& b) { SetU16(b, DescriptorAt(2), 7); },
     VORSAM_HEADERCORRUPT},
    {"TypeZero", [](std::string& b) { SetByte(b, DescriptorAt(3) + 84, 0); }, VORSAM_HEADERCORRUPT},
    {"UnknownType", [](std::string& b) { SetByte(b, DescriptorAt(3) + 84, 17); }, VORSAM_HEADERCORRUPT},
    {"StringOf251", [](std::string& b) { SetByte(b, DescriptorAt(2) + 86, 251); }, VORSAM_HEADERCORRUPT},
    {"SizeOnADate", [](std::string& b) { SetByte(b, DescriptorAt(3) + 86, 4); }, VORSAM_HEADERCORRUPT},
    {"DecimalsOnADate", [](std::string& b) { SetByte(b, DescriptorAt(3) + 87, 2); }, VORSAM_HEADERCORRUPT},
    {"DefaultNoDate", [](std::string& b) { SetText(b, DescriptorAt(3) + 196, "31/12"); },
     VORSAM_HEADERCORRUPT},
    {"MinimumNoNumber", [](std::string& b) { SetText(b, DescriptorAt(4) + 94, "x"); }, VORSAM_HEADERCORRUPT},
    {"RecordSizeOneMore", [](std::string& b) { SetU16(b, 21, 94); }, VORSAM_HEADERCORRUPT},
    {"NextRecordNumberOneMore", [](std::string& b) { SetU32(b, 13, 5); }, VORSAM_HEADERCORRUPT},
    {"NextRecordNumberOneLess", [](std::string& b) { SetU32(b, 13, 3); }, VORSAM_HEADERCORRUPT},
    {"FreeChainHeadPastTheSlots", [](std::string& b) { SetU32(b, 9, 4); }, VORSAM_HEADERCORRUPT},
    {"WrongFormat", [](std::string& b) { SetByte(b, 8, 4); }, VORSAM_OLDVERSION},
    {"MoreThan1024Fields", [](std::string& b) { SetU16(b, 23, 1025); }, VORSAM_HEADERCORRUPT},
    {"FewerFieldsThanDescribed", [](std::string& b) { SetU16(b, 23, 5); }, VORSAM_HEADERCORRUPT},
    {"UnknownLanguage", [](std::string& b) { SetU16(b, 103, 0x7F7F); }, VORSAM_CANNOTLOADLDDRV},
};

class DataFileCorruptionTest : public TDataFileTest {};

TEST_P(DataFileCorruptionTest, EachCorruptionRaisesItsCodeAndLeavesTheFileAlone) {
    auto file = TableWithRecords(3, PeopleFields());
    ASSERT_NO_THROW(file->ValidateHeader());
    file->Close();
    const std::string valid = FileBytes();

    for (const TCorruption& corruption : Corruptions) {
        SCOPED_TRACE(corruption.Name);
        std::string bytes = valid;
        corruption.Mutate(bytes);
        OverwriteFile(bytes);
        EXPECT_ENGINE_ERROR(
            {
                auto broken = OpenTable();
                broken->CheckFormat();
                broken->ValidateHeader();
            },
            corruption.Code);
        EXPECT_EQ(FileBytes(), bytes);
    }
}

TEST_P(DataFileHeaderTest, CreateRefusesBlobLimitAndRecordSizeBeforeAnyFileExists) {
    std::vector<TFieldSpec> blobs;
    for (int i = 1; i <= 129; ++i) blobs.push_back({'B' + std::to_string(i), dtBlob});
    auto file = NewFile();
    EXPECT_ENGINE_ERROR(file->CreateHeader(0, 0, MakeFields(blobs), 512, "", "", false, 0, 0),
                        VORSAM_BLOBLIMIT);
    EXPECT_ENGINE_ERROR(file->CreateHeader(0, 0, WideFields(261), 512, "", "", false, 0, 0),
                        VORSAM_RECTOOBIG);
    EXPECT_FALSE(file->IsOpen());
    EXPECT_FALSE(GetFileList().Exists(Path(), InMemory()));

    blobs.pop_back();
    file = CreateTable(MakeFields(blobs));
    EXPECT_EQ(file->GetBlobFieldCount(), 128);
    file->Close();
    file = CreateTable(WideFields(260)); // 9 + 260 x 252 = 65,529 bytes
    EXPECT_NO_THROW(file->ValidateHeader());
}

TEST_P(DataFileHeaderTest, BlobBlockSizeZeroReadsAs512) {
    EXPECT_EQ(CreateTable(PeopleFields(), {.BlobBlockSize = 0})->GetBlobBlockSize(), 512u);
}

TEST_P(DataFileHeaderTest, CountersWrapFromTheLargestIntegerToOneAndPersist) {
    auto file = CreateTable(PeopleFields());
    file->Close();
    std::string bytes = FileBytes();
    SetU32(bytes, 17, 2147483646);
    SetU32(bytes, 112, 0xFFFFFFFF); // a corrupt value starts again at 1 too
    OverwriteFile(bytes);
    file = OpenTable();
    EXPECT_EQ(file->NextAutoIncValue(), 2147483647u);
    EXPECT_EQ(file->NextAutoIncValue(), 1u);
    EXPECT_EQ(file->NextBlobSequence(), 1u);
    EXPECT_EQ(file->NextBlobSequence(), 2u);
    EXPECT_TRUE(file->HeaderChanged());
    file->WriteHeader();
    file->Close();
    file = OpenTable();
    EXPECT_EQ(file->GetLastAutoIncValue(), 1u);
    EXPECT_EQ(file->Header().LastBlobSequence(), 2u);
}

TEST_P(DataFileHeaderTest, EveryHeaderWriteCountsUpAndAnotherHandleNoticesIt) {
    auto writer = CreateTable(PeopleFields());
    auto reader = OpenTable();
    EXPECT_FALSE(reader->CheckHeaderChanged());
    EXPECT_FALSE(writer->WriteHeader()); // nothing changed
    writer->SetLastAutoIncValue(41);
    EXPECT_TRUE(writer->WriteHeader());
    EXPECT_TRUE(writer->WriteHeader(true));
    EXPECT_EQ(writer->Header().ChangeCounter(), 3u);
    EXPECT_TRUE(reader->CheckHeaderChanged());
    EXPECT_EQ(reader->GetLastAutoIncValue(), 41u);
    EXPECT_FALSE(reader->HeaderChanged());
    EXPECT_FALSE(reader->CheckHeaderChanged());
    int modifications = owner_.Modifications;
    writer->MarkHeaderWritten();
    EXPECT_EQ(writer->Header().ChangeCounter(), 4u);
    EXPECT_TRUE(writer->HeaderChanged());
    EXPECT_EQ(owner_.Modifications, modifications + 1);
}

TEST_P(DataFileHeaderTest, ResetHeaderEmptiesTheTableAndKeepsCountingUp) {
    auto file = TableWithRecords(5, PeopleFields());
    auto other = OpenTable();
    uint32_t before = file->Header().ChangeCounter();

    file->ResetHeader();
    EXPECT_EQ(file->GetFileSize(), 127u + 6 * 768);
    EXPECT_EQ(file->RecordCache().Count(), 0u);
    EXPECT_EQ(file->Header().NextRecordNumber(), 1u);
    EXPECT_EQ(file->GetLastAutoIncValue(), 0u);
    file->WriteHeader();
    EXPECT_GT(file->Header().ChangeCounter(), before + 1);
    EXPECT_TRUE(other->CheckHeaderChanged());
    EXPECT_EQ(other->GetRecordCount(), 0u);
    EXPECT_NO_THROW(file->ValidateHeader());
}

TEST_P(DataFileHeaderTest, TextsAndDescriptorsAreScrambledOnlyInAnEncryptedTable) {
    auto file =
        CreateTable(PeopleFields(), {.Encrypted = true, .Description = "Staff list", .Password = "secret"});
    EXPECT_EQ(file->GetDescription(), "Staff list");
    EXPECT_EQ(file->GetPassword(), "secret");
    file->Close();
    std::string bytes = FileBytes();
    EXPECT_EQ(bytes[35], 10); // length bytes stay readable
    EXPECT_EQ(bytes[87], 6);
    std::string description = bytes.substr(36, 10), password = bytes.substr(88, 6);
    EXPECT_NE(description, "Staff list");
    EXPECT_NE(password, "secret");
    UnscrambleBuffer(description.data(), description.size(), DescriptionSeed1, DescriptionSeed2);
    UnscrambleBuffer(password.data(), password.size(), DescriptionSeed1, DescriptionSeed2);
    EXPECT_EQ(description, "Staff list");
    EXPECT_EQ(password, "secret");
    EXPECT_EQ(bytes.find("SALARY"), std::string::npos); // descriptors enciphered

    file = OpenTable();
    EXPECT_NO_THROW(file->ValidateHeader());
    EXPECT_EQ(file->FindFieldByName("salary"), 4);
    EXPECT_EQ(file->GetPassword(), "secret");
    file->Close();

    file = CreateTable(PeopleFields(), {.Description = std::string(60, 'd'), .Password = "secret"});
    EXPECT_EQ(file->GetPassword(), ""); // a plain table keeps no password
    EXPECT_EQ(file->GetDescription(), std::string(50, 'd'));
    file->Close();
    EXPECT_EQ(FileBytes().substr(35, 2), "\x32"
                                         "d");
}

TEST_P(DataFileHeaderTest, FieldLookupsIgnoreCaseAndCarryThePosition) {
    auto file = CreateTable(PeopleFields());
    TFieldDescriptor found;
    ASSERT_TRUE(file->GetFieldDescByName("born", found));
    EXPECT_EQ(found.Name(), "BORN");
    EXPECT_EQ(found.Position(), 3);
    ASSERT_TRUE(file->GetFieldDescByNumber(5, found));
    EXPECT_EQ(found.Name(), "PHOTO");
    EXPECT_EQ(found.Position(), 5);
    found.SetName("untouched");
    EXPECT_FALSE(file->GetFieldDescByName("missing", found));
    EXPECT_FALSE(file->GetFieldDescByNumber(9, found));
    EXPECT_FALSE(file->GetFieldDesc(7, found));
    EXPECT_EQ(found.Name(), "untouched");
    EXPECT_EQ(file->FindFieldByName("MISSING"), 0);
}

TEST_P(DataFileHeaderTest, AlteredDescriptorIsWrittenReadBackAndSharedOnlyWithCursorsTakingItAfter) {
    auto file = CreateTable(PeopleFields());
    TFieldDescriptor changed;
    file->GetFieldDesc(2, changed);
    const std::string original = changed.Name();
    auto takenBefore = file->SharedFieldDescriptors();
    changed.SetName("FULLNAME");
    changed.SetRequired(true);
    changed.SetDefaultValue("nobody");
    changed.SetOffset(77); // not among the altered items
    file->AlterFieldDesc(2, changed);
    EXPECT_EQ((*takenBefore)[1].Name(), original);
    EXPECT_EQ((*file->SharedFieldDescriptors())[1].Name(), "FULLNAME");
    EXPECT_TRUE(file->DescriptorsChanged());
    EXPECT_TRUE(file->WriteFieldDescriptors());
    EXPECT_FALSE(file->WriteFieldDescriptors());
    file->Close();
    file = OpenTable();
    EXPECT_NO_THROW(file->ValidateHeader());
    TFieldDescriptor read;
    ASSERT_TRUE(file->GetFieldDescByName("fullname", read));
    EXPECT_TRUE(read.Required());
    EXPECT_EQ(read.DefaultValue(), "nobody");
    EXPECT_EQ(read.Offset(), 9);
}

INSTANTIATE_TEST_SUITE_P(Storage, DataFileHeaderTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);
INSTANTIATE_TEST_SUITE_P(Storage, DataFileCorruptionTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);

} // namespace
} // namespace vorsam::test
