// SPDX-License-Identifier: MIT
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <windows.h>

#include <cstdio>

#include "util/platform/OpenFolder.h"
#include "util/platform/ReadOnlyFile.h"

namespace platform {

namespace {
std::FILE* stream(std::intptr_t handle) {
    return reinterpret_cast<std::FILE*>(handle);
}

// Links, identity and allocation of the open file; `space.complete` stays
// false when the system does not give them.
void readSpace(std::FILE* file, std::uint64_t length, SpaceStatus& space) {
    space = SpaceStatus{};
    space.length = length;
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_STANDARD_INFO standard{};
    if (handle == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(handle, &info) ||
        !::GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard))
        return;
    space.links = info.nNumberOfLinks;
    space.identity.device = info.dwVolumeSerialNumber;
    space.identity.fileNumber =
        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    space.allocated = static_cast<std::uint64_t>(standard.AllocationSize.QuadPart);
    space.complete = true;
}
}  // namespace

ReadOnlyFile::~ReadOnlyFile() {
    if (handle_ != -1) std::fclose(stream(handle_));
}

bool ReadOnlyFile::open(const std::string& path) {
    if (handle_ != -1) return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    struct _stat64 status {};
    if (::_fstat64(::_fileno(file), &status) != 0 || (status.st_mode & _S_IFREG) == 0) {
        std::fclose(file);
        return false;
    }
    // Only a few bytes are read at scattered places: a stream buffer would
    // read kilobytes around each of them.
    std::setvbuf(file, nullptr, _IONBF, 0);
    handle_ = reinterpret_cast<std::intptr_t>(file);
    length_ = static_cast<std::uint64_t>(status.st_size);
    mtime_ = static_cast<std::int64_t>(status.st_mtime);
    readSpace(file, length_, space_);
    return true;
}

bool ReadOnlyFile::open(const OpenFolder& folder, const std::string& name) {
    if (folder.descriptor_ < 0 || name.empty() || name.find_first_of("\\/") != std::string::npos)
        return false;
    return open(folder.path_ + name);
}

std::size_t ReadOnlyFile::readAt(std::uint64_t offset, void* buffer, std::size_t count) {
    if (handle_ == -1) return 0;
    if (::_fseeki64(stream(handle_), static_cast<__int64>(offset), SEEK_SET) != 0) return 0;
    return std::fread(buffer, 1, count, stream(handle_));
}

}  // namespace platform
