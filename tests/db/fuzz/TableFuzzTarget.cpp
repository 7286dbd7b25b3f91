// The libFuzzer target of damaged table files (TableFuzzInput.h); built by the "fuzz" preset only. A
// table whose damage the consistency check misses, while a scan runs into it, is reported as a crash.
#include "TableFuzzInput.h"

#include "db/lib/LibraryGlobals.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorsam::InitializeLibraryGlobals();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string problems;
    if (vorsam::test::RunTableInput({data, size}, &problems) == vorsam::test::TFuzzOutcome::Unnoticed) {
        std::fprintf(stderr, "the check found nothing, the scan found:\n%s", problems.c_str());
        std::abort();
    }
    return 0;
}
