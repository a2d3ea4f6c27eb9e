// SPDX-License-Identifier: MIT
#pragma once

#include <fstream>
#include <sstream>
#include <string>

// Reading what the freedesktop.org trash writes: files whole, and the keys of
// an info file, whose Path is percent-encoded.
namespace trashinfo {

inline std::string readWhole(const std::string& native) {
    std::ifstream in(native, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string percentDecoded(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

// The value of `key` in the info file at `native`; empty when it has none.
inline std::string value(const std::string& native, const std::string& key) {
    std::istringstream lines(readWhole(native));
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    return {};
}

}  // namespace trashinfo
