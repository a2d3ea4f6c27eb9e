// SPDX-License-Identifier: MIT
// A scan walks one drive depth first. A folder whose stored time equals the
// disk's is not diffed; its files are only rechecked against the previous
// scan's start. New and changed folders are diffed, their new files
// fingerprinted, and the vanished rows deleted.
#include "engine/FileInfoProc.h"

#include <cstring>

#include "engine/ConfigInfo.h"
#include "engine/FolderWalker.h"
#include "util/FileUtility.h"
#include "util/StringUtility.h"
#include "util/platform/FileSystem.h"
#include "util/platform/OpenFolder.h"
#include "util/platform/ReadOnlyFile.h"

namespace {

constexpr std::size_t kSampleCount = 9;
constexpr std::size_t kSampleSize = 4;
constexpr std::size_t kSampleBytes = kSampleCount * kSampleSize;  // 36
// Samples that lie within this many bytes of each other are read in one call
// and taken from memory: the same bytes as separate reads, for one system call
// instead of several (a file of up to this length is read whole, in one).
constexpr std::size_t kReadSpan = 16384;

void writeHex(char* out, const unsigned char* bytes, std::size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < count; ++i) {
        out[2 * i] = kDigits[bytes[i] >> 4];
        out[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
}

// The nine sample offsets are taken from the whole length, so a file of 4 GiB
// or more is sampled across all of it; only the size field keeps 32 bits.
std::uint64_t sampleOffset(std::size_t k, std::uint64_t length) {
    // floor(k * length / 9) without forming the product, which could overflow 64 bits.
    return k * (length / kSampleCount) + k * (length % kSampleCount) / kSampleCount;
}

void readSamples(platform::ReadOnlyFile& file, unsigned char* samples) {
    const std::uint64_t length = file.length();
    if (length < kSampleBytes) {
        file.readAt(0, samples, static_cast<std::size_t>(length));
        return;
    }
    unsigned char span[kReadSpan];  // not cleared as a whole: this runs once per file
    for (std::size_t first = 0; first < kSampleCount;) {
        // The samples first..last lie within one span from the first one's offset.
        const std::uint64_t from = sampleOffset(first, length);
        std::size_t last = first;
        while (last + 1 < kSampleCount &&
               sampleOffset(last + 1, length) + kSampleSize - from <= kReadSpan)
            ++last;
        const auto count =
            static_cast<std::size_t>(sampleOffset(last, length) + kSampleSize - from);
        // A file that shrank since its status was read gives zeros past its end.
        const std::size_t read = file.readAt(from, span, count);
        std::memset(span + read, 0, count - read);
        for (std::size_t k = first; k <= last; ++k)
            std::memcpy(samples + k * kSampleSize, span + (sampleOffset(k, length) - from),
                        kSampleSize);
        first = last + 1;
    }
}

bool isDotOrDotDot(const std::string& name) {
    return name == "." || name == "..";
}

// The name a file row stores: the part of the path after its last backslash.
bool splitName(const std::string& path, std::string& name) {
    const auto slash = path.rfind('\\');
    if (slash == std::string::npos) return false;
    name.assign(path, slash + 1, std::string::npos);
    return true;
}

}  // namespace

FileInfoProc::FileInfoProc(const char* rootPath, ScanMode mode)
    : rootPath_(rootPath != nullptr ? rootPath : ""),
      mode_(mode),
      folderData_(mode == ScanMode::Fast ? FileInfoData::WriteMode::Batched
                                         : FileInfoData::WriteMode::PerFolder) {
    if (platform::pathsIgnoreCase()) StringUtility::toUpperAscii(rootPath_);
    excluded_.dropContaining(rootPath_);  // before the folders no scan ever enters
    excluded_.addDirectory(ConfigInfo::global().getDataDirectoryAsScanned().c_str());
    for (const std::string& ignored : folderData_.loadIgnoredFolders())
        excluded_.addDirectory(ignored.c_str());
}

void FileInfoProc::scanFolder(const char* folder, IInfoLog& log) {
    std::string start = folder != nullptr ? folder : "";
    if (start.empty() || start.back() != '\\') start += '\\';
    // Reading ahead needs a database that is open from the start: a closed
    // one is reopened (and the folder table reloaded) while the walk runs.
    if (mode_ == ScanMode::Fast && folderData_.database().isOpen())
        scanAhead(std::move(start), log);
    else
        scanInOrder(std::move(start), log);
    folderData_.flush();
}

void FileInfoProc::scanInOrder(std::string start, IInfoLog& log) {
    // Folders still to enter, the next one last: a folder's subfolders are
    // pushed in reverse listing order, so popping gives the pre-order of a
    // recursive walk without its stack depth.
    std::vector<std::string> pending{std::move(start)};
    while (!pending.empty()) {
        const std::string current = std::move(pending.back());
        pending.pop_back();
        std::vector<std::string> subfolders = scanOneFolder(current, log);
        for (auto sub = subfolders.rbegin(); sub != subfolders.rend(); ++sub)
            pending.push_back(std::move(*sub) + '\\');
    }
}

void FileInfoProc::scanAhead(std::string start, IInfoLog& log) {
    FolderWalker walker(*this, std::move(start), lastScanTime);
    for (FolderWork work = walker.next(); work.kind != FolderWork::Kind::End;
         work = walker.next()) {
        (void)log.print(work.folder.c_str());
        switch (work.kind) {
            case FolderWork::Kind::Changed:
                writeListedFolder(work.folder, work.timeText, work.subfolders, work.listed, -1,
                                  log);
                break;
            case FolderWork::Kind::New:
            case FolderWork::Kind::Unchanged:
                writePreparedFolder(work, log);
                break;
            default:  // excluded, or it cannot be listed
                break;
        }
    }
}

std::vector<std::string> FileInfoProc::scanOneFolder(const std::string& folder, IInfoLog& log) {
    (void)log.print(folder.c_str());
    if (excluded_.matches(folder.c_str())) return {};
    std::string timeText;
    std::vector<std::string> subfolders;
    std::vector<std::string> files;
    // Listed and timed through one open folder, as the walker lists it; one
    // that cannot be opened is listed by its path, which fails the same way.
    platform::OpenFolder opened;
    const bool listed = opened.open(folder)
                            ? listFolder(opened, folder, timeText, subfolders, files)
                            : listFolder(folder, timeText, subfolders, files);
    if (!listed) return {};
    writeListedFolder(folder, timeText, subfolders, files,
                      folderData_.compareFolderTime(timeText, folder), log);
    return subfolders;
}

void FileInfoProc::writeListedFolder(const std::string& folder, const std::string& timeText,
                                     const std::vector<std::string>& subfolders,
                                     std::vector<std::string>& inserts, int comparison,
                                     IInfoLog& log) {
    std::vector<std::string> rechecks;
    const std::uint64_t failedBefore = folderData_.database().failedWrites();
    folderData_.beginWrites();
    switch (comparison) {
        case 0:  // new: every file is inserted
            break;
        case 1:  // unchanged: every file is rechecked
            rechecks.swap(inserts);
            break;
        default:  // changed: what the diff leaves; on failure every file is inserted
            (void)folderData_.diffFolder(folder, subfolders, inserts, rechecks);
            break;
    }
    const std::string folderId = folderData_.getFolderId(folder);
    // Without an ID the files would be stored under a folder no row names;
    // they are left for a later scan, the subfolders are still entered.
    if (!folderId.empty()) {
        insertFiles(folderId, inserts, log);
        recheckFiles(folder, folderId, rechecks, log);
    }
    finishFolder(folder, folderId, timeText, failedBefore);
}

void FileInfoProc::writePreparedFolder(const FolderWork& work, IInfoLog& log) {
    const std::uint64_t failedBefore = folderData_.database().failedWrites();
    folderData_.beginWrites();
    const std::string folderId = folderData_.getFolderId(work.folder);
    if (!folderId.empty()) {
        const bool isNew = work.kind == FolderWork::Kind::New;
        std::string name;
        for (const FolderWork::File& file : work.files) {
            log.tick();
            if (file.mask.empty() || !splitName(file.path, name)) continue;
            if (isNew)
                (void)folderData_.insertFile(folderId, name, file.mask, file.mtime);
            else
                (void)folderData_.updateFile(folderId, name, file.mask, file.mtime);
        }
    }
    finishFolder(work.folder, folderId, work.timeText, failedBefore);
}

void FileInfoProc::finishFolder(const std::string& folder, const std::string& folderId,
                                const std::string& timeText, std::uint64_t failedBefore) {
    // A folder with a failed write keeps its old time (a new one none), so
    // the next scan diffs it again and repeats what was lost.
    const bool intact = folderData_.database().failedWrites() == failedBefore;
    folderData_.updateFolderTime(folder, intact ? folderId : std::string(), timeText);
}

void FileInfoProc::insertFiles(const std::string& folderId, const std::vector<std::string>& paths,
                               IInfoLog& log) {
    std::string name;
    for (const std::string& path : paths) {
        log.tick();
        char mask[256] = {};
        std::int64_t mtime = 0;
        if (computeFingerprint(path.c_str(), mtime, mask) && splitName(path, name))
            (void)folderData_.insertFile(folderId, name, mask, mtime);
    }
}

void FileInfoProc::recheckFiles(const std::string& folder, const std::string& folderId,
                                const std::vector<std::string>& paths, IInfoLog& log) {
    // The files' status is read relative to the open folder, not by path.
    platform::OpenFolder opened;
    const bool isOpen = !paths.empty() && opened.open(folder);
    std::string name;
    for (const std::string& path : paths) {
        log.tick();
        std::int64_t modified = 0;
        // Strictly later: a file written in the very second the previous scan
        // began was read by it (or is read again after its next change).
        if (!isOpen || !splitName(path, name) || !opened.modificationTime(name, modified) ||
            modified <= lastScanTime)
            continue;
        char mask[256] = {};
        std::int64_t mtime = 0;
        if (computeFingerprint(path.c_str(), mtime, mask) && splitName(path, name))
            (void)folderData_.updateFile(folderId, name, mask, mtime);
    }
}

// The time is taken before the listing: an entry added after the time was
// read changes the folder's time again, so the next scan finds the folder
// changed and diffs it. Taken after the listing, the time of an entry added
// in between would be stored without the entry, and the folder would pass
// for unchanged until it changed once more.
bool FileInfoProc::listFolder(const std::string& folder, std::string& timeText,
                              std::vector<std::string>& subfolders,
                              std::vector<std::string>& files) const {
    timeText = FileUtility::getLastWriteTimeText(folder);
    if (afterFolderTime) afterFolderTime(folder);
    std::vector<platform::FolderEntry> entries;
    const bool listed = platform::listFolder(folder, entries);
    sortEntries(folder, entries, subfolders, files);
    return listed;
}

bool FileInfoProc::listFolder(const platform::OpenFolder& opened, const std::string& folder,
                              std::string& timeText, std::vector<std::string>& subfolders,
                              std::vector<std::string>& files) const {
    timeText = FileUtility::getLastWriteTimeText(opened);
    if (afterFolderTime) afterFolderTime(folder);
    std::vector<platform::FolderEntry> entries;
    const bool listed = platform::listFolder(opened, entries);
    sortEntries(folder, entries, subfolders, files);
    return listed;
}

void FileInfoProc::sortEntries(const std::string& folder,
                               const std::vector<platform::FolderEntry>& entries,
                               std::vector<std::string>& subfolders,
                               std::vector<std::string>& files) {
    subfolders.clear();
    files.clear();
    const bool ignoreCase = platform::pathsIgnoreCase();
    for (const platform::FolderEntry& entry : entries) {
        if (!entry.isDirectory) {
            files.push_back(folder + entry.name);
        } else if (!isDotOrDotDot(entry.name)) {
            subfolders.push_back(folder + entry.name);
            if (ignoreCase) StringUtility::toUpperAscii(subfolders.back());
        }
    }
}

bool FileInfoProc::computeFingerprint(const char* path, std::int64_t& mtime, char* mask) {
    platform::ReadOnlyFile file;
    return file.open(path) && fingerprintOf(file, mtime, mask);
}

bool FileInfoProc::computeFingerprint(const platform::OpenFolder& folder, const std::string& name,
                                      std::int64_t& mtime, char* mask) {
    platform::ReadOnlyFile file;
    return file.open(folder, name) && fingerprintOf(file, mtime, mask);
}

bool FileInfoProc::fingerprintOf(platform::ReadOnlyFile& file, std::int64_t& mtime, char* mask) {
    unsigned char samples[kSampleBytes] = {};
    readSamples(file, samples);

    const auto size = static_cast<std::uint32_t>(file.length());  // the MASK keeps the low 32 bits
    const unsigned char sizeBytes[4] = {
        static_cast<unsigned char>(size), static_cast<unsigned char>(size >> 8),
        static_cast<unsigned char>(size >> 16), static_cast<unsigned char>(size >> 24)};
    writeHex(mask, sizeBytes, sizeof sizeBytes);
    writeHex(mask + 2 * sizeof sizeBytes, samples, kSampleBytes);
    mask[80] = '\0';
    mtime = file.modificationTime();
    return true;
}
