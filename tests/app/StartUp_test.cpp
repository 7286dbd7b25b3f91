// The tool's start as a process: the usage on --help, a message and exit code 1 without a display
// (none named, or one that cannot be opened), the usage as an error for a bad command line.

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

struct TStart {
    QStringList arguments;
    QStringList environment; // NAME=value added; NAME= removes
    int exitCode;
    bool onStandardOutput; // the text, else on standard error
    const char* text;
};

const char NoDisplay[] = "Não há tela onde abrir o programa. Veja a seção \"Without a display\" do README.";

TEST(StartUp, HelpWithoutADisplayAndABadLineEachEndTheStartWithTheirMessage) {
    const TStart starts[] = {
        {{"--help"}, {"DISPLAY=", "QT_QPA_PLATFORM="}, 0, true, "Uso: centrprg [--data-dir PASTA]\n"},
        {{"-h"}, {}, 0, true, "Uso: centrprg [--data-dir PASTA]\n"},
        {{}, {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="}, 1, false, NoDisplay},
        {{},
         {"DISPLAY=:97", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="},
         1,
         false,
         NoDisplay}, // no X server there
        {{"--data-dir"}, {"QT_QPA_PLATFORM=offscreen"}, 2, false, "Uso: centrprg [--data-dir PASTA]"},
    };
    for (const TStart& start : starts) {
        SCOPED_TRACE(start.environment.join(' ').toStdString() + " " +
                     start.arguments.join(' ').toStdString());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString& setting : start.environment) {
            const QString name = setting.section('=', 0, 0), value = setting.section('=', 1);
            value.isEmpty() ? environment.remove(name) : environment.insert(name, value);
        }
        QProcess tool;
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral(CENTRPRG_BINARY_DIR "/centrprg"), start.arguments);
        ASSERT_TRUE(tool.waitForFinished(15000));
        EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(tool.exitCode(), start.exitCode);
        const QString output = QString::fromUtf8(tool.readAllStandardOutput());
        const QString errors = QString::fromUtf8(tool.readAllStandardError());
        EXPECT_TRUE((start.onStandardOutput ? output : errors).contains(QString::fromUtf8(start.text)))
            << output.toStdString() << errors.toStdString();
        if (start.onStandardOutput) {
            EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
        }
    }
}

} // namespace
