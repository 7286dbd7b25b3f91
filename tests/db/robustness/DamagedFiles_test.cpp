// Tables with damaged files, through the fuzzer's run (TableFuzzInput.h) in the normal test build: the
// seed tables are sound, and bytes flipped in their headers and anywhere else, or files cut short, are
// refused at open or found by the check, never missed by it while a scan runs into them, never a crash;
// a write on a sound table, done or refused, leaves it sound.
#include "TableFuzzInput.h"
#include "TableFuzzSeeds.h"

#include "db/lib/TestSupport.h"

#include <map>
#include <random>

namespace vorsam::test {
namespace {

// One damage done to a seed's files.
struct TDamage {
    size_t File;   // 0 data, 1 index, 2 blob
    size_t Offset; // of the byte changed, or where the file is cut
    uint8_t Mask;  // xor-ed into the byte; 0: the file is cut at the offset
    std::string Text() const {
        static const char* extensions[] = {".DAT", ".IDX", ".BLB"};
        return std::string(Mask ? "flip " : "cut ") + extensions[File] + " at " + std::to_string(Offset) +
               (Mask ? " with " + std::to_string(Mask) : "");
    }
};

class DamagedFilesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { seeds_ = MakeFuzzSeeds(); }

    // Runs the seed with the damage done; the outcome, with the damage in a failure's text.
    TFuzzOutcome Run(const TFuzzSeed& seed, const TDamage& damage) {
        TTableFiles files = UnpackTableFiles(
            std::span(reinterpret_cast<const uint8_t*>(seed.Input.data()), seed.Input.size()));
        std::string& file = files[damage.File];
        if (damage.Offset >= file.size()) return TFuzzOutcome::Sound;
        if (damage.Mask)
            file[damage.Offset] = char(file[damage.Offset] ^ damage.Mask);
        else
            file.resize(damage.Offset);
        std::string input = PackTableFiles(files), problems;
        TFuzzOutcome outcome =
            RunTableInput(std::span(reinterpret_cast<const uint8_t*>(input.data()), input.size()), &problems);
        EXPECT_NE(outcome, TFuzzOutcome::Unnoticed)
            << seed.Name << ", " << damage.Text() << ": the check misses what the scan finds:\n"
            << problems;
        EXPECT_NE(outcome, TFuzzOutcome::BrokenByWrite)
            << seed.Name << ", " << damage.Text() << ": a write breaks the sound table:\n"
            << problems;
        ++outcomes_[outcome];
        return outcome;
    }

    static std::vector<TFuzzSeed> seeds_;
    std::map<TFuzzOutcome, size_t> outcomes_;
};

std::vector<TFuzzSeed> DamagedFilesTest::seeds_;

TEST_F(DamagedFilesTest, TheSeedTablesAreSound) {
    ASSERT_GE(seeds_.size(), 5u);
    for (const TFuzzSeed& seed : seeds_) {
        std::string problems;
        EXPECT_EQ(
            RunTableInput(std::span(reinterpret_cast<const uint8_t*>(seed.Input.data()), seed.Input.size()),
                          &problems),
            TFuzzOutcome::Sound)
            << seed.Name << ":\n"
            << problems;
    }
}

TEST_F(DamagedFilesTest, EveryHeaderByteFlippedIsRefusedFoundOrHarmless) {
    // The data header, the first field descriptor, the index header's start and first three index
    // descriptors, and the blob header's used part.
    const std::vector<std::pair<size_t, std::pair<size_t, size_t>>> regions = {
        {0, {0, 127 + 100}}, {1, {0, 14 + 3 * 120}}, {2, {0, 18}}};
    for (const TFuzzSeed& seed : seeds_)
        for (auto [file, range] : regions)
            for (size_t offset = range.first; offset < range.second; ++offset)
                Run(seed, {file, offset, 0xFF});
    EXPECT_GT(outcomes_[TFuzzOutcome::Refused], 0u);
}

TEST_F(DamagedFilesTest, RandomFlipsAndCutsAnywhereAreRefusedFoundOrHarmless) {
    std::mt19937 random(20240611);
    for (const TFuzzSeed& seed : seeds_) {
        TTableFiles files = UnpackTableFiles(
            std::span(reinterpret_cast<const uint8_t*>(seed.Input.data()), seed.Input.size()));
        for (int n = 0; n < 400; ++n) {
            size_t file = random() % 3;
            if (files[file].empty()) continue;
            size_t offset = random() % files[file].size();
            uint8_t mask = random() % 8 == 0 ? 0 : uint8_t(1u << (random() % 8));
            Run(seed, {file, offset, mask});
        }
    }
    EXPECT_GT(outcomes_[TFuzzOutcome::Damaged], 0u);
}

// What the open refuses or the check finds, a repair mends into a table that checks and scans clean, or
// refuses cleanly when what defines the table is damaged.
TEST_F(DamagedFilesTest, ARepairMendsADamagedTableOrRefusesItCleanly) {
    std::mt19937 random(20240612);
    std::map<TFuzzOutcome, size_t> repairs;
    for (const TFuzzSeed& seed : seeds_) {
        TTableFiles sound = UnpackTableFiles(
            std::span(reinterpret_cast<const uint8_t*>(seed.Input.data()), seed.Input.size()));
        for (int n = 0; n < 150; ++n) {
            TTableFiles files = sound;
            size_t file = random() % 3;
            if (files[file].empty()) continue;
            size_t offset = random() % files[file].size();
            if (random() % 8 == 0)
                files[file].resize(offset);
            else
                files[file][offset] = char(files[file][offset] ^ (1u << (random() % 8)));
            std::string input = PackTableFiles(files), problems;
            auto bytes = std::span(reinterpret_cast<const uint8_t*>(input.data()), input.size());
            if (RunTableInput(bytes) == TFuzzOutcome::Sound) continue;
            TFuzzOutcome repaired = RepairTableInput(bytes, &problems);
            EXPECT_NE(repaired, TFuzzOutcome::Damaged)
                << seed.Name << ", byte " << offset << " of file " << file << ":\n"
                << problems;
            ++repairs[repaired];
        }
    }
    EXPECT_GT(repairs[TFuzzOutcome::Sound], 0u);
}

} // namespace
} // namespace vorsam::test
