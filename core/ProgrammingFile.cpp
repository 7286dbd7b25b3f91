#include "core/ProgrammingFile.h"

#include "core/CoreError.h"
#include "core/Language.h"
#include "core/ModelTables.h"
#include "core/ProgramFolder.h"
#include "core/Programming.h"
#include "core/SystemErrors.h"
#include "platform/os/FileIo.h"
#include "platform/os/OsError.h"
#include "platform/os/Utf8.h"

#include <algorithm>
#include <filesystem>

namespace {

[[noreturn]] void Refuse(std::string_view message, const std::string& detail = {}) {
    throw EProgrammingFileError(TranslateText(message) + (detail.empty() ? "" : " " + detail));
}

[[noreturn]] void RefuseNotProgramming() {
    Refuse(LngText("Este não é um arquivo de programação do PABX"));
}

std::string ReadProgrammingBytes(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error == std::errc::no_such_file_or_directory) Refuse(LngText("Arquivo não encontrado:"), path);
    if (error)
        Refuse(LngText("Não foi possível ler o arquivo"), path + ": " + SystemErrorText(error.value()) + ".");
    if (size != ImageSize) RefuseNotProgramming();
    std::optional<std::string> bytes;
    try {
        bytes = ReadWholeFile(path, ImageSize);
    } catch (const EOsError& failure) {
        throw EProgrammingFileError(OsErrorMessage(failure));
    }
    if (!bytes) Refuse(LngText("Arquivo não encontrado:"), path);
    return *bytes;
}

void SetLoadedFlags(std::uint8_t model) {
    LoadedSections.fill(0);
    LoadedSectionsLegacy.fill(0);
    for (int section = 1; section <= Section::Count; ++section) {
        if (section == Section::NoContents) continue;
        if (section == Section::ExtensionPasswordDigits && !IsTransferableModel(model)) continue;
        LoadedSections[section] = 1;
        if (IsLegacyModel(model)) LoadedSectionsLegacy[section] = 1;
    }
}

} // namespace

bool IsProgrammingFileImage(std::string_view bytes) {
    return bytes.size() == ImageSize && IsKnownModel(static_cast<std::uint8_t>(bytes[Offset::Model])) &&
           static_cast<std::uint8_t>(bytes[Offset::SignatureLengthByte]) == SignatureLength &&
           bytes.substr(Offset::SignatureText, SignatureLength) == Signature;
}

void LoadProgrammingFile(const std::string& path) {
    const std::string bytes = ReadProgrammingBytes(path);
    if (!IsProgrammingFileImage(bytes)) RefuseNotProgramming();
    std::ranges::copy(bytes, ProgrammingBytes.begin());
    ModelCode = ProgrammingBytes[Offset::Model];
    ProgrammingFileName = path;
    SetLoadedFlags(ModelCode);
    EditedSections.fill(0);
    ModifiedSections.fill(0);
    ProgrammingModified = 0;
}

bool IsDefaultProgrammingFile(const std::string& path) {
    const std::string name = FoldCase(std::filesystem::path(path).filename().string());
    return std::ranges::any_of(ModelTables, [&](const TModelInfo& model) {
        return model.DefaultFile != nullptr && FoldCase(model.DefaultFile) == name;
    });
}

void SaveProgrammingFile(const std::string& path) {
    if (IsDefaultProgrammingFile(path))
        Refuse(LngText("Não é permitido gravar sobre o arquivo de programação padrão"),
               std::filesystem::path(path).filename().string());
    if (!IsKnownModel(ModelCode)) Refuse(LngText("Não há programação para gravar."));
    try {
        WriteFileAtomically(
            path, std::string_view(reinterpret_cast<const char*>(ProgrammingBytes.data()), ImageSize));
    } catch (const EOsError& error) {
        throw EProgrammingFileError(OsErrorMessage(error));
    }
    ProgrammingFileName = path;
    ModifiedSections.fill(0);
    ProgrammingModified = 0;
}

void NewProgramming(std::uint8_t model) {
    const char* defaultFile = ModelInfo(model).DefaultFile;
    if (defaultFile == nullptr) Refuse(LngText("Não há programação padrão para este modelo."));
    LoadProgrammingFile(ProgramFilePath(defaultFile));
    ProgrammingFileName.clear();
}
