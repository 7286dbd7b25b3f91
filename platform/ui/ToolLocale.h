#pragma once
// The tool's locale, Brazilian Portuguese, whatever the environment says.
//
// Qt formats part of what its own dialogs show in the system locale rather than in the default
// one (QLocale::setDefault, see ToolkitTexts.h): the file dialog's dates and sizes, for one. It
// reads the system locale from the environment (LC_ALL, LC_<category>, LANG) once, while the
// QApplication is made. A TSystemLocalePin made before the QApplication names the tool's locale
// in LC_ALL for that reading. Release, called once the QApplication exists, puts LC_ALL back, so
// that the programs the tool starts get the user's environment, and sets the C library's
// categories from it again, as the QApplication had set them (the character type stays UTF-8,
// as Qt needs it; numbers stay in the "C" locale, so that the C library reads and writes a
// decimal point whatever the user's locale says).

#include <QLocale>

#include <optional>
#include <string>

QLocale ToolLocale();

class TSystemLocalePin {
public:
    TSystemLocalePin();
    ~TSystemLocalePin(); // releases when Release was not called
    TSystemLocalePin(const TSystemLocalePin&) = delete;
    TSystemLocalePin& operator=(const TSystemLocalePin&) = delete;

    void Release();

private:
    std::optional<std::string> userAll_; // LC_ALL as the user had it
    bool pinned_ = true;
};
