// The base library's process-wide objects as one explicit context: created in a fixed order by
// InitializeLibraryGlobals (when the engine starts) and freed in the reverse order by
// FinalizeLibraryGlobals (when it stops). Nothing here is a static object, so no destruction-order
// surprises at process exit. The engine can be started again after it was stopped; each start gets
// fresh objects (the in-memory files of the "Memory" database are gone after a stop).
//
// Order of creation: collation cache, open-file list (which owns the file-fault injector). Pools of
// later layers (expression tokens, record bitmaps) are added here in front of them.
#pragma once

namespace vorsam {

class TFileList;
class TCollationCache;

// Creates the objects; a second call while they exist does nothing.
void InitializeLibraryGlobals();
// Frees them in reverse order; nothing when they do not exist. Every file handler must be closed.
void FinalizeLibraryGlobals();
bool LibraryGlobalsInitialized();

// The objects; before InitializeLibraryGlobals they raise VORSAM_NOTINITIALIZED.
TFileList& GetFileList();
TCollationCache& GetCollationCache();

// Initializes the globals for its lifetime (tests, tools).
class TLibraryGlobalsScope {
public:
    TLibraryGlobalsScope() { InitializeLibraryGlobals(); }
    ~TLibraryGlobalsScope() { FinalizeLibraryGlobals(); }
    TLibraryGlobalsScope(const TLibraryGlobalsScope&) = delete;
    TLibraryGlobalsScope& operator=(const TLibraryGlobalsScope&) = delete;
};

} // namespace vorsam
