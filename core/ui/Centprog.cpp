// The main program: finds the program folder, opens the language file for the run and shows the
// main window under the tool's title.
//
//   centrprg [--data-dir DIR]

#include "core/Language.h"
#include "core/ProgramFolder.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QString>

#include <exception>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

// The value of --data-dir (either "--data-dir DIR" or "--data-dir=DIR"); throws on a bad command line.
std::optional<std::string> DataDirArgument(const QStringList& arguments) {
    std::optional<std::string> dataDir;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == "--data-dir" && i + 1 < arguments.size())
            dataDir = arguments[++i].toStdString();
        else if (argument.startsWith("--data-dir="))
            dataDir = argument.mid(11).toStdString();
        else
            throw std::invalid_argument(TranslateText("Uso: centrprg [--data-dir PASTA]"));
    }
    return dataDir;
}

void StartUp(const QStringList& arguments) {
    SetProgramFolder(ResolveProgramFolder(CurrentProgramFolderInputs(DataDirArgument(arguments))));
    OpenLanguageFile(ProgramFilePath(LanguageFileName));
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    try {
        StartUp(QApplication::arguments());
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QString::fromStdString(TranslateText("Erro")),
                              QString::fromUtf8(error.what()));
        return 1;
    }
    QMainWindow mainWindow;
    const QString title = QString::fromStdString(TranslateText("Orvalista S/A - Programação de Talvenors"));
    mainWindow.setWindowTitle(title);
    mainWindow.resize(800, 600);
    mainWindow.show();
    return QApplication::exec();
}
