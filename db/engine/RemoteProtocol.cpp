#include "db/engine/RemoteProtocol.h"

#include "db/lib/ByteUtils.h"
#include "db/lib/Compression.h"

#include <algorithm>
#include <cstring>

namespace vorsam {

namespace {

constexpr size_t ValueLengthSize = 4;
constexpr size_t MaxRemoteTextLength = 255;

[[noreturn]] void RaiseBadFrame(const std::string& what) {
    RaiseEngineError(VORSAM_UNCOMPRESS, "remote frame: " + what);
}

} // namespace

std::string RequestName(uint16_t code) {
    switch (code) {
    case rqLogin:
        return "LOGIN";
    case rqLogout:
        return "LOGOUT";
    case rqSessionParams:
        return "SESSIONPARAMS";
    case rqOpenDatabase:
        return "OPENDATABASE";
    case rqCloseDatabase:
        return "CLOSEDATABASE";
    case rqOpenCursor:
        return "OPENCURSOR";
    case rqCloseCursor:
        return "CLOSECURSOR";
    case rqMoveCursor:
        return "MOVECURSOR";
    case rqWriteRecord:
        return "WRITERECORD";
    case rqCallbackResponse:
        return "CALLBACKRESPONSE";
    case rqCreateStatement:
        return "CREATESTMT";
    case rqPrepareStatement:
        return "PREPARESTMT";
    case rqSetStatementParams:
        return "SETSTMTPARAMS";
    case rqExecuteStatement:
        return "EXECUTESTMT";
    case rqFreeStatement:
        return "FREESTMT";
    default:
        return "REQUEST " + std::to_string(code);
    }
}

// ---- requests ----

void TRequestBuffer::Begin(uint16_t code) {
    body_.assign(2, 0);
    StoreLE16(body_.data(), code);
}

uint16_t TRequestBuffer::Code() const {
    return body_.size() >= 2 ? LoadLE16(body_.data()) : 0;
}

int32_t TRequestBuffer::WriteValue(const void* data, uint32_t length) {
    if (length > MaxFrameBody || body_.size() + ValueLengthSize + length > MaxFrameBody)
        RaiseEngineError(VORSAM_INVALIDPARAM, "remote request larger than 64 MiB");
    size_t at = body_.size();
    body_.resize(at + ValueLengthSize + length);
    StoreLE32(&body_[at], length);
    if (length != 0) std::memcpy(&body_[at + ValueLengthSize], data, length);
    return int32_t(length);
}

void TRequestBuffer::WriteU16(uint16_t v) {
    uint8_t bytes[2];
    StoreLE16(bytes, v);
    WriteValue(bytes, sizeof bytes);
}

void TRequestBuffer::WriteU32(uint32_t v) {
    uint8_t bytes[4];
    StoreLE32(bytes, v);
    WriteValue(bytes, sizeof bytes);
}

void TRequestBuffer::WriteText(std::string_view text) {
    if (text.size() > MaxRemoteTextLength)
        RaiseEngineError(VORSAM_INVALIDPARAM, "remote text longer than 255 characters");
    WriteValue(text.data(), uint32_t(text.size()));
}

// ---- replies ----

TRemoteReply::TRemoteReply(std::vector<uint8_t> body, std::function<void()> onDamage)
    : onDamage_(std::move(onDamage)), body_(std::move(body)) {
    if (body_.size() < CodeSize) Damaged("no reply code");
    code_ = LoadLE16(body_.data());
}

void TRemoteReply::Damaged(const std::string& what) const {
    if (onDamage_) onDamage_();
    RaiseEngineError(VORSAM_UNCOMPRESS, "remote reply: " + what);
}

std::span<const uint8_t> TRemoteReply::NextValue() {
    if (body_.size() - position_ < ValueLengthSize) Damaged("a value is missing");
    uint32_t length = LoadLE32(&body_[position_]);
    size_t start = position_ + ValueLengthSize;
    if (body_.size() - start < length) Damaged("a value is cut short");
    position_ = start + length;
    return {body_.data() + start, length};
}

int32_t TRemoteReply::ReadValue(std::span<uint8_t> destination) {
    size_t saved = position_;
    std::span<const uint8_t> value = NextValue();
    if (value.size() > destination.size()) {
        position_ = saved;
        Damaged("a value of " + std::to_string(value.size()) + " bytes where at most " +
                std::to_string(destination.size()) + " fit");
    }
    std::copy(value.begin(), value.end(), destination.begin());
    return int32_t(value.size());
}

std::vector<uint8_t> TRemoteReply::ReadBytes() {
    std::span<const uint8_t> value = NextValue();
    return {value.begin(), value.end()};
}

void TRemoteReply::ReadExact(std::span<uint8_t> destination) {
    size_t saved = position_;
    std::span<const uint8_t> value = NextValue();
    if (value.size() != destination.size()) {
        position_ = saved;
        Damaged("a value of " + std::to_string(value.size()) + " bytes where " +
                std::to_string(destination.size()) + " belong");
    }
    std::copy(value.begin(), value.end(), destination.begin());
}

uint8_t TRemoteReply::ReadU8() {
    uint8_t v;
    ReadExact({&v, 1});
    return v;
}

uint16_t TRemoteReply::ReadU16() {
    uint8_t bytes[2];
    ReadExact(bytes);
    return LoadLE16(bytes);
}

uint32_t TRemoteReply::ReadU32() {
    uint8_t bytes[4];
    ReadExact(bytes);
    return LoadLE32(bytes);
}

std::string TRemoteReply::ReadText() {
    size_t saved = position_;
    std::span<const uint8_t> value = NextValue();
    if (value.size() > MaxRemoteTextLength) {
        position_ = saved;
        Damaged("a text longer than 255 characters");
    }
    return {value.begin(), value.end()};
}

TErrorContext TRemoteReply::ReadErrorContext() {
    TErrorContext context;
    for (std::string* item : {&context.Server, &context.User, &context.Database, &context.Table,
                              &context.Field, &context.Index, &context.ExtraText}) {
        if (AtEnd()) return context;
        *item = ReadText();
    }
    if (!AtEnd()) context.OSErrorCode = ReadI32();
    return context;
}

void TRemoteReply::RequireEnd() const {
    if (!AtEnd()) Damaged("a value its request does not ask for");
}

// ---- frames ----

std::vector<uint8_t> EncodeFrame(std::span<const uint8_t> body, bool compress) {
    if (body.size() > MaxFrameBody)
        RaiseEngineError(VORSAM_INVALIDPARAM, "remote request larger than 64 MiB");
    std::vector<uint8_t> packed;
    if (compress && body.size() >= CompressionThreshold) packed = CompressBuffer(body);
    bool compressed = !packed.empty() && packed.size() < body.size();
    std::span<const uint8_t> sent = compressed ? std::span<const uint8_t>(packed) : body;
    std::vector<uint8_t> frame(FrameHeaderSize + sent.size());
    StoreLE32(&frame[0], uint32_t(sent.size()));
    frame[4] = compressed ? FrameCompressed : 0;
    StoreLE32(&frame[5], uint32_t(body.size()));
    std::copy(sent.begin(), sent.end(), frame.begin() + FrameHeaderSize);
    return frame;
}

TFrameHeader DecodeFrameHeader(std::span<const uint8_t, FrameHeaderSize> bytes) {
    TFrameHeader header{LoadLE32(&bytes[0]), bytes[4], LoadLE32(&bytes[5])};
    if ((header.Flags & ~FrameCompressed) != 0) RaiseBadFrame("unknown flags");
    if (header.SentLength > MaxFrameBody || header.BodyLength > MaxFrameBody)
        RaiseBadFrame("body larger than 64 MiB");
    if (!(header.Flags & FrameCompressed) && header.SentLength != header.BodyLength)
        RaiseBadFrame("lengths of an uncompressed body differ");
    return header;
}

std::vector<uint8_t> DecodeFrameBody(const TFrameHeader& header, std::span<const uint8_t> sent) {
    if (sent.size() != header.SentLength) RaiseBadFrame("body of the wrong length");
    if (!(header.Flags & FrameCompressed)) return {sent.begin(), sent.end()};
    std::vector<uint8_t> body = DecompressBuffer(sent, header.BodyLength);
    if (body.size() != header.BodyLength) RaiseBadFrame("body inflates to the wrong length");
    return body;
}

} // namespace vorsam
