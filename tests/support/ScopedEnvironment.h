// SPDX-License-Identifier: MIT
#pragma once

#include <cstdlib>
#include <string>

// Sets (or, with a null value, removes) one environment variable for the
// lifetime of the object, then restores what was there before.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
            hadValue_ = true;
        }
        if (value != nullptr)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ScopedEnvironment(const char* name, const std::string& value)
        : ScopedEnvironment(name, value.c_str()) {}
    ~ScopedEnvironment() {
        if (hadValue_)
            setenv(name_.c_str(), old_.c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::string old_;
    bool hadValue_ = false;
};
