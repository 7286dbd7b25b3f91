#pragma once
// EScreenCheck: a failed check of a screen. Qt-free, so that the checks of plain units (the prefix
// store, ...) are raised the same way as a screen's own: TScreenForm shows its message in a box
// titled "Erro" and moves the focus to its field (ScreenConventions.h).

#include <stdexcept>
#include <string>

class QWidget;

// The message (a source text marked with LngText, or a text made of translated parts; translated
// again when shown) and the control that gets the focus (may be null). An empty message stops the
// OK without a box: the user chose to stay on the screen.
class EScreenCheck : public std::runtime_error {
public:
    EScreenCheck(QWidget* field, const std::string& message) : std::runtime_error(message), field_(field) {}
    QWidget* Field() const { return field_; }

private:
    QWidget* field_;
};

// Throws EScreenCheck(field, message); for use in expressions and checks.
[[noreturn]] inline void FailCheck(QWidget* field, const std::string& message) {
    throw EScreenCheck(field, message);
}
