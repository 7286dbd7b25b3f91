// Writes default programming files from the table of defaults.
//
//   npxgen --defaults DIR   the default files of the models that have one (DEFTESSL.NPX, ...)
//   npxgen --fixtures DIR   one file per known model: MODEL03.NPX, MODEL04.NPX, ... MODEL13.NPX

#include "core/DefaultProgramming.h"
#include "core/ModelTables.h"
#include "core/ValueConversions.h"
#include "platform/os/FileIo.h"

#include <filesystem>
#include <iostream>
#include <string>

namespace {

void WriteImage(const std::filesystem::path& file, std::uint8_t model) {
    const TImageBytes image = BuildDefaultImage(model);
    WriteFileAtomically(file.string(),
                        std::string_view(reinterpret_cast<const char*>(image.data()), image.size()));
}

} // namespace

int main(int argc, char* argv[]) {
    const std::string mode = argc == 3 ? argv[1] : "";
    if (mode != "--defaults" && mode != "--fixtures") {
        std::cerr << "usage: npxgen --defaults DIR | --fixtures DIR\n";
        return 2;
    }
    try {
        const std::filesystem::path folder = argv[2];
        CreateFolders(folder.string());
        for (const std::uint8_t model : KnownModelCodes) {
            if (mode == "--fixtures")
                WriteImage(folder / ("MODEL" + IntToStrZeroPad(model, 2) + ".NPX"), model);
            else if (ModelInfo(model).DefaultFile != nullptr)
                WriteImage(folder / ModelInfo(model).DefaultFile, model);
        }
    } catch (const std::exception& error) {
        std::cerr << "npxgen: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
