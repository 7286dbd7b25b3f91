#include "screens/FailureMessages.h"

#include "core/Language.h"
#include "core/SystemErrors.h"
#include "db/lib/EngineErrors.h"
#include "platform/data/Errors.h"
#include "platform/os/OsError.h"

#include <cerrno>

namespace {

using namespace vorsam;

// The cause an engine code stands for, when the system gave none: the system's own causes by their
// number, the others in the user's language.
std::string EngineCause(uint16_t code) {
    switch (code) {
    case VORSAM_OSENOENT:
        return SystemErrorText(ENOENT);
    case VORSAM_OSEACCES:
        return SystemErrorText(EACCES);
    case VORSAM_FILEEXISTS:
        return SystemErrorText(EEXIST);
    case VORSAM_FILEINUSE:
        return SystemErrorText(EAGAIN);
    case VORSAM_READERR:
        return TranslateText(LngText("erro de leitura"));
    case VORSAM_WRITEERR:
        return TranslateText(LngText("erro de gravação"));
    case VORSAM_DIRNOTFOUND:
        return TranslateText(LngText("a pasta não existe"));
    case VORSAM_KEYORRECDELETED:
        return TranslateText(LngText("o registro foi alterado ou apagado por outro usuário"));
    case VORSAM_RECNOTFOUND:
        return TranslateText(LngText("registro não encontrado"));
    case VORSAM_OLDVERSION:
        return TranslateText(LngText("formato de tabela desconhecido"));
    case VORSAM_TABLEFULL:
        return TranslateText(LngText("a tabela está cheia"));
    case VORSAM_LOCKTIMEOUT:
        return TranslateText(LngText("a tabela está bloqueada por outro usuário"));
    case VORSAM_RECLOCKFAILED:
        return TranslateText(LngText("o registro está bloqueado por outro usuário"));
    case VORSAM_KEYVIOL:
        return TranslateText(LngText("chave duplicada"));
    case VORSAM_REQDERR:
        return TranslateText(LngText("falta um valor obrigatório"));
    case VORSAM_MINVALERR:
    case VORSAM_MAXVALERR:
    case VORSAM_OUTOFRANGE:
        return TranslateText(LngText("valor fora dos limites"));
    default:
        break;
    }
    switch (code >> 8) {
    case 0x23:
        return TranslateText(LngText("a tabela está danificada"));
    case 0x24:
        return TranslateText(LngText("a tabela excede um limite do banco de dados"));
    case 0x27:
        return TranslateText(LngText("erro na definição da tabela"));
    default:
        return TranslateText(LngText("erro interno do banco de dados"));
    }
}

std::string EngineFailureMessage(const EVORSAMEngineError& error) {
    const std::string& table = error.ErrorTableName;
    const char* lead = table.empty()                        ? LngText("Erro no banco de dados")
                       : error.ErrorCode == VORSAM_READERR  ? LngText("Não foi possível ler a tabela")
                       : error.ErrorCode == VORSAM_WRITEERR ? LngText("Não foi possível gravar a tabela")
                                                            : LngText("Erro na tabela");
    std::string message = TranslateText(lead);
    if (!table.empty()) message += " " + table;
    message +=
        ": " + (error.OSErrorCode != 0 ? SystemErrorText(error.OSErrorCode) : EngineCause(error.ErrorCode));
    message += " (" + TranslateText(LngText("código")) + " " + std::to_string(error.ErrorCode) + ").";
    const std::string& folder = error.ErrorDatabaseName;
    const int refused = error.OSErrorCode != 0               ? error.OSErrorCode
                        : error.ErrorCode == VORSAM_OSEACCES ? EACCES
                                                             : 0;
    if (!table.empty() && !folder.empty() && folder != "Memory")
        if (const std::string advice = OtherAccountAdvice(folder + "/" + table, refused); !advice.empty())
            message += "\n" + advice;
    return message;
}

} // namespace

std::string FailureMessage(const std::exception& error) {
    if (const auto* system = dynamic_cast<const EOsError*>(&error)) return OsErrorMessage(*system);
    if (const auto* engine = dynamic_cast<const EVORSAMEngineError*>(&error))
        return EngineFailureMessage(*engine);
    if (dynamic_cast<const platform::data::EDatabaseError*>(&error) ||
        dynamic_cast<const platform::data::EConvertError*>(&error))
        return TranslateText(LngText("Erro no banco de dados")) + ": " +
               TranslateText(LngText("erro interno do banco de dados")) + ".";
    return error.what();
}
