// SPDX-License-Identifier: MIT
// split: pieces joined by the delimiter give back the text; the piece count
// is the delimiter count plus one; empty input raises the documented text.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "util/StringUtility.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t delimiterLength = 1 + data[0] % 3;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string delimiter = input.substr(0, delimiterLength);
    const std::string text = input.substr(std::min(delimiterLength, input.size()));
    try {
        const auto pieces = StringUtility::split(text, delimiter, "");
        FUZZ_CHECK(!text.empty() && !delimiter.empty());
        std::string joined;
        for (std::size_t i = 0; i < pieces.size(); ++i) joined += (i ? delimiter : "") + pieces[i];
        FUZZ_CHECK(joined == text);
        std::size_t count = 0;
        for (auto at = text.find(delimiter); at != std::string::npos;
             at = text.find(delimiter, at + delimiter.size()))
            ++count;
        FUZZ_CHECK(pieces.size() == count + 1);
    } catch (const char* error) {
        FUZZ_CHECK(text.empty() || delimiter.empty());
        FUZZ_CHECK(std::strcmp(error, "StringUtility::split:empty string") == 0);
    }
    return 0;
}
