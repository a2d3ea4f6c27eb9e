// SPDX-License-Identifier: MIT
#include "RobustnessSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace {

struct CloseDatabase {
    void operator()(sqlite3* db) const noexcept { sqlite3_close(db); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;

Database openDatabase(const std::string& path) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    Database db(raw);
    if (rc != SQLITE_OK) throw std::runtime_error("cannot open " + path);
    return db;
}

using Columns = std::vector<std::string>;

// Every row of `sql`, each column's text exactly as stored.
std::vector<Columns> columnsOf(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        throw std::runtime_error(std::string(sql) + ": " + sqlite3_errmsg(db));
    std::vector<Columns> rows;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        Columns row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const auto* text = sqlite3_column_text(statement, i);
            row.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "",
                             static_cast<std::size_t>(sqlite3_column_bytes(statement, i)));
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    return rows;
}

// Every row of `sql`, its columns joined by '|'.
std::vector<std::string> rowsOf(sqlite3* db, const char* sql) {
    std::vector<std::string> rows;
    for (const Columns& columns : columnsOf(db, sql)) {
        std::string row;
        for (std::size_t i = 0; i < columns.size(); ++i) row += (i > 0 ? "|" : "") + columns[i];
        rows.push_back(std::move(row));
    }
    return rows;
}

void setOwnerRecursively(const std::string& path, uid_t owner) {
    ::lchown(path.c_str(), owner, owner);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), ::closedir);
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string child = path + "/" + name;
        struct stat status {};
        if (::lstat(child.c_str(), &status) != 0) continue;
        if (S_ISDIR(status.st_mode))
            setOwnerRecursively(child, owner);
        else
            ::lchown(child.c_str(), owner, owner);
    }
}

}  // namespace

ScanDrive::ScanDrive() {
    char pattern[] = "/tmp/lanbrook-robust-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    ::chmod(root_.c_str(), 0755);
    makeFolder("profile");
}

ScanDrive::~ScanDrive() {
    removeTree(root_);
}

std::string ScanDrive::native(const std::string& relative) const {
    return relative.empty() ? root_ + "/drive" : root_ + "/drive/" + relative;
}

std::string ScanDrive::databasePath() const {
    return native("profile/FileInfoData/FileInfo__.db");
}

void ScanDrive::makeFolder(const std::string& relative) const {
    std::string path = root_ + "/drive";
    ::mkdir(path.c_str(), 0755);
    std::size_t from = 0;
    while (from <= relative.size() && !relative.empty()) {
        const std::size_t slash = relative.find('/', from);
        path = native(relative.substr(0, slash));
        ::mkdir(path.c_str(), 0755);
        if (slash == std::string::npos) break;
        from = slash + 1;
    }
}

void ScanDrive::writeFile(const std::string& relative, const std::string& content) const {
    const std::size_t slash = relative.rfind('/');
    if (slash != std::string::npos) makeFolder(relative.substr(0, slash));
    std::ofstream out(native(relative), std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) throw std::runtime_error("cannot write " + native(relative));
}

void ScanDrive::setModificationTime(const std::string& relative, std::int64_t seconds) const {
    const timeval times[2] = {{static_cast<time_t>(seconds), 0}, {static_cast<time_t>(seconds), 0}};
    if (::utimes(native(relative).c_str(), times) != 0)
        throw std::runtime_error("cannot set the time of " + native(relative));
}

void ScanDrive::giveToNobody() const {
    if (::geteuid() == 0) setOwnerRecursively(native(), kNobody);
}

ScanProcess::Options ScanDrive::options(bool verbose) const {
    ScanProcess::Options options;
    options.environment = {"LANBROOK_DRIVES=C:=" + native(), "USERPROFILE=" + native("profile")};
    if (!verbose) options.arguments = {"-q"};
    return options;
}

DatabaseImage readImage(const std::string& databasePath) {
    const Database db = openDatabase(databasePath);
    DatabaseImage image;
    image.folders = rowsOf(db.get(), "SELECT FNAME, FTIME, FLEVEL FROM FILEINFO_DIF");
    image.files = rowsOf(db.get(),
                         "SELECT A.FNAME || B.FNAME, B.MASK, B.FTIME FROM FILEINFO_DIF A, "
                         "FILEINFO_FIF B WHERE B.FOLDERID = A.ID");
    std::sort(image.folders.begin(), image.folders.end());
    std::sort(image.files.begin(), image.files.end());
    image.index = rowsOf(db.get(), "SELECT FTSIZE, FNUM, MASK FROM FILEINFO_IDX ORDER BY ID");
    for (const std::string& row : rowsOf(db.get(), "SELECT MASK, FNAME FROM FILEINFO_IDX")) {
        const std::size_t bar = row.find('|');
        image.indexNames[row.substr(0, bar)] = row.substr(bar + 1);
    }
    image.orphanFiles = std::stoul(rowsOf(db.get(),
                                          "SELECT COUNT(*) FROM FILEINFO_FIF WHERE FOLDERID NOT IN "
                                          "(SELECT ID FROM FILEINFO_DIF)")
                                       .at(0));
    return image;
}

std::map<std::string, std::string> storedFileMasks(const std::string& databasePath) {
    const Database db = openDatabase(databasePath);
    std::map<std::string, std::string> files;
    for (const Columns& row : columnsOf(db.get(),
                                        "SELECT A.FNAME || B.FNAME, B.MASK FROM FILEINFO_DIF A, "
                                        "FILEINFO_FIF B WHERE B.FOLDERID = A.ID"))
        files[row.at(0)] = row.at(1);
    return files;
}

std::vector<std::string> storedFolderNames(const std::string& databasePath) {
    const Database db = openDatabase(databasePath);
    std::vector<std::string> folders;
    for (const Columns& row : columnsOf(db.get(), "SELECT FNAME FROM FILEINFO_DIF"))
        folders.push_back(row.at(0));
    return folders;
}

std::string integrityCheck(const std::string& databasePath) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(databasePath.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    const Database db(raw);
    if (rc != SQLITE_OK) return sqlite3_errstr(rc);
    try {
        const std::vector<std::string> rows = rowsOf(db.get(), "PRAGMA integrity_check");
        return rows.empty() ? "no result" : rows.front();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
}

void executeOn(const std::string& databasePath, const std::string& sql) {
    const Database db = openDatabase(databasePath);
    char* message = nullptr;
    if (sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message != nullptr ? message : "?";
        sqlite3_free(message);
        throw std::runtime_error(sql + ": " + text);
    }
}

namespace {

// Empties the folder open at `fd` of everything but folders; returns the
// name of a folder that is not empty, or "" when none is left.
std::string removeEntriesOrFindFolder(int fd) {
    const int listing = ::dup(fd);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(listing), ::closedir);
    if (!dir) {
        ::close(listing);
        return std::string();
    }
    ::rewinddir(dir.get());
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat status {};
        if (::fstatat(fd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISDIR(status.st_mode)) {
            ::unlinkat(fd, name.c_str(), 0);
        } else if (::unlinkat(fd, name.c_str(), AT_REMOVEDIR) != 0) {
            return name;
        }
    }
    return std::string();
}

}  // namespace

void removeTree(const std::string& path) {
    ::chmod(path.c_str(), 0700);
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        ::unlink(path.c_str());
        return;
    }
    // The names from `path` down to the folder open at `fd`.
    std::vector<std::string> names;
    for (;;) {
        const std::string below = removeEntriesOrFindFolder(fd);
        if (!below.empty()) {
            ::fchmodat(fd, below.c_str(), 0700, 0);
            const int child =
                ::openat(fd, below.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child < 0) break;  // cannot be entered: leave the rest
            ::close(fd);
            fd = child;
            names.push_back(below);
            continue;
        }
        if (names.empty()) break;
        const int parent = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = parent;
        if (fd < 0) return;
        ::unlinkat(fd, names.back().c_str(), AT_REMOVEDIR);
        names.pop_back();
    }
    ::close(fd);
    ::rmdir(path.c_str());
}

void makeFolderChain(const std::string& parent, const std::string& name, int depth,
                     const std::string& fileName) {
    int fd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open " + parent);
    for (int level = 1; level <= depth; ++level) {
        if (::mkdirat(fd, name.c_str(), 0755) != 0 && errno != EEXIST)
            throw std::runtime_error("mkdirat failed at depth " + std::to_string(level));
        const int child = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        if (child < 0) throw std::runtime_error("openat failed at depth " + std::to_string(level));
        fd = child;
        if (fileName.empty()) continue;
        const int file =
            ::openat(fd, fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (file < 0)
            throw std::runtime_error("cannot create a file at depth " + std::to_string(level));
        const std::string content = std::to_string(level);
        const bool written =
            ::write(file, content.data(), content.size()) == static_cast<ssize_t>(content.size());
        ::close(file);
        if (!written) throw std::runtime_error("cannot write at depth " + std::to_string(level));
    }
    ::close(fd);
}
