// TRemoteCursor: what a client cursor (TDataCursor, DataCursor.h) keeps of a table it has open on a
// database server: the server's cursor handle, the table as the server described it (a TDataTable whose
// files stay closed: it answers what the headers and field descriptors say), the cursor's state as of the
// last reply, whether an edit is under way, and the record requests that move the server's cursor and
// write through it. Frames and values are RemoteProtocol.h's; opening, the cursor's settings and state
// RemoteCursorReply.h's.
//
// Requests of an open cursor; each starts with the cursor handle (4):
//   12 MOVECURSOR: move (1), argument (4) -> result (2), record image, cursor state.
//      Moves: 0 before the first record, 1 after the last, 2 to the next record, 3 to the prior one,
//      4 the current record (between two records the next one becomes current), 5 the current record,
//      which an edit begins on (the server locks it or keeps its image, as the session's lock protocol
//      says), 6 the record whose number the argument is (a bookmark's), 7 the record at the position the
//      argument is (1 the first), 8 none (the state and the current record read again). The argument is
//      0 where a move takes none.
//      Result: 0 on a record, VORSAM_BOF before the first, VORSAM_EOF after the last; VORSAM_RECNOTFOUND
//      when move 6 finds no such record or move 8 finds the cursor on none (the cursor then stays where
//      it was).
//   13 WRITERECORD: write (1), record image, then on a table of version 3.11 or later, for writes 0, 1
//      and 2, the number of blobs written with the record (4: always 0; blob values do not travel, so a
//      BLOB field keeps the value its image holds) -> record image, cursor state.
//      Writes: 0 append the image, 1 replace the current record with it, 2 delete the current record,
//      3 end the current record's edit without writing.
// A record image is the cursor's record buffer (GetRecordSize bytes, computed fields included) when there
// is a record (result 0; writes 0 and 1), and empty otherwise (the image sent with writes 2 and 3 too).
// After result 0 the state lies on the image's record; after another result the state lies on no
// record, or on the record the cursor was on before. A reply that breaks these rules raises
// VORSAM_UNCOMPRESS and changes nothing.
//
// The handle is the connection's that gave it: requests go through the session's PerformRequest for
// such a handle, on that connection only and never again (DataSession.h); once it is gone every request
// raises VORSAM_NOTCONNECTED saying to open the table again. Errors of the server are raised as its reply
// carries them. CLOSECURSOR goes once, only on that connection, and its failure is ignored: the server
// drops its cursors with the connection at the latest. A statement's result cursor belongs to the
// statement on the server (db/sql/RemoteStatement.h) and is never closed by the client.
#pragma once

#include "db/engine/DataTable.h"
#include "db/engine/RemoteCursorReply.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vorsam {

struct TConnectionBinding;

enum TRemoteMove : uint8_t {
    rmBeforeFirst = 0,
    rmAfterLast = 1,
    rmNext = 2,
    rmPrior = 3,
    rmCurrent = 4,
    rmCurrentForEdit = 5,
    rmRecord = 6,
    rmPosition = 7,
    rmStay = 8,
};

enum TRemoteWrite : uint8_t { rwAppend = 0, rwModify = 1, rwDelete = 2, rwCancel = 3 };

// What a request's reply says about the cursor: the result of a move (0 for a write), the record image
// (empty without a record) and the state.
struct TRemoteRecordReply {
    uint16_t Result = 0;
    std::vector<uint8_t> Image;
    TRemoteCursorState State;
};

class TRemoteCursor {
public:
    // The cursor `image` describes, on the table `tableName` of the database; `closeOnServer`: the
    // client's to close (CLOSECURSOR), not a statement's result. Headers and descriptors that the table
    // files would refuse raise as they would (the cursor is then closed on the server).
    TRemoteCursor(TDataDirectory& database, const std::string& tableName, TRemoteCursorImage image,
                  bool closeOnServer);
    TRemoteCursor(const TRemoteCursor&) = delete;
    TRemoteCursor& operator=(const TRemoteCursor&) = delete;

    TDataTable& Table() { return table_; }
    const TRemoteCursorSettings& Settings() const { return settings_; }
    const TRemoteCursorState& State() const { return state_; }
    // The state as the server last told it, for an answer taken from it without a request: refused, as a
    // request is, while a transaction of the session is lost (DataSession.h).
    const TRemoteCursorState& ToldState() const;
    // Takes a state the server reported outside a record request (the client's cursor on record
    // `current`, 0 when on none): checked as a reply without a record.
    void TakeState(const TRemoteCursorState& state, uint32_t current);
    bool Editing() const { return editing_; }

    // The requests; each reply is checked against the rules above (records of `imageSize` bytes, the
    // client's cursor on record `current`, 0 when on none) and its state taken when it passes.
    TRemoteRecordReply Move(TRemoteMove move, uint32_t argument, uint16_t imageSize, uint32_t current);
    TRemoteRecordReply Write(TRemoteWrite write, std::span<const uint8_t> image, uint16_t imageSize,
                             uint32_t current);
    // CLOSECURSOR when the client is to close the cursor and the session is connected.
    void Close() noexcept;

private:
    void CheckReply(const TRemoteRecordReply& reply, bool withRecord, uint16_t imageSize,
                    uint32_t current) const;
    TRemoteRecordReply Perform(uint16_t code, const std::function<void(TRequestBuffer&)>& values, bool moves,
                               uint16_t imageSize, uint32_t current, bool recordWritten);

    TConnectionBinding Binding() const;

    TDataDirectory& database_;
    uint32_t handle_;
    uint64_t connection_;
    TRemoteCursorSettings settings_;
    TRemoteCursorState state_;
    TDataTable table_;
    bool closeOnServer_;
    bool editing_ = false;
};

} // namespace vorsam
