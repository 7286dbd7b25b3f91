#pragma once
// Parts the small dialogs of the main window share: labelled edits and the "O&k" / "&Cancela"
// buttons, every caption translated.

#include <QString>

#include <functional>
#include <string>
#include <string_view>

class QDialog;
class QWidget;
class QFormLayout;
class QLineEdit;

// A line edit in a form row labelled with the translated text (its "&" marks the accelerator).
QLineEdit* AddTextRow(QFormLayout* form, std::string_view label, bool password = false,
                      int maxLength = 32767);

// "O&k" runs onOk (which accepts the dialog when it is content); "&Cancela" rejects the dialog.
QWidget* AddOkCancelButtons(QDialog* dialog, std::function<void()> onOk);

// The text of an edit as UTF-8, without blanks at its ends (trimmed) or as typed.
std::string EditText(const QLineEdit* edit, bool trimmed = true);
