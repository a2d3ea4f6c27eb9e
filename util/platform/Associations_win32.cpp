// SPDX-License-Identifier: MIT
// File associations on Windows: the registry under HKEY_CLASSES_ROOT (the
// extension's key names the file type, whose Shell\Open\Command holds the
// command), and the program start through the shell.
#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <type_traits>

#include "util/StringUtility.h"
#include "util/platform/Associations.h"

namespace platform {

namespace {

// Registry values and key paths are held in buffers of this size: 259
// characters and the terminating zero.
constexpr DWORD kBufferSize = 260;

struct CloseKey {
    void operator()(HKEY key) const noexcept { ::RegCloseKey(key); }
};
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, CloseKey>;

// Reads the default (unnamed) text value of the key `path` under
// HKEY_CLASSES_ROOT into `value`. False when the key or the value is missing,
// is not text, or does not fit the buffer with its terminating zero.
bool readDefaultValue(const char* path, char (&value)[kBufferSize]) {
    HKEY opened = nullptr;
    if (::RegOpenKeyA(HKEY_CLASSES_ROOT, path, &opened) != ERROR_SUCCESS) return false;
    const Key key(opened);
    DWORD type = 0;
    DWORD size = kBufferSize;
    if (::RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value),
                           &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    // A value stored without its terminating zero fills the buffer up to the
    // end; one that left no room for the zero counts as too long.
    if (size == 0 || value[size - 1] != '\0') {
        if (size >= kBufferSize) return false;
        value[size] = '\0';
    }
    return true;
}

}  // namespace

bool lookUpOpenCommand(const std::string& extension, std::string& command) {
    char fileType[kBufferSize];
    if (!readDefaultValue(extension.c_str(), fileType)) return false;
    char keyPath[kBufferSize];
    const int length = std::snprintf(keyPath, sizeof keyPath, "%s\\Shell\\Open\\Command", fileType);
    if (length < 0 || static_cast<DWORD>(length) >= kBufferSize) return false;
    char value[kBufferSize];
    if (!readDefaultValue(keyPath, value)) return false;
    command = value;
    return true;
}

bool startProgram(const std::string& program, const std::string& parameters,
                  const std::string& path) {
    std::string filled = parameters;
    StringUtility::replaceAll(filled, "%1", path);
    const HINSTANCE started =
        ::ShellExecuteA(nullptr, "open", program.c_str(), filled.c_str(), nullptr, SW_SHOW);
    // Values above 32 mean success; smaller ones are error codes.
    return reinterpret_cast<std::intptr_t>(started) > 32;
}

}  // namespace platform
