// The command table: one right per command, a help page per screen, and the help viewer.

#include "ShellFixture.h"
#include "core/ProgramFolder.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace {

TEST(CommandTableTest, GivesEveryRightToExactlyOneCommand) {
    std::multiset<int> rights;
    std::set<TCommandId> ids;
    for (const TCommand& command : CommandTable()) {
        ids.insert(command.id);
        if (CommandHasRight(command.id)) rights.insert(static_cast<int>(command.id));
    }
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(CommandCount));
    EXPECT_EQ(CommandTable().size(), static_cast<std::size_t>(CommandCount));
    EXPECT_EQ(rights.size(), static_cast<std::size_t>(RightCount));
    for (int right = 0; right < RightCount; ++right) EXPECT_EQ(rights.count(right), 1u) << right;
    EXPECT_FALSE(CommandHasRight(TCommandId::About));
    EXPECT_FALSE(CommandHasRight(TCommandId::Exit));
}

// Every help context of the screens, 13..36, has a page in the sources and in the program folder
// the build lays out, with a title.
TEST(CommandTableTest, EveryHelpContextHasAPage) {
    std::set<int> contexts;
    for (const TCommand& command : CommandTable())
        if (command.helpContext != 0) contexts.insert(command.helpContext);
    std::set<int> expected;
    for (int context = 13; context <= 36; ++context) expected.insert(context);
    EXPECT_EQ(contexts, expected);
    for (const int context : expected) {
        const std::string name = "/help/" + std::to_string(context) + ".html";
        for (const std::string& root :
             {std::string(CENTRPRG_SOURCE_DIR) + "/resources", std::string(CENTRPRG_BINARY_DIR)}) {
            std::ifstream page(root + name);
            std::stringstream text;
            text << page.rdbuf();
            EXPECT_NE(text.str().find("<title>"), std::string::npos) << root + name;
        }
    }
}

TEST(HelpViewer, ShowsThePageOfTheContextTitledByIt) {
    InstallAppHooks(); // the help pages of the program folder, as at start-up
    SetProgramFolder(CENTRPRG_BINARY_DIR);
    QString title;
    QTimer::singleShot(0, [&title] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        static_cast<QDialog*>(dialog)->reject();
    });
    HelpService().ShowContext(nullptr, 14);
    EXPECT_TRUE(title.startsWith("Ajuda - ")) << title.toStdString();
    EXPECT_TRUE(title.contains("vias")) << title.toStdString();
    SetProgramFolder("");
}

} // namespace
