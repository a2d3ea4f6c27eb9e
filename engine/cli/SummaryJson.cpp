// SPDX-License-Identifier: MIT
#include "engine/cli/SummaryJson.h"

#include <nlohmann/json.hpp>

#include <algorithm>

#include "engine/GroupCheck.h"
#include "engine/cli/FolderSets.h"
#include "engine/cli/LargestFolders.h"
#include "engine/cli/ScanSummary.h"
#include "engine/cli/VerifyRun.h"
#include "util/platform/FileSystem.h"

namespace {

using nlohmann::json;

bool validUtf8(const std::string& text) {
    try {
        (void)json(text).dump();
        return true;
    } catch (const json::type_error&) {
        return false;
    }
}

// Sets `key` to `text`; when the text is not valid UTF-8 its bytes go under
// key + "_bytes" in hexadecimal too (the text itself gets U+FFFD in their place).
void putText(json& object, const std::string& key, const std::string& text) {
    object[key] = text;
    if (validUtf8(text)) return;
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * text.size());
    for (const unsigned char byte : text) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0f];
    }
    object[key + "_bytes"] = hex;
}

std::string nativePath(const std::string& path) {
    const std::string native = platform::toNativePath(path);
    return native.empty() ? path : native;
}

const char* statusName(CheckedFile::Status status) {
    switch (status) {
        case CheckedFile::Status::Changed:
            return "changed";
        case CheckedFile::Status::Unreadable:
            return "unreadable";
        case CheckedFile::Status::Checked:
            break;
    }
    return "checked";
}

// The files of a checked group in its order, with their classes and statuses.
void putCheck(json& entry, const GroupCheck& group) {
    entry["state"] = groupStateName(group.state);
    entry["verified_bytes"] = group.reclaimableBytes();
    json files = json::array();
    for (const CheckedFile& file : group.files) {
        json item;
        putText(item, "path", nativePath(file.path()));
        item["status"] = statusName(file.status);
        item["class"] = file.contentClass >= 0 ? json(file.contentClass) : json(nullptr);
        item["link_set"] = file.linkSet >= 0 ? json(file.linkSet) : json(nullptr);
        if (!file.reason.empty()) putText(item, "reason", file.reason);
        files.push_back(std::move(item));
    }
    entry["files"] = std::move(files);
    entry["classes"] = group.classes;
    entry["link_sets"] = group.linkSets;
}

json topGroups(const ScanSummary& summary, const VerifyRun* verified) {
    json top = json::array();
    for (const ScanSummary::Group& group : summary.top) {
        json entry;
        putText(entry, "name", group.name);
        entry["mask"] = group.mask;
        entry["count"] = group.count;
        entry["size"] = group.size;
        entry["waste"] = group.waste;
        const GroupCheck* checked = verified != nullptr ? verified->find(group.mask) : nullptr;
        if (checked != nullptr) {
            putCheck(entry, *checked);
        } else {
            json files = json::array();
            for (const std::string& path : group.paths) {
                json item;
                putText(item, "path", path);
                files.push_back(std::move(item));
            }
            entry["files"] = std::move(files);
        }
        top.push_back(std::move(entry));
    }
    return top;
}

}  // namespace

std::string summaryJson(const ScanSummary& summary, std::uint32_t filesHandled,
                        const std::string& databasePath, const VerifyRun* verified) {
    json out;
    out["files_handled"] = filesHandled;
    out["files"] = summary.storedFiles;
    out["groups"] = summary.groups;
    out["duplicate_groups"] = summary.duplicateGroups;
    out["total_bytes"] = summary.totalBytes;
    out["duplicate_bytes"] = summary.duplicateBytes;
    putText(out, "database", nativePath(databasePath));
    if (verified != nullptr) {
        out["verified_duplicate_bytes"] = verified->verifiedBytes;
        out["groups_by_state"] = {{"confirmed", verified->confirmed},
                                  {"partly", verified->partly},
                                  {"refuted", verified->refuted},
                                  {"unknown", verified->unknown}};
    }
    out["top"] = topGroups(summary, verified);
    return out.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

void beginJsonSets(std::FILE* out, const std::string& summaryText) {
    // The summary ends "\n}\n"; the sets go in before that brace.
    std::string head = summaryText;
    const std::size_t brace = head.rfind('}');
    if (brace != std::string::npos) head.erase(brace);
    while (!head.empty() && head.back() == '\n') head.pop_back();
    std::fputs(head.c_str(), out);
    std::fputs(",\n  \"sets\": [", out);
}

void writeJsonSet(std::FILE* out, const DuplicateSets::Set& set, bool first) {
    json entry;
    entry["size"] = set.size;
    entry["count"] = set.files.size();
    entry["waste"] = set.waste;
    entry["mask"] = set.mask;
    json files = json::array();
    for (const DuplicateSets::File& file : set.files) {
        json item;
        putText(item, "path", nativePath(file.path));
        if (file.isProtected) item["protected"] = true;
        if (file.linkSet >= 0) item["link_set"] = file.linkSet;
        files.push_back(std::move(item));
    }
    entry["files"] = std::move(files);
    // Indented as a member of the array at the object's second level.
    std::string text = entry.dump(2, ' ', false, json::error_handler_t::replace);
    std::string indented = "\n    ";
    for (const char c : text) {
        indented += c;
        if (c == '\n') indented += "    ";
    }
    if (!first) std::fputc(',', out);
    std::fputs(indented.c_str(), out);
}

namespace {

// A member of the summary object, indented at its first level.
void writeMember(std::FILE* out, const char* key, const json& value) {
    std::string indented;
    for (const char c : value.dump(2, ' ', false, json::error_handler_t::replace)) {
        indented += c;
        if (c == '\n') indented += "  ";
    }
    std::fprintf(out, ",\n  \"%s\": %s", key, indented.c_str());
}

void writeFolderSets(std::FILE* out, const FolderSets& folders) {
    json sets = json::array();
    for (const IdenticalFolders::Set& set : folders.identical().sets()) {
        json paths = json::array();
        for (const std::uint32_t folder : set.folders) {
            json item;
            putText(item, "path", folders.nativePath(folder));
            paths.push_back(std::move(item));
        }
        sets.push_back({{"folders", std::move(paths)},
                        {"files", set.files},
                        {"bytes", set.bytes},
                        {"freed", set.freed}});
    }
    writeMember(out, "folder_sets", sets);
    json redundant = json::array();
    for (const IdenticalFolders::Redundant& folder : folders.identical().redundant()) {
        json entry;
        putText(entry, "path", folders.nativePath(folder.folder));
        entry["files"] = folder.files;
        entry["bytes"] = folder.bytes;
        json holders = json::array();
        for (const FolderCopies::Holder& holder : folder.holders) {
            json item;
            putText(item, "path", folders.nativePath(holder.folder));
            item["bytes"] = holder.bytes;
            holders.push_back(std::move(item));
        }
        entry["copies_in"] = std::move(holders);
        redundant.push_back(std::move(entry));
    }
    writeMember(out, "redundant_folders", redundant);
}

void writeLargestFolders(std::FILE* out, const LargestFolders& largest) {
    json list = json::array();
    for (const LargestFolders::Folder& folder : largest.folders()) {
        json item;
        putText(item, "path", folder.path);
        item["disk_usage"] = folder.diskUsage;
        item["size"] = folder.size;
        item["files"] = folder.files;
        if (largest.verified()) item["copied_elsewhere"] = folder.copiedElsewhere;
        list.push_back(std::move(item));
    }
    writeMember(out, "folders", list);
}

}  // namespace

void endJsonSets(std::FILE* out, bool anySet, const FolderSets* folders,
                 const LargestFolders* largest) {
    std::fputs(anySet ? "\n  ]" : "]", out);
    if (folders != nullptr) writeFolderSets(out, *folders);
    if (largest != nullptr) writeLargestFolders(out, *largest);
    std::fputs("\n}\n", out);
}
