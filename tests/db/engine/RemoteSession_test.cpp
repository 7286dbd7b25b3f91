// A remote engine session against the loopback test server: the bytes of login, session parameters and
// databases, error replies raised as the errors they carry, the server's callbacks, lost connections
// and reconnecting, and compressed payloads.
#include "db/lib/TestSupport.h"

#include "RemoteFakeServer.h"
#include "db/engine/DataDirectory.h"
#include "db/engine/DataSession.h"
#include "db/engine/RemoteProtocol.h"

#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace vorsam::test {
namespace {

// The server ran its scripts without a surprise.
void ExpectServed(TFakeServer& server) {
    server.Finish();
    EXPECT_EQ(server.Failures(), std::vector<std::string>{});
}

class RemoteSessionTest : public ::testing::Test {
protected:
    static TRemoteSettings SettingsFor(const TFakeServer& server, bool lan = true) {
        TRemoteSettings remote;
        remote.Address = "127.0.0.1";
        remote.Port = server.Port();
        remote.User = "ana";
        remote.Password = "s3nha";
        remote.Lan = lan;
        remote.ConnectTimeout = 2000;
        remote.ReplyTimeout = 2000;
        remote.Trace = true;
        return remote;
    }

    void Start(TFakeServer& server, bool lan = true, uint32_t replyTimeout = 2000) {
        TRemoteSettings remote = SettingsFor(server, lan);
        remote.ReplyTimeout = replyTimeout;
        session_.SetRemoteSettings(remote);
        session_.SetRemoteTraceHandler([this](const std::string& line) { trace_.push_back(line); });
        session_.SetRemote(true);
        session_.Connect();
        session_.Login();
        session_.SendSessionParams();
    }

    static std::vector<uint16_t> Codes(TFakeServer& server) {
        std::vector<uint16_t> codes;
        for (const TFakeRequest& r : server.Requests()) codes.push_back(r.Code);
        return codes;
    }

    bool Traced(const std::string& text) const {
        for (const std::string& line : trace_)
            if (line.find(text) != std::string::npos) return true;
        return false;
    }

    TDataSession session_;
    std::vector<std::string> trace_;
};

// ---- login and session parameters ----

TEST_F(RemoteSessionTest, LoginAndSessionParametersSendTheirBytesTheLockProtocolOnlyToNewerServers) {
    for (int32_t version : {30000, 30400}) {
        SCOPED_TRACE(version);
        TTempDir dir;
        TFakeServer server({[&](TFakePeer& peer) {
            peer.ServeLogin(version, "Central");
            for (int i = version >= 30400 ? 2 : 1; i > 0; --i) {
                peer.Expect(3);
                peer.Reply(0);
            }
            peer.Expect(2);
            peer.Reply(0);
        }});
        TDataSession session;
        session.SetPrivateDirectory(dir.Path());
        session.SetStrictChangeDetection(true);
        session.SetLockRetryCount(7);
        session.SetLockWaitTime(250);
        session.SetLockProtocol(lpOptimistic);
        session.SetProgressSteps(10);
        session.SetRemoteSettings(SettingsFor(server));
        session.SetRemote(true);
        session.Connect();
        session.Login();
        EXPECT_EQ(session.ServerVersion(), version);
        EXPECT_EQ(session.ServerName(), "Central");
        session.SendSessionParams();
        // Settings changed while connected are passed again.
        session.SetLockRetryCount(3);
        session.SetLockProtocol(lpPessimistic);
        session.Logout();
        EXPECT_FALSE(session.IsConnected());
        EXPECT_TRUE(session.IsRemote());
        ExpectServed(server);

        std::vector<TFakeRequest> requests = server.Requests();
        ASSERT_GE(requests.size(), 3u);
        EXPECT_EQ(requests[0].Body, Body(1, {U32(32400), Text("ana"), Text("s3nha"), U8(1)}));
        auto params = [&](uint8_t retries, uint8_t protocol) {
            std::vector<TBytes> values{Text(dir.Path() + "/"), U8(1), U8(0), U8(retries), U16(250)};
            if (version >= 30400) values.push_back(U8(protocol));
            values.push_back(U16(10));
            return Body(3, values);
        };
        EXPECT_EQ(requests[1].Body, params(7, 1));
        EXPECT_EQ(requests[2].Body, params(3, 1));
        if (version >= 30400) {
            EXPECT_EQ(Codes(server), (std::vector<uint16_t>{1, 3, 3, 3, 2}));
            EXPECT_EQ(requests[3].Body, params(3, 0));
        } else {
            EXPECT_EQ(Codes(server), (std::vector<uint16_t>{1, 3, 3, 2})) << "no lock protocol for 3.00";
        }
    }
}

TEST_F(RemoteSessionTest, TheLoginHandlerIsAskedOnlyForAMissingNameOrPasswordAndMayStopTheLogin) {
    TFakeServer server({[](TFakePeer& peer) {
                            peer.ServeLogin();
                            peer.Expect(2);
                            peer.Reply(0);
                        },
                        [](TFakePeer&) {},
                        [](TFakePeer& peer) {
                            peer.Expect(1);
                            peer.Reply(VORSAM_OSEACCES, {Text(""), Text("bia")});
                        }});
    TRemoteSettings remote = SettingsFor(server);
    remote.Password = "";
    session_.SetRemoteSettings(remote);
    session_.SetRemote(true);
    std::vector<std::string> asked;
    session_.SetRemoteLoginHandler([&](std::string& user, std::string& password) {
        asked.push_back(user + "/" + password);
        user = "bia";
        password = "typed";
        return asked.size() == 1;
    });
    session_.Connect();
    session_.Login();
    session_.SendSessionParams();
    EXPECT_EQ(session_.RemoteSettings().User, "bia") << "what the handler typed is kept";

    session_.Logout();
    session_.SetRemoteSettings(remote);
    session_.Connect();
    EXPECT_ENGINE_ERROR(session_.Login(), VORSAM_NOTCONNECTED) << "the handler said stop";
    EXPECT_FALSE(session_.IsConnected());

    session_.Connect();
    EXPECT_ENGINE_ERROR(session_.Login(), VORSAM_OSEACCES) << "the server refused the login";
    EXPECT_FALSE(session_.IsConnected()) << "a refused login ends the connection";
    session_.SetRemoteSettings(remote);
    session_.SetRemoteLoginHandler([](std::string&, std::string&) -> bool { throw std::logic_error("no"); });
    session_.Connect();
    EXPECT_THROW(session_.Login(), std::logic_error);
    EXPECT_FALSE(session_.IsConnected()) << "a handler that fails ends the connection, which has no login";
    ExpectServed(server);
    EXPECT_EQ(asked, (std::vector<std::string>{"ana/", "ana/"})) << "not asked once both are known";
    ASSERT_EQ(Codes(server), (std::vector<uint16_t>{1, 3, 2, 1})) << "a stopped login sends nothing";
    EXPECT_EQ(server.Requests()[0].Body, Body(1, {U32(32400), Text("bia"), Text("typed"), U8(1)}));
}

// ---- databases and error replies ----

TEST_F(RemoteSessionTest, AnErrorReplyIsRaisedAsTheEngineErrorItCarriesAndTheSessionGoesOn) {
    TFakeServer server({[](TFakePeer& peer) {
        peer.ServeLogin();
        peer.Expect(4);
        peer.Reply(VORSAM_DIRNOTFOUND, {Text(""), Text("ana"), Text("VENDAS"), Text(""), Text(""), Text(""),
                                        Text("no such database"), U32(2)});
        peer.Expect(4);
        peer.Reply(VORSAM_LOCKTIMEOUT);
        peer.Expect(4);
        peer.Reply(0, {U32(77)});
        peer.Expect(5);
        peer.Reply(0);
    }});
    Start(server);
    EVORSAMEngineError e = ErrorRaisedBy([&] { session_.OpenDataDirectory("VENDAS", ""); });
    EXPECT_EQ(e.ErrorCode, VORSAM_DIRNOTFOUND);
    EXPECT_EQ(e.ErrorServerName, "Central") << "an empty server context names the server";
    EXPECT_EQ(e.ErrorUserName, "ana");
    EXPECT_EQ(e.ErrorDatabaseName, "VENDAS");
    EXPECT_EQ(e.ErrorMessage, "no such database");
    EXPECT_EQ(e.OSErrorCode, 2);
    EXPECT_STREQ(e.what(), "VORSAM Engine Error # 8455 The folder 'VENDAS' does not exist: no such database");
    EXPECT_ENGINE_ERROR(session_.OpenDataDirectory("vendas", ""), VORSAM_LOCKTIMEOUT)
        << "a reply without context";
    EXPECT_TRUE(session_.IsConnected());
    EXPECT_EQ(session_.OpenDirectoryCount(), 0u);

    TDataDirectory& vendas = session_.OpenDataDirectory("VENDAS", "");
    EXPECT_TRUE(vendas.IsRemote());
    EXPECT_EQ(vendas.RemoteHandle(), 77u);
    EXPECT_EQ(vendas.GetDatabaseName(), "VENDAS");
    EXPECT_EQ(&session_.OpenDataDirectory("Vendas", ""), &vendas) << "names ignore case; no second request";
    session_.CloseDataDirectory(vendas);
    session_.CloseDataDirectory(vendas);
    ExpectServed(server);
    std::vector<TFakeRequest> requests = server.Requests();
    ASSERT_EQ(Codes(server), (std::vector<uint16_t>{1, 3, 4, 4, 4, 5}));
    EXPECT_EQ(requests[2].Body, Body(4, {Text("VENDAS")}));
    EXPECT_EQ(requests[5].Body, Body(5, {U32(77)})) << "closed on the server at the last close only";
}

// ---- callbacks ----

TEST_F(RemoteSessionTest, CallbacksAreServedUntilTheRealReplyComes) {
    TFakeServer server({[](TFakePeer& peer) {
        peer.ServeLogin();
        peer.Expect(4);
        peer.Reply(VORSAM_REMOTECALLBACK, {U16(11)});
        peer.Expect(75);
        peer.Reply(VORSAM_REMOTECALLBACK, {U16(11)});
        peer.Expect(75);
        peer.Reply(VORSAM_REMOTECALLBACK, {U16(12), U16(40), U8(0)});
        peer.Expect(75);
        peer.Reply(VORSAM_REMOTECALLBACK, {U16(99), Text("unknown kind")});
        peer.Reply(VORSAM_REMOTECALLBACK, {U16(14), U16(7)});
        peer.Reply(VORSAM_REMOTECALLBACK, {U16(13), U8(2)});
        peer.Reply(0, {U32(5)});
    }});
    Start(server);
    session_.AddPassword("known-secret");
    int asked = 0;
    session_.SetPasswordHandler([&] {
        if (++asked == 1) return false;
        session_.AddPassword("asked-secret");
        return true;
    });
    std::vector<std::string> seen;
    TRemoteCallbacks callbacks;
    callbacks.Progress = [&](uint16_t percent, bool& abort) {
        seen.push_back("progress " + std::to_string(percent));
        abort = true;
    };
    callbacks.Status = [&](uint16_t value) { seen.push_back("status " + std::to_string(value)); };
    callbacks.StatementType = [&](TRemoteReply& reply) {
        seen.push_back("type " + std::to_string(reply.ReadU8()));
    };
    session_.BeginRequest(rqOpenDatabase);
    session_.WriteRequestValue("VENDAS", 6);
    session_.PerformRequest(&callbacks);
    EXPECT_EQ(session_.GetReplyErrorCode(), 0);
    uint8_t handle[4];
    EXPECT_EQ(session_.ReadReplyValue(handle), 4);
    EXPECT_EQ(handle[0], 5);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(seen, (std::vector<std::string>{"progress 40", "status 7", "type 2"}));
    ExpectServed(server);
    std::vector<TFakeRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 6u) << "kinds 13, 14 and unknown ones get no answer";
    EXPECT_EQ(requests[3].Body, Body(75, {U8(0)})) << "no password supplied";
    EXPECT_EQ(requests[4].Body, Body(75, {U8(1)})) << "supplied: the result alone, no password travels";
    EXPECT_EQ(requests[5].Body, Body(75, {U8(1)})) << "the abort flag as the routine set it";
}

// A callback in the reply to a request made without routines for it (the login, the parameters, a
// database's opening) is a damaged reply: the connection ends, nothing asked or answered. An engine error
// of the routine a request has (0 here: OPENDATABASE's) ends the connection too, and the request, which
// went, is not made again: it fails as a connection the client ended, whatever the routine's error said.
TEST_F(RemoteSessionTest, ACallbackToARequestWithoutRoutinesIsDamageAndOneWhoseRoutineFailedEndsIt) {
    for (const uint16_t at : std::initializer_list<uint16_t>{rqLogin, rqSessionParams, rqOpenDatabase, 0}) {
        TFakeServer server({[&](TFakePeer& peer) {
            for (auto [code, values] : {std::pair{rqLogin, std::vector<TBytes>{U32(32400), Text("Central")}},
                                        {rqSessionParams, {}},
                                        {rqOpenDatabase, {U32(7)}}}) {
                peer.Expect(code);
                if (code == at || code == rqOpenDatabase)
                    return peer.Reply(VORSAM_REMOTECALLBACK, {U16(cbPassword)}), peer.AwaitClose();
                peer.Reply(0, values);
            }
        }});
        TDataSession session;
        session.SetRemoteSettings(SettingsFor(server)), session.SetRemote(true);
        TRemoteCallbacks failing;
        failing.Password = []() -> bool { RaiseEngineError(VORSAM_NOTSUPPORTED, "refused here"); };
        EVORSAMEngineError e = ErrorRaisedBy([&] {
            session.Connect(), session.Login(), session.SendSessionParams(),
                session.BeginRequest(rqOpenDatabase);
            session.WriteRequestValue("VENDAS", 6), session.PerformRequest(at == 0 ? &failing : nullptr);
        });
        EXPECT_EQ(e.ErrorCode, at == 0 ? VORSAM_NOTCONNECTED : VORSAM_UNCOMPRESS) << at;
        if (at == 0)
            EXPECT_TRUE(e.SocketErrorCode == ECONNABORTED &&
                        e.ErrorMessage.find("refused here") != std::string::npos)
                << e.what();
        EXPECT_FALSE(session.IsConnected());
        ExpectServed(server);
        EXPECT_EQ(Codes(server).back(), at == 0 ? rqOpenDatabase : at) << "no answer";
    }
}

// A server calling back without end is cut off at the reply timeout with the timeout error, unless its
// progress moves; the application's abort ends that, and holds.
TEST_F(RemoteSessionTest, AServerCallingBackWithoutEndIsCutOffUnlessItsProgressMoves) {
    using TValues = std::vector<TBytes>;
    auto progress = [](int percent) { return TValues{U16(12), U16(uint16_t(percent)), U8(0)}; };
    const std::tuple<const char*, std::function<TValues(int)>, int, bool> cases[] = {
        {"a skipped kind", [](int) { return TValues{U16(99)}; }, -1, false},
        {"a password", [](int) { return TValues{U16(11)}; }, -1, false},
        {"progress standing", [&](int) { return progress(40); }, -1, false},
        {"progress beyond 100", [&](int i) { return progress(200 + i); }, -1, false},
        {"progress moving", [&](int i) { return progress(i + 1); }, -1, true},
        {"progress moving, aborted", [&](int i) { return progress(i + 1); }, 20, false}};
    for (const auto& [what, callback, abortAt, answered] : cases) {
        SCOPED_TRACE(what);
        TFakeServer server({[&](TFakePeer& peer) {
            peer.ServeLogin(), peer.Expect(4);
            try { // without end: 1000 callbacks, then a reply that comes too late
                for (int i = 0; i < (answered ? 100 : 1000); ++i) {
                    TValues values = callback(i);
                    peer.Reply(VORSAM_REMOTECALLBACK, values);
                    if (values[0] != U16(99)) peer.Expect(75);
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
                peer.Reply(0, {U32(5)}), peer.AnswerUntilDone();
            } catch (const std::runtime_error&) { // the client gave up
            }
        }});
        Start(server, true, 250);
        TRemoteCallbacks callbacks;
        callbacks.Progress = [&](uint16_t percent, bool& abort) { abort = abort || percent == abortAt; };
        session_.BeginRequest(rqOpenDatabase), session_.Request().WriteText("VENDAS");
        EVORSAMEngineError e = ErrorRaisedBy([&] { session_.PerformRequest(&callbacks); });
        session_.Logout(), ExpectServed(server);
        EXPECT_EQ(e.SocketErrorCode, answered ? 0 : ETIMEDOUT) << e.what();
        std::string answers;
        for (const TFakeRequest& r : server.Requests())
            if (r.Code == 75 && abortAt > 0) answers += char('0' + r.Values.at(0).at(0));
        EXPECT_EQ(answers.find_first_not_of('0'), abortAt > 0 ? size_t(abortAt - 1) : answers.npos);
        EXPECT_EQ(answers.find('0', size_t(std::max(abortAt - 1, 0))), answers.npos) << "the abort holds";
    }
}

// ---- lost connections ----

TEST_F(RemoteSessionTest, ALostConnectionIsMadeAgainOnceAndACleanErrorWhenTheServerIsGone) {
    // Answers OPENDATABASE requests with the handle `base` for VENDAS and base + 1 for any other name.
    auto open = [](TFakePeer& peer, uint32_t base, int count) {
        for (; count > 0; --count) {
            TFakeRequest request = peer.Expect(4);
            peer.Reply(0, {U32(request.Values.at(0) == Text("VENDAS") ? base : base + 1)});
        }
    };
    TFakeServer server({
        [&](TFakePeer& peer) {
            peer.ServeLogin();
            open(peer, 10, 1);
        }, // then the server drops the connection
        [&](TFakePeer& peer) {
            peer.ServeLogin();
            open(peer, 20, 2); // VENDAS again, then COMPRAS
        },
        [](TFakePeer&) {}, // the server is gone: the connection closes at once
        [&](TFakePeer& peer) {
            peer.ServeLogin();
            open(peer, 30, 2);
            peer.Expect(2);
            peer.Reply(0);
        },
    });
    Start(server);
    TDataDirectory& vendas = session_.OpenDataDirectory("VENDAS", "");
    EXPECT_EQ(vendas.RemoteHandle(), 10u);
    TDataDirectory& compras = session_.OpenDataDirectory("COMPRAS", "");
    EXPECT_TRUE(Traced("Reconnecting"));
    EXPECT_EQ(vendas.RemoteHandle(), 20u) << "databases open again on the new connection";
    EXPECT_EQ(compras.RemoteHandle(), 21u);

    EVORSAMEngineError gone = ErrorRaisedBy([&] { session_.OpenDataDirectory("OUTRA", ""); });
    EXPECT_EQ(gone.ErrorCode, VORSAM_NOTCONNECTED);
    EXPECT_EQ(gone.ErrorServerName, "127.0.0.1:" + std::to_string(server.Port()));
    EXPECT_TRUE(gone.SocketErrorCode == ECONNRESET || gone.SocketErrorCode == EPIPE) << gone.SocketErrorCode;
    EXPECT_FALSE(session_.IsConnected());
    EXPECT_EQ(session_.OpenDirectoryCount(), 2u);

    session_.Reconnect();
    EXPECT_EQ(vendas.RemoteHandle(), 30u);
    EXPECT_EQ(compras.RemoteHandle(), 31u);
    session_.Logout();
    ExpectServed(server);
    EXPECT_EQ(Codes(server), (std::vector<uint16_t>{1, 3, 4, 1, 3, 4, 4, 1, 3, 4, 4, 2}));
    std::vector<TFakeRequest> requests = server.Requests();
    EXPECT_EQ(requests[5].Body, Body(4, {Text("VENDAS")}));
    EXPECT_EQ(requests[6].Body, Body(4, {Text("COMPRAS")})) << "the failed request, sent again";
}

TEST_F(RemoteSessionTest, ASilentServerOrNoneAtAllGivesACleanError) {
    TFakeServer server({[](TFakePeer& peer) {
        peer.ServeLogin();
        peer.Expect(4);
        peer.AwaitClose(); // never answers
    }});
    TRemoteSettings quick = SettingsFor(server);
    quick.ReplyTimeout = 200;
    session_.SetRemoteSettings(quick);
    session_.SetRemote(true);
    session_.Connect();
    session_.Login();
    session_.SendSessionParams();
    // While connected only the trace flag changes.
    TRemoteSettings changed = quick;
    changed.ReplyTimeout = 300;
    EXPECT_ENGINE_ERROR(session_.SetRemoteSettings(changed), VORSAM_INVALIDPARAM);
    EXPECT_ENGINE_ERROR(session_.SetRemoteNetworkKind(false), VORSAM_INVALIDPARAM);
    EXPECT_ENGINE_ERROR(session_.SetRemote(false), VORSAM_INVALIDPARAM);
    quick.Trace = false;
    session_.SetRemoteSettings(quick);
    EXPECT_FALSE(session_.RemoteSettings().Trace);

    session_.BeginRequest(rqOpenDatabase);
    session_.Request().WriteText("VENDAS");
    session_.FinishRequest();
    session_.SendRequest();
    EVORSAMEngineError silent = ErrorRaisedBy([&] { session_.ReceiveReply(); });
    EXPECT_EQ(silent.ErrorCode, VORSAM_NOTCONNECTED);
    EXPECT_EQ(silent.SocketErrorCode, ETIMEDOUT);
    EXPECT_FALSE(session_.IsConnected());
    ExpectServed(server);

    int32_t closedPort = 0;
    {
        TFakeServer closed({});
        closedPort = closed.Port();
    }
    quick.Port = closedPort;
    session_.SetRemoteSettings(quick);
    EVORSAMEngineError none = ErrorRaisedBy([&] { session_.Connect(); });
    EXPECT_EQ(none.ErrorCode, VORSAM_NOTCONNECTED);
    EXPECT_EQ(none.SocketErrorCode, ECONNREFUSED);
    EXPECT_EQ(none.ErrorServerName, "127.0.0.1:" + std::to_string(closedPort));
    EXPECT_ENGINE_ERROR(session_.Login(), VORSAM_NOTCONNECTED);
    EXPECT_ENGINE_ERROR(session_.EnsureConnected(), VORSAM_NOTCONNECTED);
    EXPECT_ENGINE_ERROR(session_.OpenDataDirectory("VENDAS", ""), VORSAM_NOTCONNECTED);
    EXPECT_NO_THROW(session_.Logout());
}

// ---- compression ----

TEST_F(RemoteSessionTest, OverTheInternetLargePayloadsTravelCompressedAndACorruptOneIsRefused) {
    const TBytes big(4000, 'x');
    TBytes bigReply(6000, 0);
    for (size_t i = 0; i < bigReply.size(); ++i) bigReply[i] = uint8_t(i % 7);
    TBytes corrupt = Frame(Body(0, {bigReply}), true);
    corrupt[corrupt.size() / 2] ^= 0xFF;
    auto script = [&](TFakePeer& peer) {
        peer.ServeLogin();
        peer.Expect(90);
        peer.Reply(0, {bigReply}, true);
        peer.Expect(90);
        peer.SendRaw(corrupt);
        peer.AwaitClose();
    };
    for (bool lan : {false, true}) {
        SCOPED_TRACE(lan ? "LAN" : "internet");
        TFakeServer server({script});
        TDataSession session;
        session.SetRemoteSettings(SettingsFor(server, lan));
        session.SetRemote(true);
        session.Connect();
        session.Login();
        session.SendSessionParams();
        for (int i = 0; i < 2; ++i) {
            session.BeginRequest(90);
            session.WriteRequestValue(big.data(), uint32_t(big.size()));
            session.FinishRequest();
            session.SendRequest();
            if (i == 1) break;
            session.ReceiveReply();
            EXPECT_EQ(session.Reply().ReadBytes(), bigReply);
        }
        EXPECT_ENGINE_ERROR(session.ReceiveReply(), VORSAM_UNCOMPRESS);
        EXPECT_FALSE(session.IsConnected()) << "a stream that cannot be trusted is closed";
        ExpectServed(server);

        std::vector<TFakeRequest> requests = server.Requests();
        ASSERT_EQ(requests.size(), 4u);
        EXPECT_EQ(requests[0].Values.at(3), U8(lan ? 1 : 0)) << "the login tells the network kind";
        EXPECT_FALSE(requests[0].Compressed) << "small bodies never";
        EXPECT_EQ(requests[2].Compressed, !lan);
        EXPECT_EQ(requests[2].Body, Body(90, {big})) << "inflated by the server as sent";
    }
}

} // namespace
} // namespace vorsam::test
