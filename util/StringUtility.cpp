// SPDX-License-Identifier: MIT
#include "util/StringUtility.h"

#include <cstdlib>

std::string& StringUtility::replaceAll(std::string& text, const std::string& pattern,
                                       const std::string& replacement) {
    if (pattern.empty()) return text;
    std::string::size_type pos = 0;
    while ((pos = text.find(pattern, pos)) != std::string::npos) {
        text.replace(pos, pattern.size(), replacement);
        pos += replacement.size();  // replaced text is never searched again
    }
    return text;
}

std::vector<std::string> StringUtility::split(const std::string& text, const std::string& delimiter,
                                              const std::string& filler) {
    if (text.empty() || delimiter.empty()) throw "StringUtility::split:empty string";
    std::vector<std::string> pieces;
    std::string::size_type start = 0;
    std::string::size_type found;
    while ((found = text.find(delimiter, start)) != std::string::npos) {
        pieces.push_back(found == start ? filler : text.substr(start, found - start));
        start = found + delimiter.size();
    }
    pieces.push_back(start == text.size() ? filler : text.substr(start));
    return pieces;
}

std::string StringUtility::getFileName(const std::string& path) {
    const auto slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(slash + 1);
}

std::string StringUtility::getExtension(const std::string& name) {
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

void StringUtility::expandEnvironment(std::string& text) {
    std::string::size_type from = 0;
    for (;;) {
        const auto open = text.find('%', from);
        if (open == std::string::npos) return;
        const auto close = text.find('%', open + 1);
        if (close == std::string::npos) return;
        const std::string name = text.substr(open + 1, close - open - 1);
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        // A reference that cannot be expanded, or whose value holds a '%' of its
        // own, stays as it is and the search goes on after it. Every expansion
        // removes at least two '%' from the text, so the loop always ends.
        if (value == nullptr || std::string(value).find('%') != std::string::npos) {
            from = close + 1;
            continue;
        }
        replaceAll(text, "%" + name + "%", value);
        from = 0;
    }
}

void StringUtility::toUpperAscii(std::string& text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}
