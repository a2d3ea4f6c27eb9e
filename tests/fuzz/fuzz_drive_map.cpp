// SPDX-License-Identifier: MIT
// Drive map: any map text parses; a native path it accepts goes back to the
// same native path; a program path it translates comes back in program form.
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "util/platform/DriveMap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const auto split = input.find('\n');
    const std::string mapText = input.substr(0, split);
    const std::string path = split == std::string::npos ? std::string() : input.substr(split + 1);
    const platform::DriveMap map(mapText);

    for (const auto& drive : map.drives()) {
        FUZZ_CHECK(drive.letter >= 'A' && drive.letter <= 'Z');
        FUZZ_CHECK(drive.folder.empty() || (drive.folder[0] == '/' && drive.folder.back() != '/'));
    }
    std::string programForm;
    if (map.fromNative(path, programForm)) {
        FUZZ_CHECK(programForm.size() >= 3 && programForm[1] == ':' && programForm[2] == '\\');
        const std::string native = map.toNative(programForm);
        // Repeated slashes collapse nowhere, so the path comes back byte for byte.
        FUZZ_CHECK(native == path || native == path + "/" || native + "/" == path);
    }
    const std::string native = map.toNative(path);
    if (!native.empty()) FUZZ_CHECK(native[0] == '/');
    return 0;
}
