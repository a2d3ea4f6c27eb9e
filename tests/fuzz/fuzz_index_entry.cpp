// SPDX-License-Identifier: MIT
// The split of an index entry: at most four fields; joined with '|' they give
// the entry back; the first three hold no '|', so the name keeps every one.
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "storage/SqlText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string entry(reinterpret_cast<const char*>(data), size);
    const auto fields = sqltext::splitIndexEntry(entry);
    if (entry.empty()) {
        FUZZ_CHECK(fields.empty());
        return 0;
    }
    FUZZ_CHECK(!fields.empty() && fields.size() <= 4);
    std::string joined;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i + 1 < fields.size()) FUZZ_CHECK(fields[i].find('|') == std::string_view::npos);
        if (i > 0) joined += '|';
        joined += fields[i];
    }
    FUZZ_CHECK(joined == entry);
    std::size_t bars = 0;
    for (char c : entry) bars += c == '|';
    FUZZ_CHECK(fields.size() == (bars >= 3 ? 4 : bars + 1));
    return 0;
}
