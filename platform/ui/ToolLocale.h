#pragma once
// The tool's locale, Brazilian Portuguese, whatever the environment says.
//
// Qt formats part of what its own dialogs show in the system locale rather than in the default
// one (QLocale::setDefault, see ToolkitTexts.h): the file dialog's dates and sizes, for one. It
// reads the system locale from the environment (LC_ALL, LC_<category>, LANG) once, the first time
// it is asked for it. PinSystemLocale, called once before the QApplication is made, has Qt read
// it then under LC_ALL naming the tool's locale, and puts the environment back as the user had it
// but for one category: the numbers' (LC_NUMERIC) is "C", so that the C library reads and writes a
// decimal point whatever the user's locale says (the engine's texts rely on it). The QApplication
// then sets the C library's categories from that environment itself (with a UTF-8 character type,
// as Qt needs it). Every change of the environment and of the C library's locale happens here,
// while the process has one thread; the programs the tool starts get that environment.

#include <QLocale>

QLocale ToolLocale();

// Call once, before the QApplication exists.
void PinSystemLocale();
