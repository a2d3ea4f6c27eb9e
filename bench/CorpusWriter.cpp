// SPDX-License-Identifier: MIT
#include "CorpusWriter.h"

#include "FileDescriptor.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr std::size_t kBufferBytes = 1 << 20;

struct CloseDir {
    void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};

timespec toTimespec(std::int64_t seconds) {
    timespec time{};
    time.tv_sec = static_cast<time_t>(seconds);
    return time;
}

bool isEmptyFolder(const std::string& path) {
    std::unique_ptr<DIR, CloseDir> dir(::opendir(path.c_str()));
    if (!dir) return false;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            return false;
        }
    }
    return true;
}

// Fills `out` with the next `count` bytes of a file's content stream: eight
// bytes per draw of a generator seeded with the file's content seed.
void fillContent(Random& stream, unsigned char* out, std::size_t count) {
    for (std::size_t i = 0; i < count; i += 8) {
        const std::uint64_t word = stream.next();
        const std::size_t n = std::min<std::size_t>(8, count - i);
        for (std::size_t b = 0; b < n; ++b)
            out[i + b] = static_cast<unsigned char>(word >> (8 * b));
    }
}

}  // namespace

CorpusWriter::CorpusWriter(const CorpusPlan& plan, std::string root)
    : plan_(plan), root_(std::move(root)), buffer_(kBufferBytes) {}

bool CorpusWriter::write() {
    ::umask(022);
    if (!makeRoot() || !makeFolders()) return false;
    for (const PlannedFile& file : plan_.files()) {
        if (!writeFile(file)) return false;
    }
    return setFolderTimes();
}

bool CorpusWriter::makeRoot() {
    for (std::size_t slash = root_.find('/', 1); slash != std::string::npos;
         slash = root_.find('/', slash + 1)) {
        const std::string parent = root_.substr(0, slash);
        if (::mkdir(parent.c_str(), 0755) != 0 && errno != EEXIST)
            return fail("cannot create", parent);
    }
    if (::mkdir(root_.c_str(), 0755) == 0) return true;
    if (errno == EEXIST && isEmptyFolder(root_)) return true;
    if (errno == EEXIST) {
        std::fprintf(stderr, "make_corpus: %s exists and is not an empty folder\n", root_.c_str());
        return false;
    }
    return fail("cannot create", root_);
}

bool CorpusWriter::makeFolders() {
    const auto& folders = plan_.folders();
    folderPaths_.assign(1, root_);
    for (std::size_t i = 1; i < folders.size(); ++i) {
        folderPaths_.push_back(folderPaths_[folders[i].parent] + "/" + folders[i].name);
        if (::mkdir(folderPaths_.back().c_str(), 0755) != 0) {
            return fail("cannot create", folderPaths_.back());
        }
    }
    return true;
}

bool CorpusWriter::writeFile(const PlannedFile& file) {
    const std::string path = folderPaths_[file.folder] + "/" + file.name;
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (fd.get() < 0) return fail("cannot create", path);
    Random stream(file.contentSeed);
    for (std::uint64_t done = 0; done < file.size;) {
        // Whole multiples of eight keep the stream aligned across chunks.
        const auto chunk =
            static_cast<std::size_t>(std::min<std::uint64_t>(kBufferBytes, file.size - done));
        fillContent(stream, buffer_.data(), chunk);
        if (::write(fd.get(), buffer_.data(), chunk) != static_cast<ssize_t>(chunk)) {
            return fail("cannot write", path);
        }
        done += chunk;
    }
    const timespec times[2] = {toTimespec(file.mtime), toTimespec(file.mtime)};
    if (::futimens(fd.get(), times) != 0) return fail("cannot set the time of", path);
    if (!fd.close()) return fail("cannot close", path);
    return true;
}

bool CorpusWriter::setFolderTimes() {
    const auto& folders = plan_.folders();
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const timespec times[2] = {toTimespec(folders[i].mtime), toTimespec(folders[i].mtime)};
        if (::utimensat(AT_FDCWD, folderPaths_[i].c_str(), times, 0) != 0) {
            return fail("cannot set the time of", folderPaths_[i]);
        }
    }
    return true;
}

bool CorpusWriter::fail(const std::string& what, const std::string& path) const {
    std::fprintf(stderr, "make_corpus: %s %s: %s\n", what.c_str(), path.c_str(),
                 std::strerror(errno));
    return false;
}
