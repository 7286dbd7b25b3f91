// Start and stop of the engine.
//
// The engine is started when the default session component becomes active (InitializeEngine: the
// default engine session, made current) and stopped when that session stops (FinalizeEngine). The base
// library's process-wide objects (open-file list with the in-memory files, collation cache) live
// exactly as long as some engine session does: the first session created starts them, the last one
// destroyed frees them. So stopping the default session while another engine session still lives never
// pulls the open files from under it, and a restart begins with fresh objects. Objects that something
// else started before the first session (a test program, a tool) are left to it.
//
// Like the engine state (EngineState.h), all of this runs under the session lock of the session that
// is working; nothing here has a lock of its own.
#pragma once

#include <cstddef>
#include <memory>

namespace vorsam {

class TDataSession;

// Starts the engine unless it is started: the default engine session, made current. A second call does
// nothing.
void InitializeEngine();
// Stops it: frees the default engine session and clears the current engine. Nothing when not started.
void FinalizeEngine();

// A new local engine session (sessions other than the default one own theirs).
std::unique_ptr<TDataSession> CreateDataSession();

// Engine sessions alive now.
size_t LiveEngineSessionCount();

// Held by every engine session for its lifetime: the first holder starts the base library's
// process-wide objects, the last one frees them (when it was the engine that started them).
class TEngineUse {
public:
    TEngineUse();
    ~TEngineUse();
    TEngineUse(const TEngineUse&) = delete;
    TEngineUse& operator=(const TEngineUse&) = delete;
};

} // namespace vorsam
