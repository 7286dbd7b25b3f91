// The session component: the engine started lazily and stopped, named sessions, settings reaching the
// engine session, its refusals, auto-session names, passwords and the serialised work on the engine.
#include "VORSAMTestSupport.h"

#include "db/engine/EngineState.h"
#include "platform/data/DBConsts.h"

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace vorsam::test {
namespace {

using namespace platform::data;
using VORSAMSessionTest = ComponentsTest;

TEST_F(VORSAMSessionTest, TheDefaultSessionStartsTheEngineWhenFirstNeededAndStopsIt) {
    TVORSAMSession& main = DefaultSession();
    ASSERT_FALSE(EngineInitialized());
    TVORSAMDatabase& memory = main.OpenDatabase("Memory", nullptr);
    EXPECT_TRUE(main.Active());
    EXPECT_TRUE(EngineInitialized());
    EXPECT_EQ(main.Handle(), GetEngine()) << "the default session works with the engine's own session";
    EXPECT_TRUE(memory.Connected());

    main.SetActive(false);
    EXPECT_FALSE(EngineInitialized());
    EXPECT_TRUE(main.Databases().empty()) << "the database it made is freed";
    EXPECT_EQ(LiveEngineSessionCount(), 0u);
}

TEST_F(VORSAMSessionTest, ANamedSessionStartsTheDefaultOneFirstAndHandsTheEngineBackWhenItStops) {
    TVORSAMSession named;
    named.SetSessionName("Relatorios");
    std::vector<std::string> started;
    DefaultSession().SetOnStartup([&](TVORSAMSession& s) { started.push_back(s.SessionName()); });
    named.SetOnStartup([&](TVORSAMSession& s) { started.push_back(s.SessionName()); });
    named.LockSession();
    EXPECT_EQ(started, (std::vector<std::string>{"Relatorios", "Default"}))
        << "its OnStartup runs first, then the default session starts before it takes an engine session";
    ASSERT_TRUE(named.Active());
    EXPECT_NE(named.Handle(), DefaultSession().Handle()) << "an engine session of its own";
    EXPECT_EQ(CurrentEngine(), named.Handle());
    named.UnlockSession();

    named.SetActive(false);
    EXPECT_TRUE(DefaultSession().Active());
    EXPECT_EQ(CurrentEngine(), DefaultSession().Handle());
    EXPECT_EQ(LiveEngineSessionCount(), 1u);
}

TEST_F(VORSAMSessionTest, EveryRefusalRaisesItsMessageAndChangesNothing) {
    TVORSAMOwner form;
    TVORSAMSession active(&form);
    active.SetSessionName("Ativa");
    active.SetRemoteHost("servidor");
    active.SetActive(true);
    TVORSAMSession unnamed;
    TVORSAMOwner other;
    TVORSAMSession autoNamed(&other);
    autoNamed.SetAutoSessionName(true);

    EXPECT_DATABASE_ERROR(unnamed.SetActive(true), "Session name is missing.");
    EXPECT_FALSE(unnamed.Active());
    EXPECT_DATABASE_ERROR(active.SetRemoteHost("outro"),
                          "Cannot perform this operation on an active session.");
    EXPECT_EQ(active.RemoteHost(), "servidor");
    EXPECT_DATABASE_ERROR(active.SetSessionType(stRemote),
                          "Cannot perform this operation on an active session.");
    EXPECT_DATABASE_ERROR(active.SetRemotePort(1), "Cannot perform this operation on an active session.");
    EXPECT_EQ(active.RemotePort(), 12005);
    EXPECT_DATABASE_ERROR(active.SetSessionName("Outra"),
                          "Cannot perform this operation on an active session.");
    EXPECT_DATABASE_ERROR(active.SetAutoSessionName(true),
                          "Cannot perform this operation on an active session.");
    EXPECT_EQ(active.SessionName(), "Ativa");
    EXPECT_FALSE(active.AutoSessionName());
    EXPECT_DATABASE_ERROR(autoNamed.SetSessionName("Manual"),
                          "Cannot perform this operation on the active auto-session.");
    EXPECT_DATABASE_ERROR(unnamed.SetSessionName("ativa"), "Session name ativa already exists.");
    EXPECT_DATABASE_ERROR(unnamed.SetSessionName("DEFAULT"), "Session name DEFAULT already exists.");
    EXPECT_EQ(unnamed.SessionName(), "");

    active.SetActive(false);
    TVORSAMSession second(&form);
    EXPECT_DATABASE_ERROR(active.SetAutoSessionName(true),
                          "The active auto-session can be the only active session.");
    EXPECT_FALSE(active.AutoSessionName());
    EXPECT_DATABASE_ERROR(TVORSAMSession refused(&other), "This auto-session already exists.");
    EXPECT_EQ(Sessions().List().size(), 5u) << "the refused session never joined the list";
}

TEST_F(VORSAMSessionTest, AutoSessionNamesTakeTheLowestFreeNumberAndNameTheOwnersComponents) {
    TVORSAMOwner first, second, third;
    TVORSAMDatabase early(&first);
    early.SetDatabaseName("Cadastro");
    TVORSAMSession a(&first), b(&second), c(&third);
    a.SetName("Tarefa");
    b.SetName("Tarefa");
    c.SetName("Busca");
    a.SetAutoSessionName(true);
    b.SetAutoSessionName(true);
    EXPECT_EQ(a.SessionName(), "Tarefa_1");
    EXPECT_EQ(b.SessionName(), "Tarefa_2");
    a.SetAutoSessionName(false);
    c.SetAutoSessionName(true);
    EXPECT_EQ(c.SessionName(), "Busca_1") << "the number set free is taken again";
    a.SetAutoSessionName(true);
    EXPECT_EQ(a.SessionName(), "Tarefa_3");
    a.SetName("Carga");
    EXPECT_EQ(a.SessionName(), "Carga_3") << "a new component name renames the session";

    EXPECT_EQ(early.SessionName(), "Carga_3") << "a database made before";
    EXPECT_EQ(early.Session(), &a);
    TVORSAMDatabase late(&first);
    TBoundDataSet dataSet("Cadastro", &first);
    EXPECT_EQ(late.Session(), &a) << "a database made after";
    EXPECT_EQ(dataSet.SessionName(), "Carga_3") << "a dataset made after";
    EXPECT_EQ(TVORSAMDatabase(&second).SessionName(), "Tarefa_2");
    EXPECT_EQ(TVORSAMDatabase().SessionName(), "Default") << "without owner: the default session";
}

TEST_F(VORSAMSessionTest, SettingsReachTheEngineSessionWhenItStartsAndWhenTheyChange) {
    TTempDir dir;
    TVORSAMSession session;
    session.SetSessionName("Config");
    session.SetLockRetryCount(3);
    session.SetLockWaitTime(250);
    session.SetForceBufferFlush(true);
    session.SetLockProtocol(lpOptimistic);
    session.SetProgressSteps(101);
    EXPECT_EQ(session.ProgressSteps(), 20) << "above 100 is ignored";
    session.SetProgressSteps(100);
    session.SetPrivateDir(dir.Path());
    session.SetActive(true);
    const TDataSession& engine = *session.Handle();
    EXPECT_EQ(engine.Settings().LockRetryCount, 3);
    EXPECT_EQ(engine.Settings().LockWaitTime, 250);
    EXPECT_TRUE(engine.Settings().ForceBufferFlush);
    EXPECT_FALSE(engine.Settings().StrictChangeDetection);
    EXPECT_EQ(engine.LockProtocol(), lpOptimistic);
    EXPECT_EQ(engine.ProgressSteps(), 100);
    EXPECT_EQ(engine.GetPrivateDirectory(), dir.Path() + "/");
    EXPECT_FALSE(engine.IsRemote());

    session.SetStrictChangeDetection(true);
    session.SetLockWaitTime(0);
    EXPECT_TRUE(engine.Settings().StrictChangeDetection);
    EXPECT_EQ(engine.Settings().LockWaitTime, 0);
    session.Handle()->SetLockRetryCount(9);
    session.SetLockRetryCount(3);
    EXPECT_EQ(engine.Settings().LockRetryCount, 9) << "an unchanged value is not passed again";

    EXPECT_ENGINE_ERROR(session.SetPrivateDir(dir.File("missing")), VORSAM_DIRNOTFOUND);
    EXPECT_EQ(session.PrivateDir(), dir.Path()) << "what the engine refused is not stored";
    EXPECT_ENGINE_ERROR(session.SetLockWaitTime(60000), VORSAM_INVALIDPARAM);
    EXPECT_EQ(session.LockWaitTime(), 0);
}

TEST_F(VORSAMSessionTest, AStartTheEngineRefusesLeavesTheSessionInactive) {
    TTempDir dir;
    DefaultSession().SetPrivateDir(dir.File("missing"));
    EXPECT_ENGINE_ERROR(DefaultSession().SetActive(true), VORSAM_DIRNOTFOUND);
    EXPECT_FALSE(DefaultSession().Active());
    EXPECT_FALSE(EngineInitialized());
    DefaultSession().SetPrivateDir("");

    TVORSAMSession remote;
    remote.SetSessionName("Remota");
    remote.SetSessionType(stRemote);
    remote.SetRemoteHost(std::string(300, 'h'));
    EXPECT_ENGINE_ERROR(remote.SetActive(true), VORSAM_NOTCONNECTED) << "no server at the address";
    EXPECT_FALSE(remote.Active());
    EXPECT_TRUE(DefaultSession().Active()) << "the default session started first stays";
    EXPECT_EQ(LiveEngineSessionCount(), 1u) << "the remote session's engine session is freed";
}

TEST_F(VORSAMSessionTest, PasswordsReachTheEngineSessionAndRequestsAskTheHandlerOrTheDialog) {
    TVORSAMSession& main = DefaultSession();
    main.AddPassword("segredo");
    main.AddPassword(std::string(300, 'p'));
    EXPECT_TRUE(main.Handle()->HasPassword("segredo"));
    EXPECT_TRUE(main.Handle()->HasPassword(std::string(255, 'p'))) << "kept to 255 characters";
    main.RemovePassword("segredo");
    EXPECT_FALSE(main.Handle()->HasPassword("segredo"));
    main.RemoveAllPasswords();
    EXPECT_FALSE(main.Handle()->HasPassword(std::string(255, 'p')));

    EXPECT_FALSE(main.RequestPassword()) << "no handler and no dialog: nothing to try";
    int dialogs = 0;
    SetSessionDialogs(
        [&](TVORSAMSession& s) {
            ++dialogs;
            s.AddPassword("digitada");
            return true;
        },
        nullptr);
    EXPECT_TRUE(main.RequestPassword());
    EXPECT_TRUE(main.Handle()->HasPassword("digitada"));
    bool asked = false;
    main.SetOnPassword([&](TVORSAMSession&, bool& continueWork) {
        EXPECT_FALSE(continueWork) << "starts false";
        asked = true;
    });
    EXPECT_FALSE(main.RequestPassword());
    EXPECT_TRUE(asked);
    EXPECT_EQ(dialogs, 1) << "the handler takes the dialog's place";
}

// Threads that each lock a session many times: inside, no other thread is, and the current engine
// session is the locked session's.
TEST_F(VORSAMSessionTest, ThreadsOnOneSessionOrOnTwoWorkOnTheEngineOneAtATime) {
    TVORSAMSession other;
    other.SetSessionName("Outra");
    TVORSAMSession* sessions[] = {&DefaultSession(), &DefaultSession(), &other, &other};
    for (TVORSAMSession* s : sessions) s->SetActive(true);
    std::atomic<int> inside{0}, overlaps{0}, wrongEngine{0};
    std::vector<std::thread> threads;
    for (TVORSAMSession* session : sessions)
        threads.emplace_back([&, session] {
            for (int i = 0; i < 2000; ++i) {
                TSessionLockGuard outer(*session);
                TSessionLockGuard nested(*session);
                if (inside.fetch_add(1) != 0) ++overlaps;
                if (CurrentEngine() != session->Handle()) ++wrongEngine;
                std::this_thread::yield();
                inside.fetch_sub(1);
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(wrongEngine.load(), 0);
}

TEST_F(VORSAMSessionTest, ALockThatCannotStartTheSessionIsLeftAgain) {
    TVORSAMSession unnamed;
    EXPECT_DATABASE_ERROR(unnamed.LockSession(), "Session name is missing.");
    std::thread other([] {
        EXPECT_TRUE(SessionLock().TryEnter()) << "no thread holds the lock";
        SessionLock().Leave();
    });
    other.join();
    unnamed.SetSessionName("Agora");
    TSessionLockGuard lock(unnamed);
    EXPECT_TRUE(unnamed.Active());
}

} // namespace
} // namespace vorsam::test
