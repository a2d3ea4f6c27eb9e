// SPDX-License-Identifier: MIT
#include "app/CTreemapWidget.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "app/SpaceFormat.h"
#include "engine/ui/ItemBytes.h"

namespace {

// Indexed by category code; 0 (every file) is not a file's colour.
const QRgb kCategoryColors[FileCategories::kCategoryCount] = {
    0x808080, 0x4e79a7, 0xf28e2b, 0xe15759, 0xbab0ac, 0x76b7b2,
    0x59a14f, 0xedc948, 0xb07aa1, 0xff9da7, 0x9c755f,
};
const char* const kCategoryNames[FileCategories::kCategoryCount] = {
    "所有", "开发", "图片", "文档", "其它", "音乐", "视频", "文本", "网页", "压缩", "程序",
};
constexpr double kShadedFrom = 6.0;  // tiles narrower than this are flat

QColor folderColor(int depth) {
    const int level = std::max(150, 225 - 15 * depth);
    return QColor(level, level, level);
}

}  // namespace

CTreemapWidget::CTreemapWidget(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(200, 150);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QColor CTreemapWidget::categoryColor(int category) {
    if (category < 0 || category >= FileCategories::kCategoryCount) category = 0;
    return QColor::fromRgb(kCategoryColors[category]);
}

QString CTreemapWidget::categoryName(int category) {
    if (category < 0 || category >= FileCategories::kCategoryCount) category = 0;
    return QString::fromUtf8(kCategoryNames[category]);
}

void CTreemapWidget::setBuilder(Builder builder) {
    m_builder = std::move(builder);
    relayOut();
}

void CTreemapWidget::clear() {
    m_builder = nullptr;
    relayOut();
}

void CTreemapWidget::relayOut() {
    m_hovered = nullptr;
    m_tiles.clear();
    if (m_builder && width() > 0 && height() > 0) m_tiles = m_builder(QRectF(rect()));
    m_dirty = true;
    update();
}

void CTreemapWidget::resizeEvent(QResizeEvent*) {
    relayOut();
}

const TreemapTile* CTreemapWidget::tileAt(const QPointF& point) const {
    // Contents come after their folder: the last hit is the deepest.
    for (auto it = m_tiles.rbegin(); it != m_tiles.rend(); ++it)
        if (it->rect.contains(point)) return &*it;
    return nullptr;
}

void CTreemapWidget::setSelectedPath(const std::string& path) {
    m_selectedPath = path;
    update();
}

QString CTreemapWidget::describe(const TreemapTile& tile) {
    using K = TreemapTile::Kind;
    switch (tile.kind) {
        case K::Unscanned:
            return QStringLiteral("%1 未扫描\n占用 %2")
                .arg(itembytes::display(tile.path), SpaceFormat::bytes(tile.weight));
        case K::Lumped:
            return QStringLiteral("%1\n%2 个小文件，共 %3")
                .arg(itembytes::display(tile.path), SpaceFormat::count(tile.count),
                     SpaceFormat::bytes(tile.weight));
        case K::Folder:
            return QStringLiteral("%1\n占用 %2，大小 %3%4")
                .arg(itembytes::display(tile.path), SpaceFormat::bytes(tile.weight),
                     SpaceFormat::bytes(tile.size),
                     tile.copied ? QStringLiteral("\n全部有副本") : QString());
        case K::File:
            break;
    }
    return QStringLiteral("%1\n大小 %2，%3%4")
        .arg(itembytes::display(tile.path), SpaceFormat::bytes(tile.size),
             categoryName(tile.category), tile.copied ? QStringLiteral("，别处有副本") : QString());
}

void CTreemapWidget::paintTile(QPainter& painter, const TreemapTile& tile) {
    using K = TreemapTile::Kind;
    const QRectF& r = tile.rect;
    if (tile.kind == K::Folder) {
        painter.fillRect(r, folderColor(tile.depth));
        painter.setPen(QColor(90, 90, 90));
        painter.drawRect(r.adjusted(0, 0, -0.5, -0.5));
        return;
    }
    if (tile.kind == K::Unscanned) {
        painter.fillRect(r, QColor(235, 235, 235));
        painter.fillRect(r, QBrush(QColor(150, 150, 150), Qt::Dense6Pattern));
        return;
    }
    const QColor base =
        tile.kind == K::Lumped ? QColor(170, 170, 170) : categoryColor(tile.category);
    if (r.width() >= kShadedFrom && r.height() >= kShadedFrom) {
        // A cheap cushion: light at the top left, dark at the bottom right.
        QLinearGradient shade(r.topLeft(), r.bottomRight());
        shade.setColorAt(0, base.lighter(135));
        shade.setColorAt(1, base.darker(135));
        painter.fillRect(r, shade);
        painter.setPen(base.darker(170));
        painter.drawRect(r.adjusted(0, 0, -0.5, -0.5));
    } else {
        painter.fillRect(r, base);
    }
    if (tile.copied) painter.fillRect(r, QBrush(QColor(0, 0, 0, 150), Qt::BDiagPattern));
}

void CTreemapWidget::render() {
    const qreal ratio = devicePixelRatioF();
    m_image = QImage(size() * ratio, QImage::Format_RGB32);
    m_image.setDevicePixelRatio(ratio);
    m_image.fill(palette().color(QPalette::Window));
    QPainter painter(&m_image);
    for (const TreemapTile& tile : m_tiles) paintTile(painter, tile);
    m_dirty = false;
}

void CTreemapWidget::paintEvent(QPaintEvent*) {
    if (m_dirty) render();
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
    if (m_tiles.empty()) {
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("没有可显示的内容"));
        return;
    }
    for (const TreemapTile& tile : m_tiles) {
        if (m_selectedPath.empty() || tile.path != m_selectedPath) continue;
        if (tile.kind == TreemapTile::Kind::Lumped) continue;
        painter.setPen(QPen(Qt::white, 3));
        painter.drawRect(tile.rect.adjusted(1, 1, -1, -1));
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(tile.rect.adjusted(1, 1, -1, -1));
    }
    if (m_hovered) {
        painter.setPen(QPen(Qt::yellow, 2));
        painter.drawRect(m_hovered->rect.adjusted(1, 1, -1, -1));
    }
}

void CTreemapWidget::mouseMoveEvent(QMouseEvent* event) {
    const TreemapTile* hit = tileAt(event->position());
    if (hit == m_hovered) return;
    m_hovered = hit;
    update();
}

void CTreemapWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // Copies: a receiver may lay the tiles out again.
    if (const TreemapTile* hit = tileAt(event->position())) emit tileClicked(TreemapTile(*hit));
}

void CTreemapWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (const TreemapTile* hit = tileAt(event->position()))
        emit tileDoubleClicked(TreemapTile(*hit));
}

void CTreemapWidget::contextMenuEvent(QContextMenuEvent* event) {
    if (const TreemapTile* hit = tileAt(event->pos()))
        emit tileMenuRequested(TreemapTile(*hit), event->globalPos());
}

bool CTreemapWidget::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    if (const TreemapTile* hit = tileAt(help->pos()))
        QToolTip::showText(help->globalPos(), describe(*hit), this);
    else
        QToolTip::hideText();
    return true;
}
