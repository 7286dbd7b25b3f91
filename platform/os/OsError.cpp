#include "platform/os/OsError.h"

#include <cstring>

void RaiseOsError(TOsAction action, const std::string& what, const std::string& path, int errorNumber) {
    throw EOsError(action, path, errorNumber, what + ": " + path + ": " + std::strerror(errorNumber));
}
