#include "platform/data/Errors.h"

namespace platform::data {

std::string Format(std::string_view format, std::initializer_list<std::string_view> args) {
    std::string result;
    auto next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '%' && i + 1 < format.size()) {
            const char spec = format[i + 1];
            if (spec == '%') {
                result += '%';
                ++i;
                continue;
            }
            if (spec == 's' || spec == 'd') {
                if (next != args.end()) result += *next++;
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}

void DatabaseError(std::string_view message) {
    throw EDatabaseError(std::string(message));
}

void DatabaseErrorFmt(std::string_view format, std::initializer_list<std::string_view> args) {
    throw EDatabaseError(Format(format, args));
}

} // namespace platform::data
