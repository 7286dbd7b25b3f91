#pragma once
// Sets an environment variable for the lifetime of the object and restores it (or its absence)
// afterwards, also when the test fails.

#include <cstdlib>
#include <optional>
#include <string>

class TTestEnvironmentVariable {
public:
    TTestEnvironmentVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    TTestEnvironmentVariable(const TTestEnvironmentVariable&) = delete;
    TTestEnvironmentVariable& operator=(const TTestEnvironmentVariable&) = delete;
    ~TTestEnvironmentVariable() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};
