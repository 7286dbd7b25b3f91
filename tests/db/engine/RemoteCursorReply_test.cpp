// What a client cursor sends to open a table on a server and how it fills itself from the reply: the
// request's bytes at the test server, the reply read back, replies the table files would refuse, and the
// layout of computed fields behind the record.
#include "db/lib/TestSupport.h"

#include "FieldSpecs.h"
#include "RemoteFakeServer.h"
#include "db/engine/DataDirectory.h"
#include "db/engine/DataSession.h"
#include "db/engine/RemoteCursorReply.h"
#include "db/lib/DataTypes.h"

#include <functional>

namespace vorsam::test {
namespace {

// A table as a server would describe it: three fields, one secondary index, a blob file, 40 records.
struct TTableImage {
    std::vector<TFieldDescriptor> Fields =
        MakeFields({{"Codigo", dtInteger}, {"Nome", dtString, 30}, {"Foto", dtBlob}});
    TDataFileHeader Data;
    TIndexFileHeader Index = TIndexFileHeader::NewFile();
    TBlobFileHeader Blob;

    TTableImage() {
        Data.SetFormat(DataFileFormat);
        Data.SetFieldCount(uint16_t(Fields.size()));
        Data.SetBlobFieldCount(1);
        Data.SetRecordSize(uint16_t(RecordSizeOf(Fields)));
        Data.SetNextRecordNumber(41);
        Data.SetChangeCounter(6);
        Index.SecondaryCount = 1;
        Index.Slots[1].SetName("PorNome");
        Index.ActiveRecords = 40;
        Blob.SetFormat(BlobFileFormat);
        Blob.SetNextBlock(1);
    }

    // The values of a success reply to OPENCURSOR.
    std::vector<TBytes> Values() const {
        TBytes index(IndexHeaderSize);
        Index.Pack(index.data(), false);
        std::vector<TBytes> values{U32(501),
                                   U32(31100),
                                   TBytes(Data.Bytes.begin(), Data.Bytes.end()),
                                   index,
                                   TBytes(Blob.Bytes.begin(), Blob.Bytes.end()),
                                   U8(0x02),
                                   U8(1)};
        for (const TFieldDescriptor& f : Fields) values.emplace_back(f.Bytes.begin(), f.Bytes.end());
        for (const TBytes& v : {U32(40), U32(17), U32(5), U8(0)}) values.push_back(v);
        return values;
    }
};

TRemoteSettings SettingsFor(const TFakeServer& server) {
    TRemoteSettings remote;
    remote.Address = "127.0.0.1";
    remote.Port = server.Port();
    remote.ConnectTimeout = 2000;
    remote.ReplyTimeout = 2000;
    return remote;
}

TEST(RemoteCursorReplyTest, TheOpenRequestCarriesTheDatabaseHandleAndTheReplyFillsTheCursor) {
    const TTableImage table;
    TFakeServer server({[&](TFakePeer& peer) {
        peer.ServeLogin();
        peer.Expect(4);
        peer.Reply(0, {U32(12)});
        peer.Expect(10);
        peer.Reply(VORSAM_REMOTECALLBACK, {U16(11)}); // the table is encrypted
        peer.Expect(75);
        peer.Reply(0, table.Values(), true);
    }});
    TDataSession session;
    session.SetRemoteSettings(SettingsFor(server));
    session.SetRemote(true);
    session.Connect();
    session.Login();
    session.SendSessionParams();
    TDataDirectory& database = session.OpenDataDirectory("VENDAS", "");
    TRemoteCallbacks callbacks;
    bool asked = false;
    callbacks.Password = [&] { return asked = true, false; };
    TRemoteCursorImage image =
        RequestOpenCursor(database, {"Clientes", "PorNome", false, true, false}, &callbacks);
    server.Finish();
    EXPECT_EQ(server.Failures(), std::vector<std::string>{});
    EXPECT_TRUE(asked) << "the cursor's own password routine";

    std::vector<TFakeRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[3].Body, Body(10, {U32(12), Text("Clientes"), Text("PorNome"), U8(0), U8(1), U8(0)}));

    EXPECT_EQ(image.CursorHandle, 501u);
    const TRemoteCursorSettings& s = image.Settings;
    EXPECT_EQ(s.TableVersion, 31100);
    EXPECT_EQ(s.DataHeader.Bytes, table.Data.Bytes);
    EXPECT_EQ(s.IndexHeader.SecondaryCount, 1);
    EXPECT_EQ(s.IndexHeader.Slots[1].Name(), "PorNome");
    EXPECT_EQ(s.IndexHeader.ActiveRecords, 40u);
    EXPECT_TRUE(s.HasBlobFile);
    EXPECT_EQ(s.BlobHeader.Bytes, table.Blob.Bytes);
    EXPECT_FALSE(s.ReadOnly);
    EXPECT_TRUE(s.Exclusive);
    EXPECT_FALSE(s.InMemory);
    EXPECT_EQ(s.ActiveIndex, 1);
    ASSERT_EQ(image.Fields.size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(image.Fields[i].Bytes, table.Fields[i].Bytes) << i;
    EXPECT_EQ(image.State.RecordCount, 40u);
    EXPECT_EQ(image.State.RecordNumber, 17u);
    EXPECT_EQ(image.State.Position, rpOnRecord);
}

TEST(RemoteCursorReplyTest, AfterAReconnectTheOpenRequestCarriesTheDatabasesNewHandle) {
    const TTableImage table;
    TFakeServer server({[](TFakePeer& peer) {
                            peer.ServeLogin();
                            peer.Expect(4);
                            peer.Reply(0, {U32(12)});
                        }, // then the connection drops
                        [&](TFakePeer& peer) {
                            peer.ServeLogin();
                            peer.Expect(4);
                            peer.Reply(0, {U32(13)});
                            peer.Expect(10);
                            peer.Reply(0, table.Values());
                        }});
    TDataSession session;
    session.SetRemoteSettings(SettingsFor(server));
    session.SetRemote(true);
    TDataDirectory& database = session.OpenDataDirectory("VENDAS", "") /* connects on the way */;
    EXPECT_EQ(RequestOpenCursor(database, {"Clientes", "", false, false, true}).CursorHandle, 501u);
    server.Finish();
    EXPECT_EQ(server.Failures(), std::vector<std::string>{});
    std::vector<TFakeRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 7u);
    EXPECT_EQ(requests[6].Body, Body(10, {U32(13), Text("Clientes"), Text(""), U8(0), U8(0), U8(1)}));
}

TEST(RemoteCursorReplyTest, AReplyTheTableFilesWouldRefuseIsRefusedWithTheTableName) {
    // Value positions in a reply: 0 handle, 1 version, 2 data header, 3 index header, 4 blob header,
    // 5 flags, 6 active index, 7 .. 9 descriptors, 10 .. 13 state.
    struct TCase {
        const char* Name;
        std::function<void(std::vector<TBytes>&)> Spoil;
        uint16_t Code;
    };
    const std::vector<TCase> cases{
        {"a data file of another format", [](auto& v) { v[2][8] = 4; }, VORSAM_OLDVERSION},
        {"an index file of another format", [](auto& v) { v[3][8] = 4; }, VORSAM_OLDVERSION},
        {"a blob file of another format", [](auto& v) { v[4][8] = 6; }, VORSAM_OLDVERSION},
        {"1025 fields", [](auto& v) { v[2][23] = 1, v[2][24] = 4; }, VORSAM_HEADERCORRUPT},
        {"31 secondary indexes", [](auto& v) { v[3][13] = 31; }, VORSAM_HEADERCORRUPT},
        {"an unknown cursor flag", [](auto& v) { v[5] = U8(0x08); }, VORSAM_HEADERCORRUPT},
        {"an active index that does not exist", [](auto& v) { v[6] = U8(2); }, VORSAM_HEADERCORRUPT},
        {"a field at the wrong offset", [](auto& v) { v[8][90] += 1; }, VORSAM_HEADERCORRUPT},
        {"a field of an unknown type", [](auto& v) { v[7][84] = 99; }, VORSAM_HEADERCORRUPT},
        {"a record size the fields do not make", [](auto& v) { v[2][21] += 1; }, VORSAM_HEADERCORRUPT},
        {"a short blob header", [](auto& v) { v[4].resize(100); }, VORSAM_UNCOMPRESS},
        {"a descriptor cut short", [](auto& v) { v[9].resize(767); }, VORSAM_UNCOMPRESS},
        {"a position between records and beyond", [](auto& v) { v[13] = U8(4); }, VORSAM_UNCOMPRESS},
        {"no cursor state", [](auto& v) { v.resize(10); }, VORSAM_UNCOMPRESS},
    };
    const std::vector<TBytes> good = TTableImage().Values();
    {
        TRemoteReply reply(Body(0, good));
        EXPECT_EQ(ReadOpenCursorReply(reply, "Clientes").CursorHandle, 501u) << "the unspoilt reply reads";
    }
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<TBytes> values = good;
        c.Spoil(values);
        TRemoteReply reply(Body(0, values));
        try {
            ReadOpenCursorReply(reply, "Clientes");
            ADD_FAILURE() << "accepted";
        } catch (const EVORSAMEngineError& e) {
            EXPECT_EQ(e.ErrorCode, c.Code);
            if (c.Code != VORSAM_UNCOMPRESS) {
                EXPECT_EQ(e.ErrorTableName, "Clientes");
            }
        }
    }
    // A table without a blob file sends an empty blob header.
    std::vector<TBytes> noBlobs = good;
    noBlobs[4].clear();
    TRemoteReply reply(Body(0, noBlobs));
    EXPECT_FALSE(ReadOpenCursorReply(reply, "Clientes").Settings.HasBlobFile);
}

TEST(RemoteCursorReplyTest, ComputedFieldsGetRoomBehindTheRecord) {
    std::vector<TFieldDescriptor> fields = MakeFields(
        {{"Nome", dtString, 10}, {"Total", dtInteger}, {"Codigo", dtInteger}, {"Rotulo", dtString, 20}});
    // Computed fields take no room in the record: lay the fields out again with two of them computed.
    fields[1].SetComputed(true);
    fields[3].SetComputed(true);
    fields[2].SetOffset(fields[1].Offset());
    const uint32_t recordSize = 9 + 11 + 5; // string 10 and the integer, each with its null byte
    EXPECT_EQ(LayoutComputedFields(fields, recordSize, "Resultado"), recordSize + 5 + 22);
    EXPECT_EQ(fields[0].Offset(), 9);
    EXPECT_EQ(fields[2].Offset(), 21) << "stored fields keep their place";
    EXPECT_EQ(fields[1].Offset(), recordSize);
    EXPECT_EQ(fields[3].Offset(), recordSize + 5);
    EXPECT_EQ(fields[3].PhysicalSize(), 21);

    EXPECT_ENGINE_ERROR(LayoutComputedFields(fields, 65535 - 26, "Resultado"), VORSAM_RECTOOBIG);
}

} // namespace
} // namespace vorsam::test
