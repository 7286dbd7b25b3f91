#include "db/engine/RemoteCursor.h"

#include "db/engine/DataSession.h"
#include "db/engine/Record.h"
#include "db/lib/ByteUtils.h"
#include "db/lib/EngineErrors.h"

namespace vorsam {

namespace {

bool IsMoveResult(uint16_t result) {
    return result == 0 || result == VORSAM_BOF || result == VORSAM_EOF || result == VORSAM_RECNOTFOUND;
}

} // namespace

TRemoteCursor::TRemoteCursor(TDataDirectory& database, const std::string& tableName, TRemoteCursorImage image,
                             bool closeOnServer)
    : database_(database), handle_(image.CursorHandle), connection_(image.Connection),
      settings_(image.Settings), state_(image.State),
      table_(database.Settings(), {"", tableName, false, database.GetDatabaseName()}),
      closeOnServer_(closeOnServer) {
    try {
        table_.FillFromServer(settings_.DataHeader, std::move(image.Fields), settings_.IndexHeader,
                              {.Exclusive = settings_.Exclusive, .ReadOnly = settings_.ReadOnly});
    } catch (...) {
        Close();
        throw;
    }
}

void TRemoteCursor::CheckReply(const TRemoteRecordReply& reply, bool withRecord, uint16_t imageSize,
                               uint32_t current) const {
    // What breaks these rules came in the session's last reply, which is damaged.
    auto damaged = [&](const std::string& what) { database_.Session().Reply().Damaged(what); };
    const TRemoteCursorState& state = reply.State;
    if (withRecord) {
        if (reply.Image.size() != imageSize || imageSize < RecordPrefixSize)
            damaged("a record image of " + std::to_string(reply.Image.size()) + " bytes where " +
                    std::to_string(imageSize) + " belong");
        if (state.Position != rpOnRecord || reply.Image[0] != RecordActive ||
            LoadLE32(&reply.Image[1]) != state.RecordNumber)
            damaged("a record image that is not the current record");
    } else {
        if (!reply.Image.empty()) damaged("a record image without a record");
        if (state.Position == rpOnRecord && (current == 0 || state.RecordNumber != current))
            damaged("the cursor on record " + std::to_string(state.RecordNumber) + " without its image");
    }
}

void TRemoteCursor::TakeState(const TRemoteCursorState& state, uint32_t current) {
    CheckReply({0, {}, state}, false, 0, current);
    state_ = state;
}

TRemoteRecordReply TRemoteCursor::Perform(uint16_t code, const std::function<void(TRequestBuffer&)>& values,
                                          bool moves, uint16_t imageSize, uint32_t current,
                                          bool recordWritten) {
    TDataSession& session = database_.Session();
    session.PerformRequest(Binding(), [&] {
        TRequestBuffer& request = session.Request();
        request.Begin(code);
        request.WriteU32(handle_);
        values(request);
    });
    TRemoteReply& reply = session.Reply();
    TRemoteRecordReply result;
    if (moves) {
        result.Result = reply.ReadU16();
        if (!IsMoveResult(result.Result)) reply.Damaged("move result " + std::to_string(result.Result));
    }
    result.Image = reply.ReadBytes();
    result.State = ReadCursorState(reply);
    reply.RequireEnd();
    CheckReply(result, moves ? result.Result == 0 : recordWritten, imageSize, current);
    state_ = result.State;
    return result;
}

TRemoteRecordReply TRemoteCursor::Move(TRemoteMove move, uint32_t argument, uint16_t imageSize,
                                       uint32_t current) {
    TRemoteRecordReply reply = Perform(
        rqMoveCursor,
        [&](TRequestBuffer& request) {
            request.WriteU8(move);
            request.WriteU32(argument);
        },
        true, imageSize, current, false);
    if (move == rmCurrentForEdit && reply.Result == 0) editing_ = true;
    return reply;
}

TRemoteRecordReply TRemoteCursor::Write(TRemoteWrite write, std::span<const uint8_t> image,
                                        uint16_t imageSize, uint32_t current) {
    bool withRecord = write == rwAppend || write == rwModify;
    TRemoteRecordReply reply = Perform(
        rqWriteRecord,
        [&](TRequestBuffer& request) {
            request.WriteU8(write);
            request.WriteValue(image.data(), withRecord ? uint32_t(image.size()) : 0);
            if (write != rwCancel && settings_.TableVersion >= TableVersion311) request.WriteU32(0);
        },
        false, imageSize, current, withRecord);
    editing_ = false;
    return reply;
}

const TRemoteCursorState& TRemoteCursor::ToldState() const {
    database_.Session().RefuseLostTransaction();
    return state_;
}

TConnectionBinding TRemoteCursor::Binding() const {
    return {connection_, "open the table again", {}};
}

void TRemoteCursor::Close() noexcept {
    if (!closeOnServer_) return;
    TDataSession& session = database_.Session();
    session.LetGoOnServer(Binding(), [&] {
        session.BeginRequest(rqCloseCursor);
        session.Request().WriteU32(handle_);
    });
}

} // namespace vorsam
