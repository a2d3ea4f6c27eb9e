// SPDX-License-Identifier: MIT
// The freedesktop.org trash, kept here rather than left to a desktop library
// so that the program knows where each file went and can put it back. The
// info file is made first, with O_EXCL, so two programs never take one name;
// then the file is renamed into files/ under that name, never replacing
// anything there. A rename never copies: a file on another file system than
// its trash is refused and stays where it is.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "util/platform/FileSystem.h"
#include "util/platform/PosixStatus.h"
#include "util/platform/Trash.h"
#include "util/platform/TrashFolder_posix.h"

namespace platform {

namespace {

constexpr std::size_t kNameMax = 255;
constexpr const char* kInfoSuffix = ".trashinfo";
constexpr std::size_t kInfoSuffixLength = 10;
constexpr int kMostNames = 100000;

bool unreserved(unsigned char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= '0' && byte <= '9') ||
           (byte != 0 && std::strchr("-_.!~*'()/", byte) != nullptr);
}

// The bytes of a path written as the trash's Path key: every byte but the
// unreserved characters of a URL and the slash becomes %XX.
std::string percentEncoded(const std::string& bytes) {
    static const char* const hex = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (unreserved(byte)) {
            text += c;
        } else {
            text += '%';
            text += hex[byte >> 4];
            text += hex[byte & 0x0F];
        }
    }
    return text;
}

// Now in local time, as the trash's DeletionDate key wants it.
std::string deletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[32] = "";
    if (::localtime_r(&now, &local) != nullptr)
        (void)std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// The name in the trash for try `attempt` of the file `name`: the name itself
// first, then "stem.N.ext". Cut at a character boundary so that the info
// file's name stays within the file system's limit.
std::string candidateName(const std::string& name, int attempt) {
    const std::string counter = attempt == 0 ? std::string() : "." + std::to_string(attempt + 1);
    const auto dot = name.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot > 0 && name.size() - dot <= 16;
    const std::string extension = hasExtension ? name.substr(dot) : std::string();
    std::string stem = hasExtension ? name.substr(0, dot) : name;
    const std::size_t room = kNameMax - kInfoSuffixLength - counter.size() - extension.size();
    if (stem.size() > room) {
        stem.resize(room);
        // Drop a UTF-8 sequence the cut left unfinished.
        std::size_t start = stem.size();
        while (start > 0 && (static_cast<unsigned char>(stem[start - 1]) & 0xC0) == 0x80) --start;
        if (start > 0 && static_cast<unsigned char>(stem[start - 1]) >= 0xC0)
            stem.resize(start - 1);
    }
    return stem + counter + extension;
}

// Writes the info file `path` only if no file of that name exists; 0 or the
// error (EEXIST: the name is taken, try another).
int writeInfo(const std::string& path, const std::string& pathKey) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    const std::string text =
        "[Trash Info]\nPath=" + percentEncoded(pathKey) + "\nDeletionDate=" + deletionDate() + "\n";
    std::size_t done = 0;
    int error = 0;
    while (done < text.size() && error == 0) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno != EINTR) error = errno;
        if (n > 0) done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) (void)::unlink(path.c_str());
    return error;
}

// Renames `from` to `to` unless `to` exists; 0 or the error.
int renameIntoTrash(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without the no-replace rename: the name in files/ is
    // reserved by its info file, so only a program that ignores the trash's
    // rules could take it between this look and the rename.
    struct stat taken {};
    if (::lstat(to.c_str(), &taken) == 0) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Gives the trashed file `from` back its name `to` without replacing
// anything; 0 or the error.
int renameBack(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // Without the no-replace rename a regular file goes back as a second
    // name, which cannot replace a file either, and loses its trash name.
    struct stat info {};
    if (::lstat(from.c_str(), &info) != 0) return errno;
    if (!S_ISREG(info.st_mode)) return ENOTSUP;
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    (void)::unlink(from.c_str());
    return 0;
}

std::string moveFailure(int error, const std::string& trash) {
    if (error == EXDEV)
        return "the trash " + trash +
               " lies on another file system (a mount of its own); the file is not copied there";
    return std::strerror(error);
}

}  // namespace

bool moveToTrash(const std::string& path, TrashedItem& item, std::string& reason) {
    item = TrashedItem{path, {}, {}};
    std::string native = toNativePath(path);
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    struct stat file {};
    if (native.empty() || native == "/") {
        reason = "the path lies on no mapped drive";
        return false;
    }
    if (::lstat(native.c_str(), &file) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    posix::TrashFolder trash;
    if (!trash.findFor(native, file, reason)) return false;
    const std::string name = native.substr(native.find_last_of('/') + 1);
    for (int attempt = 0; attempt < kMostNames; ++attempt) {
        const std::string candidate = candidateName(name, attempt);
        const std::string info = trash.folder() + "/info/" + candidate + kInfoSuffix;
        const std::string target = trash.folder() + "/files/" + candidate;
        int error = writeInfo(info, trash.pathKey());
        if (error == EEXIST) continue;
        if (error != 0) {
            reason = "cannot write " + info + ": " + std::strerror(error);
            return false;
        }
        error = renameIntoTrash(native, target);
        if (error == 0) {
            item.trashedPath = target;
            item.infoPath = info;
            return true;
        }
        (void)::unlink(info.c_str());
        if (error == EEXIST) continue;
        reason = moveFailure(error, trash.folder());
        return false;
    }
    reason = "the trash holds too many files named " + name;
    return false;
}

bool trashedStatus(const TrashedItem& item, FileStatus& status, FileError& error) {
    struct stat info {};
    if (item.trashedPath.empty()) {
        error = FileError{true, "the place in the trash is not known"};
        return false;
    }
    if (::lstat(item.trashedPath.c_str(), &info) != 0) {
        posix::setError(error, errno);
        return false;
    }
    status = posix::statusOf(info);
    return true;
}

bool restoreFromTrash(const TrashedItem& item, std::string& reason) {
    const std::string original = toNativePath(item.originalPath);
    if (original.empty() || item.trashedPath.empty()) {
        reason = "the place in the trash is not known";
        return false;
    }
    const int error = renameBack(item.trashedPath, original);
    if (error == EEXIST) {
        reason = "its place is taken: " + original;
        return false;
    }
    if (error == ENOENT && ::access(item.trashedPath.c_str(), F_OK) == 0) {
        reason = "its folder is gone: " + original;
        return false;
    }
    if (error != 0) {
        reason = error == ENOTSUP
                     ? "this file system cannot put it back without the risk of replacing a file"
                     : std::strerror(error);
        return false;
    }
    // A record left behind would show the file in the trash still.
    if (!item.infoPath.empty()) (void)::unlink(item.infoPath.c_str());
    return true;
}

// Moving to the trash shows nothing on POSIX systems.
void setTrashOwnerWindow(std::uintptr_t) {}

}  // namespace platform
