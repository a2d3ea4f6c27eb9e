// SPDX-License-Identifier: MIT
// The tree page's file-type icons on Windows: the shell's small icon list,
// judged by the extension, for file types of the tests' own registered with
// icons of the system's shell library.
#include <windows.h>

#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <cstdlib>
#include <string>

#include "WindowsTestSupport.h"
#include "results/ui/CFileTypeIcons.h"

namespace {

// The icon at `index` of the shell's own library, as a DefaultIcon value.
std::string shellLibraryIcon(int index) {
    const char* root = std::getenv("SystemRoot");
    return std::string(root != nullptr ? root : "C:\\windows") + "\\system32\\shell32.dll," +
           std::to_string(index);
}

QImage smallImage(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

class FileTypeIconsWin32Test : public ::testing::Test {
protected:
    FileTypeIconsWin32Test()
        : first_(".lbicona", "Lanbrook.IconA", "notepad.exe \"%1\""),
          second_(".lbiconb", "Lanbrook.IconB", "notepad.exe \"%1\"") {
        first_.setDefaultIcon(shellLibraryIcon(4));
        second_.setDefaultIcon(shellLibraryIcon(8));
    }

    wintest::TestAssociation first_, second_;
};

TEST_F(FileTypeIconsWin32Test, EachRegisteredFileTypeShowsItsOwnSmallShellIcon) {
    CFileTypeIcons icons;
    const QIcon a = icons.iconForName(QStringLiteral("report.lbicona"));
    const QIcon b = icons.iconForName(QStringLiteral("report.lbiconb"));
    const QIcon unknown = icons.iconForName(QStringLiteral("report.lbnotype"));
    ASSERT_FALSE(a.isNull());
    ASSERT_FALSE(b.isNull());
    ASSERT_FALSE(unknown.isNull());
    EXPECT_EQ(a.availableSizes().value(0), QSize(16, 16));
    EXPECT_NE(smallImage(a), smallImage(b));
    EXPECT_NE(smallImage(a), smallImage(unknown));
    EXPECT_NE(smallImage(b), smallImage(unknown));
}

TEST_F(FileTypeIconsWin32Test, TheExtensionAloneDecidesWhateverTheNameAndLetterCase) {
    CFileTypeIcons icons;
    const QIcon a = icons.iconForName(QStringLiteral("report.lbicona"));
    // Kept per extension: the same icon object, not another look-up.
    EXPECT_EQ(icons.iconForName(QStringLiteral("C:\\other\\x.y.LBICONA")).cacheKey(), a.cacheKey());
    // The file need not exist, and a Chinese name changes nothing.
    EXPECT_EQ(smallImage(CFileTypeIcons().iconForName(QString::fromUtf8("报告.LbIconA"))),
              smallImage(a));
}

TEST_F(FileTypeIconsWin32Test, ANameWithoutAnExtensionStillGetsAnIcon) {
    CFileTypeIcons icons;
    const QIcon bare = icons.iconForName(QStringLiteral("README"));
    EXPECT_FALSE(bare.isNull());
    EXPECT_FALSE(smallImage(bare).isNull());
}

}  // namespace
