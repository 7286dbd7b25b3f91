#pragma once
// The failures of the dataset framework: EDatabaseError for misuse of datasets, fields, definitions
// and links (fixed English messages, DBConsts.h); EConvertError for text and value conversions.

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

namespace platform::data {

class EDatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces each "%s" or "%d" of the format by the next argument, "%%" by "%".
std::string Format(std::string_view format, std::initializer_list<std::string_view> args);

[[noreturn]] void DatabaseError(std::string_view message);
[[noreturn]] void DatabaseErrorFmt(std::string_view format, std::initializer_list<std::string_view> args);

} // namespace platform::data
