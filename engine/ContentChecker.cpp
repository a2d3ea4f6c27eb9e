// SPDX-License-Identifier: MIT
// The check of one group runs in stages. The status of every name is taken
// (no file is opened): a name whose length or time is no longer its row's is
// changed, one that cannot be looked up is unreadable. A cached hash answers
// only for a file of the identity, length and fine times it was taken from. Names of one file are
// gathered into link sets and stand for one distinct file. Distinct files of
// one 64-bit length are then told apart, cheapest first: the cache answers
// for files hashed before; a file alone of its length is unique; the two ends
// of the others are compared, and only files whose ends match another's are
// read whole. Files with equal hashes form a class.
#include "engine/ContentChecker.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "engine/ContentCache.h"
#include "engine/ContentReader.h"
#include "engine/FileInfoAnalyse.h"
#include "engine/LoadedGroups.h"

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

// Sorts `items` (indices, in increasing order) by `less` and calls
// `onRun(begin, end)` on each run of equal items, runs in the order of their
// first item, items in their order within a run. No allocation per item.
template <class Less, class OnRun>
void forRunsInOrder(std::vector<int>& items, Less less, OnRun onRun) {
    std::stable_sort(items.begin(), items.end(), less);
    struct Run {
        std::size_t begin;
        std::size_t end;
    };
    std::vector<Run> runs;
    for (std::size_t begin = 0, end = 0; begin < items.size(); begin = end) {
        for (end = begin + 1; end < items.size() && !less(items[begin], items[end]);) ++end;
        runs.push_back({begin, end});
    }
    // A run's first item is its smallest: the sort was stable.
    std::sort(runs.begin(), runs.end(),
              [&items](const Run& a, const Run& b) { return items[a.begin] < items[b.begin]; });
    for (const Run& run : runs) onRun(items.data() + run.begin, items.data() + run.end);
}

// Calls `visit(j)` for each name j of the file whose first name is `file`
// that still describes it: of the file's link set, or the name alone.
template <class Visit>
void forNamesOf(const GroupCheck& group, const std::vector<Member>& members, int file,
                Visit visit) {
    const auto visitIfSame = [&](int j) {
        const auto name = static_cast<std::size_t>(j);
        if (members[name].file == file && group.files[name].status == CheckedFile::Status::Checked)
            visit(name);
    };
    const int set = group.files[std::size_t(file)].linkSet;
    if (set < 0) {
        visitIfSame(file);
        return;
    }
    for (const int j : group.linkSets[std::size_t(set)]) visitIfSame(j);
}

}  // namespace

struct ContentChecker::Impl {
    explicit Impl(std::string path) : cache(std::move(path)) {}

    // False when stopped before every name's status was taken.
    bool takeStatuses(GroupCheck& group, std::vector<Member>& members,
                      const std::atomic<bool>& stop);
    void findLinks(GroupCheck& group, std::vector<Member>& members);
    // Gives a hash to every distinct readable file of `files` (of one length)
    // that shares its content with another; false when stopped.
    bool resolve(GroupCheck& group, std::vector<Member>& members, const std::vector<int>& files,
                 const std::atomic<bool>& stop);
    // Takes the hashes of `file` from a valid cache row of one of its names.
    void takeCached(const GroupCheck& group, std::vector<Member>& members, int file);
    // The cache row of name `j` of `group`: the one loaded with it, or else
    // looked up. False when it has none.
    bool cachedRow(const GroupCheck& group, std::size_t j, ContentCache::Entry& out);
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
    LoadedGroups loaded;
    std::uint32_t loadedGroup = LoadedGroups::kNone;  // the group in hand, as loaded
    ContentReader reader;
    std::function<void(std::uint64_t)> onMeasured;
    bool opened = false;
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
    LoadedGroups& loaded = impl_->loaded;
    loaded = LoadedGroups();
    loaded.reserve(masks.size(), masks.empty() ? 0 : masks.front().size());
    const std::size_t first = out.size();
    for (const std::string& mask : masks) {
        // Many groups take a while; an interruption does not wait for them.
        if (loaded.groups() % 4096 == 0 && impl_->cache.interrupted()) {
            errorText_ = "stopped";
            return false;
        }
        if (loaded.addGroup(mask) == LoadedGroups::kNone) continue;  // given twice
        GroupCheck group;
        group.mask = mask;
        group.length = FileInfoAnalyse::sizeFromMask(mask);
        out.push_back(std::move(group));
    }
    const auto isWanted = [&loaded](std::string_view mask) {
        return loaded.find(mask) != LoadedGroups::kNone;
    };
    const bool read = impl_->cache.forEachFile(isWanted, [&](const ContentCache::FileRow& row) {
        const std::uint32_t group = loaded.find(row.mask);
        CheckedFile file;
        file.folderId = row.folderId;
        file.folderPath = row.folderPath;
        file.name = row.name;
        file.rowTime = row.rowTime;
        out[first + group].files.push_back(std::move(file));
        loaded.addFile(group, row.cached);
    });
    if (!read) {
        errorText_ = impl_->cache.errorText();
        return false;
    }
    loaded.arrange();
    return true;
}

bool ContentChecker::forget(const std::string& folderId, const std::string& name) {
    if (impl_->cache.forget(folderId, name)) return true;
    errorText_ = impl_->cache.errorText();
    return false;
}

void ContentChecker::setBlockListener(std::function<void(std::uint64_t)> onBlock) {
    impl_->reader.setBlockListener(std::move(onBlock));
}

void ContentChecker::setMeasureListener(std::function<void(std::uint64_t)> onMeasured) {
    impl_->onMeasured = std::move(onMeasured);
}

bool ContentChecker::flush() {
    if (impl_->cache.flush()) return true;
    errorText_ = impl_->cache.errorText();
    return false;
}

void ContentChecker::interrupt() {
    impl_->cache.interrupt();
}

const std::string& ContentChecker::pruneError() const {
    return impl_->cache.pruneError();
}

bool ContentChecker::pruned() const {
    return impl_->cache.pruned();
}

void ContentChecker::check(GroupCheck& group, const std::atomic<bool>& stop) {
    group.state = GroupState::Unchecked;
    group.classes.clear();
    group.classLengths.clear();
    group.linkSets.clear();
    std::vector<Member> members(group.files.size());
    // The cache rows loaded with the group answer, if these are its rows.
    const std::uint32_t loaded = impl_->loaded.find(group.mask);
    impl_->loadedGroup =
        loaded != LoadedGroups::kNone && impl_->loaded.files(loaded) == group.files.size()
            ? loaded
            : LoadedGroups::kNone;
    if (!impl_->takeStatuses(group, members, stop)) return;
    impl_->findLinks(group, members);
    if (impl_->onMeasured) {
        std::uint64_t bytes = 0;
        for (const Member& member : members)
            if (member.status.regular) bytes += member.status.length;
        impl_->onMeasured(bytes);
    }

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
    impl_->cache.endReadIfDue();
    impl_->cache.flushIfDue();
    if (stopped) return;
    Impl::formClasses(group, members);
    group.state = Impl::stateOf(group);
    // The files' own length, when they all have one (the MASK gives only
    // its low 32 bits).
    if (byLength.size() == 1) group.length = byLength.begin()->first;
}

bool ContentChecker::Impl::takeStatuses(GroupCheck& group, std::vector<Member>& members,
                                        const std::atomic<bool>& stop) {
    const std::uint32_t maskSize = FileInfoAnalyse::sizeFromMask(group.mask);
    for (std::size_t i = 0; i < group.files.size(); ++i) {
        // A status call can take long (a network drive, a disk waking up).
        if (stop.load(std::memory_order_relaxed)) return false;
        CheckedFile& file = group.files[i];
        file.status = CheckedFile::Status::Checked;
        file.reason.clear();
        file.contentClass = -1;
        file.linkSet = -1;
        platform::FileError error;
        if (!platform::fileStatus(file.path(), members[i].status, error)) {
            // A name gone since the analysis is a change; others are unreadable.
            file.status =
                error.missing ? CheckedFile::Status::Changed : CheckedFile::Status::Unreadable;
            file.reason = error.reason;
            continue;
        }
        const platform::FileStatus& status = members[i].status;
        if (!status.regular || static_cast<std::uint32_t>(status.length) != maskSize ||
            status.modificationTime != file.rowTime)
            file.status = CheckedFile::Status::Changed;
    }
    return true;
}

void ContentChecker::Impl::findLinks(GroupCheck& group, std::vector<Member>& members) {
    // Names by identity; a name whose status is unknown is its own.
    std::vector<int> named;
    named.reserve(group.files.size());
    for (std::size_t i = 0; i < group.files.size(); ++i) {
        members[i].file = int(i);
        if (members[i].status.regular) named.push_back(int(i));
    }
    const auto byIdentity = [&members](int a, int b) {
        const platform::FileIdentity& x = members[std::size_t(a)].status.identity;
        const platform::FileIdentity& y = members[std::size_t(b)].status.identity;
        return x.device != y.device ? x.device < y.device : x.fileNumber < y.fileNumber;
    };
    forRunsInOrder(named, byIdentity, [&](const int* begin, const int* end) {
        if (end - begin > 1) {
            for (const int* i = begin; i != end; ++i)
                group.files[std::size_t(*i)].linkSet = int(group.linkSets.size());
            group.linkSets.emplace_back(begin, end);
        }
        // The names whose rows still describe the file are read as one, by
        // the first of them.
        int first = -1;
        for (const int* i = begin; i != end; ++i) {
            if (group.files[std::size_t(*i)].status != CheckedFile::Status::Checked) continue;
            if (first < 0) first = *i;
            members[std::size_t(*i)].file = first;
        }
    });
}

void ContentChecker::Impl::takeCached(const GroupCheck& group, std::vector<Member>& members,
                                      int file) {
    // Any name of the file may hold a valid cache row.
    Member& member = members[std::size_t(file)];
    forNamesOf(group, members, file, [&](std::size_t j) {
        ContentCache::Entry entry;
        // The row describes the file only if it is still the same file in
        // the same version: a rewrite that kept the length and the time
        // still moved its change time.
        if (!cachedRow(group, j, entry) || !entry.describes(group.files[j].rowTime, member.status))
            return;
        if (member.hash.empty()) member.hash = entry.hash.text();
        if (member.ends.empty()) member.ends = entry.ends.text();
    });
}

bool ContentChecker::Impl::cachedRow(const GroupCheck& group, std::size_t j,
                                     ContentCache::Entry& out) {
    if (loadedGroup == LoadedGroups::kNone)
        return cache.lookup(group.files[j].folderId, group.files[j].name, group.mask, out);
    const ContentCache::Entry* row = loaded.row(loadedGroup, j);
    if (row == nullptr) return false;
    out = *row;
    return true;
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
        cache.endRead();  // a read may take long: no lock is held meanwhile
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
    cache.endRead();  // a read may take long: no lock is held meanwhile
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
    entry.sameMask = true;
    entry.setFile(member.status);
    entry.hash.assign(member.hash);
    entry.ends.assign(member.ends);
    // Every name of the file gets the row: each is a file row of its own.
    forNamesOf(group, members, file, [&](std::size_t j) {
        entry.rowTime = group.files[j].rowTime;
        cache.store(group.files[j].folderId, group.files[j].name, group.mask, entry);
        if (loadedGroup != LoadedGroups::kNone) loaded.setRow(loadedGroup, j, entry);
    });
}

void ContentChecker::Impl::setOutcome(GroupCheck& group, std::vector<Member>& members, int file,
                                      const ContentReader::Result& result) {
    const CheckedFile::Status status = result.outcome == ContentReader::Outcome::Unreadable
                                           ? CheckedFile::Status::Unreadable
                                           : CheckedFile::Status::Changed;
    forNamesOf(group, members, file, [&](std::size_t j) {
        group.files[j].status = status;
        group.files[j].reason = result.reason;
        members[j].hash.clear();
        members[j].ends.clear();
    });
}

void ContentChecker::Impl::formClasses(GroupCheck& group, const std::vector<Member>& members) {
    std::vector<int> checked;
    checked.reserve(group.files.size());
    for (std::size_t i = 0; i < group.files.size(); ++i)
        if (group.files[i].status == CheckedFile::Status::Checked) checked.push_back(int(i));
    // The read file of a name: a file whose hash was not needed is unique,
    // a class of its own (with its other names); the others go by length
    // and hash.
    const auto fileOf = [&members](int name) -> const Member& {
        return members[std::size_t(members[std::size_t(name)].file)];
    };
    const auto byContent = [&](int a, int b) {
        const Member& x = fileOf(a);
        const Member& y = fileOf(b);
        if (x.hash.empty() != y.hash.empty()) return x.hash.empty();
        if (x.hash.empty()) return members[std::size_t(a)].file < members[std::size_t(b)].file;
        if (x.status.length != y.status.length) return x.status.length < y.status.length;
        return x.hash < y.hash;
    };
    forRunsInOrder(checked, byContent, [&](const int* begin, const int* end) {
        const int index = int(group.classes.size());
        group.classes.emplace_back(begin, end);
        group.classLengths.push_back(fileOf(*begin).status.length);
        for (const int* i = begin; i != end; ++i) group.files[std::size_t(*i)].contentClass = index;
    });
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
