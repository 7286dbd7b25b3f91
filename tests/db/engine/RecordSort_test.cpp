// Sorting a data file's records in place: both paths against an oracle (a stable sort of the active
// records) and against each other, distinct, groups with their callbacks, the maximum, collations, and
// the temporary run files, which never outlive the call.
#include "DataFileTestSupport.h"

#include "db/engine/TableVerify.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/Collation.h"
#include "db/lib/DataTypes.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <numeric>
#include <random>
#include <set>

namespace vorsam::test {
namespace {

// K integer at 9, NAME string(12) at 14, AMOUNT integer at 28, N integer at 33: record size 38.
constexpr uint16_t KOffset = 9, NameOffset = 14, AmountOffset = 28, NOffset = 33, RecordSize = 38;

struct TRow {
    int32_t K = 0;
    std::string Name; // empty: null
    int32_t Amount = 0;
    int32_t N = 0;
};

struct TSorted {
    uint32_t AutoInc; // +5
    TRow Row;
};

int32_t IntAt(std::span<const uint8_t> image, uint16_t offset) {
    return LoadNative<int32_t>(&image[offset + 1]);
}
void SetInt(std::span<uint8_t> image, uint16_t offset, int32_t value) {
    image[offset] = 1;
    StoreNative<int32_t>(&image[offset + 1], value);
}
TRow RowOf(std::span<const uint8_t> image) {
    TRow row{IntAt(image, KOffset), {}, IntAt(image, AmountOffset), IntAt(image, NOffset)};
    if (image[NameOffset] != 0) row.Name = reinterpret_cast<const char*>(&image[NameOffset + 1]);
    return row;
}

class RecordSortTest : public TDataFileTest {
protected:
    void SetUp() override {
        privateDir_ = dir_.File("private");
        std::filesystem::create_directory(privateDir_);
        owner_.Config.PrivateDirectory = privateDir_;
    }
    static std::vector<TFieldDescriptor> Fields() {
        return MakeFields(
            {{"K", dtInteger}, {"NAME", dtString, 12}, {"AMOUNT", dtInteger}, {"N", dtInteger}});
    }
    // A table holding the rows in slot order (+5 = 1, 2, ...), then the listed slots deleted and, when
    // asked, as many new rows appended (which reuse the deleted slots with larger +5 values).
    std::unique_ptr<TDataFile> TableOf(const std::vector<TRow>& rows,
                                       const std::vector<uint32_t>& deleted = {},
                                       const std::vector<TRow>& reusing = {},
                                       const TTableOptions& options = {}) {
        auto file = CreateTable(Fields(), options);
        Append(*file, rows);
        if (zeroAutoInc_)
            for (uint32_t n = 1; n <= rows.size(); ++n) {
                TRecord* record = file->GetRecord(nullptr, n);
                StoreLE32(&record->Image()[AutoIncValueOffset], 0);
                record->SetModified();
                file->ReleaseRecord(*record);
            }
        for (uint32_t n : deleted) {
            TRecord* record = file->GetRecord(nullptr, n);
            file->FreeRecord(*record);
            file->ReleaseRecord(*record);
        }
        Append(*file, reusing);
        return file;
    }
    static void Append(TDataFile& file, const std::vector<TRow>& rows) {
        for (const TRow& row : rows) {
            TRecord* record = file.AllocateRecord(nullptr);
            record->Clear(true);
            auto image = record->Image();
            SetInt(image, KOffset, row.K);
            SetInt(image, AmountOffset, row.Amount);
            SetInt(image, NOffset, row.N);
            if (!row.Name.empty()) {
                image[NameOffset] = 1;
                std::memcpy(&image[NameOffset + 1], row.Name.data(), row.Name.size());
            }
            record->SetModified();
            file.ReleaseRecord(*record);
        }
    }
    // Flushes and reopens the table with a cache of `cacheRecords` records and runs of as many: the sort
    // then takes the external path.
    std::unique_ptr<TDataFile> WithSmallCache(std::unique_ptr<TDataFile> file, uint32_t cacheRecords) {
        owner_.Config.BufferSize = cacheRecords * RecordSize;
        owner_.Config.RecordCacheLimit = cacheRecords;
        return Reopen(std::move(file));
    }
    TSortRequest Request(std::initializer_list<std::pair<const char*, bool>> fields) const {
        TSortRequest request;
        auto all = Fields();
        for (auto [name, descending] : fields) {
            auto it = std::find_if(all.begin(), all.end(), [&](const auto& f) { return f.Name() == name; });
            request.Fields.push_back(*it);
            request.Fields.back().SetSortDescending(descending);
        }
        return request;
    }
    // The records after a sort, checked to be numbered 1..n in +1 and +5, the file sound.
    std::vector<TRow> Records(TDataFile& file) {
        std::vector<TRow> rows;
        uint32_t count = file.GetRecordCount();
        for (uint32_t n = 1; n <= count; ++n) {
            TRecord* record = file.GetRecord(nullptr, n);
            EXPECT_EQ(record->Status(), RecordActive);
            EXPECT_EQ(LoadLE32(&record->Image()[NextFreeOffset]), n);
            EXPECT_EQ(record->AutoIncValue(), n);
            rows.push_back(RowOf(record->Image()));
            file.ReleaseRecord(*record);
        }
        TVerifyReport report;
        VerifyDataFile(file, report);
        EXPECT_TRUE(report.Ok()) << report.Problems.front();
        EXPECT_EQ(file.Header().FreeChainHead(), 0u);
        return rows;
    }
    size_t PrivateEntries() const {
        return size_t(std::distance(std::filesystem::directory_iterator(privateDir_), {}));
    }

    std::string privateDir_;
    bool zeroAutoInc_ = false; // TableOf leaves +5 at 0 in the first rows (records of no auto-increment)
};

std::vector<TRow> RandomRows(std::mt19937& random, size_t count) {
    static const char* const names[] = {"", "ana", "Ana", "ANA", "bia", "Bia", "caio", "Zeca", "ze", "beto"};
    std::vector<TRow> rows(count);
    for (size_t i = 0; i < count; ++i)
        rows[i] = {int32_t(random() % 23) - 11, names[random() % 10], int32_t(random() % 1000), int32_t(i)};
    return rows;
}

TEST_P(RecordSortTest, ExternalPathGivesTheSameTableAsTheInMemoryPathAndTheOracle) {
    struct TCase {
        const char* Name;
        std::vector<std::pair<std::string, bool>> Fields; // name, descending
        bool Distinct = false, CaseInsensitive = false, Encrypted = false;
        int64_t Max = -1;
        bool ZeroAutoInc = false; // equal keys then keep their slot order
    };
    const TCase cases[] = {
        {"integer ascending", {{"K", false}}},
        {"integer descending, then name", {{"K", true}, {"NAME", false}}},
        {"distinct names ignoring case", {{"NAME", false}}, true, true},
        {"distinct pairs, encrypted", {{"NAME", true}, {"K", false}}, true, false, true},
        {"first 37 by name descending", {{"NAME", true}}, false, false, false, 37},
        {"no sort field: +5 order", {}},
        {"equal +5 values", {{"K", false}}, false, false, false, -1, true},
    };
    std::mt19937 random(77);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        zeroAutoInc_ = c.ZeroAutoInc;
        std::vector<TRow> rows = RandomRows(random, 200), reusing = RandomRows(random, 5);
        std::vector<uint32_t> deleted = {3, 50, 51, 120, 199, 7, 9};
        TSortRequest request;
        for (const auto& [name, descending] : c.Fields) {
            auto all = Fields();
            request.Fields.push_back(
                *std::find_if(all.begin(), all.end(), [&](auto& f) { return f.Name() == name; }));
            request.Fields.back().SetSortDescending(descending);
        }
        request.Distinct = c.Distinct;
        request.CaseInsensitive = c.CaseInsensitive;
        request.MaxCount = c.Max;

        // The oracle: the active records in slot order with their +5 values, stably sorted.
        std::vector<TSorted> expected;
        {
            std::vector<TRow> slots = rows;
            std::vector<uint32_t> autoInc(rows.size());
            if (!c.ZeroAutoInc) std::iota(autoInc.begin(), autoInc.end(), 1);
            std::vector<uint32_t> freeChain(deleted.rbegin(), deleted.rend());
            std::set<uint32_t> gone(deleted.begin(), deleted.end());
            for (size_t i = 0; i < reusing.size(); ++i) {
                uint32_t slot = freeChain[i];
                slots[slot - 1] = reusing[i];
                autoInc[slot - 1] = uint32_t(rows.size() + i + 1);
                gone.erase(slot);
            }
            for (size_t i = 0; i < slots.size(); ++i)
                if (!gone.contains(uint32_t(i + 1))) expected.push_back({autoInc[i], slots[i]});
        }
        auto fieldOrder = [&](const TRow& a, const TRow& b) {
            for (const auto& [name, descending] : c.Fields) {
                int order;
                if (name == "K") {
                    order = (a.K > b.K) - (a.K < b.K);
                } else {
                    std::string x = a.Name, y = b.Name;
                    if (c.CaseInsensitive) {
                        std::transform(x.begin(), x.end(), x.begin(), ::toupper);
                        std::transform(y.begin(), y.end(), y.begin(), ::toupper);
                    }
                    order = x.compare(y) < 0 ? -1 : x.compare(y) > 0; // null (empty) first
                }
                if (order != 0) return descending ? -order : order;
            }
            return 0;
        };
        std::stable_sort(expected.begin(), expected.end(), [&](const TSorted& a, const TSorted& b) {
            int order = fieldOrder(a.Row, b.Row);
            return order != 0 ? order < 0 : a.AutoInc < b.AutoInc;
        });
        if (c.Distinct)
            expected.erase(std::unique(expected.begin(), expected.end(),
                                       [&](const TSorted& a, const TSorted& b) {
                                           return fieldOrder(a.Row, b.Row) == 0;
                                       }),
                           expected.end());
        if (c.Max >= 0 && expected.size() > size_t(c.Max)) expected.resize(size_t(c.Max));

        // In memory: every record is in the cache.
        owner_.Config.BufferSize = 1 << 20;
        owner_.Config.RecordCacheLimit = 8192;
        auto file = TableOf(rows, deleted, reusing, {.Encrypted = c.Encrypted});
        ASSERT_EQ(file->RecordCache().Count(), file->GetRecordCount());
        EXPECT_EQ(file->SortRecords(request), expected.size());
        std::vector<TRow> inMemory = Records(*file);
        ASSERT_EQ(inMemory.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(inMemory[i].N, expected[i].Row.N) << "position " << i;
            if (inMemory[i].N != expected[i].Row.N) break;
        }
        file = Reopen(std::move(file));
        std::string inMemoryBytes = FileBytes().substr(file->Header().RecordAreaOffset());
        file->Close();
        GetFileList().Delete(Path(), InMemory(), {});

        // Externally, through runs of 16 records.
        std::set<std::string> runFiles;
        GetFileList().Faults().SetObserver([&](const TFileEvent& e) {
            if (e.Operation == TFileOperation::Write && e.FileName.ends_with(".TMP"))
                runFiles.emplace(e.FileName);
        });
        file = WithSmallCache(TableOf(rows, deleted, reusing, {.Encrypted = c.Encrypted}), 16);
        EXPECT_EQ(file->SortRecords(request), expected.size());
        GetFileList().Faults().Reset();
        EXPECT_EQ(runFiles.size(), 13u) << "200 slots in runs of 16";
        EXPECT_EQ(Records(*file).size(), expected.size());
        file = Reopen(std::move(file));
        EXPECT_EQ(FileBytes().substr(file->Header().RecordAreaOffset()), inMemoryBytes);
        file->Close();
        GetFileList().Delete(Path(), InMemory(), {});
        EXPECT_EQ(PrivateEntries(), 0u);
    }
}

TEST_P(RecordSortTest, DistinctOverThreeOneThreeTwoGivesOneTwoThreeRenumbered) {
    for (bool external : {false, true}) {
        SCOPED_TRACE(external ? "external" : "in memory");
        auto file = TableOf({{3, "c"}, {1, "a"}, {3, "c"}, {2, "b"}});
        if (external) file = WithSmallCache(std::move(file), 2);
        TSortRequest request = Request({{"K", false}});
        request.Distinct = true;
        EXPECT_EQ(file->SortRecords(request), 3u);
        std::vector<TRow> rows = Records(*file);
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0].K, 1);
        EXPECT_EQ(rows[1].K, 2);
        EXPECT_EQ(rows[2].K, 3);
        EXPECT_EQ(rows[2].N, 0) << "the first of the equal records stays";
        file = Reopen(std::move(file));
        EXPECT_EQ(file->GetRecordCount(), 3u);
        EXPECT_EQ(file->GetFileSize(), file->Header().SlotOffset(4));
        file->Close();
        GetFileList().Delete(Path(), InMemory(), {});
    }
}

// Groups by K: AMOUNT becomes the group's sum, N its record count, FinishGroup negates the sum of groups
// of one record, and KeepGroup keeps groups whose sum is not 0.
TEST_P(RecordSortTest, GroupsAccumulateFinishAndFilter) {
    std::mt19937 random(5);
    std::vector<TRow> rows(300);
    for (TRow& row : rows) row = {int32_t(random() % 40), "", int32_t(random() % 7) - 3, 0};
    std::map<int32_t, std::pair<int32_t, int32_t>> groups; // K -> sum, count
    for (const TRow& row : rows) {
        groups[row.K].first += row.Amount;
        ++groups[row.K].second;
    }
    std::vector<TRow> expected;
    for (auto [k, group] : groups) {
        int32_t sum = group.second == 1 ? -group.first : group.first;
        if (sum != 0) expected.push_back({k, "", sum, group.second});
    }

    TSortRequest request = Request({{"K", false}});
    request.Group = true;
    int starts = 0;
    request.Accumulate = [&](std::span<uint8_t> output, std::span<const uint8_t> input) {
        bool start = output.data() == input.data();
        starts += start;
        SetInt(output, AmountOffset, (start ? 0 : IntAt(output, AmountOffset)) + IntAt(input, AmountOffset));
        SetInt(output, NOffset, (start ? 0 : IntAt(output, NOffset)) + 1);
    };
    request.FinishGroup = [](std::span<uint8_t> last) {
        if (IntAt(last, NOffset) == 1) SetInt(last, AmountOffset, -IntAt(last, AmountOffset));
    };
    request.KeepGroup = [](std::span<const uint8_t> last) { return IntAt(last, AmountOffset) != 0; };

    for (uint32_t cache : {8192u, 16u}) {
        SCOPED_TRACE(cache);
        starts = 0;
        auto file = cache == 8192 ? TableOf(rows) : WithSmallCache(TableOf(rows), cache);
        EXPECT_EQ(file->SortRecords(request), expected.size());
        EXPECT_EQ(starts, int(groups.size()));
        std::vector<TRow> result = Records(*file);
        ASSERT_EQ(result.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(result[i].K, expected[i].K);
            EXPECT_EQ(result[i].Amount, expected[i].Amount);
            EXPECT_EQ(result[i].N, expected[i].N);
        }
        file->Close();
        GetFileList().Delete(Path(), InMemory(), {});
    }
}

TEST_P(RecordSortTest, TheMaximumCountsKeptRecordsAndNeverCutsAGroup) {
    // K: 1 1 2 2 2 3 3 4; a group of K 2 is rejected by the filter.
    std::vector<TRow> rows = {{1, "", 1}, {1, "", 1}, {2, "", 1}, {2, "", 1},
                              {2, "", 1}, {3, "", 1}, {3, "", 1}, {4, "", 1}};
    struct TCase {
        int64_t Max;
        bool Group;
        std::vector<std::pair<int32_t, int32_t>> Expected; // K, AMOUNT
    };
    const TCase cases[] = {
        {0, false, {}},
        {0, true, {}},
        {3, false, {{1, 1}, {1, 1}, {2, 1}}},
        {1, true, {{1, 2}}},
        {2, true, {{1, 2}, {3, 2}}},
        {9, true, {{1, 2}, {3, 2}, {4, 1}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "max " << c.Max << (c.Group ? " group" : ""));
        auto file = TableOf(rows);
        TSortRequest request = Request({{"K", false}});
        request.MaxCount = c.Max;
        request.Group = c.Group;
        request.Accumulate = [](std::span<uint8_t> output, std::span<const uint8_t> input) {
            if (output.data() != input.data())
                SetInt(output, AmountOffset, IntAt(output, AmountOffset) + IntAt(input, AmountOffset));
        };
        request.KeepGroup = [](std::span<const uint8_t> last) { return IntAt(last, KOffset) != 2; };
        EXPECT_EQ(file->SortRecords(request), c.Expected.size());
        std::vector<std::pair<int32_t, int32_t>> result;
        for (const TRow& row : Records(*file)) result.emplace_back(row.K, row.Amount);
        EXPECT_EQ(result, c.Expected);
        file->Close();
        GetFileList().Delete(Path(), InMemory(), {});
    }
}

TEST_P(RecordSortTest, EqualKeysKeepTheOrderOfTheirAutoIncrementValues) {
    for (bool external : {false, true}) {
        SCOPED_TRACE(external ? "external" : "in memory");
        // Slot 2 is deleted and reused: its record has the largest +5 value and sorts last among equals.
        auto file =
            TableOf({{5, "", 0, 1}, {5, "", 0, 2}, {5, "", 0, 3}, {5, "", 0, 4}}, {2}, {{5, "", 0, 5}});
        if (external) file = WithSmallCache(std::move(file), 2);
        file->SortRecords(Request({{"K", false}}));
        std::vector<int32_t> order;
        for (const TRow& row : Records(*file)) order.push_back(row.N);
        EXPECT_EQ(order, (std::vector<int32_t>{1, 3, 4, 5}));
        file->Close();
        GetFileList().Delete(Path(), InMemory(), {});
    }
}

TEST_P(RecordSortTest, StringsFollowTheTableLanguageAndCaseInsensitivity) {
    const std::vector<std::string> words = {"\xE9pico", "epico", "Zebra", "abacate",
                                            "\xC1gua",  "agua",  "zebra"};
    auto file = NewFile();
    file->CreateHeader(MakeLanguageId(0x16, 1), 0, Fields(), 512, {}, {}, false, 0, 0); // Portuguese (Brazil)
    file->WriteHeader();
    file->WriteFieldDescriptors();
    std::vector<TRow> rows;
    for (size_t i = 0; i < words.size(); ++i) rows.push_back({0, words[i], 0, int32_t(i)});
    Append(*file, rows);
    std::vector<std::string> expected = words;
    std::stable_sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) {
        return LocaleCompareStrings(MakeLanguageId(0x16, 1), 0, a.c_str(), b.c_str(), 13) > 0;
    });
    file->SortRecords(Request({{"NAME", true}}));
    std::vector<std::string> result;
    for (const TRow& row : Records(*file)) result.push_back(row.Name);
    EXPECT_EQ(result, expected);

    TSortRequest request = Request({{"NAME", false}});
    request.Distinct = request.CaseInsensitive = true;
    EXPECT_EQ(file->SortRecords(request), 6u) << "Zebra and zebra are one; accented words stay apart";
}

TEST_P(RecordSortTest, NoRunFileOutlivesTheSortEvenWhenAWriteFails) {
    std::mt19937 random(3);
    std::vector<TRow> rows = RandomRows(random, 100);
    auto countWrites = [&] {
        auto file = WithSmallCache(TableOf(rows), 10);
        uint64_t before = GetFileList().Faults().Count(TFileOperation::Write);
        file->SortRecords(Request({{"NAME", false}}));
        uint64_t writes = GetFileList().Faults().Count(TFileOperation::Write) - before;
        file->Close();
        GetFileList().Delete(Path(), InMemory(), {});
        return writes;
    };
    uint64_t writes = countWrites();
    ASSERT_GT(writes, 10u) << "ten runs and the output";
    for (uint64_t n = 1; n <= writes; n += 3) {
        SCOPED_TRACE(n);
        auto file = WithSmallCache(TableOf(rows), 10);
        size_t openFiles = GetFileList().OpenFileCount();
        GetFileList().Faults().FailAt(TFileOperation::Write, n);
        EXPECT_ENGINE_ERROR(file->SortRecords(Request({{"NAME", false}})), VORSAM_WRITEERR);
        GetFileList().Faults().Reset();
        EXPECT_EQ(GetFileList().OpenFileCount(), openFiles);
        EXPECT_EQ(PrivateEntries(), 0u);
        EXPECT_EQ(file->RecordCache().Count(), 0u);
        file->Close();
        GetFileList().Delete(Path(), InMemory(), {});
    }
}

TEST_P(RecordSortTest, ASortFieldOutsideTheRecordIsRefused) {
    auto file = TableOf({{1, "a"}});
    TSortRequest request = Request({{"NAME", false}});
    request.Fields[0].SetOffset(RecordSize - 3);
    EXPECT_ENGINE_ERROR(file->SortRecords(request), VORSAM_SEARCHCOLREQD);
    EXPECT_EQ(Records(*file).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Storage, RecordSortTest, ::testing::Values(TStorage::Disk, TStorage::Memory),
                         StorageName);

} // namespace
} // namespace vorsam::test
