#include "platform/ui/ToolLocale.h"

#include <QCoreApplication>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

constexpr char ToolLocaleName[] = "pt_BR.UTF-8";

// Every category but the numbers', which stay "C".
constexpr const char* TextCategories[] = {"LC_CTYPE",     "LC_COLLATE",     "LC_MONETARY",      "LC_TIME",
                                          "LC_MESSAGES",  "LC_PAPER",       "LC_NAME",          "LC_ADDRESS",
                                          "LC_TELEPHONE", "LC_MEASUREMENT", "LC_IDENTIFICATION"};

} // namespace

QLocale ToolLocale() {
    return QLocale(QLocale::Portuguese, QLocale::Brazil);
}

void PinSystemLocale() {
    Q_ASSERT(QCoreApplication::instance() == nullptr);
    std::optional<std::string> userAll;
    if (const char* all = std::getenv("LC_ALL")) userAll = all;
    ::setenv("LC_ALL", ToolLocaleName, 1);
    (void)QLocale::system(); // read now, kept for the run
    ::unsetenv("LC_ALL");
    // LC_ALL would rule over LC_NUMERIC: what it named goes to each other category instead.
    if (userAll && !userAll->empty())
        for (const char* category : TextCategories) ::setenv(category, userAll->c_str(), 1);
    ::setenv("LC_NUMERIC", "C", 1);
}
