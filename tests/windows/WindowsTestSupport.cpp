// SPDX-License-Identifier: MIT
#include "WindowsTestSupport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace wintest {

namespace {

using UnixFileName = char*(CDECL*)(LPCWSTR);

// Wine's own export that names the Unix file behind a DOS path.
UnixFileName unixFileNameFunction() {
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return nullptr;
    // Through a function type without parameters, the one cast GCC accepts
    // between unrelated function types without a warning.
    return reinterpret_cast<UnixFileName>(
        reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "wine_get_unix_file_name")));
}

std::wstring wide(const std::string& utf8) {
    const int length =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(),
                          length);
    return text;
}

std::string utf8(const std::wstring& text) {
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                             nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                          length, nullptr, nullptr);
    return bytes;
}

}  // namespace

bool underWine() {
    return unixFileNameFunction() != nullptr;
}

bool unixPathOf(const std::string& path, std::string& unixPath) {
    const UnixFileName unixFileName = unixFileNameFunction();
    if (unixFileName == nullptr) return false;
    char* found = unixFileName(wide(path).c_str());
    if (found == nullptr) return false;
    unixPath = found;
    ::HeapFree(::GetProcessHeap(), 0, found);
    return true;
}

bool pathThroughUnixRoot(const std::string& path, std::string& throughZ) {
    std::string unixPath;
    if (!unixPathOf(path, unixPath)) return false;
    throughZ = "Z:" + unixPath;
    for (char& c : throughZ)
        if (c == '/') c = '\\';
    return true;
}

std::vector<std::string> wideNamesAsUtf8(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW data{};
    const HANDLE find = ::FindFirstFileW((wide(folder) + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(utf8(data.cFileName));
    while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return names;
}

void setLastWriteTime(const std::string& path, long long seconds, int milliseconds) {
    const HANDLE file =
        ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + path);
    // FILETIME counts 100-nanosecond steps from 1601-01-01 UTC.
    const ULONGLONG ticks = static_cast<ULONGLONG>(seconds + 11644473600LL) * 10000000ULL +
                            static_cast<ULONGLONG>(milliseconds) * 10000ULL;
    const FILETIME time{static_cast<DWORD>(ticks & 0xffffffffULL), static_cast<DWORD>(ticks >> 32)};
    const bool set = ::SetFileTime(file, nullptr, nullptr, &time) != 0;
    ::CloseHandle(file);
    if (!set) throw std::runtime_error("cannot set the time of " + path);
}

std::string recorderPath() {
    // A stage whose test programs lie on no drive copies the recorder to one.
    if (const char* copied = std::getenv("LANBROOK_RECORDER")) return copied;
    char self[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self, length);
    return path.substr(0, path.rfind('\\') + 1) + "lanbrook-recorder.exe";
}

std::vector<std::string> waitForRecord(const std::string& output) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (::GetFileAttributesA(output.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (std::chrono::steady_clock::now() > deadline) return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::vector<std::string> lines;
    std::FILE* file = std::fopen(output.c_str(), "rb");
    if (file == nullptr) return lines;
    std::string line;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        if (c != '\n') {
            line += static_cast<char>(c);
        } else {
            lines.push_back(line);
            line.clear();
        }
    }
    std::fclose(file);
    return lines;
}

bool classKeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (::RegOpenKeyA(HKEY_CLASSES_ROOT, path.c_str(), &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

TestAssociation::TestAssociation(const std::string& extension, const std::string& fileType,
                                 const std::string& command)
    : extension_(extension), fileType_(fileType), command_(command) {
    try {
        writeUnder(HKEY_CURRENT_USER, "Software\\Classes\\");
        throughUserClasses_ = classKeyExists(extension_);
        if (!throughUserClasses_) writeUnder(HKEY_CLASSES_ROOT, "");
    } catch (...) {
        removeCreatedKeys();
        throw;
    }
}

TestAssociation::~TestAssociation() {
    removeCreatedKeys();
}

void TestAssociation::setDefaultIcon(const std::string& location) {
    createKey(HKEY_CURRENT_USER, "Software\\Classes\\" + fileType_ + "\\DefaultIcon", location);
    if (!throughUserClasses_) createKey(HKEY_CLASSES_ROOT, fileType_ + "\\DefaultIcon", location);
}

void TestAssociation::removeCreatedKeys() {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it)
        ::RegDeleteKeyW(it->first, wide(it->second).c_str());
    created_.clear();
}

void TestAssociation::writeUnder(HKEY root, const std::string& base) {
    createKey(root, base + extension_, fileType_);
    if (command_.empty()) return;
    const std::string type = base + fileType_;
    createKey(root, type, "");
    createKey(root, type + "\\Shell", "");
    createKey(root, type + "\\Shell\\Open", "");
    createKey(root, type + "\\Shell\\Open\\Command", command_);
}

// Creates the key `path` (its parent exists) and, unless `value` is empty,
// sets its default value; remembers keys it made for the destructor. The wide
// calls take key paths of any length; Wine's narrow ones stop short of 260
// bytes, and the tests need longer paths than the program can reach.
void TestAssociation::createKey(HKEY root, const std::string& path, const std::string& value) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (::RegCreateKeyExW(root, wide(path).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                          &disposition) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create the registry key " + path);
    if (disposition == REG_CREATED_NEW_KEY) created_.emplace_back(root, path);
    LONG result = ERROR_SUCCESS;
    if (!value.empty()) {
        const std::wstring text = wide(value);
        result =
            ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    ::RegCloseKey(key);
    if (result != ERROR_SUCCESS) throw std::runtime_error("cannot set the value of " + path);
}

}  // namespace wintest
