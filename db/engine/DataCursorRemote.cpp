// TDataCursor on a table of a database server: opening it there, taking the server's replies as the
// cursor's position, and what the cursor refuses there (DataCursor.h; the requests are RemoteCursor.h's).
#include "db/engine/DataCursor.h"

#include "db/engine/DataSession.h"
#include "db/engine/RemoteCursor.h"

#include <algorithm>

namespace vorsam {

void TDataCursor::RequireLocalTable(const char* what) const {
    if (remote_ || directory_.IsRemote())
        Raise(VORSAM_NOTSUPPORTED, std::string(what) + " on a table of a database server");
}

void TDataCursor::OpenRemote() {
    if (tableName_.empty()) Raise(VORSAM_INVALIDPARAM, "table name missing");
    TRemoteCallbacks callbacks;
    callbacks.Password = passwordCallback_;
    TRemoteCursorImage image = RequestOpenCursor(
        directory_, {tableName_, std::string(), inMemory_, exclusive_, readOnly_}, &callbacks);
    TakeRemote(std::make_unique<TRemoteCursor>(directory_, tableName_, std::move(image), true));
}

void TDataCursor::OpenServerResult(TRemoteCursorImage image) {
    RequireClosed();
    if (!directory_.IsRemote()) Raise(VORSAM_INVALIDPARAM, "a server's cursor on a local database");
    TakeRemote(std::make_unique<TRemoteCursor>(directory_, tableName_, std::move(image), false));
}

void TDataCursor::TakeRemote(std::unique_ptr<TRemoteCursor> remote) {
    remote_ = std::move(remote);
    table_ = &remote_->Table();
    try {
        remote_->TakeState(remote_->State(), 0);
        LoadLayout();
        UseIndex(remote_->Settings().ActiveIndex);
    } catch (...) {
        CloseRemote();
        throw;
    }
    position_ = {};
    range_ = {};
    seenVersion_ = table_->ContentVersion();
    TakeRemotePosition(remote_->State(), {});
}

void TDataCursor::CloseRemote() noexcept {
    remote_->Close();
    table_ = nullptr;
    remote_.reset();
    position_ = {};
    range_ = {};
    path_.Reset();
    lock_ = {};
    origins_.clear();
    readsBegun_ = 0;
}

void TDataCursor::TakeServerState(const TRemoteCursorState& state) {
    if (!remote_) Raise(VORSAM_INVALIDPARAM, "the cursor is not open on a server");
    remote_->TakeState(state, 0);
    TakeRemotePosition(state, {});
}

uint32_t TDataCursor::RemoteCurrent() const {
    return position_.Kind == TCursorPositionKind::OnRecord ? position_.Record : 0;
}

// The reply's image makes its record current; without one the state says where the cursor lies (on a
// record only when that is the one it lay on, which the reply's check made sure of).
void TDataCursor::TakeRemotePosition(const TRemoteCursorState& state, std::span<const uint8_t> image) {
    if (!image.empty()) {
        SetOnRecord(state.RecordNumber, image);
        return;
    }
    switch (state.Position) {
    case rpOnRecord:
        break;
    case rpBeforeFirst:
        SetOutside(-1);
        break;
    case rpAfterLast:
        SetOutside(1);
        break;
    case rpBetween:
        SetBetween();
        break;
    }
}

uint16_t TDataCursor::RemoteMove(uint8_t move, uint32_t argument, std::span<uint8_t> buffer) {
    if (!buffer.empty()) CheckImage(buffer);
    TRemoteRecordReply reply = remote_->Move(TRemoteMove(move), argument, GetRecordSize(), RemoteCurrent());
    TakeRemotePosition(reply.State, reply.Image);
    if (!reply.Image.empty() && !buffer.empty())
        std::copy(reply.Image.begin(), reply.Image.end(), buffer.begin());
    return reply.Result;
}

// Appends or modifies with the image (which receives the record as written), deletes or cancels.
void TDataCursor::RemoteWrite(uint8_t write, std::span<uint8_t> image) {
    if (write == rwAppend || write == rwModify) {
        RequireWritable();
        PrepareImage(image);
        image = image.first(GetRecordSize());
    } else if (write == rwDelete) {
        RequireWritable();
    }
    if (write != rwAppend && write != rwCancel && RemoteCurrent() == 0)
        Raise(VORSAM_RECNOTFOUND, "no current record");
    TRemoteRecordReply reply = remote_->Write(TRemoteWrite(write), image, GetRecordSize(), RemoteCurrent());
    TakeRemotePosition(reply.State, reply.Image);
    if (!reply.Image.empty()) std::copy(reply.Image.begin(), reply.Image.end(), image.begin());
}

} // namespace vorsam
