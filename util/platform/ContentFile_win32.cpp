// SPDX-License-Identifier: MIT
#include <windows.h>

#include <algorithm>
#include <string>

#include "util/platform/ContentFile.h"

namespace platform {

namespace {

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

void setError(FileError& error, DWORD code) {
    error.missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    error.reason =
        length > 0 && text != nullptr ? std::string(text, length) : "error " + std::to_string(code);
    if (text != nullptr) ::LocalFree(text);
    while (!error.reason.empty() && (error.reason.back() == '\n' || error.reason.back() == '\r' ||
                                     error.reason.back() == ' '))
        error.reason.pop_back();
}

// Seconds since 1970 UTC of a FILETIME (100 ns since 1601 UTC).
std::int64_t unixSeconds(const FILETIME& time) {
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

// Nanoseconds since 1970 UTC of a time in 100 ns since 1601 UTC.
std::int64_t unixNanos(std::int64_t ticks) {
    return (ticks - 116444736000000000LL) * 100;
}

bool statusOfHandle(HANDLE handle, FileStatus& status) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) return false;
    // The change time moves with every write and attribute change, also when
    // the last-write time is set back; only this call gives it.
    FILE_BASIC_INFO basic{};
    if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) return false;
    status.length = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    status.modificationTime = unixSeconds(info.ftLastWriteTime);
    status.modificationNanos = unixNanos(basic.LastWriteTime.QuadPart);
    status.changeNanos = unixNanos(basic.ChangeTime.QuadPart);
    status.identity.device = info.dwVolumeSerialNumber;
    status.identity.fileNumber =
        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    status.regular =
        (info.dwFileAttributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
    return true;
}

// Opens `path` itself (a link is not followed) with `access` and `flags`.
HANDLE openName(const std::string& path, DWORD access, DWORD flags) {
    return ::CreateFileA(path.c_str(), access,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

}  // namespace

bool fileStatus(const std::string& path, FileStatus& status, FileError& error) {
    // No access rights asked: the attributes are read, never the content.
    const HANDLE handle = openName(path, 0, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle == INVALID_HANDLE_VALUE) {
        setError(error, ::GetLastError());
        return false;
    }
    const bool ok = statusOfHandle(handle, status);
    if (!ok) setError(error, ::GetLastError());
    ::CloseHandle(handle);
    return ok;
}

ContentFile::~ContentFile() {
    if (handle_ != -1) ::CloseHandle(handleOf(handle_));
}

bool ContentFile::open(const std::string& path) {
    if (handle_ != -1) {
        setError(error_, ERROR_BUSY);
        return false;
    }
    const HANDLE handle = openName(path, GENERIC_READ, FILE_FLAG_SEQUENTIAL_SCAN);
    if (handle == INVALID_HANDLE_VALUE) {
        setError(error_, ::GetLastError());
        return false;
    }
    if (!statusOfHandle(handle, status_) || !status_.regular) {
        if (status_.regular)
            setError(error_, ::GetLastError());
        else
            error_ = FileError{false, "not a regular file"};
        ::CloseHandle(handle);
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    return true;
}

bool ContentFile::refreshStatus(FileStatus& status) {
    if (handle_ == -1 || !statusOfHandle(handleOf(handle_), status)) {
        setError(error_, handle_ == -1 ? ERROR_INVALID_HANDLE : ::GetLastError());
        return false;
    }
    return true;
}

std::int64_t ContentFile::read(void* buffer, std::size_t count) {
    if (handle_ == -1) return -1;
    std::size_t done = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (done < count) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(handleOf(handle_), bytes + done, chunk, &got, nullptr)) {
            setError(error_, ::GetLastError());
            return -1;
        }
        if (got == 0) break;
        done += got;
    }
    return static_cast<std::int64_t>(done);
}

std::int64_t ContentFile::readAt(std::uint64_t offset, void* buffer, std::size_t count) {
    if (handle_ == -1) return -1;
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(handleOf(handle_), position, nullptr, FILE_BEGIN)) {
        setError(error_, ::GetLastError());
        return -1;
    }
    return read(buffer, count);
}

}  // namespace platform
