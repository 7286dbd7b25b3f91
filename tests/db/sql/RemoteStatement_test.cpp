// Tables and statements of a remote session against the loopback test server, which serves the headers
// and records of a table made here.
#include "../engine/RemoteFakeServer.h"
#include "SqlRunSupport.h"

#include "db/components/VORSAMDatabase.h"
#include "db/components/VORSAMQuery.h"
#include "db/components/VORSAMSession.h"
#include "db/components/VORSAMSessionList.h"
#include "db/components/VORSAMTable.h"
#include "db/lib/DataTypes.h"
#include "db/sql/QueryStatement.h"
#include "platform/data/Field.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <set>

namespace vorsam::test {
namespace {

using TValues = std::vector<TBytes>;
using std::filesystem::current_path;

template <typename T> std::vector<T> operator+(std::vector<T> a, const std::vector<T>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const TBytes Quarter = {0, 0, 0, 0, 0, 0, 0xD0, 0x3F};    // 0.25: seconds of execution
const TValues NoRecord = {U32(2), U32(0), U32(0), U8(1)}; // a cursor before the first of two records

// The server's PEOPLE is the one made here: its headers, descriptors and records as the files hold them.
class RemoteStatementTest : public TSqlTest {
protected:
    void SetUp() override {
        AddTable({"PEOPLE", {{"CODIGO", dtInteger}, {"NOME", dtString, 20}}, {{"1", "Ana"}, {"2", "Bia"}}});
        dat_ = FileBytes(dir_.File("PEOPLE.DAT")), idx_ = FileBytes(dir_.File("PEOPLE.IDX"));
        std::tie(image_, rows_) = OnServer("PEOPLE");
    }
    // A table made here as the server sends it: its image as a cursor's but for handle and version
    // (headers, flags, the primary index, descriptors), and its records.
    std::pair<TValues, TValues> OnServer(const std::string& table) const {
        TBytes dat = FileBytes(dir_.File(table + ".DAT")), idx = FileBytes(dir_.File(table + ".IDX")),
               blb = FileBytes(dir_.File(table + ".BLB"));
        TDataFileHeader h;
        std::copy_n(dat.begin(), h.Size, h.Bytes.begin());
        auto slice = [&](uint64_t at, uint64_t size) { return TBytes(&dat[at], &dat[at] + size); };
        blb.resize(std::min(blb.size(), TBlobFileHeader::Size)); // none without a blob file
        TValues image{slice(0, h.Size), TBytes(idx.begin(), idx.begin() + IndexHeaderSize), blb, U8(0),
                      U8(0)};
        for (uint64_t i = 0; i < h.FieldCount(); ++i) image.push_back(slice(h.Size + 768 * i, 768));
        TValues rows;
        for (uint32_t n = 1; n < h.NextRecordNumber(); ++n)
            rows.push_back(slice(h.SlotOffset(n), h.RecordSize()));
        return {image, rows};
    }
    void TearDown() override { FinalizeSessions(), current_path(home_); }

    static TBytes FileBytes(const std::string& file) { return Read(std::ifstream(file, std::ios::binary)); }
    static TBytes Read(std::ifstream&& in) { return {std::istreambuf_iterator<char>(in), {}}; }
    // A statement's flags (server 3.24): type, live result, cursor result, not SELECT *.
    static TValues Flags(uint8_t type, bool live = false) { return {U8(type), U8(live), U8(live), U8(0)}; }
    // A cursor's image as OPENCURSOR and a result send it: handle, version, headers, flags, order, fields.
    TValues Image(uint32_t handle) const { return TValues{U32(handle), U32(32400)} + image_; }
    // A script that logs in at the version, opens VENDAS (handle 7), makes statement 30 and goes on.
    static TFakeServer::TScript Script(int32_t version, std::function<void(TFakePeer&)> next) {
        return [=](TFakePeer& peer) {
            peer.ServeLogin(version), peer.Answer(4, {U32(7)}), peer.Answer(76, {U32(30)}), next(peer);
        };
    }
    TDataDirectory& Connect(TFakeServer& server, uint32_t replyTimeout = 30000) {
        remote_.SetRemoteSettings(
            {"", "127.0.0.1", "", "", "", server.Port(), false, true, 2000, replyTimeout});
        remote_.SetRemote(true);
        return remote_.OpenDataDirectory("VENDAS", "");
    }
    void Finish(TFakeServer& server, TDataDirectory* database) {
        if (database) remote_.CloseDataDirectory(*database), remote_.Logout();
        server.Finish();
        EXPECT_EQ(server.Failures(), std::vector<std::string>{});
    }

    const std::filesystem::path home_ = current_path();
    TDataSession remote_;
    TBytes dat_, idx_;
    TValues image_, rows_;
};

// Blob values do not travel: reading or writing one on a server's table is refused saying so.
TEST_F(RemoteStatementTest, ALocalTableOfTheSameNameStaysUntouchedWhileTablesAndInsertReachTheServer) {
    AddTable({"NOTES", {{"CODIGO", dtInteger}, {"NOTA", dtBlob}}, {{"1", std::nullopt}}});
    auto [notes, notesRows] = OnServer("NOTES");
    TFakeRequest insert;
    TFakeServer server({[&](TFakePeer& peer) {
        peer.ServeLogin(), peer.Answer(4, {U32(7)});
        peer.Answer(10, Image(501) + NoRecord);
        EXPECT_EQ(peer.ServeCursor(rows_).Code, 10);
        peer.Reply(0, TValues{U32(502), U32(32400)} + notes + TValues{U32(1), U32(0), U32(0), U8(1)});
        EXPECT_EQ(peer.ServeCursor(notesRows).Code, 76);
        peer.Reply(0, {U32(30)});
        insert = peer.Answer(77, Flags(sqlInsert));
        peer.Answer(79, {Quarter, U32(1)}), peer.AnswerUntilDone();
    }});
    current_path(dir_.Path()); // where a local PEOPLE would be looked for
    std::vector<std::string> walked, refusals;
    {
        TVORSAMSession& remote = DefaultSession();
        remote.SetSessionType(stRemote), remote.SetRemotePort(server.Port());
        remote.SetRemoteUser("ana"), remote.SetRemotePassword("s3nha");
        TVORSAMTable table;
        TVORSAMQuery query;
        table.SetDatabaseName("VENDAS"), query.SetDatabaseName("VENDAS"), table.SetTableName("PEOPLE");
        table.Open();
        for (table.First(); !table.Eof(); table.Next())
            walked.push_back(table.Fields()[0].AsString() + "|" + table.Fields()[1].AsString());
        table.Append();
        table.Fields()[0].SetAsInteger(3), table.Fields()[1].SetAsString("Caio");
        table.Post();
        EXPECT_ENGINE_ERROR(table.Handle()->AddFilter("CODIGO > 1"), VORSAM_NOTSUPPORTED);
        EXPECT_ENGINE_ERROR(table.Handle()->Directory().StartTransaction(), VORSAM_NOTSUPPORTED);
        EXPECT_ENGINE_ERROR(TDataCursor(table.Handle()->Directory()).DeleteTable(), VORSAM_NOTSUPPORTED);
        table.Close(), table.SetTableName("NOTES"), table.Open();
        platform::data::TField& nota = table.Fields()[1];
        for (auto use : {std::function<void()>([&] { nota.AsString(); }),
                         {[&] { table.Edit(), nota.SetAsString("x"); }}}) {
            EVORSAMEngineError e = ErrorRaisedBy(use);
            refusals.push_back(std::string(e.what()) + " (" + e.ErrorFieldName + ")");
        }
        table.Cancel(), table.Close();
        query.SetSQL({"INSERT INTO PEOPLE VALUES (4, 'Dora')"}), query.ExecSQL();
        EXPECT_EQ(query.RowsAffected(), 1);
    }
    FinalizeSessions(), Finish(server, nullptr);
    EXPECT_EQ(walked, (std::vector<std::string>{"1|Ana", "2|Bia"}));
    EXPECT_EQ(refusals,
              std::vector<std::string>(2, "VORSAM Engine Error # 10762 Not supported by this engine: "
                                          "blob values on a table of a database server (NOTA)"));
    ASSERT_EQ(rows_.size(), 3u) << "the record reached the server";
    EXPECT_NE(std::string(rows_[2].begin(), rows_[2].end()).find("Caio"), std::string::npos);
    EXPECT_EQ(insert.Values.at(2), Text("INSERT INTO PEOPLE VALUES (4, 'Dora')"));
    EXPECT_EQ(FileBytes(dir_.File("PEOPLE.DAT")) + FileBytes(dir_.File("PEOPLE.IDX")), dat_ + idx_)
        << "untouched";
}

// A SELECT with a parameter per version: 3.06 adds the SELECT * flag and a live result's directory, 3.09
// the parameters in EXECUTESTMT and the result at Prepare; a live result has here a computed field too.
TEST_F(RemoteStatementTest, EachServerVersionGetsItsOwnRequestsAndTheResultIsWalkedThroughTheServer) {
    const std::string sql = "SELECT * FROM PEOPLE WHERE CODIGO > :P";
    for (auto [version, live, selectAll] :
         {std::tuple{30500, false, false}, {30600, true, true}, {30900, true, false}}) {
        SCOPED_TRACE(version);
        const bool at306 = version >= 30600, at309 = version >= 30900;
        TValues flags{U8(sqlSelect), U8(live), U8(live)},
            result = (live ? TValues{Text("VIVA")} : TValues{}) + Image(601);
        if (at306) flags.push_back(U8(selectAll));
        TValues rows = rows_;
        if (live && !selectAll) {
            result = result + TValues{U16(3), image_.end()[-2], image_.end()[-1], image_.end()[-2]};
            result.back()[247] = 1; // computed
            for (TBytes& record : rows) record.insert(record.end(), {1, record[1], 0, 0, 0});
        }
        TFakeServer server({Script(version, [&](TFakePeer& peer) {
            peer.Answer(77, at309 ? flags + result : flags);
            peer.Answer(at309 ? 4 : 78, at309 ? TValues{U32(8)} : TValues{});
            peer.Answer(79, TValues{Quarter, U32(2)} + (at309 ? NoRecord : result + NoRecord));
            if (!at309) peer.Answer(4, {U32(8)});
            peer.ServeCursor(rows), peer.Reply(0), peer.AnswerUntilDone();
        })});
        TDataDirectory& database = Connect(server);
        {
            TQueryStatement statement(database);
            statement.RequestLive = true, statement.Prepare(sql);
            TDataCursor* cursor = statement.Execute({{dtInteger, 0, 4, 0, false, {5, 0, 0, 0}}}, false);
            ASSERT_NE(cursor, nullptr);
            EXPECT_EQ(CursorRows(*cursor),
                      (selectAll || !live ? TRows{"1|Ana", "2|Bia"} : TRows{"1|Ana|1", "2|Bia|2"}));
            EXPECT_EQ(statement.ResultDirectoryName, live ? "VIVA" : "Remote_Query");
            EXPECT_EQ(statement.RowsAffected + statement.ExecutionTime, 2.25);
        }
        Finish(server, &database);
        std::vector<TFakeRequest> requests = server.Requests();
        EXPECT_EQ(requests.at(4).Body,
                  Body(77, {U32(30), U32(uint32_t(sql.size())), Text(sql), U8(1), U32(~0u)}));
        const TValues& params = requests.at(at309 ? 6 : 5).Values;
        EXPECT_EQ(params[3], (TBytes{1, 5, 0, 0, 0}));
        EXPECT_EQ(requests.at(6).Values.size(), at309 ? 5u : 2u) << "EXECUTESTMT";
    }
}

// The server calls back for a password, with progress, the type of each next statement (START TRANSACTION
// and COMMIT move the client's database) and a status.
TEST_F(RemoteStatementTest, AScriptsCallbacksReachTheStatementAndMoveTheClientsTransaction) {
    auto told = [](uint8_t type) { return TValues{U16(13)} + Flags(type); };
    TFakeServer server({Script(32400, [&](TFakePeer& peer) {
        peer.Answer(77, Flags(sqlStartTransaction)), peer.Expect(79);
        peer.Reply(VORSAM_REMOTECALLBACK, {U16(11)}), peer.Expect(75);
        peer.Reply(VORSAM_REMOTECALLBACK, {U16(12), U16(50), U8(0)}), peer.Expect(75);
        for (const TValues& callback :
             {told(sqlUpdate), TValues{U16(14), U16(7)}, TValues{U16(99)}, told(sqlCommit)})
            peer.Reply(VORSAM_REMOTECALLBACK, callback);
        peer.Reply(0, {Quarter, U32(3)}), peer.AnswerUntilDone();
    })});
    TDataDirectory& database = Connect(server);
    std::vector<std::string> seen;
    auto note = [&](std::string what) { seen.push_back(what + (database.InTransaction() ? " in" : "")); };
    {
        TQueryStatement statement(database);
        statement.OnPassword = [&] { return note("password"), true; };
        statement.OnProgress = [&](auto&, uint16_t n, bool& abort) {
            note("progress " + std::to_string(n)), abort = 1;
        };
        statement.OnStatus = [&](auto&, uint16_t value) { note("status " + std::to_string(value)); };
        statement.OnPrepared = [&](auto&, uint8_t type, auto...) { note("type " + std::to_string(type)); };
        statement.Prepare("START TRANSACTION; UPDATE PEOPLE SET NOME = 'X'; COMMIT");
        EXPECT_EQ(statement.Execute({}, true), nullptr);
        EXPECT_EQ(statement.RowsAffected, 3);
    }
    EXPECT_FALSE(database.InTransaction());
    Finish(server, &database);
    EXPECT_EQ(seen, (std::vector<std::string>{"type 10", "password", "progress 50", "type 3 in",
                                              "status 7 in", "type 12 in"}));
    std::vector<TFakeRequest> requests = server.Requests();
    EXPECT_EQ(requests.at(5).Body, Body(79, {U32(30), U16(0), U8(1)})) << "no parameters, progress wanted";
    EXPECT_EQ(requests.at(6).Body + requests.at(7).Body, Body(75, {U8(1)}) + Body(75, {U8(1)}))
        << "given (no password added: none sent), aborted";
}

// Replies to PREPARESTMT that break the protocol, each on a connection of its own, which it ends; an
// unknown callback is skipped.
TEST_F(RemoteStatementTest, DamagedRepliesEndInCleanErrors) {
    TValues other = Image(1), live = Flags(sqlSelect, true);
    TBytes lying = Body(0, {U8(1)}),
           told = Frame(Body(VORSAM_REMOTECALLBACK, TValues{U16(13)} + Flags(sqlDelete)), false);
    other[2][8] = 4, lying[2] = 200;
    const std::pair<TBytes, uint16_t> cases[] = {
        {Frame(Body(0, {U8(sqlInsert)}), false), VORSAM_UNCOMPRESS},
        {Frame(lying, false), VORSAM_UNCOMPRESS},
        {Frame(Body(0, Flags(99)), false), VORSAM_UNCOMPRESS},
        {Frame(Body(0, live + TValues{Text("")}), false), VORSAM_UNCOMPRESS},
        {Frame(Body(0, live + TValues{Text("V")} + Image(1) + TValues{U16(5000)}), false), VORSAM_UNCOMPRESS},
        {Frame(Body(0, Flags(sqlSelect) + other), false), VORSAM_OLDVERSION},
        {Frame(Body(VORSAM_REMOTECALLBACK, {U16(12)}), false), VORSAM_UNCOMPRESS},
        {Frame(Body(VORSAM_REMOTECALLBACK, {U16(77)}), false) + Frame(Body(0, Flags(sqlDelete)), false), 0},
        {told + told + Frame(Body(0, Flags(sqlDelete)), false), VORSAM_UNCOMPRESS}, // one statement, told two
        {Frame(Body(0, Flags(sqlDelete)), false) + Frame(Body(0, Flags(sqlDelete)), false),
         VORSAM_UNCOMPRESS},
        {Frame({}, false), VORSAM_UNCOMPRESS},
        {Frame(Body(0, Flags(sqlDelete) + TValues{U8(0)}), false),
         VORSAM_UNCOMPRESS}, // a value not asked for
        {Frame(Body(VORSAM_REMOTECALLBACK, {U16(12), U16(5), U8(0), U8(0)}), false), VORSAM_UNCOMPRESS},
        // A frame behind a callback that awaits its answer is out of turn: no answer goes.
        {Frame(Body(VORSAM_REMOTECALLBACK, {U16(11)}), false) + Frame(Body(0, Flags(sqlDelete)), false),
         VORSAM_UNCOMPRESS},
        {Frame(Body(VORSAM_REMOTECALLBACK, {U16(12), U16(5), U8(0)}), false) +
             Frame(Body(0, Flags(sqlDelete)), false),
         VORSAM_UNCOMPRESS},
    };
    for (const auto& [frames, code] : cases) {
        SCOPED_TRACE(testing::Message() << "reply of " << frames.size() << " bytes");
        TFakeServer server({Script(
            32400, [&](TFakePeer& peer) { peer.Expect(77), peer.SendRaw(frames), peer.AnswerUntilDone(); })});
        TDataDirectory& database = Connect(server);
        EXPECT_ENGINE_ERROR(TQueryStatement(database).Prepare("SELECT * FROM PEOPLE"), code);
        EXPECT_EQ(remote_.IsConnected(), code != VORSAM_UNCOMPRESS) << "a damaged reply ends the connection";
        Finish(server, &database);
        for (const TFakeRequest& request : server.Requests()) EXPECT_NE(request.Code, 75) << "an answer";
    }
}

// A reply cut off after 4 bytes, to a COMMIT or a script whose COMMIT runs (told by its callback): its
// outcome is unknown, and only that is said (not that the server rolled back); the transaction ends with the
// connection. Once the callbacks told that the COMMIT ran, the error says nothing of a COMMIT or a rollback.
TEST_F(RemoteStatementTest, ALostCommitReplyEndsTheClientsTransaction) {
    TBytes reply = Frame(Body(0, {Quarter, U32(0)}), false);
    const struct {
        std::string text;
        std::vector<uint8_t> told;
    } cases[] = {{"COMMIT", {}},
                 {"START TRANSACTION; UPDATE PEOPLE SET NOME = 'X'; COMMIT", {sqlUpdate, sqlCommit}},
                 {"COMMIT; UPDATE PEOPLE SET NOME = 'X'", {sqlUpdate}}};
    for (const auto& [text, told] : cases) {
        SCOPED_TRACE(text);
        const bool started = !text.starts_with("START");
        TFakeServer server({Script(32400, [&](TFakePeer& peer) {
            if (started) peer.Answer(77, Flags(sqlStartTransaction)), peer.Answer(79, {Quarter, U32(0)});
            peer.Answer(77, Flags(text.starts_with("START") ? sqlStartTransaction : sqlCommit)),
                peer.Expect(79);
            for (uint8_t type : told) peer.Reply(VORSAM_REMOTECALLBACK, TValues{U16(13)} + Flags(type));
            peer.SendRaw(TBytes(reply.begin(), reply.begin() + 4));
        })});
        TDataDirectory& database = Connect(server);
        std::optional<TQueryStatement> statement(database);
        if (started) statement->Prepare("START TRANSACTION"), statement->Execute({}, false);
        statement->Prepare(text);
        std::string error = ErrorRaisedBy([&] { statement->Execute({}, false); }).what();
        EXPECT_TRUE(error.starts_with("VORSAM Engine Error # 10761 ") &&
                    error.ends_with("; prepare the statement again"));
        EXPECT_EQ(error.find("the outcome of the COMMIT is unknown") != std::string::npos, told.size() != 1)
            << error;
        EXPECT_TRUE(error.find("ROLLBACK") == std::string::npos && error.find("roll") == std::string::npos)
            << error;
        EXPECT_FALSE(database.InTransaction());
        statement.reset(), Finish(server, &database);
    }
}

// A connection lost inside a server transaction after INSERT 71's reply (the line closed, the reply
// damaged, or FREESTMT meeting a frame out of turn, unreported) is never replaced: a new statement, one used
// again and a cursor of the transaction are refused saying so, until the application ends the transaction
// (ROLLBACK here; COMMIT refused so); only then does INSERT 73 connect again.
TEST_F(RemoteStatementTest, AConnectionLostInsideATransactionRefusesEverythingUntilTheTransactionEnds) {
    TBytes damaged = Body(0, {Quarter, U32(1)});
    damaged[14] = 9; // the rows' value announces 9 bytes
    for (const std::string loss : {"closed", "damaged", "FREESTMT"})
        for (const std::string ending : {"ROLLBACK", "COMMIT"}) {
            SCOPED_TRACE(loss + ", " + ending);
            TFakeServer server(
                {Script(
                     32400,
                     [&](TFakePeer& peer) {
                         peer.Answer(77, Flags(sqlStartTransaction)), peer.Answer(79, {Quarter, U32(0)});
                         peer.Answer(10, Image(501) + NoRecord), peer.Answer(76, {U32(31)});
                         peer.Answer(77, Flags(sqlInsert)), peer.Expect(79);
                         peer.SendRaw(Frame(loss == "damaged" ? damaged : Body(0, {Quarter, U32(1)}), false));
                         if (loss == "FREESTMT")
                             peer.Expect(80), peer.SendRaw(Frame({0, 0}, false) + Frame({0, 0}, false));
                         if (loss != "closed") peer.AwaitClose();
                     }),
                 Script(32400,
                        [](TFakePeer& peer) { peer.Answer(77, Flags(sqlInsert)), peer.AnswerUntilDone(); })});
            TDataDirectory& database = Connect(server);
            std::optional<TQueryStatement> start(database), insert;
            std::optional<TDataCursor> cursor(database);
            start->Prepare("START TRANSACTION"), start->Execute({}, false);
            cursor->SetTableName("PEOPLE"), cursor->OpenCursor();
            insert.emplace(database), insert->Prepare("INSERT INTO PEOPLE VALUES (71, 'A')");
            EXPECT_ENGINE_ERROR(insert->Execute({}, false), loss == "damaged" ? VORSAM_UNCOMPRESS : 0);
            if (loss == "FREESTMT") insert.reset();
            std::vector<std::function<void()>> uses{
                [&] { TQueryStatement(database).Prepare("INSERT INTO PEOPLE VALUES (72, 'B')"); },
                [&] { cursor->SetToBegin(); }, [&] { cursor->GetRecordCount(); },
                [&] { (insert ? *insert : *start).Execute({}, false); }};
            for (const std::string& text :
                 std::vector<std::string>{"ROLLBACK FLUSH", "ROLLBACK WORKS", "ROLLBACK -- x",
                                          "COMMIT FLUSH WORK", ending + ";;", ending + ";"})
                uses.push_back([&, text] {
                    TQueryStatement end(database);
                    end.Prepare(text), end.Execute({}, false);
                });
            std::string error;
            for (const auto& use : uses) {
                EXPECT_TRUE(database.InTransaction());
                error = ErrorRaisedBy(use).what();
                EXPECT_TRUE(error.find("lost inside a transaction, which the server rolled back") !=
                                std::string::npos ||
                            (ending == "ROLLBACK" && error.ends_with("# 0 Unknown engine error")))
                    << error;
            }
            EXPECT_TRUE(ending == "ROLLBACK" || error.ends_with("rolled back: nothing of it was committed, "
                                                                "and the transaction has ended"))
                << error;
            EXPECT_FALSE(database.InTransaction());
            EXPECT_EQ(server.Requests().size(), loss == "FREESTMT" ? 11u : 10u) << "no request since";
            insert.emplace(database), insert->Prepare("INSERT INTO PEOPLE VALUES (73, 'C')");
            start.reset(), insert.reset(), cursor.reset(), Finish(server, &database);
        }
}

// A damaged success reply to START TRANSACTION (its last value announcing more than the frame holds) ends
// the connection and the server's transaction with it: the client is in none, and goes on outside any.
TEST_F(RemoteStatementTest, ADamagedReplyToStartTransactionEndsItsConnectionAndTransaction) {
    TBytes cut = Body(0, {Quarter, U32(0)});
    cut[14] = 5;
    TFakeServer server(
        {Script(32400,
                [&](TFakePeer& peer) {
                    peer.Answer(77, Flags(sqlStartTransaction)), peer.Expect(79);
                    peer.SendRaw(Frame(cut, false)), peer.AwaitClose();
                }),
         Script(32400, [](TFakePeer& peer) { peer.Answer(77, Flags(sqlInsert)), peer.AnswerUntilDone(); })});
    TDataDirectory& database = Connect(server);
    std::optional<TQueryStatement> statement(database);
    statement->Prepare("START TRANSACTION");
    EXPECT_ENGINE_ERROR(statement->Execute({}, false), VORSAM_UNCOMPRESS);
    EXPECT_FALSE(remote_.IsConnected() || database.InTransaction());
    statement.emplace(database), statement->Prepare("INSERT INTO PEOPLE VALUES (71, 'A')");
    statement.reset(), Finish(server, &database);
}

// A request naming a statement or a cursor goes once, on the connection that gave the handle: a late or
// lost reply is reported with what to do, and neither it nor FREESTMT goes on the next connection (a
// statement run again is a new run, prepared again there: below).
TEST_F(RemoteStatementTest, ARequestNamingAHandleIsNeverSentAgainAfterALateOrLostReply) {
    for (const std::vector<uint16_t>& served : {std::vector<uint16_t>{76, 77, 79}, {10, 12}, {76, 80}}) {
        const bool late = served.back() == 79, statementLost = served.back() == 80;
        SCOPED_TRACE(served.back());
        TFakeServer server({[&](TFakePeer& peer) {
                                peer.ServeLogin(), peer.Answer(4, {U32(7)});
                                for (size_t i = 0; i + 1 < served.size(); ++i)
                                    peer.Answer(served[i], served[i] == 76   ? TValues{U32(30)}
                                                           : served[i] == 77 ? Flags(sqlUpdate)
                                                                             : Image(501) + NoRecord);
                                peer.Expect(served.back()); // and no answer
                                if (late) peer.AwaitClose();
                            },
                            [](TFakePeer& peer) {
                                peer.ServeLogin(), peer.Answer(4, {U32(8)}), peer.Answer(4, {U32(9)});
                                peer.AnswerUntilDone();
                            }});
        TDataDirectory& database = Connect(server, 300);
        std::optional<TQueryStatement> statement;
        std::optional<TDataCursor> cursor;
        if (served[0] == 76) statement.emplace(database);
        if (late) statement->Prepare("UPDATE PEOPLE SET NOME = 'X'");
        auto request = [&] { late ? void(statement->Execute({}, false)) : void(cursor->SetToBegin()); };
        if (!statement) cursor.emplace(database), cursor->SetTableName("PEOPLE"), cursor->OpenCursor();
        if (statementLost) statement.reset();
        std::vector<EVORSAMEngineError> errors; // the request, then the cursor's again
        for (int i = statementLost ? 2 : late ? 1 : 0; i < 2; ++i) errors.push_back(ErrorRaisedBy(request));
        remote_.CloseDataDirectory(remote_.OpenDataDirectory("OUTRA", "")); // a new connection
        statement.reset(), cursor.reset();
        Finish(server, &database);
        std::vector<uint16_t> sent;
        for (const TFakeRequest& r : server.Requests()) sent.push_back(r.Code);
        EXPECT_EQ(sent,
                  (std::vector<uint16_t>{1, 3, 4} + served + std::vector<uint16_t>{1, 3, 4, 4, 5, 5, 2}))
            << "the new connection opens only VENDAS again and OUTRA";
        if (statementLost) continue;
        const std::string redo = late ? "prepare the statement again" : "open the table again";
        EXPECT_TRUE(
            errors[0].ErrorMessage.ends_with("; the server may have carried out the request; " + redo))
            << errors[0].ErrorMessage;
        if (late) continue;
        EXPECT_EQ(errors[1].ErrorCode, VORSAM_NOTCONNECTED);
        EXPECT_EQ(errors[1].ErrorMessage, "the connection to the server was lost; " + redo);
    }
}

// A server that ends the idle line: the next request finds its end waiting before anything goes. A
// statement (run or only prepared then) is made and prepared again on a new connection, its parameters set
// there before 3.09, and runs once; a cursor's request is refused, never said to be maybe carried out.
TEST_F(RemoteStatementTest, AStatementWhoseIdleLineTheServerEndedIsPreparedAgainOnTheNextConnection) {
    for (const int32_t version : {30500, 32400}) {
        std::promise<void> ended;
        const TValues flags = version < 30600 ? TValues{U8(sqlInsert), U8(0), U8(0)} : Flags(sqlInsert);
        auto run = [&](TFakePeer& peer) {
            peer.Answer(77, flags), version < 30900 ? void(peer.Answer(78)) : void(),
                peer.Answer(79, {Quarter, U32(1)});
        };
        TFakeServer server({Script(version,
                                   [&](TFakePeer& peer) {
                                       peer.Answer(76, {U32(31)}), run(peer), peer.Answer(77, flags);
                                       peer.Answer(10, Image(501) + NoRecord), peer.Hangup(),
                                           ended.set_value();
                                   }),
                            Script(version, [&](TFakePeer& peer) {
                                run(peer), peer.Answer(76, {U32(31)}), run(peer), peer.AnswerUntilDone();
                            })});
        TDataDirectory& database = Connect(server);
        {
            TQueryStatement statement(database), other(database);
            TDataCursor cursor(database);
            statement.Prepare("INSERT INTO PEOPLE VALUES (9, 'Ivo')"), statement.Execute({}, false);
            other.Prepare("DELETE FROM PEOPLE"), cursor.SetTableName("PEOPLE"), cursor.OpenCursor();
            ended.get_future().wait();
            EXPECT_EQ(ErrorRaisedBy([&] { cursor.SetToBegin(); }).ErrorMessage,
                      "the connection to the server was lost; open the table again");
            statement.Execute({}, false), other.Execute({}, false);
        }
        Finish(server, &database);
        EXPECT_EQ(server.Requests().size(), version < 30900 ? 25u : 22u) << "each statement run once more";
    }
}

// The routines of a remote run (its progress here) may not free or run the query, nor close a database (a
// request inside a request) or the session: each is refused before anything closes (the other database's
// query stays prepared), nothing sent, and the run completes.
TEST_F(RemoteStatementTest, TheRoutinesOfARunningRemoteQueryMayNotFreeRunOrCloseIt) {
    TFakeServer server({[&](TFakePeer& peer) {
        peer.ServeLogin();
        for (uint32_t handle : {7, 8})
            peer.Answer(4, {U32(handle)}), peer.Answer(76, {U32(handle)}), peer.Answer(77, Flags(sqlInsert));
        peer.Expect(79), peer.Reply(VORSAM_REMOTECALLBACK, {U16(12), U16(50), U8(0)}), peer.Expect(75);
        peer.Reply(0, {Quarter, U32(1)}), peer.AnswerUntilDone();
    }});
    std::set<uint16_t> refusals;
    {
        TVORSAMSession& session = DefaultSession();
        session.SetSessionType(stRemote), session.SetRemotePort(server.Port());
        session.SetRemoteUser("ana"), session.SetRemotePassword("s3nha");
        TVORSAMQuery query, other;
        query.SetDatabaseName("VENDAS"), other.SetDatabaseName("OUTRA");
        query.SetSQL({"INSERT INTO PEOPLE VALUES (9, 'Ivo')"}), other.SetSQL({"DELETE FROM PEOPLE"});
        query.Prepare(), other.Prepare(), query.OnQueryProgress = [&](TVORSAMQuery&, int, bool&) {
            for (const auto& use : std::initializer_list<std::function<void()>>{
                     [&] { query.UnPrepare(); }, [&] { query.ExecSQL(); }, [&] { query.Database()->Close(); },
                     [&] { other.Database()->Close(); }, [&] { session.SetActive(false); }})
                refusals.insert(ErrorCodeOf(use));
        };
        query.ExecSQL();
        EXPECT_TRUE(query.RowsAffected() == 1 && query.Prepared() && other.Prepared() && session.Active());
    }
    FinalizeSessions(), Finish(server, nullptr);
    EXPECT_EQ(refusals, std::set<uint16_t>{VORSAM_NOTSUPPORTED});
    EXPECT_EQ(server.Requests().size(), 15u) << "nothing sent from the routine";
}

// Requests from a progress callback, the login or trace handler are refused before they change anything,
// nothing sent; reconnects that fail (a frame before the login's reply, a database refused) leave no
// connection; a query prepared before the line closed runs on the new one; a failed run reports no rows.
TEST_F(RemoteStatementTest, RequestsFromCallbacksAreRefusedAndAQueryOutlivesItsConnection) {
    const TValues ran{Quarter, U32(1)};
    TFakeServer server(
        {Script(32400,
                [&](TFakePeer& peer) {
                    peer.Answer(77, Flags(sqlInsert)), peer.Expect(79);
                    peer.Reply(VORSAM_REMOTECALLBACK, {U16(12), U16(50), U8(0)}), peer.Expect(75);
                    peer.Reply(0, ran);
                }),
         [](TFakePeer& peer) {
             peer.Expect(1), peer.Reply(0, {U32(32400), Text("Falsa")}), peer.Expect(3);
             peer.Reply(0, {U32(32400), Text("Central")}), peer.AwaitClose();
         },
         [](TFakePeer& peer) {
             peer.ServeLogin(), peer.Expect(4), peer.Reply(VORSAM_DIRNOTFOUND), peer.AwaitClose();
         },
         [&](TFakePeer& peer) {
             peer.ServeLogin(), peer.Answer(4, {U32(8)});
             for (uint32_t handle : {31, 32, 33}) {
                 peer.Answer(76, {U32(handle)}), peer.Answer(77, Flags(sqlInsert)), peer.Answer(79, ran);
                 if (handle == 32) peer.Expect(79), peer.Reply(VORSAM_KEYVIOL), peer.Answer(80);
             }
             peer.AnswerUntilDone();
         }});
    std::vector<int32_t> refused, rows;
    {
        TVORSAMSession& session = DefaultSession();
        session.SetSessionType(stRemote), session.SetRemotePort(server.Port()), session.SetRemoteTrace(true);
        session.SetRemoteUser("ana"),
            session.SetOnRemoteLogin([&](auto&, auto&, std::string& password, bool&) {
                password = "s3nha";
                refused.push_back(
                    ErrorRaisedBy([&] { session.Handle()->OpenDataDirectory("VENDAS", ""); }).ErrorCode);
            });
        session.SetOnRemoteTrace(
            [&](TVORSAMSession&, const std::string&) { session.Handle()->SendSessionParams(); });
        TVORSAMQuery first, other;
        TVORSAMTable table;
        first.SetDatabaseName("VENDAS"), other.SetDatabaseName("VENDAS"), table.SetDatabaseName("VENDAS");
        first.SetSQL({"INSERT INTO PEOPLE VALUES (9, 'Ivo')"}), other.SetSQL({"DELETE FROM PEOPLE"});
        table.SetTableName("PEOPLE");
        first.OnQueryProgress = [&](TVORSAMQuery&, int, bool&) {
            for (const auto& use : std::vector<std::function<void()>>{
                     [&] { other.ExecSQL(); }, [&] { table.Open(); }, [&] { session.Handle()->Logout(); },
                     [&] { session.Handle()->Reconnect(); }, [&] { session.Handle()->SetLockRetryCount(3); },
                     [&] { session.Handle()->CloseDataDirectory(*first.Database()->Handle()); }})
                refused.push_back(ErrorRaisedBy(use).ErrorCode);
        };
        first.ExecSQL(), rows.push_back(first.RowsAffected() + session.Handle()->Settings().LockRetryCount);
        first.OnQueryProgress = nullptr;
        for (uint16_t code : {VORSAM_UNCOMPRESS, VORSAM_DIRNOTFOUND, VORSAM_NONE}) // the line found closed
            EXPECT_ENGINE_ERROR(other.ExecSQL(), code);
        first.ExecSQL(), rows.push_back(first.RowsAffected());
        EXPECT_ENGINE_ERROR(first.ExecSQL(), VORSAM_KEYVIOL);
        rows.push_back(first.RowsAffected() + first.Prepared());
        first.ExecSQL(), rows.push_back(first.RowsAffected());
    }
    FinalizeSessions(), Finish(server, nullptr);
    EXPECT_EQ(refused, std::vector<int32_t>(7, VORSAM_NOTSUPPORTED));
    EXPECT_EQ(rows, (std::vector<int32_t>{1 + 15, 1, 0, 1})) << "the lock retries as they were";
    std::vector<uint16_t> sent;
    for (const TFakeRequest& r : server.Requests())
        sent.push_back(r.Code == 77 ? r.Values.at(2).size() : r.Code);
    EXPECT_EQ(sent, (std::vector<uint16_t>{1,  3,  4,  76, 36, 79, 75, 1,  3,  1,  3,  4,  1,  3, 4,
                                           76, 18, 79, 76, 36, 79, 79, 80, 76, 36, 79, 80, 80, 5, 2}))
        << "PREPARESTMT as the length of its text";
}

} // namespace
} // namespace vorsam::test
