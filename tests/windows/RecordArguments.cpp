// SPDX-License-Identifier: MIT
// Writes each argument it is started with on a line of its own into the file
// that LANBROOK_RECORDER_OUTPUT names. The lines go to "<file>.part" first,
// which is then renamed, so a reader never sees half a record.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const char* output = std::getenv("LANBROOK_RECORDER_OUTPUT");
    if (output == nullptr) return 2;
    const std::string part = std::string(output) + ".part";
    std::FILE* file = std::fopen(part.c_str(), "wb");
    if (file == nullptr) return 3;
    for (int i = 1; i < argc; ++i) std::fprintf(file, "%s\n", argv[i]);
    if (std::fclose(file) != 0) return 4;
    return ::MoveFileExA(part.c_str(), output, MOVEFILE_REPLACE_EXISTING) ? 0 : 5;
}
