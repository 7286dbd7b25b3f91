// The owning table of the benchmarks' table files: settings of its own, no locks to take, nothing to
// mark before a write.
#pragma once

#include "db/engine/TableFileOwner.h"

namespace vorsam::bench {

class TBenchOwner : public TableFileOwner {
public:
    const EngineSettings& Settings() const override { return Config; }
    std::string TableName() const override { return "BENCH"; }
    std::string DatabaseName() const override { return "bench"; }
    void MarkModified() override {}
    void BeforeWrite() override {}
    bool Encrypted() const override { return false; }
    bool Locked() const override { return true; }
    bool LockedWhole() const override { return false; }
    bool RecordOrder() const override { return true; }
    EngineSettings Config;
};

} // namespace vorsam::bench
