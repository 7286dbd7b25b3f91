// The kill -9 torture (TortureRun.h) in its short form; CENTRPRG_TORTURE_SECONDS runs it longer, e.g.
//   CENTRPRG_TORTURE_SECONDS=600 build/ci/tests/db/robustness/dbrobustness_tests --gtest_filter='Torture*'
#include "TortureRun.h"

#include "db/lib/TestSupport.h"

#include <cstdlib>
#include <iostream>
#include <random>

namespace vorsam::test {
namespace {

std::chrono::seconds TortureTime() {
    const char* seconds = std::getenv("CENTRPRG_TORTURE_SECONDS");
    return std::chrono::seconds(seconds ? std::max(1, std::atoi(seconds)) : 15);
}

TEST(TortureTest, WorkersKilledAtRandomLeaveNoTableUnusableAndNeverHang) {
    TTempDir dir;
    TTortureOptions options;
    options.Total = TortureTime();
    options.Seed = uint32_t(std::random_device()());
    SCOPED_TRACE("seed " + std::to_string(options.Seed));
    TTortureStats stats = RunTorture(options, dir.Path());
    std::cout << "torture (seed " << options.Seed << "): " << stats.Text() << std::endl;
    EXPECT_GT(stats.Kills, stats.Rounds) << "kills within rounds, not only at their ends";
    EXPECT_GT(stats.Reads, 0u);
    EXPECT_EQ(stats.Unusable, 0u);
    EXPECT_EQ(stats.Mixed, 0u);
}

TEST(TortureTest, RestructuresKilledAtRandomLeaveTheOldTableOrTheNewNeverNeither) {
    TTempDir dir;
    TTortureOptions options;
    options.Total = TortureTime() / 3;
    options.Seed = uint32_t(std::random_device()());
    SCOPED_TRACE("seed " + std::to_string(options.Seed));
    TRestructureStats stats = RunRestructureTorture(options, dir.Path());
    std::cout << "restructure torture: " << stats.Done << " done, " << stats.Kills << " killed (" << stats.New
              << " found done)" << std::endl;
    EXPECT_GT(stats.Kills, stats.New) << "kills before the swap";
    EXPECT_GT(stats.New, 0u) << "kills after the swap";
}

} // namespace
} // namespace vorsam::test
