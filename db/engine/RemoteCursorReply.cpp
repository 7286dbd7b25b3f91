#include "db/engine/RemoteCursorReply.h"

#include "db/engine/DataDirectory.h"
#include "db/engine/DataFileValidation.h"
#include "db/engine/DataSession.h"
#include "db/lib/EngineErrors.h"

#include <array>

namespace vorsam {

namespace {

[[noreturn]] void RaiseTableError(uint16_t code, const std::string& tableName, const std::string& reason) {
    RaiseEngineError(code, "", "", "", tableName, "", "", reason);
}

void CheckFormat(uint8_t format, uint8_t expected, const char* file, const std::string& tableName) {
    if (format != expected)
        RaiseTableError(VORSAM_OLDVERSION, tableName,
                        std::string(file) + " format " + std::to_string(format));
}

void ReadIndexHeader(TRemoteReply& reply, TIndexFileHeader& header, const std::string& tableName) {
    std::array<uint8_t, IndexHeaderSize> image;
    reply.ReadExact(image);
    header.Unpack(image.data(), false);
    CheckFormat(header.Format, IndexFileFormat, "index file", tableName);
    if (header.SecondaryCount > MaxSecondaryIndexes)
        RaiseTableError(VORSAM_HEADERCORRUPT, tableName,
                        std::to_string(header.SecondaryCount) + " secondary indexes");
}

bool ReadBlobHeader(TRemoteReply& reply, TBlobFileHeader& header, const std::string& tableName) {
    std::vector<uint8_t> image = reply.ReadBytes();
    if (image.empty()) return false;
    if (image.size() != TBlobFileHeader::Size)
        reply.Damaged("a blob file header of " + std::to_string(image.size()) + " bytes");
    std::copy(image.begin(), image.end(), header.Bytes.begin());
    CheckFormat(header.Format(), BlobFileFormat, "blob file", tableName);
    return true;
}

void ReadCursorFlags(TRemoteReply& reply, TRemoteCursorSettings& settings, const std::string& tableName) {
    uint8_t flags = reply.ReadU8();
    if ((flags & ~(RemoteCursorReadOnly | RemoteCursorExclusive | RemoteCursorInMemory)) != 0)
        RaiseTableError(VORSAM_HEADERCORRUPT, tableName, "cursor flags " + std::to_string(flags));
    settings.ReadOnly = flags & RemoteCursorReadOnly;
    settings.Exclusive = flags & RemoteCursorExclusive;
    settings.InMemory = flags & RemoteCursorInMemory;
    settings.ActiveIndex = reply.ReadU8();
    if (settings.ActiveIndex != RecordOrderIndex &&
        settings.ActiveIndex > settings.IndexHeader.SecondaryCount)
        RaiseTableError(VORSAM_HEADERCORRUPT, tableName,
                        "active index " + std::to_string(settings.ActiveIndex));
}

} // namespace

void WriteOpenCursorRequest(TRequestBuffer& request, uint32_t databaseHandle,
                            const TOpenCursorRequest& open) {
    request.Begin(rqOpenCursor);
    request.WriteU32(databaseHandle);
    request.WriteText(open.TableName);
    request.WriteText(open.IndexName);
    request.WriteU8(open.InMemory);
    request.WriteU8(open.Exclusive);
    request.WriteU8(open.ReadOnly);
}

TRemoteCursorSettings ReadCursorSettings(TRemoteReply& reply, const std::string& tableName) {
    TRemoteCursorSettings settings;
    settings.TableVersion = reply.ReadI32();
    reply.ReadExact(settings.DataHeader.Bytes);
    CheckFormat(settings.DataHeader.Format(), DataFileFormat, "data file", tableName);
    if (settings.DataHeader.FieldCount() > MaxFieldCount)
        RaiseTableError(VORSAM_HEADERCORRUPT, tableName,
                        std::to_string(settings.DataHeader.FieldCount()) + " fields");
    ReadIndexHeader(reply, settings.IndexHeader, tableName);
    settings.HasBlobFile = ReadBlobHeader(reply, settings.BlobHeader, tableName);
    ReadCursorFlags(reply, settings, tableName);
    return settings;
}

std::vector<TFieldDescriptor> ReadFieldDescs(TRemoteReply& reply, const TDataFileHeader& header,
                                             const std::string& tableName) {
    std::vector<TFieldDescriptor> fields(header.FieldCount());
    for (TFieldDescriptor& field : fields) reply.ReadExact(field.Bytes);
    // No record slots travel: the layout is checked as that of a table whose records are all unwritten.
    if (TLayoutBreach breach = CheckDataFileLayout(header, fields, header.RecordAreaOffset(), true))
        RaiseTableError(breach.Code, tableName, breach.Reason);
    return fields;
}

TRemoteCursorState ReadCursorState(TRemoteReply& reply) {
    TRemoteCursorState state;
    state.RecordCount = reply.ReadU32();
    state.RecordNumber = reply.ReadU32();
    state.RecordPosition = reply.ReadU32();
    uint8_t position = reply.ReadU8();
    bool onRecord = position == rpOnRecord;
    if (position > rpBetween || onRecord != (state.RecordNumber != 0) ||
        onRecord != (state.RecordPosition != 0))
        reply.Damaged("cursor position " + std::to_string(position) + " at record " +
                      std::to_string(state.RecordNumber));
    state.Position = TRemotePosition(position);
    return state;
}

TRemoteCursorImage ReadOpenCursorReply(TRemoteReply& reply, const std::string& tableName) {
    TRemoteCursorImage image;
    image.CursorHandle = reply.ReadU32();
    image.Settings = ReadCursorSettings(reply, tableName);
    image.Fields = ReadFieldDescs(reply, image.Settings.DataHeader, tableName);
    image.State = ReadCursorState(reply);
    return image;
}

uint32_t LayoutComputedFields(std::vector<TFieldDescriptor>& fields, uint32_t recordSize,
                              const std::string& tableName) {
    uint32_t end = recordSize;
    for (TFieldDescriptor& field : fields) {
        if (!field.Computed()) continue;
        GetFieldPhysicalSize(field);
        GetFieldPhysicalDecimals(field);
        if (end + field.PhysicalSize() + 1u > UINT16_MAX)
            RaiseTableError(VORSAM_RECTOOBIG, tableName,
                            "computed fields behind a record of " + std::to_string(recordSize) + " bytes");
        field.SetOffset(uint16_t(end));
        end += field.PhysicalSize() + 1u;
    }
    return end;
}

TRemoteCursorImage RequestOpenCursor(TDataDirectory& database, const TOpenCursorRequest& open,
                                     const TRemoteCallbacks* callbacks) {
    TDataSession& session = database.Session();
    const TRemoteCallbacks sessions;
    session.PerformRequest([&] { WriteOpenCursorRequest(session.Request(), database.RemoteHandle(), open); },
                           callbacks != nullptr ? callbacks : &sessions);
    TRemoteCursorImage image = ReadOpenCursorReply(session.Reply(), open.TableName);
    session.Reply().RequireEnd();
    image.Connection = session.ConnectionNumber();
    return image;
}

} // namespace vorsam
