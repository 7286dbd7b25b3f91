#include "core/ProgramFolder.h"

#include "core/ModelTables.h"
#include "platform/os/FileIo.h"

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string& Folder() {
    static std::string folder;
    return folder;
}

bool HoldsConfig(const std::string& folder) {
    return FileExists((fs::path(folder) / ConfigFileName).string());
}

std::string DefaultsFolder(const std::string& executableFolder) {
    if (HoldsConfig(executableFolder)) return executableFolder;
    return (fs::path(executableFolder) / ".." / "share" / "centrprg" / "defaults")
        .lexically_normal()
        .string();
}

std::string UserDataFolder(const TProgramFolderInputs& inputs) {
    if (inputs.xdgDataHome && !inputs.xdgDataHome->empty() && inputs.xdgDataHome->front() == '/')
        return (fs::path(*inputs.xdgDataHome) / "centrprg").string();
    return (fs::path(inputs.home.value_or(".")) / ".local" / "share" / "centrprg").string();
}

void CopyIfMissing(const fs::path& source, const fs::path& target) {
    if (FileExists(target.string()) || !FileExists(source.string())) return;
    WriteFileAtomically(target.string(), ReadWholeFile(source.string()).value_or(std::string()));
}

// Creates the folder and copies in every default file and help page it lacks.
void Seed(const std::string& folder, const std::string& defaults) {
    CreateFolders(folder);
    CreateFolders((fs::path(folder) / HelpFolderName).string());
    if (!FolderExists(defaults) || fs::equivalent(fs::path(folder), fs::path(defaults))) return;
    for (const std::string& name : DefaultFolderFiles())
        CopyIfMissing(fs::path(defaults) / name, fs::path(folder) / name);
    const fs::path help = fs::path(defaults) / HelpFolderName;
    if (!FolderExists(help.string())) return;
    for (const auto& page : fs::directory_iterator(help))
        CopyIfMissing(page.path(), fs::path(folder) / HelpFolderName / page.path().filename());
}

// The absolute, normal form of a folder path, without a trailing "/".
std::string NormalFolder(const std::string& path) {
    fs::path normal = fs::absolute(path).lexically_normal();
    if (!normal.has_filename() && normal.has_parent_path() && normal != normal.root_path())
        normal = normal.parent_path();
    return normal.string();
}

std::optional<std::string> Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

} // namespace

std::vector<std::string> DefaultFolderFiles() {
    std::vector<std::string> names = {ConfigFileName, LanguageFileName};
    for (const TModelInfo& model : ModelTables)
        if (model.DefaultFile != nullptr) names.emplace_back(model.DefaultFile);
    return names;
}

TProgramFolderInputs CurrentProgramFolderInputs(std::optional<std::string> dataDir) {
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return TProgramFolderInputs{std::move(dataDir),
                                error ? std::string(".") : executable.parent_path().string(),
                                Environment("XDG_DATA_HOME"), Environment("HOME")};
}

std::string ChooseProgramFolder(const TProgramFolderInputs& inputs) {
    return inputs.dataDirArgument ? NormalFolder(*inputs.dataDirArgument) : UserDataFolder(inputs);
}

std::string ProgramDefaultsFolder(const TProgramFolderInputs& inputs) {
    return DefaultsFolder(inputs.executableFolder);
}

void PrepareProgramFolder(const std::string& folder, const std::string& defaults) {
    Seed(folder, defaults);
}

std::string ResolveProgramFolder(const TProgramFolderInputs& inputs) {
    const std::string folder = ChooseProgramFolder(inputs);
    PrepareProgramFolder(folder, ProgramDefaultsFolder(inputs));
    return folder;
}

void SetProgramFolder(std::string folder) {
    Folder() = std::move(folder);
}

const std::string& ProgramFolder() {
    return Folder();
}

std::string ProgramFilePath(const std::string& name) {
    return (fs::path(Folder()) / name).string();
}
