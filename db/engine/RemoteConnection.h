// A client's TCP connection to a database server (POSIX sockets), and the frames of the remote
// protocol (RemoteProtocol.h) that cross it.
//
// The server is reached at its address when one is given (a numeric IPv4 or IPv6 address, never looked
// up), else at its host name (looked up); on its service when one is given (a name of the system's
// services list or a port number), else on its port. Connecting waits at most the connect timeout;
// every send and every frame received waits at most the reply timeout. Every failure closes the
// connection and raises VORSAM_NOTCONNECTED with the server ("host:port") as the server context, what
// went wrong as the extra text and the system's error number as the socket error code: the server
// cannot be found or reached, it closed the connection, a send or receive failed, or a timeout passed.
// A frame that breaks the protocol closes the connection too, and raises VORSAM_UNCOMPRESS. A frame's body is
// received into memory that grows with the bytes that come, never set aside for the length it announces.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct addrinfo;

namespace vorsam {

struct TRemoteEndpoint {
    std::string Host;
    std::string Address;
    std::string Service;
    int32_t Port = 12005;
};

class TRemoteConnection {
public:
    TRemoteConnection() = default;
    ~TRemoteConnection() { Close(); }
    TRemoteConnection(const TRemoteConnection&) = delete;
    TRemoteConnection& operator=(const TRemoteConnection&) = delete;

    // Opens the connection (closing one that is open first).
    void Open(const TRemoteEndpoint& endpoint, uint32_t connectTimeoutMs);
    void Close();
    bool IsOpen() const { return socket_ >= 0; }
    // "host:port" of the server last opened.
    const std::string& ServerText() const { return server_; }

    // Sends the body as one frame, compressed when `compress` and that makes it smaller.
    void SendFrame(std::span<const uint8_t> body, bool compress, uint32_t timeoutMs);
    // Receives one frame and returns its body, inflated; a timeout of 0 has passed already.
    std::vector<uint8_t> ReceiveFrame(uint32_t timeoutMs);
    // Whether bytes from the server wait to be read (without waiting; a connection the server closed
    // has none, and a failing one none either: the next send or receive reports it).
    bool HasUnreadBytes() const;
    // Whether the server ended the connection (or it failed) with nothing left to read: its end waits
    // to be read (without waiting).
    bool EndedByServer() const;

private:
    void SendAll(std::span<const uint8_t> bytes, uint32_t timeoutMs);
    void ReceiveAll(std::span<uint8_t> bytes, int64_t deadlineMs);
    // Waits until the socket is ready for `events`; false when the deadline passed.
    bool WaitFor(short events, int64_t deadlineMs);
    void ConnectTo(const ::addrinfo& address, uint32_t connectTimeoutMs);
    [[noreturn]] void Fail(const std::string& what, int error);

    int socket_ = -1;
    std::string server_;
};

} // namespace vorsam
