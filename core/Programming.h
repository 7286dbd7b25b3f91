#pragma once
// The programming held in memory for the whole run, under the names the screens use.
//
// One 6750-byte buffer holds the programming; ProgrammingHeader views its bytes 0..831 and
// ProgrammingImage all of it, so the header is always what a saved file carries at 0..831.
// Everything here is static data of the one GUI thread.

#include "core/ImageLayout.h"
#include "core/ImageView.h"
#include "core/ModelTables.h"
#include "core/Sections.h"

#include <array>
#include <cstdint>
#include <string>

extern std::array<std::uint8_t, ImageSize> ProgrammingBytes;
extern const TImageView ProgrammingHeader; // offsets 0..831
extern const TImageView ProgrammingImage;  // offsets 0..6749

extern std::uint8_t ModelCode; // ModelNone until a programming is loaded
extern TSectionFlags EditedSections;
extern TSectionFlags ModifiedSections;
extern TSectionFlags LoadedSections;
extern TSectionFlags LoadedSectionsLegacy;
extern std::uint8_t ProgrammingModified;
extern std::uint8_t TransferDirection;  // 0 reception, 1 transmission
extern std::string ProgrammingFileName; // the file last opened or saved; empty before any

// Forgets the programming: zero bytes, model ModelNone, every flag clear, no file name.
void ClearProgramming();

// What a screen's OK does to the flags: entry k of EditedSections and ModifiedSections, and
// ProgrammingModified unless told otherwise.
void MarkSectionEdited(int section, bool setProgrammingModified = true);

// True when any ModifiedSections entry or ProgrammingModified is set.
bool AnySectionModified();

// The model's counts (zero counts when no programming is loaded).
const TModelInfo& CurrentModel();

// The numbering-plan number of a physical position (0..19).
std::uint16_t ExtensionNumber(int position);

// True when at least one trunk of the model has route 0 (low three bits of its trunk byte).
bool RouteZeroExists();
