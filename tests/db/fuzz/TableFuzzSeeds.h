// The table fuzzer's seed corpus, made by the engine itself: a few small tables of different shapes,
// each packed as a fuzzer input (TableFuzzInput.h), so the corpus can always be made again and no
// binary file is kept.
#pragma once

#include <string>
#include <vector>

namespace vorsam::test {

struct TFuzzSeed {
    std::string Name;  // a file name for it
    std::string Input; // the packed files
};

// Needs the library globals.
std::vector<TFuzzSeed> MakeFuzzSeeds();

} // namespace vorsam::test
