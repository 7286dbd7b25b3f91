#include "WorkerProcess.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace worker {

namespace {

void CheckSystemCall(int result, const char* what) {
    if (result < 0) throw std::runtime_error(std::string("worker: ") + what + " failed");
}

} // namespace

TWorkerProcess::TWorkerProcess() {
    ::signal(SIGPIPE, SIG_IGN); // a worker that died shows as a failed write, not a killed test
    int input[2], output[2];
    CheckSystemCall(::pipe2(input, O_CLOEXEC), "pipe");
    CheckSystemCall(::pipe2(output, O_CLOEXEC), "pipe");
    pid_ = ::fork();
    CheckSystemCall(pid_, "fork");
    if (pid_ == 0) {
        ::dup2(input[0], STDIN_FILENO);
        ::dup2(output[1], STDOUT_FILENO);
        ::execl(CENTRPRG_DB_WORKER, CENTRPRG_DB_WORKER, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(input[0]);
    ::close(output[1]);
    toWorker_ = input[1];
    fromWorker_ = output[0];
}

TWorkerProcess::~TWorkerProcess() {
    if (pid_ > 0) {
        ::close(toWorker_); // end of input: the worker leaves its loop and exits
        ::close(fromWorker_);
        ::waitpid(pid_, nullptr, 0);
    }
}

std::string TWorkerProcess::Send(const std::string& command) {
    Post(command);
    return Receive();
}

void TWorkerProcess::Post(const std::string& command) {
    if (pid_ <= 0) throw std::runtime_error("worker: not running");
    std::string line = command + "\n";
    for (size_t done = 0; done < line.size();) {
        ssize_t n = ::write(toWorker_, line.data() + done, line.size() - done);
        CheckSystemCall(int(n), "write");
        done += size_t(n);
    }
}

// Reads what the worker wrote, waiting at most `milliseconds` (-1: as long as it takes); false when
// nothing came.
bool TWorkerProcess::ReadMore(int milliseconds) {
    pollfd request{fromWorker_, POLLIN, 0};
    if (::poll(&request, 1, milliseconds) <= 0) return false;
    char buffer[4096];
    ssize_t n = ::read(fromWorker_, buffer, sizeof buffer);
    if (n <= 0) throw std::runtime_error("worker: ended without an answer");
    pending_.append(buffer, size_t(n));
    return true;
}

std::string TWorkerProcess::Receive() {
    size_t end;
    while ((end = pending_.find('\n')) == std::string::npos) ReadMore(-1);
    std::string answer = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    return answer;
}

bool TWorkerProcess::HasAnswer(int milliseconds) {
    if (pid_ <= 0) throw std::runtime_error("worker: not running");
    while (pending_.find('\n') == std::string::npos)
        if (!ReadMore(milliseconds)) return false;
    return true;
}

std::string TWorkerProcess::SendOk(const std::string& command) {
    std::string answer = Send(command);
    if (answer == "ok") return {};
    if (answer.rfind("ok ", 0) != 0) throw std::runtime_error("worker: " + command + " -> " + answer);
    return answer.substr(3);
}

void TWorkerProcess::Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    ::close(toWorker_);
    ::close(fromWorker_);
    pid_ = -1;
}

} // namespace worker
