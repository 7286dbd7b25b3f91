#pragma once
// The toolkit's own texts in the tool's language, Brazilian Portuguese, while a TToolkitTexts
// lives (the main program keeps one for the run): Qt's translations of its dialogs and standard
// buttons (from the system's Qt translations), the few file-dialog texts they leave in English
// ("Folder"), and the default locale, in which the file dialog names the kinds of files ("unknown"
// becomes "Desconhecido"). Destroying it puts back the locale and removes the translations.
// The system locale, which Qt reads once, is pinned apart before the QApplication is made (ToolLocale.h).

#include <QLocale>

#include <memory>

class QTranslator;

class TToolkitTexts {
public:
    TToolkitTexts();
    ~TToolkitTexts();
    TToolkitTexts(const TToolkitTexts&) = delete;
    TToolkitTexts& operator=(const TToolkitTexts&) = delete;

private:
    QLocale previousLocale_;
    std::unique_ptr<QTranslator> qtTexts_;
    std::unique_ptr<QTranslator> missingTexts_;
};
