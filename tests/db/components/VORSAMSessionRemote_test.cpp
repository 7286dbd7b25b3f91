// The session component's road to a server: a remote session logs in with the user its event gives,
// passes its settings and opens databases on the server, against the loopback test server.
#include "../engine/RemoteFakeServer.h"
#include "VORSAMTestSupport.h"

#include "db/engine/DataDirectory.h"
#include "db/engine/DataSession.h"

namespace vorsam::test {
namespace {

class RemoteSessionComponentTest : public ComponentsTest {};

TEST_F(RemoteSessionComponentTest, ARemoteSessionLogsInPassesItsSettingsAndOpensDatabasesOnTheServer) {
    TFakeServer server({[](TFakePeer& peer) {
        peer.ServeLogin(30900, "Central");
        peer.Expect(3); // a setting changed while active
        peer.Reply(0);
        peer.Expect(4);
        peer.Reply(0, {U32(9)});
        peer.Expect(5);
        peer.Reply(0);
        peer.Expect(2);
        peer.Reply(0);
    }});
    TVORSAMOwner form;
    TVORSAMSession remote(&form);
    remote.SetSessionName("Remota");
    remote.SetSessionType(stRemote);
    remote.SetRemoteType(rtInternet);
    remote.SetRemoteAddress("127.0.0.1");
    remote.SetRemotePort(server.Port());
    remote.SetRemoteUser("ana");
    remote.SetRemoteTrace(true);
    std::vector<std::string> traces;
    remote.SetOnRemoteTrace([&](TVORSAMSession&, const std::string& line) { traces.push_back(line); });
    remote.SetOnRemoteLogin([](TVORSAMSession&, std::string& user, std::string& password, bool&) {
        EXPECT_EQ(user, "ana");
        password = "typed";
    });
    remote.SetActive(true);
    ASSERT_TRUE(remote.Active());
    EXPECT_TRUE(remote.Handle()->IsConnected());
    EXPECT_EQ(remote.Handle()->ServerVersion(), 30900);
    remote.SetLockRetryCount(4);

    TVORSAMDatabase& database = remote.OpenDatabase("\\vendas\\", &form);
    ASSERT_TRUE(database.Connected());
    EXPECT_EQ(database.Handle()->RemoteHandle(), 9u);
    remote.CloseDatabase(database);
    remote.SetActive(false);
    server.Finish();
    EXPECT_EQ(server.Failures(), std::vector<std::string>{});

    std::vector<TFakeRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_EQ(requests[0].Body, Body(1, {U32(32400), Text("ana"), Text("typed"), U8(0)}));
    EXPECT_EQ(requests[1].Body, Body(3, {Text(""), U8(0), U8(0), U8(15), U16(100), U8(0), U16(20)}))
        << "the component's settings, in its order";
    EXPECT_EQ(requests[2].Body, Body(3, {Text(""), U8(0), U8(0), U8(4), U16(100), U8(0), U16(20)}));
    EXPECT_EQ(requests[3].Body, Body(4, {Text("VENDAS")}));
    EXPECT_EQ(requests[4].Body, Body(5, {U32(9)}));
    EXPECT_EQ(requests[5].Code, 2) << "stopping logs out";
    EXPECT_FALSE(traces.empty());
}

} // namespace
} // namespace vorsam::test
