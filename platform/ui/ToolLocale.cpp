#include "platform/ui/ToolLocale.h"

#include <clocale>
#include <cstdlib>
#include <langinfo.h>
#include <strings.h>

namespace {

constexpr char ToolLocaleName[] = "pt_BR.UTF-8";

// Every category but the character type, which Qt keeps UTF-8.
constexpr int TextCategories[] = {LC_COLLATE,   LC_MONETARY,    LC_NUMERIC,       LC_TIME,
                                  LC_MESSAGES,  LC_PAPER,       LC_NAME,          LC_ADDRESS,
                                  LC_TELEPHONE, LC_MEASUREMENT, LC_IDENTIFICATION};

bool CharacterTypeIsUtf8() {
    const char* codeset = nl_langinfo(CODESET);
    return strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0;
}

} // namespace

QLocale ToolLocale() {
    return QLocale(QLocale::Portuguese, QLocale::Brazil);
}

TSystemLocalePin::TSystemLocalePin() {
    if (const char* all = std::getenv("LC_ALL")) userAll_ = all;
    ::setenv("LC_ALL", ToolLocaleName, 1);
}

TSystemLocalePin::~TSystemLocalePin() {
    Release();
}

void TSystemLocalePin::Release() {
    if (!pinned_) return;
    pinned_ = false;
    if (userAll_)
        ::setenv("LC_ALL", userAll_->c_str(), 1);
    else
        ::unsetenv("LC_ALL");
    // A locale the machine lacks gives "C", as a failed setlocale(LC_ALL, "") leaves it.
    for (const int category : TextCategories)
        if (std::setlocale(category, "") == nullptr) std::setlocale(category, "C");
    // Numbers pass between the engine's text and values through the C library: they always use a point,
    // whatever the user's locale writes.
    std::setlocale(LC_NUMERIC, "C");
    const std::string qtCharacterType = std::setlocale(LC_CTYPE, nullptr);
    if (std::setlocale(LC_CTYPE, "") == nullptr || !CharacterTypeIsUtf8())
        std::setlocale(LC_CTYPE, qtCharacterType.c_str());
}
