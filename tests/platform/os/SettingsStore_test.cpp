// The settings store in place of the registry.

#include "TestEnvironment.h"
#include "TestTempFolder.h"
#include "platform/os/OsError.h"
#include "platform/os/SettingsStore.h"

#include <gtest/gtest.h>

namespace {

class SettingsStoreTest : public testing::Test {
protected:
    std::string File() const { return folder.Path("config/centrprg/settings.ini"); }
    TTestTempFolder folder;
};

TEST_F(SettingsStoreTest, ValuesLiveUnderNormalisedCaseInsensitiveKeys) {
    TSettingsStore store(File());
    store.WriteInteger("\\Software\\Orvalista\\\\Grid\\PlanoNum\\", "Col1", 70);
    store.WriteString("Software\\Orvalista\\Grid\\PlanoNum", "Col2", "184");
    const TSettingsStore reread(File());
    EXPECT_EQ(reread.ReadInteger("software\\orvalista\\grid\\planonum", "COL1", 0), 70);
    EXPECT_EQ(reread.ReadString("Software\\Orvalista\\Grid\\PlanoNum", "Col2", ""), "184");
    EXPECT_EQ(reread.ReadInteger("Software\\Orvalista\\Grid\\Agcolet", "Col1", -1), -1);
    EXPECT_EQ(reread.ValueNames("Software\\Orvalista\\Grid\\PlanoNum"),
              (std::vector<std::string>{"Col1", "Col2"}));
}

TEST_F(SettingsStoreTest, ParentKeysExistThroughTheirChildren) {
    TSettingsStore store(File());
    store.WriteInteger("Software\\Orvalista\\Grid\\PlanoNum", "Col1", 70);
    store.WriteInteger("Software\\Orvalista\\Grid\\Agcolet", "Col1", 64);
    store.WriteInteger("Software\\Orvalista\\Grid\\Agcolet\\Deeper", "x", 1);
    EXPECT_TRUE(store.KeyExists("Software"));
    EXPECT_TRUE(store.KeyExists("software\\orvalista\\grid"));
    EXPECT_FALSE(store.KeyExists("Software\\Orval"));
    EXPECT_EQ(store.SubKeyNames("Software\\Orvalista\\Grid"),
              (std::vector<std::string>{"PlanoNum", "Agcolet"}));
}

TEST_F(SettingsStoreTest, DeletingAKeyTakesItsSubtreeOnly) {
    TSettingsStore store(File());
    store.WriteInteger("A\\B", "v", 1);
    store.WriteInteger("A\\B\\C", "v", 2);
    store.WriteInteger("A\\BC", "v", 3);
    store.DeleteKey("a\\b");
    EXPECT_FALSE(store.KeyExists("A\\B"));
    EXPECT_FALSE(store.KeyExists("A\\B\\C"));
    EXPECT_EQ(store.ReadInteger("A\\BC", "v", 0), 3);
    store.DeleteValue("A\\BC", "v");
    EXPECT_FALSE(store.ValueExists("A\\BC", "v"));
}

TEST_F(SettingsStoreTest, AnEmptyKeyIsRefused) {
    TSettingsStore store(File());
    EXPECT_THROW(store.WriteInteger("\\\\", "v", 1), EOsError);
    EXPECT_THROW(store.KeyExists(""), EOsError);
}

TEST_F(SettingsStoreTest, TheDefaultFileFollowsXdgConfigHome) {
    const TTestEnvironmentVariable home("HOME", folder.Path("home"));
    {
        const TTestEnvironmentVariable config("XDG_CONFIG_HOME", folder.Path("cfg"));
        EXPECT_EQ(TSettingsStore::DefaultFileName(), folder.Path("cfg/centrprg/settings.ini"));
    }
    const TTestEnvironmentVariable relative("XDG_CONFIG_HOME", "relative/ignored");
    EXPECT_EQ(TSettingsStore::DefaultFileName(), folder.Path("home/.config/centrprg/settings.ini"));
}

} // namespace
