// The engine core's process-wide state: whether the engine is started and which engine session the code
// now running works with. Plain values without a lock of their own: they are read and written under the
// session lock held by the session that is working.
//
// The engine is started (InitializeEngine: library globals, then the default engine session) when the
// default session component becomes active and stopped when it stops; both live with the session code,
// which sets the state through SetEngineInitialized and SetEngine.
#pragma once

namespace vorsam {

class TDataSession;

bool EngineInitialized();
void SetEngineInitialized(bool value);

// The current engine session, or none.
TDataSession* CurrentEngine();
// The current engine session; before the engine is started it raises error 0x2A06 (VORSAM_NOTINITIALIZED)
// with all context strings empty.
TDataSession* GetEngine();
// Makes the session current without any check (sessions switch to themselves while they work).
void SetEngine(TDataSession* session);

} // namespace vorsam
