// The engine's single exception type and the routines that raise it.
//
// Every failure inside the engine (file layer, table files, cursors, expressions, SQL) is raised through
// `RaiseEngineError`: it stores the error's context (server, user, database, table, field, index, extra
// text, OS and socket error codes) as the calling thread's last error context and throws
// `EVORSAMEngineError`, whose message is "VORSAM Engine Error # " + the code in decimal + " " + the code's
// message with its "%s" markers filled from the context. The last error context is kept per thread, so
// two threads raising at once never mix their contexts and no lock is needed.
//
// Position results (0x2201, 0x2202, 0x2207) are returned by cursor operations, never raised.
#pragma once

#include "db/lib/EngineErrorCodes.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vorsam {

struct TErrorContext {
    std::string Server;
    std::string User;
    std::string Database;
    std::string Table;
    std::string Field;
    std::string Index;
    std::string ExtraText;
    int32_t OSErrorCode = 0;
    int32_t SocketErrorCode = 0;
};

class EVORSAMEngineError : public std::runtime_error {
public:
    // Takes the calling thread's last error context, as `RaiseEngineError` stored it.
    explicit EVORSAMEngineError(uint16_t code);
    EVORSAMEngineError(uint16_t code, const TErrorContext& context);
    // The context it was raised with.
    TErrorContext Context() const;

    uint16_t ErrorCode;
    int32_t OSErrorCode;
    int32_t SocketErrorCode;
    std::string ErrorServerName;
    std::string ErrorUserName;
    std::string ErrorDatabaseName;
    std::string ErrorTableName;
    std::string ErrorFieldName;
    std::string ErrorIndexName;
    std::string ErrorMessage; // the extra text (context item 6)
};

// Stores the context as the thread's last error context and throws EVORSAMEngineError.
[[noreturn]] void RaiseEngineError(uint16_t code, const TErrorContext& context);
// The same with the seven context strings in their usual order.
[[noreturn]] void RaiseEngineError(uint16_t code, const std::string& server, const std::string& user,
                                   const std::string& database, const std::string& table,
                                   const std::string& field, const std::string& index,
                                   const std::string& extraText);
// Raises with an empty context but for the extra text.
[[noreturn]] void RaiseEngineError(uint16_t code, const std::string& extraText = {});

// Throws EVORSAMEngineError for the code with the thread's stored context (the blob stream re-raises so).
[[noreturn]] void RaiseEngineException(uint16_t code);

// Item 0..8 of the thread's last error context (7 and 8 as decimal text); empty for other numbers.
std::string GetErrorContextItem(int item);

// The code's message with its "%s" markers filled from the context; the extra text, when the message
// has no marker for it, follows after a colon (what was found, so that the message names the cause).
std::string FormatEngineErrorMessage(uint16_t code, const TErrorContext& context);

} // namespace vorsam
