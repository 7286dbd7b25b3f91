#include "screens/ProgrammingEdit.h"

#include "core/Programming.h"

#include <cassert>

TProgrammingEdit::TProgrammingEdit()
    : bytes_(ProgrammingBytes), header_(bytes_.data(), 0, HeaderSize), image_(bytes_.data(), 0, ImageSize) {}

void TProgrammingEdit::Mark(ProgrammingSection section, bool setProgrammingModified) {
    assert(section >= 1 && section <= Section::Count);
    marks_.push_back({section, setProgrammingModified});
}

void TProgrammingEdit::MarkLoaded(ProgrammingSection section) {
    assert(section >= 1 && section <= Section::Count);
    loaded_.push_back(section);
}

void TProgrammingEdit::Commit() const {
    ProgrammingBytes = bytes_;
    for (const TMark& mark : marks_) MarkSectionEdited(mark.section, mark.setProgrammingModified);
    for (const ProgrammingSection section : loaded_) LoadedSections.at(section) = 1;
}
