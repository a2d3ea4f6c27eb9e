// SPDX-License-Identifier: MIT
#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "util/platform/FileSystem.h"
#include "util/platform/FolderArgument.h"

namespace platform {

namespace {

struct FreeText {
    void operator()(char* text) const noexcept { std::free(text); }
};

}  // namespace

bool folderFromNative(const std::string& native, std::string& folder, std::string& reason) {
    // realpath resolves every link and "." and "..": one folder, one text.
    const std::unique_ptr<char, FreeText> resolved(::realpath(native.c_str(), nullptr));
    if (!resolved) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat status {};
    if (::stat(resolved.get(), &status) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(status.st_mode)) {
        reason = std::strerror(ENOTDIR);
        return false;
    }
    DIR* listing = ::opendir(resolved.get());
    if (listing == nullptr) {
        reason = std::strerror(errno);
        return false;
    }
    ::closedir(listing);
    if (!fromNativePath(resolved.get(), folder)) {
        reason = std::strchr(resolved.get(), '\\') != nullptr
                     ? "a name in it holds a backslash, which a program path cannot hold"
                     : "no drive of LANBROOK_DRIVES holds it";
        return false;
    }
    if (folder.back() != '\\') folder += '\\';
    return true;
}

}  // namespace platform
