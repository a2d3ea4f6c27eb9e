// SPDX-License-Identifier: MIT
#include <QProgressBar>

#include "WindowFixture.h"

namespace {

// The ratio is drawn, not only set: these cases read the bar's pixels.
class RatioBarTest : public WindowFixture {
protected:
    void show(int permille) {
        window_.ShowDuplicateRatio(permille);
        image_ = find<QProgressBar>(window_, "ratioBar")->grab().toImage();
    }
    QColor at(double fraction) const {
        return image_.pixelColor(int(fraction * image_.width()), image_.height() / 2);
    }
    QString text() const { return find<QLabel>(window_, "ratioText")->text(); }

    const QColor green{0, 230, 0}, red{230, 0, 0}, yellow{230, 230, 0};
    CQuorrelDlg window_;
    QImage image_;
};

TEST_F(RatioBarTest, NinetyNineThousandthsShowNinePointNinePercentInGreen) {
    show(99);
    EXPECT_EQ(text(), QString::fromUtf8("当前类型重复文件比例：9.9%"));
    EXPECT_EQ(at(0.04), green);
    EXPECT_EQ(at(0.5), yellow);
}

TEST_F(RatioBarTest, OneHundredThousandthsShowTenPercentInRed) {
    show(100);
    EXPECT_EQ(text(), QString::fromUtf8("当前类型重复文件比例：10.0%"));
    EXPECT_EQ(at(0.05), red);
    EXPECT_EQ(at(0.5), yellow);
}

TEST_F(RatioBarTest, AThousandThousandthsFillTheBar) {
    show(1000);
    EXPECT_EQ(text(), QString::fromUtf8("当前类型重复文件比例：100.0%"));
    EXPECT_EQ(at(0.05), red);
    EXPECT_EQ(at(0.95), red);
}

TEST_F(RatioBarTest, ZeroShowsAnEmptyBar) {
    show(0);
    EXPECT_EQ(text(), QString::fromUtf8("当前类型重复文件比例：0.0%"));
    EXPECT_EQ(at(0.05), yellow);
    EXPECT_EQ(at(0.95), yellow);
}

}  // namespace
