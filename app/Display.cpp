#include "app/Display.h"

#include "core/Language.h"
#include "platform/os/LngText.h"

#include <QString>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <utility>
#include <vector>

namespace {

QtMessageHandler& Previous() {
    static QtMessageHandler previous = nullptr;
    return previous;
}

// A message of Qt's held back while the QApplication is made.
struct THeldMessage {
    QtMsgType type;
    std::string file, function, category;
    int line;
    QString text;
};

std::vector<THeldMessage>& Held() {
    static std::vector<THeldMessage> held;
    return held;
}

// Gives the messages held back to the handler that was there before, in their order.
void PassOnHeld() {
    std::vector<THeldMessage> held;
    std::swap(held, Held());
    for (const THeldMessage& message : held) {
        const QMessageLogContext context(message.file.c_str(), message.line, message.function.c_str(),
                                         message.category.c_str());
        if (Previous() != nullptr) Previous()(message.type, context, message.text);
    }
}

std::string Text(const char* text) {
    return text != nullptr ? text : "";
}

bool Named(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg && text.contains("platform plugin")) {
        std::cerr << NoDisplayMessage() << "\n"; // alone: what Qt said before it is dropped
        std::_Exit(1);                           // nothing of the tool's is made yet
    }
    if (type != QtFatalMsg) {
        Held().push_back(
            {type, Text(context.file), Text(context.function), Text(context.category), context.line, text});
        return;
    }
    PassOnHeld();
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
    watch_ = std::thread([this] {
        std::unique_lock lock(mutex_);
        if (made_.wait_for(lock, DisplayAnswerTime, [this] { return done_; })) return;
        std::cerr << NoDisplayMessage() << "\n"; // alone, as above
        std::_Exit(1);
    });
}

TDisplayFailure::~TDisplayFailure() {
    {
        const std::lock_guard lock(mutex_);
        done_ = true;
    }
    made_.notify_one();
    watch_.join();
    qInstallMessageHandler(previous_);
    PassOnHeld(); // the display opened: what Qt said meanwhile is said after all
}
