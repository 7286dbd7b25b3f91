#include "db/engine/EngineState.h"

#include "db/lib/EngineErrors.h"

namespace vorsam {

namespace {
bool Initialized = false;
TDataSession* Current = nullptr;
} // namespace

bool EngineInitialized() {
    return Initialized;
}

void SetEngineInitialized(bool value) {
    Initialized = value;
}

TDataSession* CurrentEngine() {
    return Current;
}

TDataSession* GetEngine() {
    if (!Initialized) RaiseEngineError(VORSAM_NOTINITIALIZED, "", "", "", "", "", "", "");
    return Current;
}

void SetEngine(TDataSession* session) {
    Current = session;
}

} // namespace vorsam
