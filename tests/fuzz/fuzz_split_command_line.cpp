// SPDX-License-Identifier: MIT
// splitCommandLine: always 0 or 2 texts; two texts put back together give the
// command with its environment references expanded; a quoted program holds no
// quote, an unquoted one no blank.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzCheck.h"
#include "util/ShellUtility.h"
#include "util/StringUtility.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool prepared = [] {
        setenv("FZ", "C:\\Program Files", 1);
        setenv("FZ_QUOTE", "\"quoted\" rest", 1);
        return true;
    }();
    (void)prepared;
    const std::string command(reinterpret_cast<const char*>(data), size);
    std::string expanded = command;
    StringUtility::expandEnvironment(expanded);

    const auto parts = ShellUtility::splitCommandLine(command);
    FUZZ_CHECK(parts.empty() || parts.size() == 2);
    if (parts.empty()) {
        // Nothing to split: an open quote, or no blank after an unquoted program.
        if (!expanded.empty() && expanded[0] == '"')
            FUZZ_CHECK(expanded.find('"', 1) == std::string::npos);
        else
            FUZZ_CHECK(expanded.find(' ') == std::string::npos);
        return 0;
    }
    if (!expanded.empty() && expanded[0] == '"') {
        FUZZ_CHECK(parts[0].find('"') == std::string::npos);
        FUZZ_CHECK("\"" + parts[0] + "\"" + parts[1] == expanded);
    } else {
        FUZZ_CHECK(parts[0].find(' ') == std::string::npos);
        FUZZ_CHECK(parts[0] + " " + parts[1] == expanded);
    }
    return 0;
}
