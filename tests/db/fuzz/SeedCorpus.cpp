// Writes the table fuzzer's seed corpus (TableFuzzSeeds.h) into a folder, one file per seed.
// Usage: table_fuzz_seeds <folder>
#include "TableFuzzSeeds.h"

#include "db/lib/LibraryGlobals.h"

#include <filesystem>
#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " <folder>\n";
        return 2;
    }
    vorsam::InitializeLibraryGlobals();
    std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    for (const vorsam::test::TFuzzSeed& seed : vorsam::test::MakeFuzzSeeds()) {
        std::ofstream out(folder / ("seed-" + seed.Name), std::ios::binary | std::ios::trunc);
        out.write(seed.Input.data(), std::streamsize(seed.Input.size()));
        if (!out) {
            std::cerr << "cannot write " << (folder / seed.Name) << "\n";
            return 1;
        }
    }
    vorsam::FinalizeLibraryGlobals();
    return 0;
}
