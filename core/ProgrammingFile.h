#pragma once
// Programming files (.NPX).
//
// Format: exactly 6750 bytes, the programming image byte for byte at its file offsets (the byte
// map is in core/ImageLayout.h). Byte 0 is the model code (3, 4, 5, 8..13), byte 1 the length 9
// and bytes 2..10 the maker's name "ORVALISTA". Any other file is refused with the message
// "Este não é um arquivo de programação do PABX".
//
// The default files of the models ("DEFTESSL.NPX", "DEFARCO.NPX", "DEFNODO.NPX") live in the
// program folder; new programmings start from them, and no file of those names is ever written.
//
// Failures raise EProgrammingFileError with a translated message; the programming in memory is
// then exactly as it was.

#include <cstdint>
#include <string>
#include <string_view>

// True when the bytes are a programming file: the size, a known model code, the signature.
bool IsProgrammingFileImage(std::string_view bytes);

// Reads the file into the programming: ModelCode from byte 0, ProgrammingFileName = path,
// LoadedSections set for every section the model has (all but 18; 22 only on models 9..13),
// LoadedSectionsLegacy set the same way on models 3, 4, 5, 8 and cleared on the others,
// EditedSections, ModifiedSections and ProgrammingModified cleared.
void LoadProgrammingFile(const std::string& path);

// Writes the programming (its header included) to the file safely: a temporary file in the same
// folder (noted in the program folder meanwhile, core/LeftoversNote.h), flushed and renamed over the
// target. Refuses a default file's name and an empty programming. Then ProgrammingFileName = path
// and the modified flags are cleared.
void SaveProgrammingFile(const std::string& path);

// True when the file name (any folder, any case) is one of the default programming files.
bool IsDefaultProgrammingFile(const std::string& path);

// Loads the model's default file from the program folder as a new programming without a file
// name. Raises EProgrammingFileError for a model without a default file.
void NewProgramming(std::uint8_t model);
