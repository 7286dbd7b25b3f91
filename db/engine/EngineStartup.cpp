#include "db/engine/EngineStartup.h"

#include "db/engine/DataSession.h"
#include "db/engine/EngineState.h"
#include "db/lib/LibraryGlobals.h"

#include <cassert>

namespace vorsam {

namespace {

size_t LiveSessions = 0;
bool EngineStartedGlobals = false;
std::unique_ptr<TDataSession> DefaultEngineSession;

} // namespace

TEngineUse::TEngineUse() {
    if (LiveSessions == 0 && !LibraryGlobalsInitialized()) {
        InitializeLibraryGlobals();
        EngineStartedGlobals = true;
    }
    ++LiveSessions;
}

TEngineUse::~TEngineUse() {
    assert(LiveSessions > 0);
    if (--LiveSessions == 0 && EngineStartedGlobals) {
        FinalizeLibraryGlobals();
        EngineStartedGlobals = false;
    }
}

size_t LiveEngineSessionCount() {
    return LiveSessions;
}

void InitializeEngine() {
    if (EngineInitialized()) return;
    DefaultEngineSession = CreateDataSession();
    SetEngineInitialized(true);
    SetEngine(DefaultEngineSession.get());
}

void FinalizeEngine() {
    if (!EngineInitialized()) return;
    SetEngine(nullptr);
    SetEngineInitialized(false);
    DefaultEngineSession.reset();
}

std::unique_ptr<TDataSession> CreateDataSession() {
    return std::make_unique<TDataSession>();
}

} // namespace vorsam
