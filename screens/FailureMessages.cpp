#include "screens/FailureMessages.h"

#include "core/Language.h"
#include "core/SystemErrors.h"
#include "db/lib/EngineErrors.h"
#include "platform/os/OsError.h"

namespace {

std::string EngineFailureMessage(const vorsam::EVORSAMEngineError& error) {
    const std::string& table = error.ErrorTableName;
    const char* lead = table.empty()                               ? LngText("Erro no banco de dados")
                       : error.ErrorCode == vorsam::VORSAM_READERR ? LngText("Não foi possível ler a tabela")
                       : error.ErrorCode == vorsam::VORSAM_WRITEERR
                           ? LngText("Não foi possível gravar a tabela")
                           : LngText("Erro na tabela");
    std::string message = TranslateText(lead);
    if (!table.empty()) message += " " + table;
    if (error.OSErrorCode != 0) message += ": " + SystemErrorText(error.OSErrorCode);
    return message + ".\n" + error.what();
}

} // namespace

std::string FailureMessage(const std::exception& error) {
    if (const auto* system = dynamic_cast<const EOsError*>(&error)) return OsErrorMessage(*system);
    if (const auto* engine = dynamic_cast<const vorsam::EVORSAMEngineError*>(&error))
        return EngineFailureMessage(*engine);
    return error.what();
}
