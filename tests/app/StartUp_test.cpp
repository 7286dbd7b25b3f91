// The tool's start as a process: --help, no display (none named, one that cannot be opened, one that
// takes the connection and never answers), a bad line.

#include "platform/os/TestTempFolder.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// An X display that takes connections and never answers: a socket that listens and never reads.
class TSilentDisplay {
public:
    TSilentDisplay() {
        std::filesystem::create_directories("/tmp/.X11-unix");
        for (int number = 4000 + getpid() % 1000; fd_ < 0 && number < 6000; ++number) {
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            path_ = "/tmp/.X11-unix/X" + std::to_string(number);
            path_.copy(address.sun_path, sizeof(address.sun_path) - 1);
            fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                ::listen(fd_, 8) == 0)
                name_ = ":" + std::to_string(number);
            else
                ::close(std::exchange(fd_, -1));
        }
    }
    ~TSilentDisplay() {
        if (fd_ < 0) return;
        ::close(fd_);
        ::unlink(path_.c_str());
    }
    const char* Name() const { return name_.c_str(); }

private:
    int fd_ = -1;
    std::string path_, name_;
};

TEST(StartUp, HelpWithoutADisplayAndABadLineEachEndTheStartWithTheirMessage) {
    const std::string
        usage = "Uso: centrprg [--data-dir PASTA]\n",
        noDisplay = "Não há tela onde abrir o programa. Veja a seção \"Without a display\" do README.\n";
    const TSilentDisplay silent;
    ASSERT_STRNE(silent.Name(), "");
    const std::tuple<QStringList, const char*, int, std::string, std::string> starts[] = {
        // arguments, DISPLAY (nullptr: offscreen; ":1999" answers nobody), exit code, standard output and
        // error
        {{"--help"}, "", 0, usage, ""},
        {{}, "", 1, "", noDisplay},
        {{}, ":1999", 1, "", noDisplay},
        {{}, silent.Name(), 1, "", noDisplay},
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
