#include "db/engine/RemoteConnection.h"

#include "db/engine/RemoteProtocol.h"
#include "db/lib/EngineErrors.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vorsam {

namespace {

constexpr size_t ReceiveStep = 64 << 10;
constexpr const char* ReplyTimeoutText = "timeout waiting for the server's reply";

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

struct TAddressList {
    addrinfo* Head = nullptr;
    ~TAddressList() {
        if (Head != nullptr) freeaddrinfo(Head);
    }
};

} // namespace

void TRemoteConnection::Fail(const std::string& what, int error) {
    Close();
    TErrorContext context;
    context.Server = server_;
    context.ExtraText = error != 0 ? what + ": " + std::strerror(error) : what;
    context.SocketErrorCode = error;
    RaiseEngineError(VORSAM_NOTCONNECTED, context);
}

void TRemoteConnection::Open(const TRemoteEndpoint& endpoint, uint32_t connectTimeoutMs) {
    Close();
    const std::string& node = endpoint.Address.empty() ? endpoint.Host : endpoint.Address;
    std::string service = endpoint.Service.empty() ? std::to_string(endpoint.Port) : endpoint.Service;
    server_ = node + ":" + service;
    if (node.empty()) Fail("no server address or host name", 0);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = endpoint.Address.empty() ? 0 : AI_NUMERICHOST;
    TAddressList addresses;
    if (int result = getaddrinfo(node.c_str(), service.c_str(), &hints, &addresses.Head); result != 0)
        Fail(std::string("cannot find the server: ") + gai_strerror(result),
             result == EAI_SYSTEM ? errno : 0);
    int lastError = 0;
    for (addrinfo* a = addresses.Head; a != nullptr; a = a->ai_next) {
        try {
            ConnectTo(*a, connectTimeoutMs);
            return;
        } catch (const EVORSAMEngineError& e) {
            if (a->ai_next == nullptr) throw;
            lastError = e.SocketErrorCode;
        }
    }
    Fail("cannot reach the server", lastError);
}

void TRemoteConnection::ConnectTo(const addrinfo& address, uint32_t connectTimeoutMs) {
    socket_ =
        socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
    if (socket_ < 0) Fail("cannot make a socket", errno);
    int one = 1;
    setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (connect(socket_, address.ai_addr, address.ai_addrlen) == 0) return;
    if (errno != EINPROGRESS) Fail("cannot connect", errno);
    if (!WaitFor(POLLOUT, NowMs() + connectTimeoutMs)) Fail("no answer to the connection", ETIMEDOUT);
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    if (error != 0) Fail("cannot connect", error);
}

void TRemoteConnection::Close() {
    if (socket_ >= 0) ::close(socket_);
    socket_ = -1;
}

bool TRemoteConnection::WaitFor(short events, int64_t deadlineMs) {
    for (;;) {
        int64_t left = deadlineMs - NowMs();
        if (left <= 0) return false;
        pollfd p{socket_, events, 0};
        int ready = poll(&p, 1, int(std::min<int64_t>(left, 1 << 30)));
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) Fail("cannot wait for the server", errno);
    }
}

void TRemoteConnection::SendAll(std::span<const uint8_t> bytes, uint32_t timeoutMs) {
    int64_t deadline = NowMs() + timeoutMs;
    while (!bytes.empty()) {
        ssize_t sent = send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes = bytes.subspan(size_t(sent));
        } else if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            if (!WaitFor(POLLOUT, deadline)) Fail("timeout sending to the server", ETIMEDOUT);
        } else {
            Fail("cannot send to the server", errno);
        }
    }
}

void TRemoteConnection::ReceiveAll(std::span<uint8_t> bytes, int64_t deadlineMs) {
    while (!bytes.empty()) {
        ssize_t got = recv(socket_, bytes.data(), bytes.size(), 0);
        if (got > 0) {
            bytes = bytes.subspan(size_t(got));
        } else if (got == 0) {
            Fail("the server closed the connection", ECONNRESET);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            if (!WaitFor(POLLIN, deadlineMs)) Fail(ReplyTimeoutText, ETIMEDOUT);
        } else {
            Fail("cannot receive from the server", errno);
        }
    }
}

void TRemoteConnection::SendFrame(std::span<const uint8_t> body, bool compress, uint32_t timeoutMs) {
    if (!IsOpen()) Fail("not connected", 0);
    SendAll(EncodeFrame(body, compress), timeoutMs);
}

bool TRemoteConnection::HasUnreadBytes() const {
    uint8_t byte = 0;
    return IsOpen() && recv(socket_, &byte, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
}

bool TRemoteConnection::EndedByServer() const {
    uint8_t byte = 0;
    if (!IsOpen()) return false;
    ssize_t got = recv(socket_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

std::vector<uint8_t> TRemoteConnection::ReceiveFrame(uint32_t timeoutMs) {
    if (!IsOpen()) Fail("not connected", 0);
    if (timeoutMs == 0) Fail(ReplyTimeoutText, ETIMEDOUT);
    int64_t deadline = NowMs() + timeoutMs;
    std::array<uint8_t, FrameHeaderSize> head;
    ReceiveAll(head, deadline);
    try {
        TFrameHeader header = DecodeFrameHeader(head);
        // The body grows as its bytes come: a length alone never has memory set aside for it.
        std::vector<uint8_t> sent;
        for (size_t got = 0; got < header.SentLength; got = sent.size()) {
            sent.resize(got + std::min<size_t>(header.SentLength - got, ReceiveStep));
            ReceiveAll(std::span(sent).subspan(got), deadline);
        }
        return DecodeFrameBody(header, sent);
    } catch (const EVORSAMEngineError&) {
        Close();
        throw;
    }
}

} // namespace vorsam
