// A loopback database server for the remote client's tests: a thread that accepts on 127.0.0.1 on an
// ephemeral port and plays one script per accepted connection, in order (connections beyond the scripts
// are closed at once, as a server that went away). It encodes and decodes frames with its own few lines
// (and zlib directly), so that the client's bytes are checked against an independent reading of the
// protocol. Every request it receives is kept for the test to look at; a script's surprise (another
// request code, a silent client) is kept as a failure that the test checks at the end.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vorsam::test {

using TBytes = std::vector<uint8_t>;

// Values as the protocol writes them.
TBytes U8(uint8_t v);
TBytes U16(uint16_t v);
TBytes U32(uint32_t v);
TBytes Text(const std::string& s);
// A request or reply body: the code, then each value with its length.
TBytes Body(uint16_t code, const std::vector<TBytes>& values);
// A frame around a body; compressed with zlib at level 9 when asked.
TBytes Frame(const TBytes& body, bool compress);

struct TFakeRequest {
    uint16_t Code = 0;
    std::vector<TBytes> Values;
    TBytes Body;             // as inflated
    bool Compressed = false; // the frame's flag
};

class TFakePeer {
public:
    TFakePeer(int socket, std::vector<TFakeRequest>& log, std::vector<std::string>& failures,
              std::mutex& lock)
        : socket_(socket), log_(log), failures_(failures), lock_(lock) {}
    // The next request, which should have this code.
    TFakeRequest Expect(uint16_t code);
    TFakeRequest Next();
    // Expects the request and answers it with success and the values.
    TFakeRequest Answer(uint16_t code, const std::vector<TBytes>& values = {});
    // Answers the requests of a cursor on the records (images numbered 1, 2, ... in order: MOVECURSOR but to
    // a position, appends and cancels, CLOSECURSOR) until another request comes, which it returns.
    TFakeRequest ServeCursor(std::vector<TBytes>& records);
    // Answers every request with success until LOGOUT, or until the client closes the connection.
    void AnswerUntilDone();
    void Reply(uint16_t code, const std::vector<TBytes>& values = {}, bool compress = false);
    void SendRaw(const TBytes& bytes);
    // Waits until the client closes the connection, reading and dropping what it sends.
    void AwaitClose();
    // Ends the connection at once, as a server that drops an idle line (the client finds its end waiting).
    void Hangup();
    // Logs in (version, name) and takes the session parameters.
    void ServeLogin(int32_t version = 32400, const std::string& name = "Central");

private:
    void ReceiveAll(uint8_t* data, size_t size);
    void Fail(const std::string& what);

    int socket_;
    std::vector<TFakeRequest>& log_;
    std::vector<std::string>& failures_;
    std::mutex& lock_;
};

class TFakeServer {
public:
    using TScript = std::function<void(TFakePeer&)>;
    explicit TFakeServer(std::vector<TScript> scripts);
    ~TFakeServer();
    TFakeServer(const TFakeServer&) = delete;
    TFakeServer& operator=(const TFakeServer&) = delete;

    int32_t Port() const { return port_; }
    // Waits until every script has run (or the server gave up waiting for a client).
    void Finish();
    std::vector<TFakeRequest> Requests();
    std::vector<std::string> Failures();

private:
    void Run();
    bool Accept(int& peer);

    std::vector<TScript> scripts_;
    int listener_ = -1;
    int32_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<TFakeRequest> log_;
    std::vector<std::string> failures_;
    std::thread thread_;
};

} // namespace vorsam::test
