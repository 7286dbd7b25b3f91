// The engine session: start and stop of the engine, settings, passwords, the private directory, and the
// databases it opens by name, folder or as "Memory".
#include "db/lib/TestSupport.h"

#include "db/engine/DataDirectory.h"
#include "db/engine/DataSession.h"
#include "db/engine/EngineState.h"
#include "db/lib/FileHandler.h"
#include "db/lib/FileList.h"
#include "db/lib/LibraryGlobals.h"

#include <filesystem>
#include <functional>
#include <map>
#include <random>

namespace vorsam::test {
namespace {

namespace fs = std::filesystem;

// Runs without the test program's library globals, so that the engine starts and stops them itself.
class EngineStartupTest : public ::testing::Test {
protected:
    void SetUp() override { FinalizeLibraryGlobals(); }
    void TearDown() override {
        FinalizeEngine();
        InitializeLibraryGlobals();
    }

    static void CreateMemoryFile(const std::string& name) {
        TFileHandler file;
        file.SetInMemory(true);
        file.SetFileName(name);
        file.CreateFile();
    }
};

TEST_F(EngineStartupTest, TheFirstSessionStartsTheEngineAndTheLastStopsIt) {
    InitializeEngine();
    ASSERT_TRUE(EngineInitialized());
    EXPECT_TRUE(LibraryGlobalsInitialized());
    TDataSession* first = GetEngine();
    ASSERT_NE(first, nullptr);
    InitializeEngine();
    EXPECT_EQ(GetEngine(), first) << "a second start makes no second session";
    EXPECT_EQ(LiveEngineSessionCount(), 1u);

    std::unique_ptr<TDataSession> named = CreateDataSession();
    CreateMemoryFile("KEPT.DAT");
    FinalizeEngine();
    EXPECT_FALSE(EngineInitialized());
    EXPECT_ENGINE_ERROR(GetEngine(), VORSAM_NOTINITIALIZED);
    ASSERT_TRUE(LibraryGlobalsInitialized()) << "a session still alive keeps the open files";
    EXPECT_TRUE(named->OpenDataDirectory("Memory", "").TableExists("KEPT", false));

    named.reset();
    EXPECT_FALSE(LibraryGlobalsInitialized());
    EXPECT_EQ(LiveEngineSessionCount(), 0u);
    FinalizeEngine(); // without a start: nothing
}

TEST_F(EngineStartupTest, ARestartBeginsWithFreshInMemoryFiles) {
    InitializeEngine();
    CreateMemoryFile("GONE.DAT");
    EXPECT_TRUE(GetEngine()->OpenDataDirectory("Memory", "").TableExists("GONE", false));
    FinalizeEngine();
    InitializeEngine();
    EXPECT_FALSE(GetEngine()->OpenDataDirectory("Memory", "").TableExists("GONE", false));
}

TEST_F(EngineStartupTest, ObjectsStartedBySomethingElseOutliveTheSessions) {
    InitializeLibraryGlobals();
    CreateMemoryFile("OWN.DAT");
    InitializeEngine();
    FinalizeEngine();
    ASSERT_TRUE(LibraryGlobalsInitialized());
    EXPECT_TRUE(GetFileList().Exists("OWN.DAT", true));
}

// Settings.

using TSetter = std::function<void(TDataSession&, int64_t)>;
using TGetter = std::function<int64_t(const TDataSession&)>;

struct TSettingCase {
    const char* name;
    TSetter set;
    TGetter get;
    int64_t min, max;
};

// One of the five buffer sizes, the others at their defaults.
TSettingCase BufferCase(const char* name, uint32_t TBufferSizes::*size, uint32_t EngineSettings::*setting,
                        int64_t min, int64_t max) {
    return {name,
            [=](TDataSession& s, int64_t v) {
                TBufferSizes sizes;
                sizes.*size = uint32_t(v);
                s.SetBufferSizes(sizes);
            },
            [=](const TDataSession& s) { return int64_t(s.Settings().*setting); }, min, max};
}

TEST(DataSessionTest, EverySetterTakesItsRangeAndRefusesWhatLiesOutsideChangingNothing) {
    const TSettingCase cases[] = {
        {"LockRetryCount", [](TDataSession& s, int64_t v) { s.SetLockRetryCount(v); },
         [](const TDataSession& s) { return int64_t(s.Settings().LockRetryCount); }, 0, 255},
        {"LockWaitTime", [](TDataSession& s, int64_t v) { s.SetLockWaitTime(v); },
         [](const TDataSession& s) { return int64_t(s.Settings().LockWaitTime); }, 0, 10000},
        {"ProgressSteps", [](TDataSession& s, int64_t v) { s.SetProgressSteps(v); },
         [](const TDataSession& s) { return s.ProgressSteps(); }, 0, 100},
        {"LockProtocol", [](TDataSession& s, int64_t v) { s.SetLockProtocol(TLockProtocol(v)); },
         [](const TDataSession& s) { return int64_t(s.LockProtocol()); }, 0, 1},
        BufferCase("BufferSize", &TBufferSizes::BufferSize, &EngineSettings::BufferSize, 4096, 256 << 20),
        BufferCase("RecordCacheLimit", &TBufferSizes::RecordCacheLimit, &EngineSettings::RecordCacheLimit, 16,
                   1 << 20),
        BufferCase("IndexBufferSize", &TBufferSizes::IndexBufferSize, &EngineSettings::IndexBufferSize, 8192,
                   256 << 20),
        BufferCase("BlobBufferSize", &TBufferSizes::BlobBufferSize, &EngineSettings::BlobBufferSize, 4096,
                   256 << 20),
        BufferCase("BlobBufferLimit", &TBufferSizes::BlobBufferLimit, &EngineSettings::BlobBufferLimit, 16,
                   1 << 20),
    };
    for (const TSettingCase& c : cases) {
        TDataSession session;
        for (int64_t value : {c.min, c.max}) {
            c.set(session, value);
            EXPECT_EQ(c.get(session), value) << c.name;
        }
        for (int64_t value : {c.min - 1, c.max + 1}) {
            try {
                c.set(session, value);
                ADD_FAILURE() << c.name << " took " << value;
            } catch (const EVORSAMEngineError& e) {
                EXPECT_EQ(e.ErrorCode, VORSAM_INVALIDPARAM) << c.name;
                EXPECT_NE(e.ErrorMessage.find(c.name), std::string::npos) << e.ErrorMessage;
            }
            EXPECT_EQ(c.get(session), c.max) << c.name << " changed by " << value;
        }
    }
}

TEST(DataSessionTest, TheProgressStepIsThePercentageBetweenReports) {
    TDataSession session;
    EXPECT_EQ(session.GetProgressStep(), 5) << "20 reports per operation at first";
    for (auto [steps, step] : {std::pair{1, 100}, {3, 33}, {20, 5}, {100, 1}, {0, 100}}) {
        session.SetProgressSteps(steps);
        EXPECT_EQ(session.GetProgressStep(), step) << steps;
    }
}

// Private directory and passwords.

TEST(DataSessionTest, ThePrivateDirectoryKeepsItsCaseAndFallsBackToTheDefaultDirectory) {
    TTempDir dir;
    fs::create_directory(dir.File("Runs Mixed"));
    TDataSession session;
    std::string temp = NormaliseFolder(fs::temp_directory_path().string()) + "/";
    EXPECT_EQ(session.GetPrivateDirectory(), temp) << "the system's temporary folder at first";

    std::string written = dir.Path() + "\\Runs Mixed";
    session.SetPrivateDirectory(written);
    EXPECT_EQ(session.GetPrivateDirectory(), dir.Path() + "/Runs Mixed/");
    EXPECT_EQ(session.Settings().PrivateDirectory, dir.Path() + "/Runs Mixed/") << "sort runs go there";

    EXPECT_ENGINE_ERROR(session.SetPrivateDirectory(dir.File("RUNS MIXED")), VORSAM_DIRNOTFOUND);
    EXPECT_EQ(session.GetPrivateDirectory(), dir.Path() + "/Runs Mixed/")
        << "a refused folder changes nothing";

    session.SetPrivateDirectory("");
    EXPECT_EQ(session.GetPrivateDirectory(), NormaliseFolder(fs::current_path().string()) + "/");
    EXPECT_EQ(session.GetPrivateDirectory(), session.DefaultDirectory());
    EXPECT_EQ(session.Settings().PrivateDirectory, session.DefaultDirectory());
}

TEST(DataSessionTest, PasswordsAreKeptExactlyOnce) {
    TDataSession session;
    session.AddPassword("Segredo");
    session.AddPassword("Segredo");
    session.AddPassword("outra");
    session.AddPassword("");
    EXPECT_TRUE(session.HasPassword("Segredo"));
    EXPECT_FALSE(session.HasPassword("SEGREDO")) << "passwords compare exactly";
    EXPECT_FALSE(session.HasPassword(""));
    session.RemovePassword("Segredo");
    EXPECT_FALSE(session.HasPassword("Segredo")) << "added twice, kept once";
    EXPECT_TRUE(session.HasPassword("outra"));
    session.RemovePassword("never added");
    session.RemoveAllPasswords();
    EXPECT_FALSE(session.HasPassword("outra"));
}

// Databases.

class SessionDirectoryTest : public ::testing::Test {
protected:
    SessionDirectoryTest() { fs::create_directory(dir_.File("Dados")); }
    std::string Dados() const { return dir_.File("Dados"); }

    TTempDir dir_;
    TDataSession session_;
};

TEST_F(SessionDirectoryTest, EverySpellingOfAFolderOrNameGivesTheSameObject) {
    TDataDirectory& byFolder = session_.OpenDataDirectory("", Dados());
    EXPECT_EQ(&session_.OpenDataDirectory("", Dados() + "/"), &byFolder);
    EXPECT_EQ(&session_.OpenDataDirectory("", dir_.Path() + "\\Dados\\"), &byFolder);
    EXPECT_EQ(&session_.OpenDataDirectory("", Dados() + "/../Dados/."), &byFolder);
    EXPECT_EQ(session_.DirectoryUseCount(byFolder), 4u);
    EXPECT_EQ(byFolder.Folder(), Dados());
    EXPECT_EQ(byFolder.GetDatabaseName(), Dados());
    EXPECT_FALSE(byFolder.InMemory());

    TDataDirectory& named = session_.OpenDataDirectory("Cadastro", Dados());
    EXPECT_NE(&named, &byFolder) << "a named database is a database of its own";
    EXPECT_EQ(&session_.OpenDataDirectory("CADASTRO", ""), &named);
    EXPECT_EQ(&session_.OpenDataDirectory("cadastro", Dados() + "/"), &named);
    EXPECT_EQ(named.GetDatabaseName(), Dados()) << "a disk database names its folder in errors";

    TDataDirectory& memory = session_.OpenDataDirectory("Memory", "");
    EXPECT_EQ(&session_.OpenDataDirectory("MEMORY", ""), &memory);
    EXPECT_TRUE(memory.InMemory());
    EXPECT_EQ(memory.Folder(), "");
    EXPECT_EQ(memory.GetDatabaseName(), "Memory");
    EXPECT_EQ(session_.OpenDataDirectory("", "").Folder() + "/", session_.DefaultDirectory())
        << "neither name nor folder: the default directory";
    EXPECT_EQ(session_.OpenDirectoryCount(), 4u);
}

TEST_F(SessionDirectoryTest, OpensAndClosesAgreeWithACountingOracle) {
    const std::vector<std::pair<std::string, std::string>> names = {
        {"", Dados()}, {"", dir_.Path()}, {"Memory", ""}, {"Cadastro", Dados()}};
    std::map<size_t, uint32_t> oracle;
    std::map<size_t, TDataDirectory*> objects;
    std::mt19937 random(7);
    for (int step = 0; step < 400; ++step) {
        size_t i = random() % names.size();
        if (oracle[i] == 0 || random() % 2) {
            TDataDirectory& d = session_.OpenDataDirectory(names[i].first, names[i].second);
            if (oracle[i]++ > 0) {
                EXPECT_EQ(&d, objects[i]) << "step " << step;
            }
            objects[i] = &d;
        } else {
            session_.CloseDataDirectory(*objects[i]);
            --oracle[i];
        }
        size_t open = 0;
        for (auto& [k, uses] : oracle) {
            open += uses > 0;
            if (uses > 0) {
                EXPECT_EQ(session_.DirectoryUseCount(*objects[k]), uses) << "step " << step;
            }
        }
        ASSERT_EQ(session_.OpenDirectoryCount(), open) << "released exactly on the last close, step " << step;
    }
}

TEST_F(SessionDirectoryTest, RefusedOpensAndClosesChangeNothing) {
    EXPECT_ENGINE_ERROR(session_.OpenDataDirectory("", dir_.File("dados")), VORSAM_DIRNOTFOUND)
        << "folders keep their case";
    EXPECT_ENGINE_ERROR(session_.OpenDataDirectory("Cadastro", dir_.File("nowhere")), VORSAM_DIRNOTFOUND);
    EXPECT_ENGINE_ERROR(session_.OpenDataDirectory("NoSuchAlias", ""), VORSAM_DIRNOTFOUND)
        << "a name alone is its own folder";
    EXPECT_EQ(session_.OpenDirectoryCount(), 0u);

    TDataDirectory& named = session_.OpenDataDirectory("Cadastro", Dados());
    EXPECT_ENGINE_ERROR(session_.OpenDataDirectory("Cadastro", dir_.Path()), VORSAM_INVALIDPARAM)
        << "a name open on one folder";
    EXPECT_EQ(session_.DirectoryUseCount(named), 1u);
    session_.OpenDataDirectory("Memory", "");
    EXPECT_ENGINE_ERROR(session_.OpenDataDirectory("Memory", Dados()), VORSAM_INVALIDPARAM);

    TDataSession other;
    TDataDirectory& elsewhere = other.OpenDataDirectory("", Dados());
    EXPECT_ENGINE_ERROR(session_.CloseDataDirectory(elsewhere), VORSAM_INVALIDPARAM)
        << "a database of another session";
    EXPECT_EQ(other.DirectoryUseCount(elsewhere), 1u);
}

TEST_F(SessionDirectoryTest, TheLastCloseIsRefusedWhileTablesOrStatementsUseTheDatabase) {
    struct TTable : TSharedTable {};
    struct TStatement : TDirectoryStatement {};
    TDataDirectory& d = session_.OpenDataDirectory("", Dados());
    session_.OpenDataDirectory("", Dados());
    TSharedTable& table =
        d.AcquireTable("T", false, [](const std::string&) { return std::make_unique<TTable>(); });
    session_.CloseDataDirectory(d); // not the last
    EXPECT_ENGINE_ERROR(session_.CloseDataDirectory(d), VORSAM_FILEINUSE);
    EXPECT_EQ(session_.DirectoryUseCount(d), 1u);
    d.ReleaseTable(table);
    TStatement statement;
    d.AddStatement(statement);
    EXPECT_ENGINE_ERROR(session_.CloseDataDirectory(d), VORSAM_FILEINUSE);
    d.RemoveStatement(statement);
    session_.CloseDataDirectory(d);
    EXPECT_EQ(session_.OpenDirectoryCount(), 0u);
}

TEST_F(SessionDirectoryTest, HooksMapNamesToFoldersAndGrantRightsAndWithoutThemNothingIs) {
    TDataDirectory& plain = session_.OpenDataDirectory("", Dados());
    EXPECT_EQ(session_.DoGetDatabaseDirectory("Cadastro"), "Cadastro");
    EXPECT_EQ(plain.Rights(), AllDirectoryRights);
    EXPECT_TRUE(session_.DoCheckStatementRights(plain, saDrop, "T"));

    TSessionHooks hooks;
    hooks.GetMemoryDirectory = [&] { return dir_.Path(); };
    hooks.GetDatabaseDirectory = [&](const std::string& name) { return name == "Cadastro" ? Dados() : ""; };
    hooks.GetDirectoryRights = [](const std::string& name) { return name == "Cadastro" ? 5u : 0u; };
    hooks.CheckStatementRights = [](const TDataDirectory&, TStatementAccess access, const std::string&) {
        return access == saSelect;
    };
    session_.SetHooks(std::move(hooks));
    TDataDirectory& memory = session_.OpenDataDirectory("Memory", "");
    EXPECT_FALSE(memory.InMemory()) << "the host put the memory database in a folder";
    EXPECT_EQ(memory.Folder(), dir_.Path());
    TDataDirectory& named = session_.OpenDataDirectory("Cadastro", "");
    EXPECT_EQ(named.Folder(), Dados());
    EXPECT_EQ(named.Rights(), 5u);
    EXPECT_TRUE(session_.DoCheckStatementRights(named, saSelect, "T"));
    EXPECT_FALSE(session_.DoCheckStatementRights(named, saDrop, "T"));
    EXPECT_ENGINE_ERROR(session_.OpenDataDirectory("Unknown", ""), VORSAM_DIRNOTFOUND);
}

// Remote sessions.

TEST_F(SessionDirectoryTest, ARemoteSessionWithoutAServerRaisesNotConnected) {
    TRemoteSettings nowhere;
    nowhere.Address = "127.0.0.1";
    nowhere.Port = 1; // nothing listens on port 1
    session_.SetRemoteSettings(nowhere);
    session_.SetRemote(true);
    EXPECT_TRUE(session_.IsRemote());
    EXPECT_FALSE(session_.IsConnected());
    EXPECT_ENGINE_ERROR(session_.OpenDataDirectory("Cadastro", ""), VORSAM_NOTCONNECTED);
    EXPECT_ENGINE_ERROR(session_.Connect(), VORSAM_NOTCONNECTED);
    EXPECT_ENGINE_ERROR(session_.Login(), VORSAM_NOTCONNECTED);
    EXPECT_ENGINE_ERROR(session_.SendSessionParams(), VORSAM_NOTCONNECTED);
    session_.Logout();
    session_.SetRemote(false);
    EXPECT_NO_THROW(session_.OpenDataDirectory("Memory", ""));
}

TEST(DataSessionTest, RemoteSettingsAreCheckedBeforeAnyIsStored) {
    TDataSession session;
    TRemoteSettings remote;
    remote.Host = "central";
    remote.Port = 65535;
    session.SetRemoteSettings(remote);
    EXPECT_EQ(session.RemoteSettings().Host, "central");
    for (auto spoil : std::vector<std::function<void(TRemoteSettings&)>>{
             [](TRemoteSettings& r) { r.Host = std::string(256, 'h'); },
             [](TRemoteSettings& r) { r.Password = std::string(256, 'p'); },
             [](TRemoteSettings& r) { r.Port = 0; }, [](TRemoteSettings& r) { r.Port = 65536; }}) {
        TRemoteSettings bad = remote;
        bad.User = "changed";
        spoil(bad);
        EXPECT_ENGINE_ERROR(session.SetRemoteSettings(bad), VORSAM_INVALIDPARAM);
        EXPECT_EQ(session.RemoteSettings().User, "");
    }
}

} // namespace
} // namespace vorsam::test
