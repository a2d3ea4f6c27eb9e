// SPDX-License-Identifier: MIT
#include "engine/cli/DuplicateSets.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <utility>

#include "engine/FileInfoAnalyse.h"
#include "engine/GroupCheck.h"
#include "engine/cli/VerifyRun.h"
#include "storage/CFileInfoDB.h"

namespace {

const char* text(const char* value) {
    return value != nullptr ? value : "";
}

// A connection that gathers the rows of one set at a time from the sorted
// duplicate files and hands each set on once its last row has come.
class SetReader : public CFileInfoDB {
public:
    SetReader(std::string path, const AnalysisScope& scope, std::uint64_t minSize,
              const DuplicateSets::Sink& sink)
        : CFileInfoDB(std::move(path)), scope_(scope), minSize_(minSize), sink_(sink) {}

    bool read() {
        streaming_ = true;
        const bool read = queryDuplicateFiles(scope_.coversEveryDrive() ? std::vector<std::string>()
                                                                        : scope_.roots());
        streaming_ = false;
        if (read) flush();
        return read;
    }

protected:
    // Rows (index ID, FNUM, MASK, folder, name), ordered by index ID.
    int addResultRow(int count, char** values, char** names) override {
        if (!streaming_) return CFileInfoDB::addResultRow(count, values, names);
        if (count != 5) return 0;
        if (groupId_ != text(values[0])) {
            flush();
            groupId_ = text(values[0]);
            set_.mask = text(values[2]);
            set_.size = FileInfoAnalyse::sizeFromMask(set_.mask);
        }
        DuplicateSets::File file;
        file.path = std::string(text(values[3])) + text(values[4]);
        file.isProtected = scope_.isProtected(file.path);
        set_.files.push_back(std::move(file));
        return 0;
    }

private:
    void flush() {
        // The index may be older than the file rows: a set of one file is no set.
        if (set_.files.size() >= 2 && set_.size >= minSize_) {
            set_.waste = (set_.files.size() - 1) * set_.size;
            sink_(set_);
        }
        set_ = DuplicateSets::Set();
    }

    const AnalysisScope& scope_;
    const std::uint64_t minSize_;
    const DuplicateSets::Sink& sink_;
    bool streaming_ = false;
    std::string groupId_;
    DuplicateSets::Set set_;
};

}  // namespace

bool DuplicateSets::load(const std::string& databasePath, std::string& error) {
    CSqliteDB database(databasePath);
    if (!database.open() || !scope_.load(database, AnalysisScope::Stored::Analysed)) {
        error = database.errorText();
        return false;
    }
    return true;
}

bool DuplicateSets::forEachGroup(const std::string& databasePath, const Sink& sink,
                                 std::string& error) const {
    SetReader reader(databasePath, scope_, minSize_, sink);
    if (!reader.open() || !reader.read()) {
        error = reader.errorText();
        return false;
    }
    return true;
}

bool DuplicateSets::spansTwoFolders(const std::vector<File>& files) const {
    if (!scope_.matchesAcross()) return true;
    const int first = files.empty() ? -1 : scope_.rootOf(files.front().path);
    return std::any_of(files.begin(), files.end(),
                       [&](const File& file) { return scope_.rootOf(file.path) != first; });
}

void DuplicateSets::forEachClass(const VerifyRun& verified, const Sink& sink) const {
    std::vector<Set> sets;
    for (const auto& [mask, group] : verified.kept) {
        for (std::size_t c = 0; c < group.classes.size(); ++c) {
            const int distinct = group.distinctFiles(static_cast<int>(c));
            if (distinct < 2) continue;
            Set set;
            set.mask = mask;
            set.size = c < group.classLengths.size() ? group.classLengths[c] : group.length;
            set.waste = static_cast<std::uint64_t>(distinct - 1) * set.size;
            for (const int i : group.classes[c]) {
                const CheckedFile& checked = group.files[static_cast<std::size_t>(i)];
                set.files.push_back(
                    {checked.path(), scope_.isProtected(checked.path()), checked.linkSet});
            }
            std::sort(set.files.begin(), set.files.end(),
                      [](const File& a, const File& b) { return a.path < b.path; });
            if (set.size >= minSize_ && spansTwoFolders(set.files)) sets.push_back(std::move(set));
        }
    }
    // As the index orders groups: most waste first, then the larger MASK.
    std::sort(sets.begin(), sets.end(), [](const Set& a, const Set& b) {
        return std::tie(b.waste, b.mask, a.files.front().path) <
               std::tie(a.waste, a.mask, b.files.front().path);
    });
    for (const Set& set : sets) sink(set);
}
