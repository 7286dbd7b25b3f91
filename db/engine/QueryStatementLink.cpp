#include "db/engine/QueryStatementLink.h"

namespace vorsam {

namespace {

TQueryStatementFactory& Factory() {
    static TQueryStatementFactory factory;
    return factory;
}

} // namespace

void SetQueryStatementFactory(TQueryStatementFactory factory) {
    Factory() = std::move(factory);
}

const TQueryStatementFactory& QueryStatementFactory() {
    return Factory();
}

} // namespace vorsam
