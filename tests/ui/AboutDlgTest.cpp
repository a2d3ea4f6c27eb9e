// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "UiTestSupport.h"
#include "app/CAboutDlg.h"
#include "engine/ui/ControlIds.h"

namespace {

TEST(AboutDlgTest, ShowsNameVersionAndTheDescriptionLines) {
    CAboutDlg about;
    EXPECT_TRUE(about.m_text.isEmpty());
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    EXPECT_EQ(about.windowTitle(), QString::fromUtf8("关于 Lanbrook"));
    EXPECT_EQ(about.findChild<QLabel*>("versionLabel")->text(),
              QString::fromUtf8("Lanbrook，1.0 版"));
    const QStringList lines = about.m_text.split("\r\n");
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], QString::fromUtf8("本软件是一款有用的文件资源管理软件，"));
    EXPECT_EQ(lines[6], QString::fromUtf8("同时你以后也会收到软件新版本的更新通知。"));
    const QString shown = about.control<QPlainTextEdit>(ids::kAboutText)->toPlainText();
    EXPECT_EQ(shown.split('\n'), lines);
}

TEST(AboutDlgTest, ContactLinesNameAReservedExampleDomain) {
    const QStringList lines = CAboutDlg::descriptionText().split("\r\n");
    EXPECT_TRUE(lines[7].contains("example.org")) << lines[7].toStdString();
    EXPECT_TRUE(lines[8].contains("@") && lines[8].contains("example.org"));
}

TEST(AboutDlgTest, DescriptionIsReadOnlyAndTheIconIsShown) {
    CAboutDlg about;
    EXPECT_TRUE(about.control<QPlainTextEdit>(ids::kAboutText)->isReadOnly());
    auto* icon = about.findChild<QLabel*>("appIcon");
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
}

TEST(AboutDlgTest, OkEndsTheModalDialogAccepted) {
    CAboutDlg about;
    int result = -1;
    uitest::withNextModal([&] { result = about.exec(); },
                          [&](QDialog& shown) {
                              QTest::mouseClick(shown.findChild<QPushButton*>("okButton"),
                                                Qt::LeftButton);
                          });
    EXPECT_EQ(result, QDialog::Accepted);
}

TEST(AboutDlgTest, EscapeEndsTheModalDialogCancelled) {
    CAboutDlg about;
    int result = -1;
    uitest::withNextModal([&] { result = about.exec(); },
                          [&](QDialog& shown) { QTest::keyClick(&shown, Qt::Key_Escape); });
    EXPECT_EQ(result, QDialog::Rejected);
}

}  // namespace
