#include "core/SystemErrors.h"

#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "core/TempTable.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct TCause {
    int errorNumber;
    const char* text;
};

constexpr TCause Causes[] = {
    {ENOSPC, LngText("não há espaço livre no disco")},
    {EDQUOT, LngText("a cota de disco do usuário se esgotou")},
    {EACCES, LngText("permissão negada")},
    {EPERM, LngText("permissão negada")},
    {EROFS, LngText("o disco só permite leitura")},
    {ENOENT, LngText("arquivo ou pasta não encontrado")},
    {ENOTDIR, LngText("uma parte do caminho não é uma pasta")},
    {EISDIR, LngText("é uma pasta")},
    {ENXIO, LngText("não é um arquivo comum")}, // a FIFO, device or socket where a file was expected
    {EEXIST, LngText("o arquivo já existe")},
    {EFBIG, LngText("arquivo grande demais")},
    {EIO, LngText("erro de leitura ou gravação no disco")},
    {ENAMETOOLONG, LngText("nome de arquivo longo demais")},
    {ELOOP, LngText("atalhos demais no caminho")},
    {EMFILE, LngText("arquivos abertos demais")},
    {ENFILE, LngText("arquivos abertos demais")},
    {EBUSY, LngText("o arquivo está em uso")},
    {ETXTBSY, LngText("o arquivo está em uso")},
    {EAGAIN, LngText("o arquivo está em uso")}, // a lock another process holds
};

const char* ActionText(TOsAction action) {
    switch (action) {
    case TOsAction::Read:
        return LngText("Não foi possível ler o arquivo");
    case TOsAction::Write:
        return LngText("Não foi possível gravar o arquivo");
    case TOsAction::CreateFolder:
        return LngText("Não foi possível criar a pasta");
    case TOsAction::Delete:
        return LngText("Não foi possível apagar o arquivo");
    case TOsAction::None:
        break;
    }
    return nullptr;
}

// The name of the account, its number when it has none.
std::string AccountName(uid_t account) {
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(account, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return found->pw_name;
    return std::to_string(account);
}

// A file of the scratch table, which its owner's copy deletes when it is done with it.
bool IsScratchTableFile(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    return std::ranges::find(TempTableFiles, name) != TempTableFiles.end() && !ProgramFolder().empty() &&
           path.parent_path() == std::filesystem::path(ProgramFolder()).lexically_normal();
}

} // namespace

std::string SystemErrorText(int errorNumber) {
    for (const TCause& cause : Causes)
        if (cause.errorNumber == errorNumber) return TranslateText(cause.text);
    return TranslateText(LngText("erro do sistema")) + " " + std::to_string(errorNumber);
}

std::string OsErrorMessage(const EOsError& error) {
    const char* action = ActionText(error.Action());
    if (action == nullptr) return error.what();
    std::string message = TranslateText(action) + " " + error.Path();
    if (error.ErrorNumber() != 0) message += ": " + SystemErrorText(error.ErrorNumber());
    return message + "." + OsErrorAdviceLine(error);
}

std::string OsErrorDetail(const EOsError& error) {
    if (error.Action() == TOsAction::None) return error.what();
    return error.Path() + (error.ErrorNumber() != 0 ? ": " + SystemErrorText(error.ErrorNumber()) : "");
}

std::string OsErrorAdviceLine(const EOsError& error) {
    const std::string advice = OtherAccountAdvice(error.Path(), error.ErrorNumber());
    return advice.empty() ? "" : "\n" + advice;
}

std::string OtherAccountAdvice(const std::string& path, int errorNumber) {
    const bool inUse = errorNumber == EAGAIN || errorNumber == EBUSY || errorNumber == ETXTBSY;
    if ((errorNumber != EACCES && errorNumber != EPERM && !inUse) || path.empty()) return "";
    std::error_code unknown; // no working folder: the path as given
    const std::filesystem::path file = std::filesystem::absolute(path, unknown).lexically_normal();
    struct stat status {
    }, folder{};
    const bool theirs = ::lstat(file.c_str(), &status) == 0 && status.st_uid != ::geteuid();
    if (inUse && !theirs) return "";
    // A name in a folder with the sticky bit (/tmp) goes or is replaced only by its owner's hand.
    const bool sticky = errorNumber == EPERM && ::stat(file.parent_path().c_str(), &folder) == 0 &&
                        (folder.st_mode & S_ISVTX) != 0;
    const char* subject = LngText("O arquivo");
    const char* advice =
        inUse ? LngText("Peça a esse usuário que feche o programa; depois tente de novo.")
        : IsScratchTableFile(file)
            ? LngText("Peça a esse usuário que feche o programa e apague o arquivo; depois tente "
                      "de novo.")
        : sticky ? LngText("Peça a esse usuário que apague o arquivo; depois tente de novo.")
                 : LngText("Peça a esse usuário que lhe dê acesso a ele.");
    std::filesystem::path named = file;
    if (!theirs) {
        named = file.parent_path();
        subject = LngText("A pasta");
        advice = LngText("Peça a esse usuário que lhe dê acesso a ela.");
        if (::stat(named.c_str(), &status) != 0 || status.st_uid == ::geteuid()) return "";
    }
    return TranslateText(subject) + " " + named.string() + " " + TranslateText(LngText("é do usuário")) +
           " " + AccountName(status.st_uid) + ". " + TranslateText(advice);
}
