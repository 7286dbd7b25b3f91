// The engine's work while the user interface waits: walks keep the read slots of their moves for a short
// batch (ReadBatches.h), which ends at the latest when the program's event loop is about to wait for
// input, so that a writer of another process never waits on a program that only shows records.
#pragma once

namespace vorsam {

// Gives up every read batch each time the event loop of the calling thread is about to wait (the
// application must exist); once per thread.
void InstallEngineIdleRelease();

} // namespace vorsam
