// Test-side driver of the engine's test worker (WorkerCommands.h): starts the worker with its stdin and
// stdout on pipes, sends one command line and waits for its one answer line.
#pragma once

#include <string>
#include <sys/types.h>

namespace worker {

class TWorkerProcess {
public:
    TWorkerProcess();  // starts the worker
    ~TWorkerProcess(); // asks it to exit (or kills it) and reaps it
    TWorkerProcess(const TWorkerProcess&) = delete;
    TWorkerProcess& operator=(const TWorkerProcess&) = delete;

    // Sends the command and returns the answer line ("ok ...", "fail ...", "error ...").
    std::string Send(const std::string& command);
    // Sends the command without waiting for its answer (a command that blocks, such as a lock); the
    // answer is read later with Receive.
    void Post(const std::string& command);
    // Waits for the next answer line.
    std::string Receive();
    // Whether an answer line is there, waiting at most `milliseconds` for one (0: just looking).
    bool HasAnswer(int milliseconds = 0);
    // Sends the command and returns what follows "ok " (throws std::runtime_error on another answer).
    std::string SendOk(const std::string& command);
    // Kills the worker with SIGKILL and waits until it is gone (its locks and descriptors are released).
    void Kill();
    pid_t Pid() const { return pid_; }
    // The pipe the answers come through, for waiting on several workers at once (poll); an answer
    // already read and not yet received is not shown there: ask HasAnswer.
    int AnswerDescriptor() const { return fromWorker_; }

private:
    bool ReadMore(int milliseconds);

    pid_t pid_ = -1;
    int toWorker_ = -1;
    int fromWorker_ = -1;
    std::string pending_;
};

} // namespace worker
