// SPDX-License-Identifier: MIT
#include <stdlib.h>
#include <sys/stat.h>

#include <QFile>

#include <filesystem>
#include <fstream>

#include "WindowFixture.h"

namespace {

// A desktop entry of the tests' own, the default application of plain text
// and of Windows executables, whose program writes its arguments (one a line)
// into a file. It lives outside the scanned drive.
class OpenFileTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        char pattern[] = "/tmp/lanbrook-apps-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        apps_ = pattern;
        write("bin/lanbrook-recorder",
              "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + apps_ +
                  "/opened.tmp'\nmv '" + apps_ + "/opened.tmp' '" + apps_ + "/opened'\n");
        ::chmod((apps_ + "/bin/lanbrook-recorder").c_str(), 0755);
        write("data/applications/lanbrook-recorder.desktop",
              "[Desktop Entry]\nType=Application\nName=Recorder\nExec=lanbrook-recorder %f\n"
              "MimeType=text/plain;application/x-ms-dos-executable;application/x-msdownload;\n");
        write("config/mimeapps.list",
              "[Default Applications]\ntext/plain=lanbrook-recorder.desktop\n"
              "application/x-ms-dos-executable=lanbrook-recorder.desktop\n"
              "application/x-msdownload=lanbrook-recorder.desktop\n");
        ::setenv("XDG_DATA_HOME", (apps_ + "/data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (apps_ + "/config").c_str(), 1);
        ::setenv("XDG_DATA_DIRS", "/usr/local/share:/usr/share", 1);
        const char* path = ::getenv("PATH");
        ::setenv("PATH", (apps_ + "/bin:" + (path ? path : "/usr/bin:/bin")).c_str(), 1);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(apps_, ignored);
    }

    void write(const std::string& relative, const std::string& text) const {
        const std::filesystem::path file = apps_ + "/" + relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << text;
    }
    // The arguments the recorder got, once it has run (within `timeoutMs`).
    QStringList openedWith(int timeoutMs) const {
        const QString file = QString::fromStdString(apps_ + "/opened");
        uitest::waitUntil([&] { return QFile::exists(file); }, timeoutMs);
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly)) return {};
        return QString::fromLocal8Bit(in.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    // Selects group 0 and returns the file list.
    QTableWidget* showGroup(CQuorrelDlg& window) {
        analyse();
        showAndSettle(window);
        clickRow(*find<QTableWidget>(window, "groupList"), 0);
        return find<QTableWidget>(window, "fileList");
    }
    // A first click, then the second press that the system reports as a double click.
    static void doubleClickRow(QTableWidget& list, int row) {
        const QRect cell = list.visualRect(list.model()->index(row, 0));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    }

    std::string apps_;
};

TEST_F(OpenFileTest, DoubleClickingATextFileStartsItsAssociatedProgramOnIt) {
    writeCopies({"a/notes.txt", "b/notes.txt"}, 100, 'n');
    CQuorrelDlg window;
    QTableWidget* files = showGroup(window);
    ASSERT_EQ(files->rowCount(), 2);
    doubleClickRow(*files, 0);
    const std::string relative =
        files->item(0, 0)->text().startsWith(QString::fromStdString(tree_.drivePath("a")))
            ? "a/notes.txt"
            : "b/notes.txt";
    EXPECT_EQ(openedWith(10000), QStringList{QString::fromStdString(tree_.native(relative))});
}

TEST_F(OpenFileTest, SelectingATextFileArmsOpenWhichStartsTheProgram) {
    writeCopies({"a/odd name 'q'.txt", "b/odd name 'q'.txt"}, 100, 'n');
    CQuorrelDlg window;
    QTableWidget* files = showGroup(window);
    clickRow(*files, 1);
    auto* open = find<QPushButton>(window, "openButton");
    ASSERT_TRUE(open->isEnabled());
    QTest::mouseClick(open, Qt::LeftButton);
    const QStringList args = openedWith(10000);
    ASSERT_EQ(args.size(), 1);
    EXPECT_TRUE(args[0].endsWith("/odd name 'q'.txt")) << args[0].toStdString();
}

TEST_F(OpenFileTest, AnExecutableRowDisablesOpenAndADoubleClickStartsNothing) {
    writeCopies({"a/tool.exe", "b/tool.exe"}, 100, 'e');
    CQuorrelDlg window;
    QTableWidget* files = showGroup(window);
    clickRow(*files, 0);
    EXPECT_FALSE(find<QPushButton>(window, "openButton")->isEnabled());
    EXPECT_FALSE(find<QLineEdit>(window, "selectedPath")->text().isEmpty());
    doubleClickRow(*files, 0);
    EXPECT_TRUE(openedWith(700).isEmpty());
}

}  // namespace
