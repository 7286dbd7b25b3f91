#include "db/lib/NumberUtils.h"

#include "db/lib/EngineErrors.h"

#include <limits>

namespace vorsam {

int32_t NegateInteger(int32_t value) {
    if (value == std::numeric_limits<int32_t>::min()) RaiseEngineError(VORSAM_OUTOFRANGE, "-(-2147483648)");
    return -value;
}

} // namespace vorsam
