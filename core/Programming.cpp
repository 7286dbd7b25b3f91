#include "core/Programming.h"

#include <algorithm>
#include <cassert>

std::array<std::uint8_t, ImageSize> ProgrammingBytes{};
constinit const TImageView ProgrammingHeader(ProgrammingBytes.data(), 0, HeaderSize);
constinit const TImageView ProgrammingImage(ProgrammingBytes.data(), 0, ImageSize);

std::uint8_t ModelCode = ModelNone;
TSectionFlags EditedSections{};
TSectionFlags ModifiedSections{};
TSectionFlags LoadedSections{};
TSectionFlags LoadedSectionsLegacy{};
std::uint8_t ProgrammingModified = 0;
std::uint8_t TransferDirection = 0;
std::string ProgrammingFileName;

void ClearProgramming() {
    ProgrammingBytes.fill(0);
    ModelCode = ModelNone;
    EditedSections.fill(0);
    ModifiedSections.fill(0);
    LoadedSections.fill(0);
    LoadedSectionsLegacy.fill(0);
    ProgrammingModified = 0;
    TransferDirection = 0;
    ProgrammingFileName.clear();
}

void MarkSectionEdited(int section, bool setProgrammingModified) {
    assert(section >= 1 && section <= Section::Count);
    EditedSections.at(section) = 1;
    ModifiedSections.at(section) = 1;
    if (setProgrammingModified) ProgrammingModified = 1;
}

bool AnySectionModified() {
    return ProgrammingModified != 0 ||
           std::ranges::any_of(ModifiedSections, [](std::uint8_t f) { return f != 0; });
}

const TModelInfo& CurrentModel() {
    return ModelInfo(ModelCode);
}

std::uint16_t ExtensionNumber(int position) {
    assert(position >= 0 && position < MaxPositions);
    return ProgrammingImage.U16(Offset::ExtensionNumbers + 2 * static_cast<std::size_t>(position));
}

bool RouteZeroExists() {
    for (int trunk = 0; trunk < CurrentModel().Trunks; ++trunk)
        if ((ProgrammingHeader[Offset::TrunkBytes + trunk] & 0x07) == 0) return true;
    return false;
}
