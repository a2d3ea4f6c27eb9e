// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// Helpers of the Windows-only tests.
namespace wintest {

// True when the tests run under Wine rather than on Windows itself.
[[nodiscard]] bool underWine();

// The Unix path Wine gives the file or folder at `path`; false when not
// under Wine.
[[nodiscard]] bool unixPathOf(const std::string& path, std::string& unixPath);

// The path through which Wine's drive Z: (the Unix root) reaches the folder
// at `path`; false when not under Wine.
[[nodiscard]] bool pathThroughUnixRoot(const std::string& path, std::string& throughZ);

// The entry names of `folder` (ending in a backslash) as the file system
// holds them, read with the wide listing and written as UTF-8: what the
// names really are, whatever the ANSI code page made of them.
std::vector<std::string> wideNamesAsUtf8(const std::string& folder);

// Sets the last-write time of a file or folder to `seconds` since 1970 UTC
// plus `milliseconds`.
void setLastWriteTime(const std::string& path, long long seconds, int milliseconds);

// The recorder program beside the test program (lanbrook-recorder.exe), or
// the copy LANBROOK_RECORDER names.
std::string recorderPath();

// Waits up to 30 s for the recorder to write `output`; its lines, or nothing.
std::vector<std::string> waitForRecord(const std::string& output);

// File associations written for one test and removed by the destructor:
// `extension` names `fileType`, whose Shell\Open\Command is `command`; with
// an empty command the file type is left as it is. They are written under
// HKEY_CURRENT_USER\Software\Classes; where HKEY_CLASSES_ROOT does not show
// the user's classes (Wine 8 does not merge them), under HKEY_CLASSES_ROOT
// itself. Only keys this object created are removed.
class TestAssociation {
public:
    TestAssociation(const std::string& extension, const std::string& fileType,
                    const std::string& command);
    ~TestAssociation();
    TestAssociation(const TestAssociation&) = delete;
    TestAssociation& operator=(const TestAssociation&) = delete;

    // Gives the file type the icon at `location` ("C:\x.dll,3"), written
    // where the association was; the file type needs a command.
    void setDefaultIcon(const std::string& location);

    // True when HKEY_CLASSES_ROOT showed what was written for the user.
    bool throughUserClasses() const { return throughUserClasses_; }

private:
    void writeUnder(HKEY root, const std::string& base);
    void createKey(HKEY root, const std::string& path, const std::string& value);
    void removeCreatedKeys();

    std::string extension_, fileType_, command_;
    std::vector<std::pair<HKEY, std::string>> created_;
    bool throughUserClasses_ = false;
};

// True when `path` is a key under HKEY_CLASSES_ROOT.
[[nodiscard]] bool classKeyExists(const std::string& path);

}  // namespace wintest
