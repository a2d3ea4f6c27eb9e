// SPDX-License-Identifier: MIT
// Drives the real main window offscreen over a synthetic database and times
// what a user waits for:
//   ui_responsiveness [--files N] [--folder-entries N]
// - a category switch (click 图片: reload, refill both pages, repaint);
// - selecting the first group (its files listed, repainted);
// - opening a folder of N entries on the tree page (filled, repainted).
// The database is made in a temporary profile: loader_fill's synthetic rows
// plus one folder C:\Big\ of --folder-entries pictures, then the index.
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "app/CQuorrelDlg.h"
#include "bench/loader/SyntheticFiles.h"
#include "engine/ConfigInfo.h"
#include "engine/FileInfoAnalyse.h"
#include "storage/CFileInfoDB.h"

namespace {

// Milliseconds that `step` takes, with the window repainted at its end.
double timed(QWidget& window, const std::function<void()>& step) {
    QElapsedTimer clock;
    clock.start();
    step();
    window.repaint();
    QApplication::processEvents();
    return clock.nsecsElapsed() / 1e6;
}

bool makeDatabase(std::size_t files, int folderEntries) {
    CFileInfoDB db(ConfigInfo::global().getDatabasePath());
    if (!db.open()) return false;
    const SyntheticSummary summary = fillSyntheticDatabase(db, files, 20261209);
    if (!db.insertFolder("C:\\Big\\")) return false;
    const std::string id = db.lastInsertId();
    for (int i = 0; i < folderEntries; ++i) {
        char mask[81];
        std::snprintf(mask, sizeof mask, "00100000%072d", i);  // 4096 bytes, distinct samples
        db.insertFile(id, "picture-" + std::to_string(i) + ".jpg", mask, 0);
    }
    if (!db.updateFolderTime("20260101000000000", id)) return false;
    db.close();
    FileInfoAnalyse analyse;
    std::printf("database: files=%zu groups-before=%zu big-folder=%d\n", summary.files,
                summary.groups, folderEntries);
    return analyse.buildIndex();
}

QTreeWidgetItem* childNamed(QTreeWidgetItem* parent, const QString& name) {
    for (int i = 0; i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == name) return parent->child(i);
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t files = 100000;
    int folderEntries = 10000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--files") == 0) files = std::strtoull(argv[i + 1], nullptr, 10);
        if (std::strcmp(argv[i], "--folder-entries") == 0) folderEntries = std::atoi(argv[i + 1]);
    }
    char pattern[] = "/tmp/lanbrook-ui-bench-XXXXXX";
    if (!::mkdtemp(pattern)) return 1;
    const std::string scratch = pattern;
    std::filesystem::create_directories(scratch + "/profile");
    ::setenv("LANBROOK_DRIVES", ("C:=" + scratch).c_str(), 1);
    ::setenv("USERPROFILE", (scratch + "/profile").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string runtime = scratch + "/runtime";
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    QApplication app(argc, argv);
    if (!makeDatabase(files, folderEntries)) {
        std::fprintf(stderr, "ui_responsiveness: cannot make the database\n");
        return 1;
    }

    CQuorrelDlg window;
    const double start = timed(window, [&] {
        window.show();
        while (window.isStartupPending()) QApplication::processEvents(QEventLoop::AllEvents, 5);
    });
    const double category = timed(window, [&] {
        QTest::mouseClick(window.findChild<QRadioButton*>("categoryPictures"), Qt::LeftButton);
    });
    const double all = timed(window, [&] {
        QTest::mouseClick(window.findChild<QRadioButton*>("categoryAll"), Qt::LeftButton);
    });
    QTest::mouseClick(window.findChild<QRadioButton*>("categoryPictures"), Qt::LeftButton);
    auto* groups = window.findChild<QTableWidget*>("groupList");
    const double group = timed(window, [&] { groups->selectRow(0); });
    window.findChild<QTabWidget*>("tabs")->setCurrentIndex(1);
    QTreeWidget* tree = window.treePage().tree();
    tree->setCurrentItem(tree->topLevelItem(0));
    QTreeWidgetItem* big = childNamed(tree->topLevelItem(0), "Big");
    if (!big) return 1;
    const double folder = timed(window, [&] { tree->setCurrentItem(big); });

    std::printf("start-up (150 ms timer + category 0): %.0f ms\n", start);
    std::printf("category switch to pictures: %.0f ms (goal 1000)\n", category);
    std::printf("category switch back to all files: %.0f ms (goal 1000)\n", all);
    std::printf("select group 0, %d files listed: %.1f ms (goal 100)\n",
                window.findChild<QTableWidget*>("fileList")->rowCount(), group);
    std::printf("open a folder of %d entries: %.0f ms (goal 500)\n", big->childCount(), folder);
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return 0;
}
