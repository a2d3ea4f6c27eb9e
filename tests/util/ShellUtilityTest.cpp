// SPDX-License-Identifier: MIT
// Opening files through their associations, with real child processes: the
// programs started are the tests' own argument recorder, made the default
// application of a few content types by an XDG setup of this process's own.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "TempTree.h"
#include "util/ShellUtility.h"
#include "util/platform/Associations.h"

namespace fs = std::filesystem;

namespace {

using Arguments = std::vector<std::string>;

const char* const kRecorderName = "lanbrook-argument-recorder";

void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

void writeDesktopEntry(const fs::path& applications, const std::string& id, const std::string& exec,
                       bool terminal = false) {
    writeText(applications / id, "[Desktop Entry]\nType=Application\nName=" + id +
                                     "\nNoDisplay=true\nExec=" + exec +
                                     "\nTerminal=" + (terminal ? "true" : "false") + "\n");
}

// The XDG folders of this process, made before its first GIO call: desktop
// entries running the recorder (found through PATH, as GIO requires), a
// mimeapps.list naming them the defaults, and a content type of the tests'
// own for names ending in program extensions, so that a lookup for those
// would succeed if it were made. /usr/share stays a data folder: without its
// type database every name would be application/octet-stream.
struct XdgSetup {
    bool ownTypeInstalled = false;

    XdgSetup() {
        const fs::path root = fs::path(testsupport::prepareScratchEnvironment()) / "xdg";
        const fs::path applications = root / "data" / "applications";
        const std::string recorder = kRecorderName;
        writeDesktopEntry(applications, "rec-plain.desktop", recorder + " --first %f");
        writeDesktopEntry(applications, "rec-codes.desktop",
                          recorder + " %i --rate=100%% %U %c %k");
        writeDesktopEntry(applications, "rec-nofile.desktop", recorder + " --plain");
        writeDesktopEntry(applications, "rec-terminal.desktop", recorder + " %f", true);
        writeDesktopEntry(applications, "rec-long.desktop",
                          recorder + " --" + std::string(300, 'x') + " %f");
        writeText(root / "config" / "mimeapps.list",
                  "[Default Applications]\n"
                  "text/plain=rec-plain.desktop\n"
                  "application/json=rec-plain.desktop\n"
                  "application/x-shellscript=rec-plain.desktop\n"
                  "text/x-python=rec-plain.desktop\n"
                  "text/x-python3=rec-plain.desktop\n"
                  "application/x-desktop=rec-plain.desktop\n"
                  "application/x-sharedlib=rec-plain.desktop\n"
                  "text/x-lanbrook-program-name=rec-plain.desktop\n"
                  "text/csv=rec-codes.desktop\n"
                  "text/markdown=rec-nofile.desktop\n"
                  "text/x-log=rec-terminal.desktop\n"
                  "text/x-tex=rec-long.desktop\n");
        writeText(
            root / "data" / "mime" / "packages" / "lanbrook-test.xml",
            "<?xml version=\"1.0\"?>\n"
            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
            " <mime-type type=\"text/x-lanbrook-program-name\">\n"
            "  <glob pattern=\"*.exe\" weight=\"90\"/><glob pattern=\"*.com\" weight=\"90\"/>\n"
            "  <glob pattern=\"*.dll\" weight=\"90\"/><glob pattern=\"*.bat\" weight=\"90\"/>\n"
            " </mime-type>\n</mime-info>\n");
        const std::string mime = (root / "data" / "mime").string();
        ownTypeInstalled =
            std::system(("update-mime-database " + mime + " 2>/dev/null").c_str()) == 0;

        setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        setenv("XDG_DATA_DIRS", "/usr/share", 1);
        setenv("XDG_CONFIG_DIRS", (root / "no-system-config").c_str(), 1);
        const char* path = std::getenv("PATH");
        const std::string recorderFolder = fs::path(LANBROOK_RECORDER).parent_path().string();
        setenv("PATH", (recorderFolder + ":" + (path ? path : "/usr/bin:/bin")).c_str(), 1);
    }
};

const XdgSetup& xdg() {
    static const XdgSetup setup;
    return setup;
}

// Native pids of the processes whose parent is this process, zombies included.
std::vector<int> childProcesses() {
    std::vector<int> children;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const auto close = line.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        int parent = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent) == 2 &&
            parent == ::getpid())
            children.push_back(std::stoi(name));
    }
    return children;
}

// True once every child of this process has ended and been reaped.
bool waitForNoChildren() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!childProcesses().empty()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Whether GIO itself knows a default program for names ending in `extension`,
// so that a refusal is ours and not for want of a program.
::testing::AssertionResult hasDefaultProgram(const char* extension) {
    const std::string name = std::string("file") + extension;
    std::unique_ptr<gchar, decltype(&g_free)> type(
        g_content_type_guess(name.c_str(), nullptr, 0, nullptr), &g_free);
    GAppInfo* app = g_app_info_get_default_for_type(type.get(), FALSE);
    if (app == nullptr) return ::testing::AssertionFailure() << type.get() << " has no program";
    g_object_unref(app);
    return ::testing::AssertionSuccess();
}

class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        xdg();
        setenv("LANBROOK_RECORDER_OUTPUT", tree_.native("runs.rec").c_str(), 1);
    }

    // Every run the recorder made, once every started child has been reaped.
    std::vector<Arguments> recordedRuns() {
        EXPECT_TRUE(waitForNoChildren()) << "a started program was not reaped";
        std::ifstream in(tree_.native("runs.rec"), std::ios::binary);
        std::vector<std::string> pieces;
        for (std::string piece; std::getline(in, piece, '\0');) pieces.push_back(piece);
        std::vector<Arguments> runs;
        for (std::size_t i = 0; i < pieces.size();) {
            const std::size_t count = std::stoul(pieces[i++]);
            runs.emplace_back(pieces.begin() + i, pieces.begin() + i + count);
            i += count;
        }
        return runs;
    }

    // The first recorded run, waited for while the started program works.
    Arguments firstRun() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!fs::exists(tree_.native("runs.rec")) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const std::vector<Arguments> runs = recordedRuns();
        return runs.empty() ? Arguments{"<no run>"} : runs.front();
    }

    std::string openedFile(const std::string& name) {
        tree_.writeFile(name, "content");
        return tree_.drivePath(name);
    }

    TempTree tree_;
    char command_[ShellUtility::kCommandBufferSize] = {};
};

TEST(SplitCommandLine, QuotedProgramWithBlankKeepsQuotedParameters) {
    EXPECT_EQ(ShellUtility::splitCommandLine("\"C:\\Program Files\\Viewer\\view.exe\" \"%1\" /a"),
              (Arguments{"C:\\Program Files\\Viewer\\view.exe", " \"%1\" /a"}));
}

TEST(SplitCommandLine, UnquotedProgramEndsAtTheFirstBlank) {
    EXPECT_EQ(ShellUtility::splitCommandLine("C:\\My Tools\\t.exe %1"),
              (Arguments{"C:\\My", "Tools\\t.exe %1"}));
}

TEST(SplitCommandLine, SingleWordGivesNothing) {
    EXPECT_TRUE(ShellUtility::splitCommandLine("notepad.exe").empty());
}

TEST(SplitCommandLine, UnclosedQuoteGivesNothing) {
    EXPECT_TRUE(ShellUtility::splitCommandLine("\"C:\\Tools\\t.exe %1").empty());
}

TEST(SplitCommandLine, EnvironmentReferenceBeforeTheProgramIsExpanded) {
    setenv("LANBROOK_TOOLS", "C:\\Tools", 1);
    EXPECT_EQ(ShellUtility::splitCommandLine("%LANBROOK_TOOLS%\\t.exe \"%1\""),
              (Arguments{"C:\\Tools\\t.exe", "\"%1\""}));
}

using Associations = LaunchTest;

TEST_F(Associations, TextFileCommandNamesTheDefaultProgram) {
    ASSERT_TRUE(ShellUtility::findOpenCommand("C:\\Notes\\todo.txt", command_));
    const Arguments parts = ShellUtility::splitCommandLine(command_);
    ASSERT_EQ(parts.size(), 2u) << command_;
    EXPECT_EQ(parts[0], kRecorderName);
    EXPECT_NE(parts[1].find("%1"), std::string::npos) << command_;
}

TEST_F(Associations, NullExtensionFindsNothing) {
    EXPECT_FALSE(ShellUtility::getOpenCommand(nullptr, command_));
}

TEST_F(Associations, UnknownExtensionFindsNothing) {
    EXPECT_FALSE(ShellUtility::getOpenCommand(".lanbrook-unknown", command_));
}

TEST_F(Associations, CommandTooLongForTheBufferCountsAsNotFound) {
    std::string full;
    ASSERT_TRUE(platform::lookUpOpenCommand(".tex", full));
    ASSERT_GE(full.size(), ShellUtility::kCommandBufferSize);
    std::strcpy(command_, "untouched");
    EXPECT_FALSE(ShellUtility::getOpenCommand(".tex", command_));
    EXPECT_STREQ(command_, "untouched");
}

TEST_F(Associations, TerminalProgramIsNotOffered) {
    ASSERT_TRUE(hasDefaultProgram(".log"));
    EXPECT_FALSE(ShellUtility::findOpenCommand("C:\\Logs\\run.log", command_));
}

TEST_F(Associations, ProgramExtensionsAreRefusedInAnyCaseWithoutLookup) {
    if (!xdg().ownTypeInstalled) GTEST_SKIP() << "update-mime-database is not available";
    for (const char* extension : {".EXE", ".exe", ".Com", ".dll", ".DLL", ".bat", ".BaT"}) {
        // The lookup alone would find a command: the refusal is the extension's.
        ASSERT_TRUE(ShellUtility::getOpenCommand(extension, nullptr)) << extension;
        EXPECT_FALSE(ShellUtility::findOpenCommand(
            (std::string("C:\\Tools\\setup") + extension).c_str(), command_))
            << extension;
    }
}

TEST_F(Associations, NameWithoutExtensionIsRefused) {
    EXPECT_FALSE(ShellUtility::findOpenCommand("C:\\Notes\\README", command_));
    EXPECT_FALSE(ShellUtility::findOpenCommand("C:\\Notes\\v1.0\\README", command_));
}

TEST_F(Associations, BareNameWithoutFolderIsRefused) {
    ASSERT_TRUE(ShellUtility::findOpenCommand("C:\\todo.txt", nullptr));
    EXPECT_FALSE(ShellUtility::findOpenCommand("todo.txt", command_));
}

// Types that run code are refused even though a default program exists for them.
class CodeTypes : public LaunchTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CodeTypes, AreRefused) {
    ASSERT_TRUE(hasDefaultProgram(GetParam()));
    EXPECT_FALSE(ShellUtility::getOpenCommand(GetParam(), command_));
}

INSTANTIATE_TEST_SUITE_P(ScriptsLibrariesEntries, CodeTypes,
                         ::testing::Values(".sh", ".py", ".so", ".desktop"));

TEST_F(Associations, JsonIsDataAndIsOffered) {
    EXPECT_TRUE(ShellUtility::getOpenCommand(".json", command_));
}

TEST_F(LaunchTest, OpeningATextFileStartsItsProgramOnTheNativePath) {
    const std::string file = openedFile("todo.txt");
    ASSERT_TRUE(ShellUtility::findOpenCommand(file.c_str(), command_));
    ShellUtility::openWithCommand(command_, file.c_str());
    EXPECT_EQ(firstRun(), (Arguments{"--first", tree_.native("todo.txt")}));
}

TEST_F(LaunchTest, NameWithQuotesBlanksDashAndPercentsArrivesAsOneArgument) {
    const std::string name = "-rf \"quoted\" 'single'  two  blanks %1 %PATH% $HOME `x`.txt";
    const std::string file = openedFile(name);
    ASSERT_TRUE(ShellUtility::findOpenCommand(file.c_str(), command_));
    ShellUtility::openWithCommand(command_, file.c_str());
    EXPECT_EQ(firstRun(), (Arguments{"--first", tree_.native(name)}));
}

TEST_F(LaunchTest, FileCodesBecomeTheFileAndOtherCodesAreDropped) {
    const std::string file = openedFile("table.csv");
    ASSERT_TRUE(ShellUtility::findOpenCommand(file.c_str(), command_));
    ShellUtility::openWithCommand(command_, file.c_str());
    EXPECT_EQ(firstRun(), (Arguments{"--rate=100%", tree_.native("table.csv")}));
}

TEST_F(LaunchTest, EntryWithoutFileCodeGetsTheFileLast) {
    const std::string file = openedFile("notes.md");
    ASSERT_TRUE(ShellUtility::findOpenCommand(file.c_str(), command_));
    ShellUtility::openWithCommand(command_, file.c_str());
    EXPECT_EQ(firstRun(), (Arguments{"--plain", tree_.native("notes.md")}));
}

TEST_F(LaunchTest, PlaceholderTwiceGetsThePathTwice) {
    const std::string file = openedFile("a b.txt");
    const std::string command = std::string("\"") + LANBROOK_RECORDER + "\" \"%1\" --also=\"%1\"";
    ShellUtility::openWithCommand(command.c_str(), file.c_str());
    const std::string native = tree_.native("a b.txt");
    EXPECT_EQ(firstRun(), (Arguments{native, "--also=" + native}));
}

TEST_F(LaunchTest, EnvironmentReferenceBeforeTheProgramStartsItFromThatFolder) {
    tree_.makeFolder("tools");
    fs::copy_file(LANBROOK_RECORDER, tree_.native("tools/recorder-copy"));
    ::chmod(tree_.native("tools/recorder-copy").c_str(), 0755);
    setenv("LANBROOK_TOOLS", tree_.drivePath("tools").c_str(), 1);
    const std::string file = openedFile("x.txt");
    ShellUtility::openWithCommand("%LANBROOK_TOOLS%\\recorder-copy \"%1\"", file.c_str());
    EXPECT_EQ(firstRun(), Arguments{tree_.native("x.txt")});
}

TEST_F(LaunchTest, StartedProgramIsReapedWhenItEnds) {
    const std::string file = openedFile("x.txt");
    ShellUtility::openWithCommand(("\"" + std::string(LANBROOK_RECORDER) + "\" %1").c_str(),
                                  file.c_str());
    ASSERT_EQ(firstRun(), Arguments{tree_.native("x.txt")});
    EXPECT_TRUE(childProcesses().empty());
}

TEST_F(LaunchTest, CommandsThatDoNotSplitStartNothing) {
    const std::string file = openedFile("x.txt");
    ShellUtility::openWithCommand(LANBROOK_RECORDER, file.c_str());
    ShellUtility::openWithCommand(("\"" + std::string(LANBROOK_RECORDER) + " %1").c_str(),
                                  file.c_str());
    ShellUtility::openWithCommand(nullptr, file.c_str());
    // A run that works, so there is something to wait for.
    ShellUtility::openWithCommand(("\"" + std::string(LANBROOK_RECORDER) + "\" last").c_str(),
                                  file.c_str());
    firstRun();
    EXPECT_EQ(recordedRuns(), (std::vector<Arguments>{{"last"}}));
}

TEST_F(LaunchTest, UnbalancedParameterQuotesStartNothing) {
    const std::string file = openedFile("x.txt");
    EXPECT_FALSE(platform::startProgram(LANBROOK_RECORDER, "'%1", file));
    EXPECT_TRUE(childProcesses().empty());
}

TEST_F(LaunchTest, MissingProgramIsReportedByTheSeam) {
    EXPECT_FALSE(platform::startProgram("lanbrook-no-such-program", "'%1'", openedFile("x.txt")));
}

TEST_F(LaunchTest, FileOnAnUnmappedDriveStartsNothing) {
    EXPECT_FALSE(platform::startProgram(LANBROOK_RECORDER, "'%1'", "Q:\\x.txt"));
    EXPECT_TRUE(childProcesses().empty());
}

}  // namespace
