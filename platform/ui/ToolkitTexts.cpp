#include "platform/ui/ToolkitTexts.h"

#include "platform/ui/ToolLocale.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstring>

namespace {

// Texts of the toolkit that its Portuguese translation lacks: context, text, translation.
struct TMissingText {
    const char* context;
    const char* text;
    const char* translation;
};
constexpr TMissingText MissingTexts[] = {
    {"QAbstractFileIconProvider", "Folder", "Pasta"},
    {"QAbstractFileIconProvider", "Drive", "Unidade"},
    {"QAbstractFileIconProvider", "File", "Arquivo"},
};

class TMissingTextsTranslator : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                      int /*n*/) const override {
        for (const TMissingText& missing : MissingTexts)
            if (std::strcmp(context, missing.context) == 0 && std::strcmp(sourceText, missing.text) == 0)
                return QString::fromUtf8(missing.translation);
        return {};
    }
};

} // namespace

TToolkitTexts::TToolkitTexts()
    : qtTexts_(std::make_unique<QTranslator>()), missingTexts_(std::make_unique<TMissingTextsTranslator>()) {
    QLocale::setDefault(ToolLocale());
    if (qtTexts_->load(ToolLocale(), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTexts_.get());
    QCoreApplication::installTranslator(missingTexts_.get()); // asked first
}

TToolkitTexts::~TToolkitTexts() {
    QCoreApplication::removeTranslator(missingTexts_.get());
    QCoreApplication::removeTranslator(qtTexts_.get());
    QLocale::setDefault(previousLocale_);
}
