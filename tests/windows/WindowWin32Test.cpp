// SPDX-License-Identifier: MIT
// The main window as only Windows shows it, on Qt's Windows platform (real
// Win32 windows): the system menu's About item, and files opened through the
// registry's associations by the shell, names in Chinese among them.
#include <QTabWidget>
#include <QTreeWidget>

#include <memory>
#include <string>

#include "ScopedEnvironment.h"
#include "WindowFixture.h"
#include "app/CAboutDlg.h"
#include "results/ui/CTreeViewDlg.h"

// After the program's headers: they declare names that <windows.h> defines
// as macros (WM_USER).
#include <windows.h>

#include "WindowsTestSupport.h"

namespace {

using Arguments = std::vector<std::string>;

// "报告 1": a report's name in Chinese, written as UTF-8 (the program's ANSI
// code page under its manifest).
const std::string kChineseName = "\xe6\x8a\xa5\xe5\x91\x8a 1";

std::string upperCased(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

class WindowWin32Test : public WindowFixture {
protected:
    static HWND handle(QWidget& window) { return reinterpret_cast<HWND>(window.winId()); }

    // Sends `command` to the window's system menu as the user's choice would,
    // and returns the title of the modal dialog it opened (closed again), or
    // nothing when none opened within 10 s.
    static QString dialogOpenedBy(QWidget& window, WPARAM command) {
        QString title;
        bool about = false;
        uitest::withNextModal(
            [&] {
                ::PostMessageW(handle(window), WM_SYSCOMMAND, command, 0);
                (void)uitest::waitUntil([&] { return !title.isEmpty(); }, 10000);
            },
            [&](QDialog& dialog) {
                title = dialog.windowTitle();
                about = qobject_cast<CAboutDlg*>(&dialog) != nullptr;
                dialog.reject();
            },
            10000);
        return about ? title : QString();
    }

    // Analyses the tree, shows the window, selects the group of the files
    // named `name` and returns the file list.
    QTableWidget* showGroupOf(CQuorrelDlg& window, const QString& name) {
        analyse();
        showAndSettle(window);
        auto* groups = find<QTableWidget>(window, "groupList");
        auto* files = find<QTableWidget>(window, "fileList");
        for (int row = 0; row < groups->rowCount(); ++row) {
            clickRow(*groups, row);
            if (files->rowCount() > 0 && files->item(0, 0)->text().endsWith(name)) return files;
        }
        ADD_FAILURE() << "no group of " << name.toStdString();
        return files;
    }

    // A first click, then the second press that the system reports as a double click.
    static void doubleClickRow(QTableWidget& list, int row) {
        const QRect cell = list.visualRect(list.model()->index(row, 0));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    }

    // The recorder's output file; the recorder is told of it.
    std::string recordFile() {
        output_ = std::make_unique<ScopedEnvironment>("LANBROOK_RECORDER_OUTPUT",
                                                      tree_.drivePath("record.txt"));
        return tree_.drivePath("record.txt");
    }

    std::unique_ptr<ScopedEnvironment> output_;
};

TEST_F(WindowWin32Test, SystemMenuEndsWithASeparatorAndTheAboutItemAsCommand16) {
    analyse();
    CQuorrelDlg window;
    showAndSettle(window);
    const HMENU menu = ::GetSystemMenu(handle(window), FALSE);
    ASSERT_NE(menu, nullptr);
    const int count = ::GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(::GetMenuItemID(menu, count - 1), 16u);
    EXPECT_TRUE(::GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR);
    wchar_t text[64] = {};
    ASSERT_GT(::GetMenuStringW(menu, 16, text, 64, MF_BYCOMMAND), 0);
    EXPECT_EQ(QString::fromWCharArray(text), QString::fromUtf8("关于 Lanbrook(&A)..."));
}

TEST_F(WindowWin32Test, ChoosingTheAboutItemOpensTheAboutBox) {
    analyse();
    CQuorrelDlg window;
    showAndSettle(window);
    EXPECT_EQ(dialogOpenedBy(window, 16), QString::fromUtf8("关于 Lanbrook"));
    // The system keeps the low four bits of a command for itself.
    EXPECT_EQ(dialogOpenedBy(window, 16 | 0x3), QString::fromUtf8("关于 Lanbrook"));
}

TEST_F(WindowWin32Test, TheTreeFillsFolderByFolderDownToACopyWithItsFileTypeIcon) {
    writeCopies({"a/x.txt", "b/x.txt", "c/x.txt"}, 1536, 'x');
    analyse();
    CQuorrelDlg window;
    showAndSettle(window);
    window.findChild<QTabWidget*>("tabs")->setCurrentIndex(1);
    // The analysis keeps folders upper-cased on Windows; file names as they are.
    const std::string path = upperCased(tree_.drivePath("b")) + "\\x.txt";
    window.treePage().selectPath(path);
    QTreeWidgetItem* item = window.treePage().tree()->currentItem();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(0), "x.txt");
    EXPECT_FALSE(item->icon(0).isNull());
    EXPECT_EQ(find<QLineEdit>(window.treePage(), "pathField")->text(),
              QString::fromStdString(path));
    EXPECT_EQ(find<QLineEdit>(window.treePage(), "copiesField")->text(), "3");
    ASSERT_NE(item->parent(), nullptr);
    EXPECT_EQ(item->parent()->text(0), "B");
}

TEST_F(WindowWin32Test, ADoubleClickOpensAChineseNamedFileThroughItsAssociation) {
    const std::string output = recordFile();
    const wintest::TestAssociation association(".lbrec", "Lanbrook.Record",
                                               "\"" + wintest::recorderPath() + "\" \"%1\"");
    writeCopies({"a/" + kChineseName + ".lbrec", "b/" + kChineseName + ".lbrec"}, 100, 'r');
    CQuorrelDlg window;
    const QString name = QString::fromUtf8(kChineseName + ".lbrec");
    QTableWidget* files = showGroupOf(window, name);
    ASSERT_EQ(files->rowCount(), 2);
    // The name is shown as the file system holds it, not in the code page's question marks.
    const QString first = files->item(0, 0)->text();
    EXPECT_TRUE(first.endsWith(QLatin1Char('\\') + name)) << first.toStdString();
    doubleClickRow(*files, 0);
    EXPECT_EQ(wintest::waitForRecord(output), (Arguments{first.toStdString()}));
}

TEST_F(WindowWin32Test, OpenStartsTheSelectedFilesProgram) {
    const std::string output = recordFile();
    const wintest::TestAssociation association(".lbrec", "Lanbrook.Record",
                                               "\"" + wintest::recorderPath() + "\" \"%1\"");
    writeCopies({"a/notes.lbrec", "b/notes.lbrec"}, 100, 'n');
    CQuorrelDlg window;
    QTableWidget* files = showGroupOf(window, QStringLiteral("notes.lbrec"));
    ASSERT_EQ(files->rowCount(), 2);
    clickRow(*files, 1);
    auto* open = find<QPushButton>(window, "openButton");
    ASSERT_TRUE(open->isEnabled());
    QTest::mouseClick(open, Qt::LeftButton);
    EXPECT_EQ(wintest::waitForRecord(output), (Arguments{files->item(1, 0)->text().toStdString()}));
}

TEST_F(WindowWin32Test, AnExecutableIsNeverOpenedEvenWithAnAssociation) {
    const std::string output = recordFile();
    // Associations that would start the recorder on executables, were they looked up.
    const wintest::TestAssociation exe(".exe", "Lanbrook.Record",
                                       "\"" + wintest::recorderPath() + "\" \"%1\"");
    writeCopies({"a/tool.exe", "b/tool.exe"}, 100, 'e');
    CQuorrelDlg window;
    QTableWidget* files = showGroupOf(window, QStringLiteral("tool.exe"));
    ASSERT_GE(files->rowCount(), 1);
    clickRow(*files, 0);
    EXPECT_FALSE(find<QPushButton>(window, "openButton")->isEnabled());
    EXPECT_FALSE(find<QLineEdit>(window, "selectedPath")->text().isEmpty());
    doubleClickRow(*files, 0);
    // What a start would have written shows within a fraction of this wait.
    QTest::qWait(700);
    EXPECT_EQ(::GetFileAttributesA(output.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
