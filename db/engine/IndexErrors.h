// Where the errors raised by index pages and index paths get their context (the table's and database's
// names). The index file provides it; pages and paths made apart from a file raise with an empty one.
#pragma once

#include "db/lib/EngineErrors.h"

namespace vorsam {

class TIndexErrorSource {
public:
    virtual TErrorContext IndexErrorContext() const = 0;

protected:
    ~TIndexErrorSource() = default;
};

// Raises the error with the source's context (an empty one without a source).
[[noreturn]] inline void RaiseIndexError(uint16_t code, const TIndexErrorSource* source) {
    RaiseEngineError(code, source ? source->IndexErrorContext() : TErrorContext{});
}

} // namespace vorsam
