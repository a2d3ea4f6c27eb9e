// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include <functional>
#include <vector>

#include "app/SpaceTreemapTiles.h"

// The treemap of the space view: paints the tiles a builder lays out for its
// current size (files in their category's colour with a cushion-like shade,
// files with a copy elsewhere hatched, folders as frames, 未扫描 dotted
// grey), shows the hovered tile's path and sizes, and reports clicks,
// double-clicks and context-menu requests on tiles. The picture is drawn
// once into an image per layout; hovering and selecting only outline a tile.
class CTreemapWidget : public QWidget {
    Q_OBJECT
public:
    using Builder = std::function<std::vector<TreemapTile>(const QRectF& area)>;

    explicit CTreemapWidget(QWidget* parent = nullptr);

    // Lays the tiles out again through `builder`, now and on every resize.
    void setBuilder(Builder builder);
    void clear();
    const std::vector<TreemapTile>& tiles() const { return m_tiles; }

    // The deepest tile under `point`; null when none.
    const TreemapTile* tileAt(const QPointF& point) const;
    // Outlines the tile of `path` (a file's or folder's); none for "".
    void setSelectedPath(const std::string& path);
    // The text the tooltip shows for `tile`: its path and sizes.
    static QString describe(const TreemapTile& tile);

    // The colour of a category (FileCategories codes 1 .. 10) and its name
    // as the main window's buttons show it (0: 所有).
    static QColor categoryColor(int category);
    static QString categoryName(int category);

signals:
    void tileClicked(const TreemapTile& tile);
    void tileDoubleClicked(const TreemapTile& tile);
    void tileMenuRequested(const TreemapTile& tile, const QPoint& globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;

private:
    void relayOut();
    void render();
    static void paintTile(QPainter& painter, const TreemapTile& tile);

    Builder m_builder;
    std::vector<TreemapTile> m_tiles;
    QImage m_image;
    bool m_dirty = true;
    const TreemapTile* m_hovered = nullptr;
    std::string m_selectedPath;
};
