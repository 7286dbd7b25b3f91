// A flag that is on for the life of a scope: set when made, cleared when the scope ends, whether
// it returns or throws: a handler's guard against running again from within itself, or its way
// of telling what it calls that it is under way.
#pragma once

class TScopedFlag {
public:
    explicit TScopedFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~TScopedFlag() { flag_ = false; }
    TScopedFlag(const TScopedFlag&) = delete;
    TScopedFlag& operator=(const TScopedFlag&) = delete;

private:
    bool& flag_;
};
