// SPDX-License-Identifier: MIT
#include "engine/cli/FolderSets.h"

#include "engine/CheckedContent.h"
#include "engine/FolderInventoryLoader.h"
#include "engine/cli/VerifyRun.h"
#include "util/platform/FileSystem.h"

bool FolderSets::find(const std::string& databasePath, const VerifyRun& verified,
                      std::string& error) {
    CheckedContent checked;
    for (const auto& [mask, group] : verified.kept) checked.add(group);
    FolderInventoryLoader loader(databasePath);
    if (!loader.load(inventory_, &checked)) {
        error = loader.errorText();
        return false;
    }
    copies_ = std::make_unique<FolderCopies>(inventory_);
    identical_ = std::make_unique<IdenticalFolders>(inventory_, *copies_);
    return true;
}

std::string FolderSets::nativePath(std::uint32_t folder) const {
    std::string path = inventory_.folders()[folder].path;
    if (path.size() > 1 && path.back() == '\\') path.pop_back();
    std::string native = platform::toNativePath(path);
    if (native.empty()) native = path;
    if (native.size() > 1 && (native.back() == '/' || native.back() == '\\')) native.pop_back();
    return native;
}

void FolderSets::printText(std::FILE* out) const {
    const auto number = [](std::uint64_t value) { return static_cast<unsigned long long>(value); };
    for (const IdenticalFolders::Set& set : identical_->sets()) {
        std::fprintf(out,
                     "%zu identical folders, %llu files, %llu bytes each, %llu bytes freed by "
                     "keeping the first:\n",
                     set.folders.size(), number(set.files), number(set.bytes), number(set.freed));
        for (const std::uint32_t folder : set.folders)
            std::fprintf(out, "%s\n", nativePath(folder).c_str());
        std::fputc('\n', out);
    }
    for (const IdenticalFolders::Redundant& folder : identical_->redundant()) {
        std::fprintf(out,
                     "Redundant folder, %llu files, %llu bytes, every file has a copy "
                     "elsewhere:\n%s\n",
                     number(folder.files), number(folder.bytes), nativePath(folder.folder).c_str());
        for (const FolderCopies::Holder& holder : folder.holders)
            std::fprintf(out, "  copies in %s (%llu bytes)\n", nativePath(holder.folder).c_str(),
                         number(holder.bytes));
        std::fputc('\n', out);
    }
}
