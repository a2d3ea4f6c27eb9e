// SPDX-License-Identifier: MIT
// The check of one group runs in stages. The status of every name is taken
// (no file is opened): a name whose length or time is no longer its row's is
// changed, one that cannot be looked up is unreadable. Names of one file are
// gathered into link sets and stand for one distinct file. Distinct files of
// one 64-bit length are then told apart, cheapest first: the cache answers
// for files hashed before; a file alone of its length is unique; the two ends
// of the others are compared, and only files whose ends match another's are
// read whole. Files with equal hashes form a class.
#include "engine/ContentChecker.h"

#include <map>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "engine/ContentCache.h"
#include "engine/ContentReader.h"
#include "engine/FileInfoAnalyse.h"

namespace {

// Files up to this length are read whole at once: comparing their ends
// would cost as much.
constexpr std::uint64_t kEndsFirstAbove = 8 * ContentReader::kEndBlock;

// What the check knows of one name of the group while it runs.
struct Member {
    platform::FileStatus status;
    int file = -1;       // index of the first name of its file: the one read for all
    std::string hash;    // of the whole content; "" while unknown, or for a unique file
    std::string ends;    // of its two ends; "" while unknown
    bool fresh = false;  // read now, not known from the cache
};

std::string cacheKey(const CheckedFile& file) {
    return file.folderId + '|' + file.name;
}

}  // namespace

struct ContentChecker::Impl {
    explicit Impl(std::string path) : cache(std::move(path)) {}

    void takeStatuses(GroupCheck& group, std::vector<Member>& members);
    void findLinks(GroupCheck& group, std::vector<Member>& members);
    // Gives a hash to every distinct readable file of `files` (of one length)
    // that shares its content with another; false when stopped.
    bool resolve(GroupCheck& group, std::vector<Member>& members, const std::vector<int>& files,
                 const std::atomic<bool>& stop);
    // Takes the hashes of `file` from a valid cache row of one of its names.
    void takeCached(const GroupCheck& group, std::vector<Member>& members, int file);
    // Queues the hashes of `file` as the cache row of each of its names.
    void store(const GroupCheck& group, const std::vector<Member>& members, int file);
    bool hashWhole(GroupCheck& group, std::vector<Member>& members, int file,
                   const std::atomic<bool>& stop);
    // Applies what reading the file of `file` found to all its names.
    void setOutcome(GroupCheck& group, std::vector<Member>& members, int file,
                    const ContentReader::Result& result);
    static void formClasses(GroupCheck& group, const std::vector<Member>& members);
    static GroupState stateOf(const GroupCheck& group);

    ContentCache cache;
    ContentReader reader;
    bool opened = false;
    // Cache rows of the files of the loaded groups; files without a row are
    // in `loadedWithout`. Other files are looked up one by one.
    std::unordered_map<std::string, ContentCache::Entry> loaded;
    std::unordered_set<std::string> loadedWithout;
};

ContentChecker::ContentChecker(std::string databasePath)
    : impl_(std::make_unique<Impl>(std::move(databasePath))) {}

ContentChecker::~ContentChecker() = default;

bool ContentChecker::open() {
    if (impl_->opened) return true;
    impl_->opened = impl_->cache.open();
    if (!impl_->opened) errorText_ = impl_->cache.errorText();
    return impl_->opened;
}

bool ContentChecker::loadGroups(const std::vector<std::string>& masks,
                                std::vector<GroupCheck>& out) {
    std::unordered_map<std::string_view, std::size_t> wanted;  // views into `masks`
    wanted.reserve(masks.size());
    for (const std::string& mask : masks) {
        if (!wanted.emplace(mask, out.size()).second) continue;
        GroupCheck group;
        group.mask = mask;
        group.length = FileInfoAnalyse::sizeFromMask(mask);
        out.push_back(std::move(group));
    }
    Impl& impl = *impl_;
    std::size_t target = 0;  // the group of the row `wanted` accepted last
    const auto isWanted = [&](std::string_view mask) {
        const auto found = wanted.find(mask);
        if (found == wanted.end()) return false;
        target = found->second;
        return true;
    };
    const bool read = impl.cache.forEachFile(isWanted, [&](const ContentCache::FileRow& row) {
        CheckedFile file;
        file.folderId = row.folderId;
        file.folderPath = row.folderPath;
        file.name = row.name;
        file.rowTime = row.rowTime;
        std::string key = cacheKey(file);
        if (row.cached != nullptr)
            impl.loaded[std::move(key)] = *row.cached;
        else
            impl.loadedWithout.insert(std::move(key));
        out[target].files.push_back(std::move(file));
    });
    if (!read) errorText_ = impl.cache.errorText();
    return read;
}

bool ContentChecker::forget(const std::string& folderId, const std::string& name) {
    CheckedFile file;
    file.folderId = folderId;
    file.name = name;
    impl_->loaded.erase(cacheKey(file));
    impl_->loadedWithout.insert(cacheKey(file));
    if (impl_->cache.forget(folderId, name)) return true;
    errorText_ = impl_->cache.errorText();
    return false;
}

void ContentChecker::setBlockListener(std::function<void(std::uint64_t)> onBlock) {
    impl_->reader.setBlockListener(std::move(onBlock));
}

void ContentChecker::check(GroupCheck& group, const std::atomic<bool>& stop) {
    group.state = GroupState::Unchecked;
    group.classes.clear();
    group.classLengths.clear();
    group.linkSets.clear();
    std::vector<Member> members(group.files.size());
    impl_->takeStatuses(group, members);
    impl_->findLinks(group, members);

    std::map<std::uint64_t, std::vector<int>> byLength;  // distinct readable files
    for (std::size_t i = 0; i < group.files.size(); ++i) {
        if (group.files[i].status == CheckedFile::Status::Checked && members[i].file == int(i))
            byLength[members[i].status.length].push_back(int(i));
    }
    bool stopped = false;
    for (const auto& [length, files] : byLength) {
        if (!impl_->resolve(group, members, files, stop)) {
            stopped = true;
            break;
        }
    }
    counters_.filesOpened = impl_->reader.filesOpened();
    counters_.bytesRead = impl_->reader.bytesRead();
    impl_->cache.flushIfDue();
    if (stopped) return;
    Impl::formClasses(group, members);
    group.state = Impl::stateOf(group);
    // The files' own length, when they all have one (the MASK gives only
    // its low 32 bits).
    if (byLength.size() == 1) group.length = byLength.begin()->first;
}

void ContentChecker::Impl::takeStatuses(GroupCheck& group, std::vector<Member>& members) {
    const std::uint32_t maskSize = FileInfoAnalyse::sizeFromMask(group.mask);
    for (std::size_t i = 0; i < group.files.size(); ++i) {
        CheckedFile& file = group.files[i];
        file.status = CheckedFile::Status::Checked;
        file.reason.clear();
        file.contentClass = -1;
        file.linkSet = -1;
        file.identity = platform::FileIdentity();
        platform::FileError error;
        if (!platform::fileStatus(file.path(), members[i].status, error)) {
            // A name gone since the analysis is a change; others are unreadable.
            file.status =
                error.missing ? CheckedFile::Status::Changed : CheckedFile::Status::Unreadable;
            file.reason = error.reason;
            continue;
        }
        const platform::FileStatus& status = members[i].status;
        file.identity = status.identity;
        if (!status.regular || static_cast<std::uint32_t>(status.length) != maskSize ||
            status.modificationTime != file.rowTime)
            file.status = CheckedFile::Status::Changed;
    }
}

void ContentChecker::Impl::findLinks(GroupCheck& group, std::vector<Member>& members) {
    struct IdentityHash {
        std::size_t operator()(const platform::FileIdentity& id) const {
            return std::hash<std::uint64_t>()(id.fileNumber * 31 + id.device);
        }
    };
    // Names in order of their first name; a name whose status is unknown is its own.
    std::unordered_map<platform::FileIdentity, std::size_t, IdentityHash> position;
    std::vector<std::vector<int>> names;
    for (std::size_t i = 0; i < group.files.size(); ++i) {
        members[i].file = int(i);
        if (!members[i].status.regular) continue;
        const auto [found, inserted] = position.emplace(members[i].status.identity, names.size());
        if (inserted) names.emplace_back();
        names[found->second].push_back(int(i));
    }
    for (const std::vector<int>& set : names) {
        if (set.size() > 1) {
            for (const int i : set)
                group.files[std::size_t(i)].linkSet = int(group.linkSets.size());
            group.linkSets.push_back(set);
        }
        // The names whose rows still describe the file are read as one, by
        // the first of them.
        int first = -1;
        for (const int i : set) {
            if (group.files[std::size_t(i)].status != CheckedFile::Status::Checked) continue;
            if (first < 0) first = i;
            members[std::size_t(i)].file = first;
        }
    }
}

void ContentChecker::Impl::takeCached(const GroupCheck& group, std::vector<Member>& members,
                                      int file) {
    // Any name of the file may hold a valid cache row.
    Member& member = members[std::size_t(file)];
    for (std::size_t j = 0; j < group.files.size(); ++j) {
        const CheckedFile& name = group.files[j];
        if (members[j].file != file || name.status != CheckedFile::Status::Checked) continue;
        const std::string key = cacheKey(name);
        ContentCache::Entry entry;
        const auto found = loaded.find(key);
        if (found != loaded.end())
            entry = found->second;
        else if (loadedWithout.count(key) > 0 || !cache.lookup(name.folderId, name.name, entry))
            continue;
        if (entry.rowTime != name.rowTime || entry.mask != group.mask ||
            entry.length != member.status.length)
            continue;
        if (member.hash.empty()) member.hash = entry.hash;
        if (member.ends.empty()) member.ends = entry.ends;
    }
}

bool ContentChecker::Impl::resolve(GroupCheck& group, std::vector<Member>& members,
                                   const std::vector<int>& files, const std::atomic<bool>& stop) {
    if (files.size() < 2) return true;  // alone of its length: unique
    const std::uint64_t length = members[std::size_t(files.front())].status.length;
    const auto checked = [&](int f) {
        return group.files[std::size_t(f)].status == CheckedFile::Status::Checked;
    };
    for (const int f : files) {
        if (length == 0)
            members[std::size_t(f)].hash = emptyContentHash();
        else
            takeCached(group, members, f);
    }
    // Large files are compared by their ends first; only those whose ends
    // match another's are read whole.
    std::unordered_map<std::string, int> sameEnds;
    const bool endsFirst = length > kEndsFirstAbove;
    for (const int f : files) {
        Member& member = members[std::size_t(f)];
        if (!endsFirst || !member.ends.empty()) continue;
        if (stop.load()) return false;
        const ContentReader::Result ends =
            reader.hashEnds(group.files[std::size_t(f)].path(), member.status);
        if (ends.outcome != ContentReader::Outcome::Done) {
            setOutcome(group, members, f, ends);
            continue;
        }
        member.ends = ends.ends;
        member.fresh = true;
    }
    for (const int f : files)
        if (endsFirst && checked(f)) ++sameEnds[members[std::size_t(f)].ends];
    for (const int f : files) {
        Member& member = members[std::size_t(f)];
        if (!checked(f) || !member.hash.empty()) continue;
        if (endsFirst && sameEnds[member.ends] < 2) continue;  // unique by its ends
        if (!hashWhole(group, members, f, stop)) return false;
    }
    for (const int f : files)
        if (members[std::size_t(f)].fresh && checked(f)) store(group, members, f);
    return true;
}

bool ContentChecker::Impl::hashWhole(GroupCheck& group, std::vector<Member>& members, int file,
                                     const std::atomic<bool>& stop) {
    const auto f = static_cast<std::size_t>(file);
    const ContentReader::Result whole =
        reader.hashWhole(group.files[f].path(), members[f].status, stop);
    if (whole.outcome == ContentReader::Outcome::Stopped) return false;
    if (whole.outcome != ContentReader::Outcome::Done) {
        setOutcome(group, members, file, whole);
        return true;
    }
    members[f].hash = whole.hash;
    members[f].ends = whole.ends;
    members[f].fresh = true;
    return true;
}

void ContentChecker::Impl::store(const GroupCheck& group, const std::vector<Member>& members,
                                 int file) {
    const Member& member = members[std::size_t(file)];
    ContentCache::Entry entry;
    entry.mask = group.mask;
    entry.length = member.status.length;
    entry.hash = member.hash;
    entry.ends = member.ends;
    // Every name of the file gets the row: each is a file row of its own.
    for (std::size_t j = 0; j < group.files.size(); ++j) {
        if (members[j].file != file || group.files[j].status != CheckedFile::Status::Checked)
            continue;
        entry.rowTime = group.files[j].rowTime;
        cache.store(group.files[j].folderId, group.files[j].name, entry);
        const std::string key = cacheKey(group.files[j]);
        loaded[key] = entry;
        loadedWithout.erase(key);
    }
}

void ContentChecker::Impl::setOutcome(GroupCheck& group, std::vector<Member>& members, int file,
                                      const ContentReader::Result& result) {
    const CheckedFile::Status status = result.outcome == ContentReader::Outcome::Unreadable
                                           ? CheckedFile::Status::Unreadable
                                           : CheckedFile::Status::Changed;
    for (std::size_t j = 0; j < group.files.size(); ++j) {
        if (members[j].file != file || group.files[j].status != CheckedFile::Status::Checked)
            continue;
        group.files[j].status = status;
        group.files[j].reason = result.reason;
        members[j].hash.clear();
        members[j].ends.clear();
    }
}

void ContentChecker::Impl::formClasses(GroupCheck& group, const std::vector<Member>& members) {
    std::unordered_map<std::string, int> classOf;  // length and hash -> class
    for (std::size_t i = 0; i < group.files.size(); ++i) {
        CheckedFile& file = group.files[i];
        if (file.status != CheckedFile::Status::Checked) continue;
        const Member& member = members[std::size_t(members[i].file)];
        // A file whose hash was not needed is unique: its own key.
        const std::string key = member.hash.empty()
                                    ? "#" + std::to_string(members[i].file)
                                    : std::to_string(member.status.length) + ":" + member.hash;
        const auto [found, inserted] = classOf.emplace(key, int(group.classes.size()));
        if (inserted) {
            group.classes.emplace_back();
            group.classLengths.push_back(member.status.length);
        }
        group.classes[std::size_t(found->second)].push_back(int(i));
        file.contentClass = found->second;
    }
}

GroupState ContentChecker::Impl::stateOf(const GroupCheck& group) {
    std::size_t checked = 0;
    int largest = -1;  // a class of two distinct files or more, the largest
    for (std::size_t c = 0; c < group.classes.size(); ++c) {
        checked += group.classes[c].size();
        if (group.distinctFiles(int(c)) >= 2 &&
            (largest < 0 || group.classes[c].size() > group.classes[std::size_t(largest)].size()))
            largest = int(c);
    }
    const bool open = checked < group.files.size();  // changed or unreadable files
    const bool outside = largest >= 0 && group.classes[std::size_t(largest)].size() <
                                             checked;  // readable, not in it
    if (open) return largest >= 0 && outside ? GroupState::Partly : GroupState::Unknown;
    if (largest < 0) return GroupState::Refuted;
    return outside ? GroupState::Partly : GroupState::Confirmed;
}
