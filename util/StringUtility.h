// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// Byte-wise text helpers shared by every subsystem. Texts are byte strings in
// the system's narrow encoding; nothing is decoded.
class StringUtility {
public:
    // Replaces every occurrence of `pattern`, left to right; the search resumes
    // after the inserted text, so a replacement holding the pattern never loops.
    // An empty pattern changes nothing. Returns `text`.
    static std::string& replaceAll(std::string& text, const std::string& pattern,
                                   const std::string& replacement);

    // Splits at every `delimiter`; empty pieces become `filler`. The result has
    // one piece more than the text has delimiters. Throws the bare text
    // "StringUtility::split:empty string" when text or delimiter is empty.
    static std::vector<std::string> split(const std::string& text, const std::string& delimiter,
                                          const std::string& filler);

    // The part after the last backslash; empty when there is none.
    static std::string getFileName(const std::string& path);

    // The part from the last dot on, dot included; empty when there is none.
    static std::string getExtension(const std::string& name);

    // Expands every %NAME% reference of a defined variable, each value put in
    // every place its reference occurs. A '%' without a closing one, an empty
    // name, an undefined name or a value that itself holds '%' leave that
    // reference as it is, and the search goes on after it; so it always ends.
    static void expandEnvironment(std::string& text);

    // ASCII upper-casing: only the bytes a to z change.
    static void toUpperAscii(std::string& text);
};
