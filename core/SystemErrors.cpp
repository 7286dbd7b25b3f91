#include "core/SystemErrors.h"

#include "core/Language.h"

#include <cerrno>

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
    return message + ".";
}

std::string OsErrorDetail(const EOsError& error) {
    if (error.Action() == TOsAction::None) return error.what();
    return error.Path() + (error.ErrorNumber() != 0 ? ": " + SystemErrorText(error.ErrorNumber()) : "");
}
