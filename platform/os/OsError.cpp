#include "platform/os/OsError.h"

#include <cstring>

void RaiseOsError(const std::string& what, const std::string& path, int errorNumber) {
    throw EOsError(what + ": " + path + ": " + std::strerror(errorNumber));
}
