// SPDX-License-Identifier: MIT
#pragma once

// The POSIX environment calls the tests use, for Windows builds, where the
// runtime offers only _putenv. Included in every test source of a Windows
// build by the build files, so one test source serves both systems.
// _putenv copies its text and updates the process environment as well, so
// child processes see the change. Windows keeps no empty variables: setting
// one to "" removes it.
#include <cstdlib>
#include <string>

inline int setenv(const char* name, const char* value, int overwrite) {
    if (overwrite == 0 && std::getenv(name) != nullptr) return 0;
    return ::_putenv((std::string(name) + "=" + value).c_str());
}

inline int unsetenv(const char* name) {
    return ::_putenv((std::string(name) + "=").c_str());
}
