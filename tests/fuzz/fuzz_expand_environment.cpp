// SPDX-License-Identifier: MIT
// expandEnvironment: ends on every text; a text without '%' is unchanged; the
// result never holds more '%' than the input (values holding '%' are refused).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzCheck.h"
#include "util/StringUtility.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool prepared = [] {
        setenv("FZ", "C:\\Windows", 1);
        setenv("FZ_PERCENT", "%FZ%", 1);
        setenv("FZ_EMPTY", "", 1);
        return true;
    }();
    (void)prepared;
    std::string text(reinterpret_cast<const char*>(data), size);
    const std::string original = text;
    StringUtility::expandEnvironment(text);
    auto percents = [](const std::string& s) { return std::count(s.begin(), s.end(), '%'); };
    FUZZ_CHECK(percents(text) <= percents(original));
    if (percents(original) == 0) FUZZ_CHECK(text == original);
    return 0;
}
