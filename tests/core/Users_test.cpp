// The users file: its byte layout, refusals of damaged files, the round trip, and the rights of
// the logged-in user.

#include "core/Users.h"
#include "platform/os/TestTempFolder.h"
#include "support/SecondAccount.h"

#include <filesystem>
#include <gmock/gmock.h>

namespace {

TUser MakeUser(std::string name, std::uint8_t seed, std::uint32_t rights) {
    TUser user;
    user.name = std::move(name);
    for (std::size_t i = 0; i < SaltSize; ++i) user.salt[i] = static_cast<std::uint8_t>(seed + i);
    for (std::size_t i = 0; i < PasswordKeySize; ++i) user.key[i] = static_cast<std::uint8_t>(seed * 3 + i);
    user.rights = rights;
    return user;
}

unsigned SumOfSlots(const std::string& bytes) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < 730; ++i) sum += static_cast<std::uint8_t>(bytes[i]);
    return sum;
}

TUsersFile TwoUsers() {
    TUsersFile users;
    users.slot[0] = MakeUser("Administração", 1, AllRights);
    users.slot[3] = MakeUser("OPERADOR", 200, RightBit(TCommandId::Open) | RightBit(TCommandId::Trunks));
    return users;
}

TEST(UsersFileFormat, PutsEachFieldAtItsOffsetAndSumsTheBytes) {
    const std::string bytes = SerializeUsers(TwoUsers());
    ASSERT_EQ(bytes.size(), 732u);
    // Slot 3 starts at 3 x 73 = 219: name length, Windows-1252 name, salt, key, rights.
    EXPECT_EQ(bytes[219], 8);
    EXPECT_EQ(bytes.substr(220, 8), "OPERADOR");
    EXPECT_EQ(bytes.substr(228, 12), std::string(12, '\0'));
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[240]), 200);                            // salt
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[256]), static_cast<std::uint8_t>(600)); // key
    EXPECT_EQ(bytes.substr(288, 4), std::string("\x02\x02\x00\x00", 4)); // bits 1 and 9, little-endian
    // "Administração" is 13 bytes in Windows-1252 (ç = 0xE7, ã = 0xE3).
    EXPECT_EQ(bytes[0], 13);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[11]), 0xE7);
    const unsigned sum = SumOfSlots(bytes);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[730]), sum & 0xFF);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[731]), (sum >> 8) & 0xFF);
}

TEST(UsersFileFormat, WrittenAndReadBackIsIdentical) {
    TTestTempFolder folder;
    const std::string path = folder.Path("CENTRPRG.DAD");
    SaveUsersFile(path, TwoUsers());
    const std::string written = folder.Read("CENTRPRG.DAD");
    const auto read = LoadUsersFile(path);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, TwoUsers());
    SaveUsersFile(path, *read);
    EXPECT_EQ(folder.Read("CENTRPRG.DAD"), written);
}

TEST(UsersFileFormat, MissingFileIsNoUsersAtAll) {
    TTestTempFolder folder;
    EXPECT_FALSE(LoadUsersFile(folder.Path("CENTRPRG.DAD")).has_value());
}

struct TDamage {
    const char* name;
    std::size_t size;   // size of the file written
    std::size_t offset; // byte changed (npos: none)
    std::uint8_t value;
};

class DamagedUsersFile : public testing::TestWithParam<TDamage> {};

TEST_P(DamagedUsersFile, IsRefusedAndLeftAsItIs) {
    TTestTempFolder folder;
    std::string bytes = SerializeUsers(TwoUsers());
    bytes.resize(GetParam().size, '\0');
    if (GetParam().offset != std::string::npos)
        bytes[GetParam().offset] = static_cast<char>(GetParam().value);
    folder.Write("CENTRPRG.DAD", bytes);
    EXPECT_THROW(LoadUsersFile(folder.Path("CENTRPRG.DAD")), EUsersFileError);
    EXPECT_EQ(folder.Read("CENTRPRG.DAD"), bytes);
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedUsersFile,
                         testing::Values(TDamage{"BadSum", 732, 240, 0x55},
                                         TDamage{"SumByteChanged", 732, 731, 0x99},
                                         TDamage{"ShortByOne", 731, std::string::npos, 0},
                                         TDamage{"LongerByOne", 733, std::string::npos, 0},
                                         TDamage{"Empty", 0, std::string::npos, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UsersFileFormat, NameLengthBeyondTwentyIsDamageEvenWithAGoodSum) {
    std::string bytes = SerializeUsers(TwoUsers());
    bytes[219] = 21;
    const unsigned sum = SumOfSlots(bytes);
    bytes[730] = static_cast<char>(sum & 0xFF);
    bytes[731] = static_cast<char>((sum >> 8) & 0xFF);
    EXPECT_THROW(ParseUsers(bytes), EUsersFileError);
}

TEST(Users, AreFoundByNameIgnoringCaseAndEndBlanks) {
    const TUsersFile users = TwoUsers();
    EXPECT_EQ(users.Count(), 2);
    EXPECT_EQ(users.Find("operador"), 3);
    EXPECT_EQ(users.Find(" ADMINISTRAÇÃO "), 0);
    EXPECT_EQ(users.Find("Operadora"), -1);
    EXPECT_EQ(users.Find(""), -1); // free slot have empty names
}

TEST(Users, NamesMustFitASlot) {
    EXPECT_TRUE(IsValidUserName("Técnico de campo"));
    EXPECT_TRUE(IsValidUserName(std::string(20, 'a')));
    EXPECT_FALSE(IsValidUserName(std::string(21, 'a')));
    EXPECT_FALSE(IsValidUserName(""));
    EXPECT_FALSE(IsValidUserName(" Ana"));
    EXPECT_FALSE(IsValidUserName("Ana\xE7"));         // not UTF-8
    EXPECT_TRUE(IsValidUserName("Ana \xE2\x82\xAC")); // the euro sign is byte 0x80
    EXPECT_FALSE(IsValidUserName("\xE4\xB8\xAD"));    // no Windows-1252 byte
}

TEST(Users, KeysMatchOnlyByteForByte) {
    const TUser user = MakeUser("ana", 7, 0);
    TPasswordKey key = user.key;
    EXPECT_TRUE(KeyMatches(user, key));
    key[31] ^= 1;
    EXPECT_FALSE(KeyMatches(user, key));
}

class LoggedUserRights : public testing::Test {
protected:
    void TearDown() override { SetLoggedUser(std::nullopt); }
};

TEST_F(LoggedUserRights, FollowTheMaskAndLeaveAboutAndExitOpen) {
    EXPECT_FALSE(HasAccessRight(TCommandId::Open)); // nobody logged in
    EXPECT_TRUE(HasAccessRight(TCommandId::Exit));
    SetLoggedUser(TwoUsers().slot[3]);
    EXPECT_TRUE(HasAccessRight(TCommandId::Open));
    EXPECT_TRUE(HasAccessRight(TCommandId::Trunks));
    EXPECT_FALSE(HasAccessRight(TCommandId::Categories));
    EXPECT_FALSE(HasAccessRight(TCommandId::Centralizer)); // bit 31
    EXPECT_TRUE(HasAccessRight(TCommandId::About));
    SetLoggedUser(TwoUsers().slot[0]);
    EXPECT_TRUE(HasAccessRight(TCommandId::Centralizer));
}

// The users file of another account, read at the login or saved in a folder with the sticky bit where
// that account's file stands: the text says whose file it is and what to do. This test runs again as
// another account's copy (nobody, through setpriv).
TEST(UsersFileOfAnotherAccount, SaysWhoseItIsAndWhatToDo) {
    if (const char* folder = std::getenv("CENTRPRG_USERS_FOLDER")) { // the other account's copy
        const std::string path = std::string(folder) + "/CENTRPRG.DAD";
        const std::string whose =
            ": permissão negada)\nO arquivo " + path + " é do usuário root. Peça a esse usuário que ";
        EXPECT_THAT([&] { LoadUsersFile(path); },
                    testing::ThrowsMessage<EUsersFileError>("Não foi possível ler o arquivo de usuários. (" +
                                                            path + whose + "lhe dê acesso a ele."));
        EXPECT_THAT([&] { SaveUsersFile(path, TwoUsers()); },
                    testing::ThrowsMessage<EUsersFileError>(
                        "Não foi possível gravar o arquivo de usuários. (" + path + whose +
                        "apague o arquivo; depois tente de novo."));
        return;
    }
    if (const std::string missing = SecondAccountMissing(); !missing.empty()) GTEST_SKIP() << missing;
    namespace fs = std::filesystem;
    TTestTempFolder folder;
    fs::permissions(folder.Path(), fs::perms(0755));
    fs::create_directory(folder.Path("sticky"));
    fs::permissions(folder.Path("sticky"), fs::perms::all | fs::perms::sticky_bit);
    SaveUsersFile(folder.Path("sticky/CENTRPRG.DAD"), TwoUsers()); // -rw-------
    const std::string self = fs::read_symlink("/proc/self/exe");
    const std::string copy =
        CommandOutput("CENTRPRG_USERS_FOLDER=" + ShellWord(folder.Path("sticky")) + " " +
                      AsSecondAccount(ShellWord(self) + " --gtest_filter=UsersFileOfAnotherAccount.* 2>&1"));
    EXPECT_NE(copy.find("[       OK ] UsersFileOfAnotherAccount"), std::string::npos) << copy;
}

} // namespace
