// A fake owning table for the tests of the table files on their own: fixed names, settings of its own
// (or those of the test), lock state, order and encryption set by the test, writes counted.
#pragma once

#include "db/engine/TableFileOwner.h"

namespace vorsam::test {

class TFakeTableOwner : public TableFileOwner {
public:
    TFakeTableOwner() = default;
    explicit TFakeTableOwner(const EngineSettings& settings) : External(&settings) {}

    const EngineSettings& Settings() const override { return External ? *External : Config; }
    std::string TableName() const override { return "PEOPLE"; }
    std::string DatabaseName() const override { return "/data"; }
    void MarkModified() override { ++Modifications; }
    void BeforeWrite() override { ++WriteStarts; }
    bool Encrypted() const override { return IsEncrypted; }
    bool Locked() const override { return IsLocked || IsLockedWhole; }
    bool LockedWhole() const override { return IsLockedWhole; }
    bool RecordOrder() const override { return IsRecordOrder; }

    EngineSettings Config;
    const EngineSettings* External = nullptr; // the test's settings, read instead of Config
    bool IsLocked = false;
    bool IsLockedWhole = false;
    bool IsRecordOrder = false;
    bool IsEncrypted = false;
    int Modifications = 0;
    int WriteStarts = 0;
};

} // namespace vorsam::test
