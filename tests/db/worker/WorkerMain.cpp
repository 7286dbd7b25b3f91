// The engine's test worker: reads commands from stdin, answers each with one line on stdout.
#include "WorkerCommands.h"

#include "db/lib/EngineErrors.h"
#include "db/lib/LibraryGlobals.h"
#include "db/lib/TextUtils.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <grp.h>
#include <iostream>
#include <map>
#include <unistd.h>

namespace worker {

namespace {

std::map<std::string, TWorkerCommand>& Commands() {
    static std::map<std::string, TWorkerCommand> commands;
    return commands;
}

std::string Run(const std::vector<std::string>& words) {
    auto it = Commands().find(words[0]);
    if (it == Commands().end()) return "error 0 unknown command " + words[0];
    try {
        return it->second(words);
    } catch (const vorsam::EVORSAMEngineError& e) {
        return "error " + std::to_string(e.ErrorCode) + " " + e.what();
    } catch (const std::exception& e) {
        return std::string("error 0 ") + e.what();
    }
}

TWorkerCommandRegistrar pidCommand("pid", [](TWorkerArgs) { return Ok(std::to_string(::getpid())); });
// Dies at once, as a crash or kill -9 would: no handler is closed, no lock released by the program.
TWorkerCommandRegistrar crashCommand("crash", [](TWorkerArgs) -> std::string {
    ::kill(::getpid(), SIGKILL);
    return Fail("still alive");
});

// Goes on as the user and group `uid` (a worker started by root), refused what that user is refused.
TWorkerCommandRegistrar userCommand("asuser", [](TWorkerArgs args) {
    const auto id = uint32_t(NumberArg(args, 1));
    return ::setgroups(0, nullptr) == 0 && ::setgid(id) == 0 && ::setuid(id) == 0 ? Ok() : Fail();
});

} // namespace

void RegisterWorkerCommand(const std::string& name, TWorkerCommand command) {
    Commands()[name] = std::move(command);
}

uint64_t NumberArg(TWorkerArgs args, size_t n) {
    if (n >= args.size()) throw std::invalid_argument("missing argument " + std::to_string(n));
    return std::stoull(args[n], nullptr, 0);
}

bool HasFlag(TWorkerArgs args, const std::string& flag) {
    return std::find(args.begin() + 1, args.end(), flag) != args.end();
}

uint64_t OptionArg(TWorkerArgs args, const std::string& name, uint64_t otherwise) {
    for (const std::string& arg : args)
        if (arg.rfind(name + "=", 0) == 0) return std::stoull(arg.substr(name.size() + 1));
    return otherwise;
}

} // namespace worker

int main() {
    vorsam::InitializeLibraryGlobals();
    std::string line;
    std::vector<std::string> words;
    while (std::getline(std::cin, line)) {
        vorsam::SplitAtBlanks(line, words);
        if (words.empty()) continue;
        if (words[0] == "exit") break;
        std::cout << worker::Run(words) << std::endl;
    }
    return 0;
}
