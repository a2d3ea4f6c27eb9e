// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "engine/ui/CTemplateDialog.h"
#include "engine/ui/CTemplatePage.h"
#include "engine/ui/CUpDownControl.h"
#include "engine/ui/ControlIds.h"

namespace {

const ControlTemplate kControls[] = {
    {10, ControlKind::Edit, "first", 4, 4, 80, 12, kStyleNone, "firstEdit"},
    {ids::kNoId, ControlKind::Static, "label", 4, 20, 40, 8, kStyleNone, "someLabel"},
    {11, ControlKind::Edit, "second", 4, 30, 80, 12, kStyleNone, "secondEdit"},
    {ids::kOk, ControlKind::DefaultPushButton, "OK", 90, 4, 50, 14, kStyleNone, "okButton"},
    {ids::kCancel, ControlKind::PushButton, "Off", 90, 22, 50, 14, kDisabled, "offButton"},
};
const DialogTemplate kTemplate = {900, "Sample", 160, 60, 9, kControls, std::size(kControls)};

TEST(DialogTemplateTest, DialogUnitsFollowTheAverageCharacterWidthAndTheHeight) {
    QFont font = QApplication::font();
    font.setPointSize(9);
    const QFontMetrics metrics(font);
    const QRect fourByEight = DialogTemplateBuilder::toPixels(font, 0, 0, 4, 8);
    // Four units across are one average Latin letter; eight down are one line.
    const double average =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0;
    EXPECT_NEAR(fourByEight.width(), average, 1.0);
    EXPECT_EQ(fourByEight.height(), metrics.height());
}

TEST(DialogTemplateTest, ALargerFontMakesALargerDialog) {
    QFont small = QApplication::font();
    small.setPointSize(8);
    QFont large = small;
    large.setPointSize(16);
    const QRect a = DialogTemplateBuilder::toPixels(small, 10, 10, 200, 100);
    const QRect b = DialogTemplateBuilder::toPixels(large, 10, 10, 200, 100);
    EXPECT_GT(b.width(), a.width() * 3 / 2);
    EXPECT_GT(b.height(), a.height() * 3 / 2);
    EXPECT_GT(b.x(), a.x());
}

TEST(DialogTemplateTest, DialogHasTheTemplateCaptionFontAndAFixedSize) {
    CTemplateDialog dialog(kTemplate, nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Sample");
    EXPECT_EQ(dialog.font().pointSize(), 9);
    const QSize expected = DialogTemplateBuilder::toPixels(dialog.font(), 0, 0, 160, 60).size();
    EXPECT_EQ(dialog.minimumSize(), expected);
    EXPECT_EQ(dialog.maximumSize(), expected);
}

TEST(DialogTemplateTest, NumberedControlsAreFoundByNumberAndEveryControlByName) {
    CTemplateDialog dialog(kTemplate, nullptr);
    auto* second = dialog.control<QLineEdit>(11);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->text(), "second");
    EXPECT_EQ(second, dialog.findChild<QLineEdit*>("secondEdit"));
    EXPECT_EQ(dialog.control<QPushButton>(11), nullptr);  // not a button
    EXPECT_NE(dialog.findChild<QWidget*>("someLabel"), nullptr);
    EXPECT_EQ(second->geometry(), DialogTemplateBuilder::toPixels(dialog.font(), 4, 30, 80, 12));
}

TEST(DialogTemplateTest, TabOrderIsTheTableOrder) {
    CTemplateDialog dialog(kTemplate, nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* first = dialog.control<QLineEdit>(10);
    first->setFocus();
    EXPECT_EQ(first->nextInFocusChain()->objectName(), "someLabel");
    QTest::keyClick(first, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.control<QLineEdit>(11));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.control<QPushButton>(ids::kOk));
}

TEST(DialogTemplateTest, EnterPressesTheDefaultButtonAndEscapeCancels) {
    CTemplateDialog accepted(kTemplate, nullptr);
    accepted.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&accepted));
    accepted.control<QLineEdit>(11)->setFocus();
    QTest::keyClick(accepted.control<QLineEdit>(11), Qt::Key_Return);
    EXPECT_FALSE(accepted.isVisible());
    EXPECT_EQ(accepted.result(), QDialog::Accepted);

    CTemplateDialog rejected(kTemplate, nullptr);
    rejected.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&rejected));
    QTest::keyClick(&rejected, Qt::Key_Escape);
    EXPECT_FALSE(rejected.isVisible());
    EXPECT_EQ(rejected.result(), QDialog::Rejected);
}

TEST(DialogTemplateTest, DisabledStyleDisablesTheControl) {
    CTemplateDialog dialog(kTemplate, nullptr);
    EXPECT_FALSE(dialog.control<QPushButton>(ids::kCancel)->isEnabled());
    EXPECT_TRUE(dialog.control<QPushButton>(ids::kOk)->isEnabled());
}

TEST(TemplatePageTest, APageWithRoomKeepsTheExactRectangles) {
    CTemplatePage page(kTemplate, nullptr);
    const QRect natural = DialogTemplateBuilder::toPixels(page.font(), 0, 0, 160, 60);
    page.resize(natural.width() + 40, natural.height() + 40);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    EXPECT_EQ(page.control<QLineEdit>(11)->geometry(),
              DialogTemplateBuilder::toPixels(page.font(), 4, 30, 80, 12));
}

TEST(TemplatePageTest, ATooSmallPageScalesItsControlsToStayInside) {
    CTemplatePage page(kTemplate, nullptr);
    const QRect natural = DialogTemplateBuilder::toPixels(page.font(), 0, 0, 160, 60);
    page.resize(natural.width() * 3 / 4, natural.height());
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    EXPECT_LT(page.placementScaleX(), 1.0);
    EXPECT_EQ(page.placementScaleY(), 1.0);
    for (QWidget* control : page.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(page.rect().contains(control->geometry()))
            << control->objectName().toStdString();
}

class UpDownTest : public ::testing::Test {
protected:
    UpDownTest() { spin_.setBuddy(&buddy_); }
    QLineEdit buddy_;
    CUpDownControl spin_;
};

TEST_F(UpDownTest, StepsWriteThePositionIntoTheBuddyAsDigits) {
    spin_.setRange(1, 5);
    buddy_.setText("2");
    QTest::mouseClick(spin_.upArrow(), Qt::LeftButton);
    EXPECT_EQ(buddy_.text(), "3");
    QTest::mouseClick(spin_.downArrow(), Qt::LeftButton);
    QTest::mouseClick(spin_.downArrow(), Qt::LeftButton);
    EXPECT_EQ(buddy_.text(), "1");
}

TEST_F(UpDownTest, WrapsPastEitherEnd) {
    spin_.setRange(1, 3);
    buddy_.setText("3");
    spin_.step(true);
    EXPECT_EQ(buddy_.text(), "1");
    spin_.step(false);
    EXPECT_EQ(buddy_.text(), "3");
}

TEST_F(UpDownTest, ReadsThePositionFromTheBuddyBeforeEachStep) {
    spin_.setRange(1, 10);
    buddy_.setText("7");
    spin_.step(true);
    EXPECT_EQ(buddy_.text(), "8");
    buddy_.setText("");  // no digits count as 0, below the range
    spin_.step(true);
    EXPECT_EQ(buddy_.text(), "1");
}

TEST_F(UpDownTest, ArrowKeysInTheBuddyStep) {
    spin_.setRange(1, 4);
    buddy_.setText("2");
    QTest::keyClick(&buddy_, Qt::Key_Up);
    EXPECT_EQ(buddy_.text(), "3");
    QTest::keyClick(&buddy_, Qt::Key_Down);
    QTest::keyClick(&buddy_, Qt::Key_Down);
    EXPECT_EQ(buddy_.text(), "1");
}

TEST_F(UpDownTest, EveryStepSignalsTheBuddyChange) {
    spin_.setRange(1, 2);
    buddy_.setText("1");
    int changes = 0;
    QObject::connect(&buddy_, &QLineEdit::textChanged, [&] { ++changes; });
    spin_.step(true);
    spin_.step(true);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(buddy_.text(), "1");
}

TEST_F(UpDownTest, InvertedRangeOfAnEmptyModelStaysBetweenItsBounds) {
    spin_.setRange(1, 0);
    buddy_.setText("1");
    spin_.step(true);
    EXPECT_EQ(buddy_.text(), "0");
    spin_.step(true);
    EXPECT_EQ(buddy_.text(), "1");
}

}  // namespace
