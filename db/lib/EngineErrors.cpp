#include "db/lib/EngineErrors.h"

namespace vorsam {

namespace {

thread_local TErrorContext LastErrorContext;

const std::string& ContextString(const TErrorContext& context, TErrorContextItem item) {
    static const std::string empty;
    switch (item) {
    case ecServer:
        return context.Server;
    case ecUser:
        return context.User;
    case ecDatabase:
        return context.Database;
    case ecTable:
        return context.Table;
    case ecField:
        return context.Field;
    case ecIndex:
        return context.Index;
    case ecExtraText:
        return context.ExtraText;
    default:
        return empty;
    }
}

std::string ExceptionText(uint16_t code, const TErrorContext& context) {
    return "VORSAM Engine Error # " + std::to_string(code) + " " + FormatEngineErrorMessage(code, context);
}

} // namespace

std::string FormatEngineErrorMessage(uint16_t code, const TErrorContext& context) {
    const TEngineErrorInfo* info = FindEngineError(code);
    std::string message = GetEngineErrorMessage(code);
    if (!info) return message;
    size_t from = 0;
    bool extraShown = false;
    for (TErrorContextItem item : info->Fill) {
        size_t marker = message.find("%s", from);
        if (marker == std::string::npos) break;
        const std::string& text = ContextString(context, item);
        message.replace(marker, 2, text);
        from = marker + text.size();
        extraShown = extraShown || item == ecExtraText;
    }
    if (!extraShown && !context.ExtraText.empty()) message += ": " + context.ExtraText;
    return message;
}

EVORSAMEngineError::EVORSAMEngineError(uint16_t code) : EVORSAMEngineError(code, LastErrorContext) {}

EVORSAMEngineError::EVORSAMEngineError(uint16_t code, const TErrorContext& context)
    : std::runtime_error(ExceptionText(code, context)), ErrorCode(code), OSErrorCode(context.OSErrorCode),
      SocketErrorCode(context.SocketErrorCode), ErrorServerName(context.Server), ErrorUserName(context.User),
      ErrorDatabaseName(context.Database), ErrorTableName(context.Table), ErrorFieldName(context.Field),
      ErrorIndexName(context.Index), ErrorMessage(context.ExtraText) {}

TErrorContext EVORSAMEngineError::Context() const {
    return {ErrorServerName, ErrorUserName, ErrorDatabaseName, ErrorTableName, ErrorFieldName,
            ErrorIndexName,  ErrorMessage,  OSErrorCode,       SocketErrorCode};
}

void RaiseEngineError(uint16_t code, const TErrorContext& context) {
    LastErrorContext = context;
    RaiseEngineException(code);
}

void RaiseEngineError(uint16_t code, const std::string& server, const std::string& user,
                      const std::string& database, const std::string& table, const std::string& field,
                      const std::string& index, const std::string& extraText) {
    RaiseEngineError(code, TErrorContext{server, user, database, table, field, index, extraText});
}

void RaiseEngineError(uint16_t code, const std::string& extraText) {
    TErrorContext context;
    context.ExtraText = extraText;
    RaiseEngineError(code, context);
}

void RaiseEngineException(uint16_t code) {
    throw EVORSAMEngineError(code);
}

std::string GetErrorContextItem(int item) {
    const TErrorContext& context = LastErrorContext;
    if (item == ecOSErrorCode) return std::to_string(context.OSErrorCode);
    if (item == ecSocketErrorCode) return std::to_string(context.SocketErrorCode);
    if (item < 0 || item > ecExtraText) return {};
    return ContextString(context, static_cast<TErrorContextItem>(item));
}

} // namespace vorsam
