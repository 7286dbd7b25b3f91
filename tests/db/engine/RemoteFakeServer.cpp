#include "RemoteFakeServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

namespace vorsam::test {

namespace {

constexpr int WaitMs = 5000; // a client that says nothing for this long has failed its test

struct TPeerGone : std::runtime_error {
    using std::runtime_error::runtime_error;
};

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

TBytes Inflate(const TBytes& packed, uint32_t length) {
    TBytes body(length);
    uLongf size = length;
    if (uncompress(body.data(), &size, packed.data(), uLong(packed.size())) != Z_OK || size != length)
        throw TPeerGone("a compressed request that does not inflate");
    return body;
}

} // namespace

TBytes U8(uint8_t v) {
    return {v};
}

TBytes U16(uint16_t v) {
    return {uint8_t(v), uint8_t(v >> 8)};
}

TBytes U32(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

TBytes Text(const std::string& s) {
    return {s.begin(), s.end()};
}

TBytes Body(uint16_t code, const std::vector<TBytes>& values) {
    TBytes body = U16(code);
    for (const TBytes& v : values) {
        TBytes length = U32(uint32_t(v.size()));
        body.insert(body.end(), length.begin(), length.end());
        body.insert(body.end(), v.begin(), v.end());
    }
    return body;
}

TBytes Frame(const TBytes& body, bool compress) {
    TBytes sent = body;
    if (compress) {
        uLongf size = compressBound(uLong(body.size()));
        sent.resize(size);
        compress2(sent.data(), &size, body.data(), uLong(body.size()), 9);
        sent.resize(size);
    }
    TBytes frame = U32(uint32_t(sent.size()));
    frame.push_back(compress ? 1 : 0);
    TBytes length = U32(uint32_t(body.size()));
    frame.insert(frame.end(), length.begin(), length.end());
    frame.insert(frame.end(), sent.begin(), sent.end());
    return frame;
}

// ---- one connection ----

void TFakePeer::Fail(const std::string& what) {
    std::lock_guard guard(lock_);
    failures_.push_back(what);
}

void TFakePeer::ReceiveAll(uint8_t* data, size_t size) {
    while (size > 0) {
        pollfd p{socket_, POLLIN, 0};
        if (poll(&p, 1, WaitMs) <= 0) throw TPeerGone("the client sent nothing");
        ssize_t got = recv(socket_, data, size, 0);
        if (got <= 0) throw TPeerGone("the client closed the connection");
        data += got;
        size -= size_t(got);
    }
}

TFakeRequest TFakePeer::Expect(uint16_t code) {
    TFakeRequest request = Next();
    if (request.Code != code)
        Fail("expected request " + std::to_string(code) + ", got " + std::to_string(request.Code));
    return request;
}

TFakeRequest TFakePeer::Answer(uint16_t code, const std::vector<TBytes>& values) {
    TFakeRequest request = Expect(code);
    Reply(0, values);
    return request;
}

void TFakePeer::AnswerUntilDone() {
    try {
        while (Next().Code != 2) Reply(0);
        Reply(0);
    } catch (const TPeerGone&) {
        // the client is done
    }
}

TFakeRequest TFakePeer::ServeCursor(std::vector<TBytes>& records) {
    long at = -1; // the record the cursor lies on: -1 before the first, the count after the last
    for (TFakeRequest request = Next();; request = Next()) {
        if (request.Code < 11 || request.Code > 13) return request;
        uint8_t kind = request.Code == 11 ? 0 : request.Values.at(1).at(0);
        bool move = request.Code == 12, missing = false;
        long count = long(records.size());
        if (move && kind < 6) at = std::array<long, 6>{-1, count, at + 1, at - 1, at, at}[kind];
        if (move && kind == 6) {
            uint32_t number = Le32(request.Values.at(2).data());
            missing = number == 0 || number > count;
            at = missing ? at : number - 1;
        } else if (request.Code == 13 && kind == 0) {
            records.push_back(request.Values.at(2));
            std::copy_n(U32(uint32_t(count + 1)).begin(), 4, records.back().begin() + 1);
            at = count;
        } else if (move ? kind == 7 || kind > 8 : request.Code == 13 && kind != 3) {
            Fail("a cursor request the test server does not serve");
        }
        at = std::clamp(at, -1L, long(records.size()));
        bool on = at >= 0 && at < long(records.size());
        uint16_t result = missing || (kind == 8 && !on) ? 0x2204 : on ? 0 : at < 0 ? 0x2201 : 0x2202;
        std::vector<TBytes> values{(move ? result == 0 : kind == 0) ? records[size_t(at)] : TBytes{},
                                   U32(uint32_t(records.size())), U32(on ? uint32_t(at + 1) : 0),
                                   U32(on ? uint32_t(at + 1) : 0),
                                   U8(on       ? 0
                                      : at < 0 ? 1
                                               : 2)};
        if (move) values.insert(values.begin(), U16(result));
        Reply(0, request.Code == 11 ? std::vector<TBytes>{} : values);
    }
}

TFakeRequest TFakePeer::Next() {
    uint8_t head[9];
    ReceiveAll(head, sizeof head);
    TBytes sent(Le32(head));
    ReceiveAll(sent.data(), sent.size());
    TFakeRequest request;
    request.Compressed = head[4] == 1;
    request.Body = request.Compressed ? Inflate(sent, Le32(head + 5)) : sent;
    request.Code = uint16_t(request.Body[0] | request.Body[1] << 8);
    for (size_t at = 2; at + 4 <= request.Body.size();) {
        uint32_t length = Le32(&request.Body[at]);
        request.Values.emplace_back(request.Body.begin() + long(at + 4),
                                    request.Body.begin() + long(at + 4 + length));
        at += 4 + length;
    }
    {
        std::lock_guard guard(lock_);
        log_.push_back(request);
    }
    return request;
}

void TFakePeer::SendRaw(const TBytes& bytes) {
    if (send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL) != ssize_t(bytes.size()))
        throw TPeerGone("cannot send to the client");
}

void TFakePeer::AwaitClose() {
    uint8_t buffer[256];
    for (pollfd p{socket_, POLLIN, 0}; poll(&p, 1, WaitMs) > 0;)
        if (recv(socket_, buffer, sizeof buffer, 0) <= 0) return;
    Fail("the client kept the connection open");
}

void TFakePeer::Hangup() {
    shutdown(socket_, SHUT_RDWR);
}

void TFakePeer::Reply(uint16_t code, const std::vector<TBytes>& values, bool compress) {
    SendRaw(Frame(Body(code, values), compress));
}

void TFakePeer::ServeLogin(int32_t version, const std::string& name) {
    Expect(1);
    Reply(0, {U32(uint32_t(version)), Text(name)});
    Expect(3);
    Reply(0);
}

// ---- the server ----

TFakeServer::TFakeServer(std::vector<TScript> scripts) : scripts_(std::move(scripts)) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 8) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the fake server cannot listen");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Run(); });
}

TFakeServer::~TFakeServer() {
    Finish();
    close(listener_);
}

bool TFakeServer::Accept(int& peer) {
    while (!stop_) {
        pollfd p{listener_, POLLIN, 0};
        if (poll(&p, 1, 20) > 0) {
            peer = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            return peer >= 0;
        }
    }
    return false;
}

void TFakeServer::Run() {
    size_t next = 0;
    int peer = -1;
    while (Accept(peer)) {
        if (next < scripts_.size()) {
            TFakePeer fake(peer, log_, failures_, lock_);
            try {
                scripts_[next](fake);
            } catch (const std::exception& e) {
                std::lock_guard guard(lock_);
                failures_.push_back("script " + std::to_string(next) + ": " + e.what());
            }
            ++next;
        }
        close(peer);
    }
    if (next < scripts_.size()) {
        std::lock_guard guard(lock_);
        failures_.push_back(std::to_string(scripts_.size() - next) + " scripts never ran");
    }
}

void TFakeServer::Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

std::vector<TFakeRequest> TFakeServer::Requests() {
    std::lock_guard guard(lock_);
    return log_;
}

std::vector<std::string> TFakeServer::Failures() {
    std::lock_guard guard(lock_);
    return failures_;
}

} // namespace vorsam::test
