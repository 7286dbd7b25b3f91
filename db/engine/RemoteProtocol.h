// The engine's remote protocol: how a client session and a database server talk over one TCP
// connection (default port 12005). This header owns the wire format; RemoteCursorReply.h adds the
// requests of a client cursor.
//
// Frames. Every request and every reply crosses the connection as one frame (integers little-endian):
//   +0  u32  body length as sent: the bytes after this 9-byte frame header
//   +4  u8   flags: bit 0 set when the body is compressed (db/lib/Compression.h: zlib stream format,
//            level 9); every other bit 0
//   +5  u32  body length once inflated (equal to the length as sent when not compressed)
// Both lengths are at most 64 MiB. A frame that breaks a rule, or whose body does not inflate to
// exactly its stated length, is refused with VORSAM_UNCOMPRESS and the connection is closed: the byte
// stream can no longer be trusted. A client compresses a request body of 256 bytes or more when its
// session runs over the internet (the network kind, told to the server at login), and sends the body
// as it stands when compression does not make it smaller; on a LAN it never compresses. A server may
// compress any reply; the client inflates every flagged body.
//
// Bodies. A request body is a u16 request code followed by values; a reply body a u16 reply code
// followed by values. A value is a u32 length and that many bytes. Integers inside values are
// little-endian and as wide as the value (1, 2, 4 or 8 bytes); a text is its characters (Windows-1252,
// no terminating zero, at most 255); a value read as an integer or fixed-size image must have exactly
// its width. A reply carries the values its request asks for and no more: reading past the last value,
// a value longer than its destination, or a value left behind the last one the request asks for
// (RequireEnd, before any of the reply is acted on) raises VORSAM_UNCOMPRESS, as does a reply the client
// finds breaking the rules of its request (Damaged): the reply is damaged, and the session that received
// it closes the connection first (DataSession.h).
//
// Reply codes: 0 success, the values are the request's results; 11284 a callback (below); any other
// code is an engine error: its values are the error's context, each optional (a missing one reads as
// empty or 0), in this order: server, user, database, table, field, index, extra text (texts) and the
// OS error code (4 bytes). The client raises that error (EngineErrors.h).
//
// Callbacks. While a server works on a request it may call back with a reply of code 11284 whose first
// value is the kind (2 bytes):
//   11  a table needs a password: the client asks (the request's password routine, else the session's)
//       and answers CALLBACKRESPONSE with the result alone (1 byte: 1 a password was supplied, 0 none).
//       The protocol has no way to give the server a table's password: a password supplied here stays
//       in the client's session, and never travels;
//   12  progress: a percentage (2 bytes) and an abort flag (1 byte); the request's progress routine may
//       set the flag, and the client answers CALLBACKRESPONSE with it (1 byte);
//   13  a statement's type and flags, read by the statement's own routine; no answer;
//   14  a status value (2 bytes) for the statement's status routine; no answer;
//   any other kind is skipped. The client then awaits the next reply to the same request, for a time
//   only the work advancing renews (DataSession.h). Only the requests the client makes with routines
//   for callbacks take them (a statement's PREPARESTMT, SETSTMTPARAMS and EXECUTESTMT, a table's
//   OPENCURSOR); a callback in the reply to any other request is a damaged reply, nothing answered.
// A server answers each request with one reply (after its callbacks) and sends nothing unasked: a frame
// found waiting when the client is about to send a request, or behind a reply, is out of turn, and the
// client refuses it as a damaged reply (VORSAM_UNCOMPRESS, the connection closed). So is a frame sent
// before the first request (the login's) and found waiting when it goes. One that comes only after the
// login went cannot be told from its reply: taken for it, it leaves the real reply to be refused by the
// next request, SESSIONPARAMS, which always follows the login (found waiting, or taken for its reply,
// with values it does not ask for), so that no session goes on over such a stream.
//
// Requests (code NAME: values sent -> values of the success reply):
//   1  LOGIN:         client version (4), user (text), password (text), network kind (1: 1 a LAN,
//                     0 the internet) -> server version (4), server name (text)
//   2  LOGOUT:        none -> none; the client closes the connection afterwards
//   3  SESSIONPARAMS: private directory (text), strict change detection (1), force buffer flush (1),
//                     lock retry count (1), lock wait time (2, milliseconds), lock protocol (1:
//                     0 pessimistic, 1 optimistic; only to servers of version 3.04 and later),
//                     progress steps (2) -> none
//   4  OPENDATABASE:  database name (text) -> database handle (4)
//   5  CLOSEDATABASE: database handle (4) -> none
//   10 OPENCURSOR, 11 CLOSECURSOR: RemoteCursorReply.h
//   12 MOVECURSOR, 13 WRITERECORD: a cursor's records, RemoteCursor.h
//   75 CALLBACKRESPONSE: the answer to a callback, above
//   76 CREATESTMT, 77 PREPARESTMT, 78 SETSTMTPARAMS, 79 EXECUTESTMT, 80 FREESTMT: statements, with
//                     their callbacks' values, db/sql/RemoteStatement.h
// Versions (client, server and table) are 4-byte numbers in 1/10000: 3.24 is 32400. The login's
// password travels as it stands: the protocol has no encryption of its own.
#pragma once

#include "db/lib/EngineErrors.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorsam {

inline constexpr int32_t DefaultRemotePort = 12005;

enum TRemoteRequest : uint16_t {
    rqLogin = 1,
    rqLogout = 2,
    rqSessionParams = 3,
    rqOpenDatabase = 4,
    rqCloseDatabase = 5,
    rqOpenCursor = 10,
    rqCloseCursor = 11,
    rqMoveCursor = 12,
    rqWriteRecord = 13,
    rqCallbackResponse = 75,
    rqCreateStatement = 76,
    rqPrepareStatement = 77,
    rqSetStatementParams = 78,
    rqExecuteStatement = 79,
    rqFreeStatement = 80,
};

enum TRemoteCallbackKind : uint16_t {
    cbPassword = 11,
    cbProgress = 12,
    cbStatementType = 13,
    cbStatus = 14,
};

inline constexpr uint16_t ReplySuccess = 0;
inline constexpr uint16_t ReplyCallback = VORSAM_REMOTECALLBACK; // 11284

// Server versions the client asks about.
inline constexpr int32_t ServerVersion304 = 30400; // sessions may set the lock protocol
inline constexpr int32_t ServerVersion306 = 30600; // statements: SELECT * flag in the prepare reply
inline constexpr int32_t ServerVersion309 = 30900; // statements: parameters inline, result opened at prepare
inline constexpr int32_t TableVersion311 = 31100;  // tables: blob counts in record requests

inline constexpr size_t FrameHeaderSize = 9;
inline constexpr uint8_t FrameCompressed = 0x01;
inline constexpr uint32_t MaxFrameBody = 64u << 20;
inline constexpr size_t CompressionThreshold = 256;

// The name of a request code for traces ("LOGIN"); "REQUEST n" for an unknown one.
std::string RequestName(uint16_t code);

// One request being built: the code, then values.
class TRequestBuffer {
public:
    // Clears the buffer and writes the code.
    void Begin(uint16_t code);
    void Clear() { body_.clear(); }
    bool Empty() const { return body_.empty(); }
    uint16_t Code() const;
    std::span<const uint8_t> Body() const { return body_; }

    // Appends a value: its length, then the bytes; returns the length.
    int32_t WriteValue(const void* data, uint32_t length);
    void WriteU8(uint8_t v) { WriteValue(&v, 1); }
    void WriteU16(uint16_t v);
    void WriteU32(uint32_t v);
    void WriteI32(int32_t v) { WriteU32(uint32_t(v)); }
    // At most 255 characters; a longer text raises VORSAM_INVALIDPARAM.
    void WriteText(std::string_view text);

private:
    std::vector<uint8_t> body_;
};

// One reply: its code and its values, read in order from a read position. Copies keep their own
// position (a cursor may save a reply and read it later).
class TRemoteReply {
public:
    TRemoteReply() = default;
    // The body of a reply frame; shorter than a code is damaged (below). `onDamage`: what the receiver
    // does before a damaged reply is raised (copies keep it).
    explicit TRemoteReply(std::vector<uint8_t> body, std::function<void()> onDamage = {});

    uint16_t Code() const { return code_; }
    bool AtEnd() const { return position_ >= body_.size(); }
    // Rewinds to the first value.
    void Rewind() { position_ = CodeSize; }

    // Reads the next value into the destination; returns its length (a value longer than the destination
    // raises VORSAM_UNCOMPRESS).
    int32_t ReadValue(std::span<uint8_t> destination);
    std::vector<uint8_t> ReadBytes();
    // The next value, which must be exactly destination.size() bytes.
    void ReadExact(std::span<uint8_t> destination);
    uint8_t ReadU8();
    uint16_t ReadU16();
    uint32_t ReadU32();
    int32_t ReadI32() { return int32_t(ReadU32()); }
    bool ReadFlag() { return ReadU8() != 0; }
    std::string ReadText();
    // The context of an error reply, from the first value on (missing items empty).
    TErrorContext ReadErrorContext();
    // The request's values are all read: one left is damage.
    void RequireEnd() const;

    // Raises VORSAM_UNCOMPRESS for the reply, "remote reply: " and what is wrong, after the handler.
    [[noreturn]] void Damaged(const std::string& what) const;

private:
    static constexpr size_t CodeSize = 2;
    // The next value's bytes, the read position moved past them.
    std::span<const uint8_t> NextValue();

    std::function<void()> onDamage_;
    std::vector<uint8_t> body_;
    uint16_t code_ = 0;
    size_t position_ = CodeSize;
};

struct TFrameHeader {
    uint32_t SentLength = 0;
    uint8_t Flags = 0;
    uint32_t BodyLength = 0;
};

// A whole frame for the body: compressed when `compress` and that makes it smaller.
std::vector<uint8_t> EncodeFrame(std::span<const uint8_t> body, bool compress);
// The header of a frame; raises VORSAM_UNCOMPRESS for one that breaks the rules above.
TFrameHeader DecodeFrameHeader(std::span<const uint8_t, FrameHeaderSize> bytes);
// The body of a frame from the bytes sent; inflated when compressed. Raises VORSAM_UNCOMPRESS.
std::vector<uint8_t> DecodeFrameBody(const TFrameHeader& header, std::span<const uint8_t> sent);

} // namespace vorsam
