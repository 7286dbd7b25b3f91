// The tool's start as a process: --help, no display (none named, or one that cannot be opened), a bad line.

#include "platform/os/TestTempFolder.h"

#include <QLocalServer>
#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace {

TEST(StartUp, HelpWithoutADisplayAndABadLineEachEndTheStartWithTheirMessage) {
    const std::string
        usage = "Uso: centrprg [--data-dir PASTA]\n",
        noDisplay = "Não há tela onde abrir o programa. Veja a seção \"Without a display\" do README.\n";
    QLocalServer silent; // an X display that takes connections and never answers
    std::filesystem::create_directories("/tmp/.X11-unix");
    int number = 4000 + getpid() % 1000;
    while (!silent.listen(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)) && number < 6000) ++number;
    const std::string silentDisplay = ":" + std::to_string(number);
    const std::tuple<QStringList, const char*, int, std::string, std::string> starts[] = {
        // arguments, DISPLAY (nullptr: offscreen; ":1999" answers nobody), exit code, standard output and
        // error
        {{"--help"}, "", 0, usage, ""},
        {{}, "", 1, "", noDisplay},
        {{}, ":1999", 1, "", noDisplay},
        {{}, silentDisplay.c_str(), 1, "", noDisplay},
        {{"--data-dir"}, nullptr, 2, "", usage}};
    const TTestTempFolder runtime; // Qt warns of a missing runtime folder
    std::filesystem::permissions(runtime.Path(), std::filesystem::perms::owner_all);
    for (const auto& [arguments, display, exitCode, output, errors] : starts) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.Path()));
        // Under the leak checker its list of the suppressions used would follow the tool's lines.
        const QString leakOptions = environment.value("LSAN_OPTIONS");
        environment.insert("LSAN_OPTIONS",
                           leakOptions + (leakOptions.isEmpty() ? "" : ":") + "print_suppressions=0");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("DISPLAY", display != nullptr ? display : "");
        environment.insert("QT_QPA_PLATFORM", display != nullptr ? "" : "offscreen");
        QProcess tool;
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral(CENTRPRG_BINARY_DIR "/centrprg"), arguments);
        ASSERT_TRUE(tool.waitForFinished(60000)); // the silent display: DisplayAnswerTime
        EXPECT_TRUE(tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == exitCode) << exitCode;
        EXPECT_EQ(tool.readAllStandardOutput().toStdString(), output);
        EXPECT_EQ(tool.readAllStandardError().toStdString(), errors);
    }
}

} // namespace
