// Commands of the engine's test worker: a small program that multi-process tests start and drive through
// pipes. Each line on its stdin is a command word and blank-separated arguments; each command answers
// with exactly one line on stdout:
//   "ok[ value...]"            done (values depend on the command)
//   "fail[ reason]"            refused without an error (a lock that is held elsewhere)
//   "error <code> <message>"   an engine error was raised (code in decimal)
// The worker only acts when told, so tests order processes by waiting for answers, never by sleeping.
//
// Commands are registered by name from any .cpp file of this folder (see FileCommands.cpp):
//   static TWorkerCommandRegistrar reg("name", [](TWorkerArgs args) { ...; return Ok(); });
// Later engine layers add their own files (tables, locks, change counters, torture loops).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace worker {

using TWorkerArgs = const std::vector<std::string>&;
using TWorkerCommand = std::function<std::string(TWorkerArgs)>;

void RegisterWorkerCommand(const std::string& name, TWorkerCommand command);

struct TWorkerCommandRegistrar {
    TWorkerCommandRegistrar(const std::string& name, TWorkerCommand command) {
        RegisterWorkerCommand(name, std::move(command));
    }
};

inline std::string Ok(const std::string& values = {}) {
    return values.empty() ? "ok" : "ok " + values;
}
inline std::string Fail(const std::string& reason = {}) {
    return reason.empty() ? "fail" : "fail " + reason;
}

// Argument helpers: the nth argument (after the command word) as a number; true when a flag word is present.
uint64_t NumberArg(TWorkerArgs args, size_t n);
bool HasFlag(TWorkerArgs args, const std::string& flag);
// The value of an option argument "name=<n>", or `otherwise`.
uint64_t OptionArg(TWorkerArgs args, const std::string& name, uint64_t otherwise);

} // namespace worker
