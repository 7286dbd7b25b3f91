// Tables and statements of a remote session against the loopback test server, which serves the headers
// and records of a table made here: a local table of the same name stays untouched, each server version
// gets its own requests, callbacks reach the statement, a lost connection is retried once and damaged
// replies end in clean errors.
#include "../engine/RemoteFakeServer.h"
#include "SqlRunSupport.h"

#include "db/engine/DataFileHeader.h"
#include "db/engine/IndexFileHeader.h"
#include "db/engine/VORSAMQuery.h"
#include "db/engine/VORSAMSession.h"
#include "db/engine/VORSAMSessionList.h"
#include "db/engine/VORSAMTable.h"
#include "db/lib/DataTypes.h"
#include "db/sql/QueryStatement.h"
#include "db/sql/QueryStatementAdapter.h"
#include "platform/data/Field.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace vorsam::test {
namespace {

TBytes FileBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

template <typename T> std::vector<T> operator+(std::vector<T> a, const std::vector<T>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TBytes Double(double v) {
    TBytes bytes(sizeof v);
    std::memcpy(bytes.data(), &v, sizeof v);
    return bytes;
}

const std::vector<TBytes> NoRecord = {U32(2), U32(0), U32(0), U8(1)}; // a state before the first of two

// The table PEOPLE (CODIGO INTEGER, NOME CHAR(20)) with Ana and Bia, made in the folder; the server
// sends its headers, descriptors and records as the files hold them.
struct TServerTable {
    explicit TServerTable(const std::string& folder) {
        TDataSession session;
        TDataDirectory& local = session.OpenDataDirectory("", folder);
        for (const char* sql :
             {"CREATE TABLE PEOPLE (CODIGO INTEGER, NOME CHAR(20))", "INSERT INTO PEOPLE VALUES (1, 'Ana')",
              "INSERT INTO PEOPLE VALUES (2, 'Bia')"}) {
            TQueryStatement statement(local);
            statement.Prepare(sql);
            statement.Execute({}, false);
        }
        session.CloseDataDirectory(local);
        TBytes dat = FileBytes(folder + "/PEOPLE.DAT");
        TDataFileHeader header;
        std::copy_n(dat.begin(), header.Bytes.size(), header.Bytes.begin());
        auto at = [&](uint64_t offset) { return dat.begin() + long(offset); };
        TBytes idx = FileBytes(folder + "/PEOPLE.IDX");
        idx.resize(IndexHeaderSize);
        Cursor = {U32(0), U32(32400), TBytes(at(0), at(header.Size)), idx, TBytes{}, U8(0), U8(0)};
        for (uint64_t i = 0; i < header.FieldCount(); ++i)
            Cursor.emplace_back(at(header.Size + i * 768), at(header.Size + (i + 1) * 768));
        for (uint32_t n = 1; n < header.NextRecordNumber(); ++n)
            Rows.Records.emplace_back(at(header.SlotOffset(n)),
                                      at(header.SlotOffset(n) + header.RecordSize()));
    }
    // A cursor image's values (as OPENCURSOR and a result send them) with the cursor's handle.
    std::vector<TBytes> Image(uint32_t handle) const {
        std::vector<TBytes> values = Cursor;
        values[0] = U32(handle);
        return values;
    }
    std::vector<TBytes> Cursor;
    TFakeTable Rows;
};

TRemoteSettings SettingsFor(const TFakeServer& server) {
    TRemoteSettings remote;
    remote.Address = "127.0.0.1";
    remote.Port = server.Port();
    remote.ConnectTimeout = remote.ReplyTimeout = 2000;
    return remote;
}

class RemoteStatementTest : public ::testing::Test {
protected:
    void SetUp() override { InstallSqlStatements(); }
    void TearDown() override {
        SetQueryStatementFactory({});
        FinalizeSessions();
    }
    TDataDirectory& Connect(TFakeServer& server) {
        session_.SetRemoteSettings(SettingsFor(server));
        session_.SetRemote(true);
        return session_.OpenDataDirectory("VENDAS", "");
    }
    void ExpectServed(TFakeServer& server) {
        server.Finish();
        EXPECT_EQ(server.Failures(), std::vector<std::string>{});
    }

    TTempDir dir_;
    TServerTable people_{dir_.Path()};
    TDataSession session_;
};

TEST_F(RemoteStatementTest, ALocalTableOfTheSameNameStaysUntouchedWhileTableAndInsertReachTheServer) {
    const TBytes dat = FileBytes(dir_.File("PEOPLE.DAT")), idx = FileBytes(dir_.File("PEOPLE.IDX"));
    TFakeRequest insert;
    TFakeServer server({[&](TFakePeer& peer) {
        peer.ServeLogin();
        peer.Answer(4, {U32(7)});
        peer.Answer(10, people_.Image(501) + NoRecord);
        EXPECT_EQ(peer.ServeCursor(people_.Rows).Code, 76);
        peer.Reply(0, {U32(30)});
        insert = peer.Answer(77, {U8(sqlInsert), U8(0), U8(0), U8(0)});
        peer.Answer(79, {Double(0.5), U32(1)});
        peer.AnswerUntilDone();
    }});
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir_.Path());
    std::vector<std::string> walked, refusals;
    int32_t rows = 0;
    {
        TVORSAMOwner form;
        TVORSAMSession remote(&form);
        remote.SetSessionName("Remota");
        remote.SetSessionType(stRemote);
        remote.SetRemoteAddress("127.0.0.1");
        remote.SetRemotePort(server.Port());
        remote.SetRemoteUser("ana");
        remote.SetRemotePassword("s3nha");
        remote.SetActive(true);
        TVORSAMTable table(&form);
        table.SetSessionName("Remota");
        table.SetDatabaseName("VENDAS");
        table.SetTableName("PEOPLE");
        table.Open();
        for (table.First(); !table.Eof(); table.Next())
            walked.push_back(table.FieldByName("CODIGO").AsString() + "|" +
                             table.FieldByName("NOME").AsString());
        table.Append();
        table.FieldByName("CODIGO").SetAsInteger(3);
        table.FieldByName("NOME").SetAsString("Caio");
        table.Post();
        TDataCursor& cursor = *table.Handle();
        for (const std::function<void()>& refused : std::vector<std::function<void()>>{
                 [&] { cursor.AddFilter("CODIGO > 1"); }, [&] { cursor.SetRange(nullptr, 0, nullptr, 0); },
                 [&] { cursor.EmptyTable(); }, [&] { cursor.CloneCursor(); },
                 [&] { cursor.Directory().StartTransaction(); },
                 [&] {
                     TDataCursor other(cursor.Directory());
                     other.SetTableName("PEOPLE");
                     other.DeleteTable();
                 }}) {
            try {
                refused();
            } catch (const EVORSAMEngineError& e) {
                if (e.ErrorCode == VORSAM_NOTSUPPORTED &&
                    std::string(e.what()).find("database server") != std::string::npos)
                    refusals.push_back(e.what());
            }
        }
        table.Close();
        TVORSAMQuery query(&form);
        query.SetSessionName("Remota");
        query.SetDatabaseName("VENDAS");
        query.SetSQL({"INSERT INTO PEOPLE VALUES (4, 'Dora')"});
        query.ExecSQL();
        rows = query.RowsAffected();
    }
    std::filesystem::current_path(before);
    ExpectServed(server);
    EXPECT_EQ(walked, (std::vector<std::string>{"1|Ana", "2|Bia"}));
    EXPECT_EQ(refusals.size(), 6u) << "each refused, saying why";
    ASSERT_EQ(people_.Rows.Records.size(), 3u) << "the record reached the server";
    EXPECT_NE(std::string(people_.Rows.Records[2].begin(), people_.Rows.Records[2].end()).find("Caio"),
              std::string::npos);
    EXPECT_EQ(insert.Values.at(2), Text("INSERT INTO PEOPLE VALUES (4, 'Dora')"));
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(FileBytes(dir_.File("PEOPLE.DAT")), dat) << "the local files are never touched";
    EXPECT_EQ(FileBytes(dir_.File("PEOPLE.IDX")), idx);
}

// Each version with a live SELECT and one parameter: the SELECT * flag and the result's directory from
// 3.06, parameters inside EXECUTESTMT and the result opened at Prepare from 3.09; without SELECT * the
// result has a layout of its own with a computed field.
TEST_F(RemoteStatementTest, EachServerVersionGetsItsOwnRequestsAndTheResultIsWalkedThroughTheServer) {
    TFieldDescriptor doubled;
    doubled.SetName("DOBRO");
    doubled.SetDataType(dtInteger);
    doubled.SetComputed(true);
    for (auto [version, selectAll] : {std::pair{30500, false}, {30600, true}, {30900, false}}) {
        SCOPED_TRACE(version);
        const bool at306 = version >= 30600, at309 = version >= 30900;
        std::vector<TBytes> flags{U8(sqlSelect), U8(1), U8(1)}, result = people_.Image(601);
        if (at306) flags.push_back(U8(selectAll));
        if (at306) result.insert(result.begin(), Text("VIVA"));
        TFakeTable rows = people_.Rows;
        if (!selectAll) {
            result = result + std::vector<TBytes>{U16(3), result.end()[-2], result.end()[-1],
                                                  TBytes(doubled.Bytes.begin(), doubled.Bytes.end())};
            for (TBytes& record : rows.Records)
                record.insert(record.end(), {1, uint8_t(record[1] * 2), 0, 0, 0});
        }
        TFakeServer server({[&](TFakePeer& peer) {
            peer.ServeLogin(version);
            peer.Answer(4, {U32(7)});
            peer.Answer(76, {U32(30)});
            peer.Answer(77, at309 ? flags + result : flags);
            if (at309) peer.Answer(4, {U32(8)});
            if (!at309) peer.Answer(78);
            peer.Answer(79,
                        std::vector<TBytes>{Double(0.25), U32(2)} + (at309 ? NoRecord : result + NoRecord));
            if (!at309) peer.Answer(4, {U32(8)});
            peer.ServeCursor(rows);
            peer.Reply(0);
            peer.AnswerUntilDone();
        }});
        TDataDirectory& database = Connect(server);
        {
            TQueryStatement statement(database);
            statement.RequestLive = true;
            statement.Prepare("SELECT * FROM PEOPLE WHERE CODIGO > :P");
            TDataCursor* cursor = statement.Execute({{dtInteger, 0, 4, 0, false, {5, 0, 0, 0}}}, false);
            ASSERT_NE(cursor, nullptr);
            EXPECT_EQ(CursorRows(*cursor),
                      (selectAll ? TRows{"1|Ana", "2|Bia"} : TRows{"1|Ana|2", "2|Bia|4"}));
            EXPECT_EQ(statement.ResultDirectoryName, at306 ? "VIVA" : "Remote_Query");
            EXPECT_EQ(statement.RowsAffected, 2);
            EXPECT_EQ(statement.ExecutionTime, 0.25);
        }
        session_.CloseDataDirectory(database);
        session_.Logout();
        ExpectServed(server);
        std::vector<TFakeRequest> requests = server.Requests();
        std::string sql = "SELECT * FROM PEOPLE WHERE CODIGO > :P";
        EXPECT_EQ(requests.at(4).Body,
                  Body(77, {U32(30), U32(uint32_t(sql.size())), Text(sql), U8(1), U32(~0u)}));
        const TFakeRequest& params = requests.at(at309 ? 6 : 5);
        ASSERT_EQ(params.Values.size(), at309 ? 5u : 4u);
        EXPECT_EQ(params.Values[1], U16(1));
        EXPECT_EQ(params.Values[2].at(84), dtInteger) << "the parameter's descriptor";
        EXPECT_EQ(params.Values[2].at(88), 4);
        EXPECT_EQ(params.Values[3], (TBytes{1, 5, 0, 0, 0}));
        if (!at309) {
            EXPECT_EQ(requests.at(6).Body, Body(79, {U32(30), U8(0)}));
        }
    }
}

// A script: the server calls back for a password, with progress, with the type of each next statement and
// with a status; its START TRANSACTION and COMMIT move the client's database, and its closing SELECT
// (told by a callback) is the result.
TEST_F(RemoteStatementTest, CallbacksReachTheStatementAndAScriptMovesTheClientsTransaction) {
    auto told = [](uint8_t type) { return std::vector<TBytes>{U16(13), U8(type), U8(0), U8(0), U8(0)}; };
    TFakeServer server({[&](TFakePeer& peer) {
        peer.ServeLogin();
        peer.Answer(4, {U32(7)});
        peer.Answer(76, {U32(31)});
        peer.Answer(77, {U8(sqlStartTransaction), U8(0), U8(0), U8(0)});
        peer.Expect(79);
        peer.Reply(VORSAM_REMOTECALLBACK, {U16(11)});
        peer.Expect(75);
        peer.Reply(VORSAM_REMOTECALLBACK, {U16(12), U16(50), U8(0)});
        peer.Expect(75);
        for (const std::vector<TBytes>& callback :
             std::vector<std::vector<TBytes>>{told(sqlUpdate),
                                              {U16(14), U16(7)},
                                              {U16(99), Text("?")},
                                              told(sqlCommit),
                                              told(sqlSelect) + people_.Image(602)})
            peer.Reply(VORSAM_REMOTECALLBACK, callback);
        peer.Reply(0, std::vector<TBytes>{Double(1.5), U32(3)} + NoRecord);
        peer.Answer(4, {U32(8)});
        peer.ServeCursor(people_.Rows);
        peer.Reply(0);
        peer.AnswerUntilDone();
    }});
    TDataDirectory& database = Connect(server);
    std::vector<std::string> seen;
    {
        TQueryStatement statement(database);
        statement.OnPassword = [&] { return seen.push_back("password"), true; };
        statement.SetProgressHandler([&](TQueryStatement&, uint16_t percent, bool& abort) {
            seen.push_back("progress " + std::to_string(percent));
            abort = true;
        });
        statement.OnStatus = [&](TQueryStatement&, uint16_t value) {
            seen.push_back("status " + std::to_string(value) +
                           (database.InTransaction() ? " in a transaction" : ""));
        };
        statement.OnPrepared = [&](TQueryStatement&, uint8_t type, bool, bool, bool) {
            seen.push_back("type " + std::to_string(type) +
                           (database.InTransaction() ? " in a transaction" : ""));
        };
        statement.Prepare("START TRANSACTION; UPDATE PEOPLE SET NOME = 'X'; COMMIT; SELECT * FROM PEOPLE");
        TDataCursor* cursor = statement.Execute({}, true);
        ASSERT_NE(cursor, nullptr);
        EXPECT_EQ(CursorRows(*cursor), (TRows{"1|Ana", "2|Bia"}));
        EXPECT_EQ(statement.RowsAffected, 3);
    }
    EXPECT_FALSE(database.InTransaction());
    session_.CloseDataDirectory(database);
    session_.Logout();
    ExpectServed(server);
    EXPECT_EQ(seen,
              (std::vector<std::string>{"type 10", "password", "progress 50", "type 3 in a transaction",
                                        "status 7 in a transaction", "type 12 in a transaction", "type 1"}));
    std::vector<TFakeRequest> requests = server.Requests();
    EXPECT_EQ(requests.at(5).Body, Body(79, {U32(31), U16(0), U8(1)})) << "no parameters, progress wanted";
    EXPECT_EQ(requests.at(6).Body, Body(75, {U8(1)})) << "a password supplied";
    EXPECT_EQ(requests.at(7).Body, Body(75, {U8(1)})) << "aborted";
    EXPECT_EQ(requests.at(8).Body, Body(4, {Text("Remote_Query")}));
}

TEST_F(RemoteStatementTest, ALostConnectionIsRetriedOnceAndASecondLossIsRaised) {
    TFakeServer server({[](TFakePeer& peer) {
                            peer.ServeLogin();
                            peer.Answer(4, {U32(7)});
                            peer.Answer(76, {U32(30)});
                            peer.Expect(77);
                        },
                        [](TFakePeer& peer) {
                            peer.ServeLogin();
                            peer.Answer(4, {U32(9)});
                            peer.Answer(77, {U8(sqlDelete), U8(0), U8(0), U8(0)});
                            peer.Expect(79);
                        },
                        [](TFakePeer& peer) {
                            peer.ServeLogin();
                            peer.Answer(4, {U32(11)});
                            peer.Expect(79);
                        }});
    TDataDirectory& database = Connect(server);
    {
        TQueryStatement statement(database);
        statement.Prepare("DELETE FROM PEOPLE");
        EXPECT_EQ(statement.StatementType, sqlDelete);
        EXPECT_ENGINE_ERROR(statement.Execute({}, false), VORSAM_NOTCONNECTED);
    }
    ExpectServed(server);
    std::vector<TFakeRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 14u);
    EXPECT_EQ(requests[4].Body, requests[8].Body) << "the same PREPARESTMT again";
    EXPECT_EQ(requests[9].Body, requests[13].Body);
}

// Replies to PREPARESTMT that break the protocol, each on a connection of its own.
TEST_F(RemoteStatementTest, DamagedRepliesEndInCleanErrors) {
    std::vector<TBytes> live{U8(sqlSelect), U8(1), U8(0), U8(0)};
    std::vector<TBytes> other = people_.Image(1);
    other[2][8] = 4; // a data file of another format
    TBytes lying = Body(0, {U8(1)});
    lying[2] = 200; // a value longer than what came
    const struct {
        const char* Name;
        TBytes Frame;
        uint16_t Code;
    } cases[] = {
        {"no flags", Frame(Body(0, {U8(sqlInsert)}), false), VORSAM_UNCOMPRESS},
        {"a value beyond the reply", Frame(lying, false), VORSAM_UNCOMPRESS},
        {"an unknown statement type", Frame(Body(0, {U8(99), U8(0), U8(0), U8(0)}), false),
         VORSAM_UNCOMPRESS},
        {"a flag of two bytes", Frame(Body(0, {U8(2), U16(0), U8(0), U8(0)}), false), VORSAM_UNCOMPRESS},
        {"a result without a directory", Frame(Body(0, live + std::vector<TBytes>{Text("")}), false),
         VORSAM_UNCOMPRESS},
        {"a layout of 5000 fields",
         Frame(Body(0, live + std::vector<TBytes>{Text("V")} + people_.Image(1) +
                           std::vector<TBytes>{U16(5000)}),
               false),
         VORSAM_UNCOMPRESS},
        {"a result of another format",
         Frame(Body(0, std::vector<TBytes>{U8(sqlSelect), U8(0), U8(0), U8(0)} + other), false),
         VORSAM_OLDVERSION},
        {"a callback cut short", Frame(Body(VORSAM_REMOTECALLBACK, {U16(12)}), false), VORSAM_UNCOMPRESS},
        {"a frame of 2 GiB", U32(0x7FFFFFFF) + TBytes{0} + U32(0x7FFFFFFF), VORSAM_UNCOMPRESS},
        {"an unknown callback, skipped",
         Frame(Body(VORSAM_REMOTECALLBACK, {U16(77)}), false) +
             Frame(Body(0, {U8(2), U8(0), U8(0), U8(0)}), false),
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TFakeServer server({[&](TFakePeer& peer) {
            peer.ServeLogin();
            peer.Answer(4, {U32(7)});
            peer.Answer(76, {U32(30)});
            peer.Expect(77);
            peer.SendRaw(c.Frame);
            peer.AnswerUntilDone();
        }});
        TDataSession session;
        session.SetRemoteSettings(SettingsFor(server));
        session.SetRemote(true);
        TDataDirectory& database = session.OpenDataDirectory("VENDAS", "");
        {
            TQueryStatement statement(database);
            EXPECT_ENGINE_ERROR(statement.Prepare("SELECT * FROM PEOPLE"), c.Code);
        }
        session.CloseDataDirectory(database);
        session.Logout();
        ExpectServed(server);
    }
}

} // namespace
} // namespace vorsam::test
