// SPDX-License-Identifier: MIT
// Opening files through the registry's associations and the shell: real
// registry keys, and a real program of the tests' own started on the file.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "ScopedEnvironment.h"
#include "TempTree.h"
#include "WindowsTestSupport.h"
#include "util/ShellUtility.h"
#include "util/StringUtility.h"
#include "util/platform/FileSystem.h"

namespace {

using Arguments = std::vector<std::string>;

std::string lowerCased(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The system's text editor, from the environment rather than the registry.
std::string systemNotepad() {
    const char* root = std::getenv("SystemRoot");
    return lowerCased(std::string(root != nullptr ? root : "") + "\\system32\\notepad.exe");
}

}  // namespace

class WindowsAssociationTest : public ::testing::Test {
protected:
    // Fills the caller's buffer with a mark, so a lookup that writes nothing shows.
    void SetUp() override { std::strcpy(command_, "untouched"); }

    // The recorder's output file for this test; the recorder is told of it.
    std::string recordFile() {
        output_ = std::make_unique<ScopedEnvironment>("LANBROOK_RECORDER_OUTPUT",
                                                      tree_.drivePath("record.txt"));
        return tree_.drivePath("record.txt");
    }

    char command_[ShellUtility::kCommandBufferSize];
    TempTree tree_;
    std::unique_ptr<ScopedEnvironment> output_;
};

TEST_F(WindowsAssociationTest, SystemIniTypeGivesNotepadsCommandAndItsSplit) {
    ASSERT_TRUE(ShellUtility::getOpenCommand(".ini", command_));
    const std::string command = command_;
    EXPECT_NE(command.find("%1"), std::string::npos) << command;
    const Arguments parts = ShellUtility::splitCommandLine(command);
    ASSERT_EQ(parts.size(), 2u) << command;
    EXPECT_EQ(lowerCased(parts[0]), systemNotepad());
    EXPECT_TRUE(platform::pathExists(parts[0])) << parts[0];
    EXPECT_EQ(parts[1], " \"%1\"");
}

TEST_F(WindowsAssociationTest, TextFilesOpenWithTheSystemsTextFileType) {
    // Windows maps .txt to its type txtfile; a Wine 8 prefix holds the type
    // but not the mapping, which is then written for the test.
    std::unique_ptr<wintest::TestAssociation> mapping;
    if (!wintest::classKeyExists(".txt"))
        mapping = std::make_unique<wintest::TestAssociation>(".txt", "txtfile", "");
    ASSERT_TRUE(ShellUtility::findOpenCommand("C:\\Notes\\todo.txt", command_));
    const Arguments parts = ShellUtility::splitCommandLine(command_);
    ASSERT_EQ(parts.size(), 2u) << command_;
    EXPECT_EQ(lowerCased(parts[0]), systemNotepad());
}

TEST_F(WindowsAssociationTest, UpperCaseExeIsRefusedWithoutALookup) {
    // Windows maps .exe to its type exefile; a Wine 8 prefix lacks the mapping.
    std::unique_ptr<wintest::TestAssociation> mapping;
    if (!wintest::classKeyExists(".exe"))
        mapping = std::make_unique<wintest::TestAssociation>(".exe", "exefile", "");
    ASSERT_TRUE(ShellUtility::getOpenCommand(".EXE", nullptr))
        << "the registry has a command for programs, so only the refusal stops it";
    EXPECT_FALSE(ShellUtility::findOpenCommand("C:\\Tools\\SETUP.EXE", command_));
    EXPECT_STREQ(command_, "untouched");
}

TEST_F(WindowsAssociationTest, MissingExtensionKeyIsNotFound) {
    EXPECT_FALSE(ShellUtility::getOpenCommand(".lanbrook-none", command_));
    EXPECT_STREQ(command_, "untouched");
}

TEST_F(WindowsAssociationTest, TypeNameTooLongForTheKeyPathIsNotFound) {
    // With "\Shell\Open\Command" (19 characters) a type name of 240 makes
    // the longest key path that fits 260 bytes; one more would overflow it.
    {
        const wintest::TestAssociation association(".lblong", std::string(240, 't'), "x.exe %1");
        EXPECT_TRUE(ShellUtility::getOpenCommand(".lblong", nullptr));
    }
    const wintest::TestAssociation association(".lblong", std::string(241, 't'), "x.exe %1");
    EXPECT_FALSE(ShellUtility::getOpenCommand(".lblong", command_));
    EXPECT_STREQ(command_, "untouched");
}

TEST_F(WindowsAssociationTest, CommandOfExactly259CharactersFitsAndOneMoreDoesNot) {
    const std::string longest = "\"" + std::string(252, 'p') + "\" \"%1\"";
    ASSERT_EQ(longest.size(), 259u);
    {
        const wintest::TestAssociation association(".lbfit", "Lanbrook.Fit", longest);
        ASSERT_TRUE(ShellUtility::getOpenCommand(".lbfit", command_));
        EXPECT_EQ(std::string(command_), longest);
    }
    std::strcpy(command_, "untouched");
    const wintest::TestAssociation association(".lbfit", "Lanbrook.Fit", longest + " ");
    EXPECT_FALSE(ShellUtility::getOpenCommand(".lbfit", command_));
    EXPECT_STREQ(command_, "untouched");
}

TEST_F(WindowsAssociationTest, OpenStartsTheAssociatedProgramOnTheWholePath) {
    const std::string output = recordFile();
    const wintest::TestAssociation association(".lbrec", "Lanbrook.Record",
                                               "\"" + wintest::recorderPath() + "\" \"%1\" /view");
    if (!association.throughUserClasses())
        std::printf(
            "note: HKEY_CLASSES_ROOT does not show the user's classes; "
            "the association was written there itself\n");
    const std::string file = tree_.drivePath("my files/\xe6\x8a\xa5\xe5\x91\x8a 1.lbrec");
    tree_.writeFile("my files/\xe6\x8a\xa5\xe5\x91\x8a 1.lbrec", "report");
    ASSERT_TRUE(ShellUtility::findOpenCommand(file.c_str(), command_));
    ShellUtility::openWithCommand(command_, file.c_str());
    EXPECT_EQ(wintest::waitForRecord(output), (Arguments{file, "/view"}));
}

TEST_F(WindowsAssociationTest, EnvironmentReferenceBeforeTheProgramIsExpanded) {
    const std::string output = recordFile();
    const std::string recorder = wintest::recorderPath();
    const std::string folder = recorder.substr(0, recorder.rfind('\\'));
    ASSERT_EQ(folder.find(' '), std::string::npos) << "an unquoted program path holds no blank";
    const ScopedEnvironment variable("LANBROOK_RECORDER_DIR", folder);
    const wintest::TestAssociation association(
        ".lbenv", "Lanbrook.Environment", "%LANBROOK_RECORDER_DIR%\\lanbrook-recorder.exe \"%1\"");
    const std::string file = tree_.drivePath("notes.lbenv");
    tree_.writeFile("notes.lbenv", "notes");
    ASSERT_TRUE(ShellUtility::findOpenCommand(file.c_str(), command_));
    EXPECT_EQ(ShellUtility::splitCommandLine(command_), (Arguments{recorder, "\"%1\""}));
    ShellUtility::openWithCommand(command_, file.c_str());
    EXPECT_EQ(wintest::waitForRecord(output), (Arguments{file}));
}
