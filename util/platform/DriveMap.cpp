// SPDX-License-Identifier: MIT
#include "util/platform/DriveMap.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace platform {

namespace {

char upperLetter(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isLetter(char c) {
    const char u = upperLetter(c);
    return u >= 'A' && u <= 'Z';
}

// "/home/ann/" -> "/home/ann"; "/" -> "". False for a relative folder.
bool normaliseFolder(std::string folder, std::string& out) {
    if (folder.empty() || folder[0] != '/') return false;
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    out = folder;
    return true;
}

}  // namespace

DriveMap::DriveMap(const std::string& mapText) {
    std::string::size_type start = 0;
    while (start <= mapText.size()) {
        auto end = mapText.find(';', start);
        if (end == std::string::npos) end = mapText.size();
        const std::string entry = mapText.substr(start, end - start);
        Drive drive;
        if (entry.size() >= 4 && isLetter(entry[0]) && entry[1] == ':' && entry[2] == '=' &&
            normaliseFolder(entry.substr(3), drive.folder)) {
            drive.letter = upperLetter(entry[0]);
            auto same = [&](const Drive& d) { return d.letter == drive.letter; };
            drives_.erase(std::remove_if(drives_.begin(), drives_.end(), same), drives_.end());
            drives_.push_back(drive);
        }
        start = end + 1;
    }
    std::sort(drives_.begin(), drives_.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
}

const DriveMap& DriveMap::current() {
    // The map is parsed again only when the variable's text changes; the
    // previous maps are kept so that references handed out stay valid.
    static std::mutex mutex;
    static std::string lastMapText;
    static std::vector<std::unique_ptr<DriveMap>> maps;
    const char* value = std::getenv("LANBROOK_DRIVES");
    std::string mapText = value != nullptr ? value : "";
    std::lock_guard<std::mutex> lock(mutex);
    if (maps.empty() || mapText != lastMapText) {
        auto map = std::make_unique<DriveMap>(mapText);
        if (map->drives_.empty()) map = std::make_unique<DriveMap>("C:=/");
        maps.push_back(std::move(map));
        lastMapText = mapText;
    }
    return *maps.back();
}

std::string DriveMap::toNative(const std::string& path) const {
    if (path.size() < 2 || path[1] != ':' || !isLetter(path[0])) return std::string();
    const char letter = upperLetter(path[0]);
    const auto drive = std::find_if(drives_.begin(), drives_.end(),
                                    [&](const Drive& d) { return d.letter == letter; });
    if (drive == drives_.end()) return std::string();
    std::string rest = path.substr(2);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    if (rest.empty() || rest[0] != '/') rest.insert(rest.begin(), '/');
    return drive->folder + rest;
}

bool DriveMap::fromNative(const std::string& native, std::string& path) const {
    if (native.empty() || native[0] != '/') return false;
    if (native.find('\\') != std::string::npos) return false;
    const Drive* best = nullptr;
    for (const Drive& d : drives_) {
        const bool inside = native.compare(0, d.folder.size(), d.folder) == 0 &&
                            (native.size() == d.folder.size() || native[d.folder.size()] == '/');
        if (inside && (best == nullptr || d.folder.size() > best->folder.size())) best = &d;
    }
    if (best == nullptr) return false;
    std::string rest = native.substr(best->folder.size());
    std::replace(rest.begin(), rest.end(), '/', '\\');
    if (rest.empty()) rest = "\\";
    path = std::string(1, best->letter) + ":" + rest;
    return true;
}

}  // namespace platform
