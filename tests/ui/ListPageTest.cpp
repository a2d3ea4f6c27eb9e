// SPDX-License-Identifier: MIT
#include <QToolButton>

#include "WindowFixture.h"
#include "engine/ui/CUpDownControl.h"
#include "results/ui/CAnalyseListDlg.h"

namespace {

class ListPageTest : public WindowFixture {
protected:
    // `groups` groups of two copies each, of distinct sizes and contents.
    void writeGroups(int groups) const {
        for (int i = 0; i < groups; ++i) {
            const std::string name = "g" + std::to_string(i) + ".dat";
            writeCopies({"a/" + name, "b/" + name}, 20 + i, char('A' + i));
        }
    }
    QTableWidget& list() const { return *find<QTableWidget>(*window_, "groupList"); }
    QString page() const { return find<QLineEdit>(*window_, "pageField")->text(); }
    QString status() const { return find<QLabel>(*window_, "statusLine")->text(); }
    void nextPage() const {
        QTest::mouseClick(find<CUpDownControl>(*window_, "pageSpinner")->upArrow(), Qt::LeftButton);
    }
    void previousPage() const {
        QTest::mouseClick(find<CUpDownControl>(*window_, "pageSpinner")->downArrow(),
                          Qt::LeftButton);
    }
    void open() {
        analyse();
        window_ = std::make_unique<CQuorrelDlg>();
        showAndSettle(*window_);
    }

    std::unique_ptr<CQuorrelDlg> window_;
};

TEST_F(ListPageTest, TwentySixGroupsMakeExactlyOnePage) {
    writeGroups(26);
    open();
    EXPECT_TRUE(status().startsWith(QString::fromUtf8("共1页，"))) << status().toStdString();
    EXPECT_EQ(list().rowCount(), 26);
    nextPage();  // wraps back to the only page
    EXPECT_EQ(page(), "1");
    EXPECT_EQ(list().rowCount(), 26);
}

TEST_F(ListPageTest, TwentySevenGroupsMakeTwoPagesTheSecondHoldingGroup26) {
    writeGroups(27);
    open();
    EXPECT_TRUE(status().startsWith(QString::fromUtf8("共2页，"))) << status().toStdString();
    EXPECT_EQ(page(), "1");
    nextPage();
    EXPECT_EQ(page(), "2");
    ASSERT_EQ(list().rowCount(), 1);
    EXPECT_EQ(list().item(0, 0)->text(), "26");
}

TEST_F(ListPageTest, ThePageSelectorWrapsPastEitherEnd) {
    writeGroups(27);
    open();
    nextPage();
    nextPage();
    EXPECT_EQ(page(), "1");
    EXPECT_EQ(list().rowCount(), 26);
    previousPage();
    EXPECT_EQ(page(), "2");
    EXPECT_EQ(list().rowCount(), 1);
}

TEST_F(ListPageTest, RowsShowIndexCountSizeTextAndNameInWasteOrder) {
    writeCopies({"a/mid.bin", "b/mid.bin", "c/mid.bin"}, 1536, 'm');
    writeCopies({"a/kilo.bin", "b/kilo.bin"}, 1024, 'k');
    writeCopies({"a/mega.bin", "b/mega.bin"}, (1 << 20) + 1, 'g');
    open();
    ASSERT_EQ(list().rowCount(), 3);
    EXPECT_EQ(columnTexts(list(), 0), (QStringList{"0", "1", "2"}));
    EXPECT_EQ(columnTexts(list(), 1), (QStringList{"2", "3", "2"}));
    EXPECT_EQ(columnTexts(list(), 2), (QStringList{"1.00 M", "1.50 K", "1024 B"}));
    EXPECT_EQ(columnTexts(list(), 3), (QStringList{"mega.bin", "mid.bin", "kilo.bin"}));
}

TEST_F(ListPageTest, ColumnsHaveTheirHeadingsWidthsAndAlignments) {
    open();
    const QStringList headings = {QString::fromUtf8("序号"), QString::fromUtf8("数量"),
                                  QString::fromUtf8("字节大小"), QString::fromUtf8("文件名")};
    const int widths[] = {36, 36, 80, 200};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(list().horizontalHeaderItem(c)->text(), headings[c]);
        EXPECT_EQ(list().columnWidth(c), widths[c]);
        const bool right = list().horizontalHeaderItem(c)->textAlignment() & Qt::AlignRight;
        EXPECT_EQ(right, c < 3) << c;
    }
}

TEST_F(ListPageTest, StatusLineSumsTheCategoryAndTheRatioReachesTheOwner) {
    writeCopies({"a/x.bin", "b/x.bin", "c/x.bin"}, 1000, 'x');  // 3000 bytes, 2000 duplicated
    open();
    EXPECT_EQ(status(), QString::fromUtf8("共1页，共 2.93 K字节，重复 1.95 K字节"));
    EXPECT_EQ(find<QLabel>(*window_, "ratioText")->text(),
              QString::fromUtf8("当前类型重复文件比例：66.6%"));
}

TEST(ListPageRules, PagesAndPermille) {
    EXPECT_EQ(CAnalyseListDlg::pageCount(0), 0);
    EXPECT_EQ(CAnalyseListDlg::pageCount(26), 1);
    EXPECT_EQ(CAnalyseListDlg::pageCount(27), 2);
    EXPECT_EQ(CAnalyseListDlg::permille(2000, 3000), 666);
    EXPECT_EQ(CAnalyseListDlg::permille(5, 0), 0);
    EXPECT_EQ(CAnalyseListDlg::permille(3000, 3000), 1000);
}

}  // namespace
