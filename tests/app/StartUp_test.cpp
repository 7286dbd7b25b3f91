// The tool's start as a process: --help, no display (none named, or one that cannot be opened), a bad line.

#include <QProcess>

#include <gtest/gtest.h>

namespace {

TEST(StartUp, HelpWithoutADisplayAndABadLineEachEndTheStartWithTheirMessage) {
    const std::string
        usage = "Uso: centrprg [--data-dir PASTA]\n",
        noDisplay = "Não há tela onde abrir o programa. Veja a seção \"Without a display\" do README.\n";
    const std::tuple<QStringList, const char*, int, std::string, std::string> starts[] = {
        // arguments, DISPLAY (nullptr: offscreen), exit code, standard output, the end of standard error
        {{"--help"}, "", 0, usage, ""},
        {{}, "", 1, "", noDisplay},
        {{}, ":97", 1, "", noDisplay},
        {{"--data-dir"}, nullptr, 2, "", usage}};
    for (const auto& [arguments, display, exitCode, output, errors] : starts) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("DISPLAY", display != nullptr ? display : "");
        environment.insert("QT_QPA_PLATFORM", display != nullptr ? "" : "offscreen");
        QProcess tool;
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral(CENTRPRG_BINARY_DIR "/centrprg"), arguments);
        ASSERT_TRUE(tool.waitForFinished(15000));
        EXPECT_TRUE(tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == exitCode) << exitCode;
        EXPECT_EQ(tool.readAllStandardOutput().toStdString(), output);
        EXPECT_TRUE(tool.readAllStandardError().toStdString().ends_with(errors)) << errors;
    }
}

} // namespace
