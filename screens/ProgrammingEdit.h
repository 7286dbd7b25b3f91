#pragma once
// TProgrammingEdit: the working copy of the programming that a screen's OK writes into.
//
// A screen's OK checks its fields and writes the new bytes into the copy, noting the sections it
// changes. Only Commit touches the programming: it copies the whole copy back and sets the
// section flags. An OK that fails part-way simply drops the copy, so a failed check never leaves
// part of a section stored, whatever order the screen checks and writes in.

#include "core/ImageLayout.h"
#include "core/ImageView.h"
#include "core/Sections.h"

#include <array>
#include <cstdint>
#include <vector>

class TProgrammingEdit {
public:
    TProgrammingEdit(); // copies the programming in memory
    TProgrammingEdit(const TProgrammingEdit&) = delete;
    TProgrammingEdit& operator=(const TProgrammingEdit&) = delete;

    // Views of the copy by file offset, like ProgrammingHeader (0..831) and ProgrammingImage.
    const TImageView& Header() const { return header_; }
    const TImageView& Image() const { return image_; }

    // Notes a section the OK changes: at Commit its EditedSections and ModifiedSections entries are
    // set, and ProgrammingModified unless setProgrammingModified is false.
    void Mark(ProgrammingSection section, bool setProgrammingModified = true);
    // Notes a section to set in LoadedSections at Commit (the calendar makes the clock present).
    void MarkLoaded(ProgrammingSection section);

    // Copies the working copy over the programming and sets the noted flags.
    void Commit() const;

private:
    struct TMark {
        ProgrammingSection section;
        bool setProgrammingModified;
    };
    std::array<std::uint8_t, ImageSize> bytes_;
    TImageView header_, image_;
    std::vector<TMark> marks_;
    std::vector<ProgrammingSection> loaded_;
};
