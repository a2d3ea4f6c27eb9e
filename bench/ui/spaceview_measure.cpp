// SPDX-License-Identifier: MIT
// Times the space view offscreen over a stored inventory:
//   spaceview_measure DATABASE
// - open: from reload() until the window shows the tree (the load runs on
//   the window's own thread; the event loop keeps turning meanwhile, and
//   the longest pause of the loop is reported too);
// - redraw: the treemap of all drives laid out again and painted
//   at 1000 x 700 pixels (every stored file below it);
// - the process's peak memory.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>

#include <cstdio>
#include <string>

#include "app/CSpaceDlg.h"
#include "app/CSpaceTreeView.h"
#include "app/CTreemapWidget.h"
#include "util/platform/FileSystem.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::string path;
    if (argc != 2 || !platform::fromNativePath(argv[1], path)) {
        std::fprintf(stderr, "usage: spaceview_measure DATABASE\n");
        return 2;
    }
    CSpaceDlg view(path);
    view.resize(1600, 1000);
    view.show();
    QElapsedTimer clock;
    clock.start();
    view.reload();
    qint64 longestPause = 0;
    while (view.isLoading() || !view.tree()) {
        QElapsedTimer turn;
        turn.start();
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        longestPause = std::max(longestPause, turn.elapsed());
    }
    view.repaint();
    const double openS = double(clock.nsecsElapsed()) / 1e9;
    if (!view.tree()->row(SpaceTree::kTop).figures.files) {
        std::fprintf(stderr, "no files in %s\n", argv[1]);
        return 1;
    }

    const std::vector<SpaceTree::Row> drives = view.tree()->children(SpaceTree::kTop);
    view.zoomTo(drives.front().id);
    CTreemapWidget& map = *view.treemap();
    map.resize(1000, 700);
    const SpaceTreemapTiles tiles(*view.tree());
    double redrawS = 1e9;
    for (int run = 0; run < 5; ++run) {
        clock.restart();
        // Lays the tiles out again and paints them (zoomTo would also list
        // the largest files and categories, which are not the treemap's).
        const SpaceTree::NodeId drive = SpaceTree::kTop;  // every drive: all the files
        map.setBuilder(
            [&tiles, drive](const QRectF& area) { return tiles.build(drive, area, true); });
        (void)map.grab();
        redrawS = std::min(redrawS, double(clock.nsecsElapsed()) / 1e9);
    }
    struct rusage usage {};
    (void)getrusage(RUSAGE_SELF, &usage);
    std::printf(
        "files=%llu drives=%llu tiles=%zu open_s=%.3f longest_pause_ms=%lld "
        "redraw_s=%.3f peak_mib=%ld\n",
        static_cast<unsigned long long>(view.tree()->row(SpaceTree::kTop).figures.files),
        static_cast<unsigned long long>(drives.size()), map.tiles().size(), openS,
        static_cast<long long>(longestPause), redrawS, usage.ru_maxrss / 1024);
    return 0;
}
