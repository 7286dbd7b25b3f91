#include "db/lib/LibraryGlobals.h"

#include "db/lib/CollationCache.h"
#include "db/lib/EngineErrors.h"
#include "db/lib/FileList.h"

#include <atomic>
#include <memory>

namespace vorsam {

namespace {

// Members are created top to bottom and destroyed bottom to top.
struct TLibraryGlobals {
    std::unique_ptr<TCollationCache> Collations = std::make_unique<TCollationCache>();
    std::unique_ptr<TFileList> Files = std::make_unique<TFileList>();
};

std::atomic<TLibraryGlobals*> Globals{nullptr};

TLibraryGlobals& Current() {
    TLibraryGlobals* globals = Globals.load(std::memory_order_acquire);
    if (!globals) RaiseEngineError(VORSAM_NOTINITIALIZED);
    return *globals;
}

} // namespace

void InitializeLibraryGlobals() {
    if (Globals.load()) return;
    Globals.store(new TLibraryGlobals, std::memory_order_release);
}

void FinalizeLibraryGlobals() {
    delete Globals.exchange(nullptr);
}

bool LibraryGlobalsInitialized() {
    return Globals.load() != nullptr;
}

TFileList& GetFileList() {
    return *Current().Files;
}

TCollationCache& GetCollationCache() {
    return *Current().Collations;
}

} // namespace vorsam
