// SPDX-License-Identifier: MIT
// One-line edit fields draw their text on Qt's Windows platform with the
// faces the program starts with (under Wine Qt fell back to a math face that
// left them blank: the page number, the selected path, the analysis counts).
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "WindowsTestSupport.h"
#include "app/SystemFontFaces.h"
#include "util/platform/SystemFont.h"

namespace {

// The application's font at a size no other case asks for, so that no face
// resolved before the program's start-up call is taken from Qt's cache.
QFont fieldFont() {
    QFont font = QApplication::font();
    font.setPointSizeF(10.5);
    return font;
}

// The field `text` shows, drawn as the screen would show it.
QImage fieldShowing(const QString& text) {
    QLineEdit field;
    field.setFont(fieldFont());
    field.setText(text);
    field.setCursorPosition(0);
    field.resize(320, field.sizeHint().height());
    field.show();
    (void)QTest::qWaitForWindowExposed(&field);
    return field.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// How many pixels differ between two images of one size.
int differingPixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return count;
}

}  // namespace

TEST(LineEditWin32Test, FilledFieldDrawsItsText) {
    useSystemFontFaces();  // as the program starts
    const QImage empty = fieldShowing(QString());
    // Latin letters and digits as the analysis dialog's fields hold them.
    const QImage filled = fieldShowing(QStringLiteral("[C:\\] 31 setup-tools.zip"));
    ASSERT_EQ(empty.size(), filled.size());
    // Two dozen glyphs: far more than the blinking caret's column of pixels.
    EXPECT_GT(differingPixels(empty, filled), 3 * empty.height())
        << "the field drew no text with " << QFontInfo(fieldFont()).family().toStdString();
}

TEST(LineEditWin32Test, UnderWineTheApplicationFontIsTheFaceWinesMapperDraws) {
    useSystemFontFaces();
    const QString family = QApplication::font().family();
    const QString drawn = QString::fromStdString(platform::systemFontFace(family.toStdString()));
    ASSERT_FALSE(drawn.isEmpty()) << family.toStdString();
    EXPECT_TRUE(QFontDatabase::hasFamily(drawn)) << drawn.toStdString();
    if (!wintest::underWine()) GTEST_SKIP() << "Windows keeps Qt's own choice";
    EXPECT_EQ(QFontInfo(fieldFont()).family(), drawn);
}
