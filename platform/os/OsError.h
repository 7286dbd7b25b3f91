#pragma once
// The one exception type of the operating-system layer: every failure of a file, folder or
// settings operation is raised as EOsError with a message that names the file and the cause.

#include <stdexcept>
#include <string>

class EOsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raises EOsError with "<what>: <path>: <strerror(errorNumber)>".
[[noreturn]] void RaiseOsError(const std::string& what, const std::string& path, int errorNumber);
