// Installing as the README says, with the prefix ~/.local of a home folder of the test's own: the
// installed tool seeds the user's program folder from the installed defaults; installing again
// and the README's uninstall leave that folder, edited since, as it was.

#include "platform/os/TestTempFolder.h"

#include <QProcess>

#include <gmock/gmock.h>

#include <filesystem>
#include <map>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int WaitMs = 60000;

// Every file of the program folder, by its relative path, with its contents; the installed
// defaults/ beside them (the prefix ~/.local puts them there) are not the user's.
std::map<std::string, std::string> Files(const TTestTempFolder& folder, const std::string& name) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder.Path(name)))
        if (entry.is_regular_file() && entry.path().string().find("/defaults/") == std::string::npos) {
            const std::string relative = fs::relative(entry.path(), folder.Path()).string();
            files[relative] = folder.Read(relative);
        }
    return files;
}

// The files added, removed or changed since the snapshot.
std::vector<std::string> Changed(const std::map<std::string, std::string>& before,
                                 const std::map<std::string, std::string>& after) {
    std::vector<std::string> names;
    for (const auto& [name, contents] : before)
        if (!after.contains(name) || after.at(name) != contents) names.push_back(name);
    for (const auto& [name, contents] : after)
        if (!before.contains(name)) names.push_back(name);
    return names;
}

// Runs the program in the build folder with the test's home; its output when it failed.
int RunInHome(const TTestTempFolder& home, const QString& program, const QStringList& arguments,
              QByteArray& output) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", QString::fromStdString(home.Path("home")));
    environment.remove("XDG_DATA_HOME");
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(home.Path("runtime")));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("CENTRPRG_LOGIN", "admin:"); // refused: the tool ends once its folder is ready
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(CENTRPRG_BINARY_DIR);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(WaitMs)) return -1;
    output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

TEST(Install, InstallingAgainAndUninstallingLeaveTheUsersProgramFolderAlone) {
    TTestTempFolder home;
    fs::create_directories(home.Path("runtime"));
    fs::permissions(home.Path("runtime"), fs::perms::owner_all);
    const QString prefix = QString::fromStdString(home.Path("home/.local"));
    const QStringList install = {"--install", ".", "--prefix", prefix};
    QByteArray output;
    ASSERT_EQ(RunInHome(home, CENTRPRG_CMAKE_COMMAND, install, output), 0) << output.toStdString();
    ASSERT_EQ(RunInHome(home, prefix + "/bin/centrprg", {}, output), 1) << output.toStdString();
    EXPECT_TRUE(output.contains("Não há usuários cadastrados.")) << output.toStdString();

    const std::string folder = "home/.local/share/centrprg";
    for (const char* seeded : {"CENTRPRG.INI", "CentrPrg.lng", "DEFARCO.NPX", "help/14.html"})
        EXPECT_TRUE(home.Exists(folder + "/" + seeded)) << seeded;
    for (const char* edited : {"CENTRPRG.INI", "CentrPrg.lng", "DEFNODO.NPX", "help/14.html", "CENTRPRG.DAD"})
        home.Write(folder + "/" + edited, home.Read(folder + "/" + edited) + "\n; edited by its user\n");
    fs::remove(home.Path(folder + "/DEFTESSL.NPX"));
    const auto edited = Files(home, folder);

    ASSERT_EQ(RunInHome(home, CENTRPRG_CMAKE_COMMAND, install, output), 0) << output.toStdString();
    EXPECT_THAT(Changed(edited, Files(home, folder)), testing::IsEmpty());
    ASSERT_EQ(RunInHome(home, "/bin/sh", {"-c", "xargs rm -v < install_manifest.txt"}, output), 0)
        << output.toStdString();
    EXPECT_FALSE(home.Exists("home/.local/bin/centrprg"));
    EXPECT_FALSE(home.Exists(folder + "/defaults/CENTRPRG.INI"));
    EXPECT_THAT(Changed(edited, Files(home, folder)), testing::IsEmpty());
}

} // namespace
