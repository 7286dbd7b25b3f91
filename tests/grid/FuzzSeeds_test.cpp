// The grid fuzzers' seeds, among them the inputs that once hung or exhausted the grid (node levels
// and widths beyond any screen, sheets that claim too much, workbooks whose chains loop), run as
// the fuzzers run them: each returns at once and leaves a consistent grid within its limits.
#include "GridFuzzInput.h"

#include <gtest/gtest.h>

namespace {

class FuzzSeeds : public testing::TestWithParam<const char*> {};

TEST_P(FuzzSeeds, RunCleanlyAndLeaveAConsistentBoundedGrid) {
    const TGridFuzzKind kind = GridFuzzKindNamed(GetParam());
    for (const TGridFuzzSeed& seed : MakeGridFuzzSeeds(kind))
        EXPECT_TRUE(RunGridInput(kind, {reinterpret_cast<const unsigned char*>(seed.Input.constData()),
                                        size_t(seed.Input.size())}))
            << seed.Name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, FuzzSeeds, testing::Values("cellstream", "xlsx", "xls", "html", "delimited"));

} // namespace
