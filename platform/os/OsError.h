#pragma once
// The one exception type of the operating-system layer: every failure of a file, folder or
// settings operation is raised as EOsError. Its message (what()) names the file and the cause in
// English, for logs; a failure of the system also keeps what was being done, the file and the
// system's error number, from which the program words its own message for the user.

#include <stdexcept>
#include <string>

// What was being done when the system refused.
enum class TOsAction { None, Read, Write, CreateFolder, Delete };

class EOsError : public std::runtime_error {
public:
    // A failure that is not the system's (a bad name or value).
    explicit EOsError(const std::string& message) : std::runtime_error(message) {}
    EOsError(TOsAction action, std::string path, int errorNumber, const std::string& message)
        : std::runtime_error(message), action_(action), path_(std::move(path)), errorNumber_(errorNumber) {}

    TOsAction Action() const { return action_; }
    const std::string& Path() const { return path_; }
    int ErrorNumber() const { return errorNumber_; } // 0 when the system gave none

private:
    TOsAction action_ = TOsAction::None;
    std::string path_;
    int errorNumber_ = 0;
};

// Raises EOsError with the message "<what>: <path>: <strerror(errorNumber)>".
[[noreturn]] void RaiseOsError(TOsAction action, const std::string& what, const std::string& path,
                               int errorNumber);
