// SPDX-License-Identifier: MIT
// Generates the benchmark corpus: a deterministic folder tree whose bytes,
// names and times depend only on the options.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "CorpusPlan.h"
#include "CorpusWriter.h"

namespace {

void printUsage() {
    std::fprintf(stderr,
                 "usage: make_corpus [--files N] [--folders N] [--seed N] [--size-scale X] "
                 "OUTPUT\n"
                 "  OUTPUT must be missing or an empty folder.\n"
                 "  defaults: --files 100000 --folders 8000 --seed 20261209 --size-scale 1\n");
}

bool parseNumber(const char* text, unsigned long long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && text[0] != '-';
}

bool parseScale(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value > 0 && value <= 1000;
}

bool parseOption(const std::string& name, const char* value, CorpusOptions& options) {
    unsigned long long number = 0;
    if (name == "--size-scale") return parseScale(value, options.sizeScale);
    if (!parseNumber(value, number)) return false;
    if (name == "--files") {
        options.files = static_cast<std::size_t>(number);
    } else if (name == "--folders") {
        options.folders = static_cast<std::size_t>(number);
    } else if (name == "--seed") {
        options.seed = number;
    } else {
        return false;
    }
    return true;
}

// Returns false on an unknown option, a bad value or a missing output folder.
bool parseArguments(int argc, char** argv, CorpusOptions& options, std::string& output) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) == 0) {
            if (i + 1 >= argc || !parseOption(arg, argv[++i], options)) return false;
        } else if (output.empty()) {
            output = arg;
        } else {
            return false;
        }
    }
    return !output.empty();
}

}  // namespace

int main(int argc, char** argv) {
    CorpusOptions options;
    std::string output;
    if (!parseArguments(argc, argv, options, output)) {
        printUsage();
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const CorpusPlan plan(options);
    CorpusWriter writer(plan, output);
    if (!writer.write()) return 1;
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const std::uint64_t bytes = plan.totalBytes();
    std::printf(
        "make_corpus: folders=%zu files=%zu copies=%zu bytes=%llu (%.1f MiB) seconds=%.2f\n",
        plan.folders().size() - 1, plan.files().size(), plan.copyCount(),
        static_cast<unsigned long long>(bytes), static_cast<double>(bytes) / (1 << 20),
        elapsed.count());
    return 0;
}
