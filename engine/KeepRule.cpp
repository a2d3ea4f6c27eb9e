// SPDX-License-Identifier: MIT
#include "engine/KeepRule.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "util/platform/FileSystem.h"

namespace {

struct Spelling {
    KeepRule::Kind kind;
    const char* text;
    const char* words;
};

const Spelling kSpellings[] = {
    {KeepRule::Kind::Protected, "protected", "在受保护的文件夹中"},
    {KeepRule::Kind::Oldest, "oldest", "修改时间最早"},
    {KeepRule::Kind::Newest, "newest", "修改时间最晚"},
    {KeepRule::Kind::ShortestPath, "shortest-path", "路径最短"},
    {KeepRule::Kind::LongestPath, "longest-path", "路径最长"},
    {KeepRule::Kind::Shallowest, "shallowest", "文件夹层级最浅"},
    {KeepRule::Kind::Deepest, "deepest", "文件夹层级最深"},
    {KeepRule::Kind::PlainName, "plain-name", "文件名不带副本标记"},
};

const char* const kFolderPrefix = "path:";

std::string lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool startsWith(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) return false;
    if (!platform::pathsIgnoreCase()) return text.compare(0, prefix.size(), prefix) == 0;
    return lowered(text.substr(0, prefix.size())) == lowered(prefix);
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `text` holds `part` (lower case) at `at`, ASCII letters in any case.
bool holdsAt(std::string_view text, std::size_t at, std::string_view part) {
    if (text.size() < at + part.size()) return false;
    for (std::size_t i = 0; i < part.size(); ++i)
        if (asciiLower(text[at + i]) != part[i]) return false;
    return true;
}

bool containsAnyCase(std::string_view text, std::string_view part) {
    for (std::size_t at = 0; at + part.size() <= text.size(); ++at)
        if (holdsAt(text, at, part)) return true;
    return false;
}

// Whether `stem` ends in " (N)" with N one or more digits.
bool endsInNumberMark(std::string_view stem) {
    if (stem.size() < 4 || stem.back() != ')') return false;
    std::size_t i = stem.size() - 1;
    std::size_t digits = 0;
    while (i > 0 && std::isdigit(static_cast<unsigned char>(stem[i - 1]))) {
        --i;
        ++digits;
    }
    return digits > 0 && i >= 2 && stem[i - 1] == '(' && stem[i - 2] == ' ';
}

}  // namespace

bool KeepRule::parse(const std::string& text, KeepRule& rule, std::string& error) {
    if (text.compare(0, std::string(kFolderPrefix).size(), kFolderPrefix) == 0) {
        rule.kind = Kind::InFolder;
        rule.folder = text.substr(std::string(kFolderPrefix).size());
        if (!rule.folder.empty()) return true;
        error = "keep rule 'path:' needs a folder";
        return false;
    }
    for (const Spelling& spelling : kSpellings) {
        if (text == spelling.text && spelling.kind != Kind::Protected) {
            rule.kind = spelling.kind;
            rule.folder.clear();
            return true;
        }
    }
    error = "unknown keep rule '" + text +
            "' (path:FOLDER, oldest, newest, shortest-path, longest-path, shallowest, deepest, "
            "plain-name)";
    return false;
}

bool KeepRule::parseList(const std::string& text, std::vector<KeepRule>& rules,
                         std::string& error) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        KeepRule rule;
        if (!parse(text.substr(start, comma - start), rule, error)) return false;
        rules.push_back(std::move(rule));
        start = comma + 1;
    }
    return true;
}

std::vector<KeepRule> KeepRule::defaults() {
    std::vector<KeepRule> rules;
    std::string error;
    (void)parseList(kDefaultSpelling, rules, error);
    return rules;
}

std::string KeepRule::spelling() const {
    if (kind == Kind::InFolder) return kFolderPrefix + folder;
    for (const Spelling& spelling : kSpellings)
        if (spelling.kind == kind) return spelling.text;
    return {};
}

std::string KeepRule::description() const {
    if (kind == Kind::InFolder) return "在文件夹 " + folder + " 中";
    for (const Spelling& spelling : kSpellings)
        if (spelling.kind == kind) return spelling.words;
    return {};
}

long long KeepRule::rank(const CheckedFile& file, bool isProtected) const {
    // The full path is the folder's and the name's; a name holds no backslash.
    const std::string& folderPath = file.folderPath;
    const auto depth =
        static_cast<long long>(std::count(folderPath.begin(), folderPath.end(), '\\'));
    const auto length = static_cast<long long>(folderPath.size() + file.name.size());
    switch (kind) {
        case Kind::Protected:
            return isProtected ? 0 : 1;
        case Kind::InFolder:
            // A folder ending in a backslash holds a file when it holds its folder.
            if (!folder.empty() && folder.back() == '\\')
                return startsWith(folderPath, folder) ? 0 : 1;
            return startsWith(file.path(), folder) ? 0 : 1;
        case Kind::Oldest:
            return file.rowTime;
        case Kind::Newest:
            return -file.rowTime;
        case Kind::ShortestPath:
            return length;
        case Kind::LongestPath:
            return -length;
        case Kind::Shallowest:
            return depth;
        case Kind::Deepest:
            return -depth;
        case Kind::PlainName:
            return hasCopyMark(file.name) ? 1 : 0;
    }
    return 0;
}

bool KeepRule::hasCopyMark(const std::string& name) {
    const std::string_view text(name);
    if (holdsAt(text, 0, "copy of ") || containsAnyCase(text, " - copy")) return true;
    if (text.find("副本") != std::string_view::npos) return true;
    const std::size_t dot = text.rfind('.');
    return endsInNumberMark(dot == std::string_view::npos || dot == 0 ? text : text.substr(0, dot));
}
