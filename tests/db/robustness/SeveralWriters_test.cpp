// Two writers and a reader of one table in three processes, through the cursor and through SQL: each
// writer adds 1 to one counter 40 times, a transaction per increment, while the reader sums the table
// until it sees the last increment. No lock wait may outlast the other processes' work, so a wait for
// a lock that the waiter itself keeps from being released shows as the lock's timeout (the workers
// try for 6 s at most); every increment must count, and the reader must never see the sum go down.
#include "WorkerProcess.h"

#include "db/lib/TestSupport.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace vorsam::test {
namespace {

using worker::TWorkerProcess;

constexpr int Increments = 100;

class SeveralWritersTest : public ::testing::TestWithParam<const char*> {};

TEST_P(SeveralWritersTest, TwoWritersAndAReaderNeitherStallNorLoseAnUpdate) {
    TTempDir dir;
    const std::string folder = dir.Path() + " " + GetParam();
    TWorkerProcess first, second, reader;
    first.SendOk("ccreate " + dir.Path() + " 2000"); // long walks for the reader
    const std::string options = " tries=2000";
    reader.Post("cread " + folder + " " + std::to_string(2 * Increments) + options);
    first.Post("cwrite " + folder + " " + std::to_string(Increments) + options);
    second.Post("cwrite " + folder + " " + std::to_string(Increments) + options);
    EXPECT_EQ(first.Receive(), "ok");
    EXPECT_EQ(second.Receive(), "ok");
    std::string read = reader.Receive();
    ASSERT_EQ(read.rfind("ok ", 0), 0u) << read;
    // reads, last sum, times the sum went down
    EXPECT_EQ(read.substr(read.find(' ', 3)), " " + std::to_string(2 * Increments) + " 0") << read;
}

INSTANTIATE_TEST_SUITE_P(Through, SeveralWritersTest, ::testing::Values("engine", "sql"),
                         [](const auto& info) { return std::string(info.param); });

} // namespace
} // namespace vorsam::test
