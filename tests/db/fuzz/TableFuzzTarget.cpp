// The libFuzzer target of damaged table files (TableFuzzInput.h); built by the "fuzz" preset only. A
// table whose damage the consistency check misses, while a scan runs into it, and a sound table that a
// write leaves damaged are reported as crashes.
#include "TableFuzzInput.h"

#include "db/lib/LibraryGlobals.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorsam::InitializeLibraryGlobals();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using vorsam::test::TFuzzOutcome;
    std::string problems;
    TFuzzOutcome outcome = vorsam::test::RunTableInput({data, size}, &problems);
    if (outcome == TFuzzOutcome::Unnoticed || outcome == TFuzzOutcome::BrokenByWrite) {
        std::fprintf(stderr, "%s:\n%s",
                     outcome == TFuzzOutcome::Unnoticed ? "the check found nothing, the scan found"
                                                        : "a sound table broken by a write",
                     problems.c_str());
        std::abort();
    }
    return 0;
}
