// SPDX-License-Identifier: MIT
#include "util/ShellUtility.h"

#include <cstring>

#include "util/StringUtility.h"
#include "util/platform/Associations.h"

namespace {

bool equalsIgnoringAsciiCase(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return true;
}

// Program files are started by no association: opening one would run it.
bool isProgramExtension(const std::string& extension) {
    for (const char* refused : {".com", ".exe", ".dll", ".bat"})
        if (equalsIgnoringAsciiCase(extension, refused)) return true;
    return false;
}

}  // namespace

bool ShellUtility::getOpenCommand(const char* extension, char* command) {
    if (extension == nullptr) return false;
    std::string found;
    if (!platform::lookUpOpenCommand(extension, found)) return false;
    if (found.size() >= kCommandBufferSize) return false;
    if (command != nullptr) std::memcpy(command, found.c_str(), found.size() + 1);
    return true;
}

bool ShellUtility::findOpenCommand(const char* path, char* command) {
    if (path == nullptr) return false;
    const std::string extension = StringUtility::getExtension(StringUtility::getFileName(path));
    if (extension.empty() || isProgramExtension(extension)) return false;
    return getOpenCommand(extension.c_str(), command);
}

std::vector<std::string> ShellUtility::splitCommandLine(std::string command) {
    StringUtility::expandEnvironment(command);
    if (!command.empty() && command[0] == '"') {
        const auto close = command.find('"', 1);
        if (close == std::string::npos) return {};
        return {command.substr(1, close - 1), command.substr(close + 1)};
    }
    const auto blank = command.find(' ');
    if (blank == std::string::npos) return {};
    return {command.substr(0, blank), command.substr(blank + 1)};
}

void ShellUtility::openWithCommand(const char* command, const char* path) {
    if (command == nullptr || path == nullptr) return;
    // Split the template first: a path filled in before the split could move
    // the cut (a blank or quote in a file name) or have its own %NAME% pieces
    // expanded. The platform fills "%1" of the parameters into whole arguments.
    std::vector<std::string> parts = splitCommandLine(command);
    if (parts.size() != 2) return;
    StringUtility::replaceAll(parts[0], "%1", path);
    (void)platform::startProgram(parts[0], parts[1], path);
}
