#include "app/Display.h"

#include "core/Language.h"
#include "platform/os/LngText.h"

#include <QString>

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace {

QtMessageHandler& Previous() {
    static QtMessageHandler previous = nullptr;
    return previous;
}

bool Named(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg && text.contains("platform plugin")) {
        std::cerr << NoDisplayMessage() << "\n";
        std::_Exit(1); // nothing of the tool's is made yet
    }
    if (Previous() != nullptr) Previous()(type, context, text);
}

} // namespace

bool NoDisplayNamed(const std::vector<std::string>& arguments) {
    const bool platformArgument = std::ranges::any_of(arguments, [](const std::string& argument) {
        return argument == "-platform" || argument == "--platform";
    });
    return !Named("DISPLAY") && !Named("WAYLAND_DISPLAY") && !Named("QT_QPA_PLATFORM") && !platformArgument;
}

std::string NoDisplayMessage() {
    return TranslateText(
        LngText("Não há tela onde abrir o programa. Veja a seção \"Without a display\" do README."));
}

TDisplayFailure::TDisplayFailure() : previous_(qInstallMessageHandler(OnQtMessage)) {
    Previous() = previous_;
}

TDisplayFailure::~TDisplayFailure() {
    qInstallMessageHandler(previous_);
}
