// SPDX-License-Identifier: MIT
// replaceAll: always ends; replacing a pattern by itself changes nothing, and
// undoing a replacement by a text that cannot occur in the input restores it.
#include <algorithm>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "util/StringUtility.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t patternLength = data[0] % 4;
    const std::size_t replacementLength = data[1] % 8;
    const std::string rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::string pattern = rest.substr(0, patternLength);
    const std::string replacement =
        rest.substr(std::min(rest.size(), patternLength), replacementLength);
    const std::string text = rest.substr(std::min(rest.size(), patternLength + replacementLength));

    std::string same = text;
    FUZZ_CHECK(StringUtility::replaceAll(same, pattern, pattern) == text);

    std::string replaced = text;
    StringUtility::replaceAll(replaced, pattern, replacement);
    if (pattern.empty()) {
        FUZZ_CHECK(replaced == text);
        return 0;
    }
    // A marker byte absent from the text lets the replacement be undone exactly.
    const std::string marker(1, '\x01');
    if (text.find(marker) != std::string::npos || pattern.find(marker) != std::string::npos)
        return 0;
    std::string marked = text;
    StringUtility::replaceAll(marked, pattern, marker);
    StringUtility::replaceAll(marked, marker, pattern);
    FUZZ_CHECK(marked == text);
    return 0;
}
