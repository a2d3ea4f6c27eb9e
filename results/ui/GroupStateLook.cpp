// SPDX-License-Identifier: MIT
#include "results/ui/GroupStateLook.h"

#include <QPainter>
#include <QPixmap>

namespace groupstate {
namespace {

// A round badge of `colour` holding `glyph` in white.
QIcon badge(const QColor& colour, const QString& glyph) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(1, 1, 14, 14));
    painter.setPen(QPen(Qt::white, 2));
    if (glyph == QLatin1String("tick")) {
        painter.drawPolyline(QPolygonF({{4.5, 8.5}, {7, 11}, {11.5, 5}}));
    } else if (glyph == QLatin1String("cross")) {
        painter.drawLine(QPointF(5, 5), QPointF(11, 11));
        painter.drawLine(QPointF(11, 5), QPointF(5, 11));
    } else if (glyph == QLatin1String("half")) {
        painter.setBrush(Qt::white);
        painter.setPen(Qt::NoPen);
        painter.drawPie(QRectF(3, 3, 10, 10), 90 * 16, 180 * 16);
    } else {
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(11);
        painter.setFont(font);
        painter.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, glyph);
    }
    return QIcon(pixmap);
}

}  // namespace

QIcon icon(GroupState state) {
    switch (state) {
        case GroupState::Confirmed:
            return badge(QColor(0, 150, 60), QStringLiteral("tick"));
        case GroupState::Partly:
            return badge(QColor(220, 140, 0), QStringLiteral("half"));
        case GroupState::Refuted:
            return badge(QColor(200, 30, 30), QStringLiteral("cross"));
        case GroupState::Unknown:
            return badge(QColor(110, 110, 110), QStringLiteral("?"));
        case GroupState::Unchecked:
            break;
    }
    return QIcon();
}

QString toolTip(GroupState state) {
    switch (state) {
        case GroupState::Confirmed:
            return QStringLiteral("已核对内容：所有文件内容相同，确为重复文件");
        case GroupState::Partly:
            return QStringLiteral("已核对内容：部分文件内容相同，其余文件内容不同");
        case GroupState::Refuted:
            return QStringLiteral("已核对内容：文件内容各不相同，不是重复文件");
        case GroupState::Unknown:
            return QStringLiteral("无法确定：有文件无法读取或在分析后已更改");
        case GroupState::Unchecked:
            break;
    }
    return QStringLiteral("尚未核对内容");
}

QColor rowColour(GroupState state) {
    switch (state) {
        case GroupState::Confirmed:
            return QColor(215, 245, 215);
        case GroupState::Partly:
            return QColor(255, 240, 200);
        case GroupState::Refuted:
            return QColor(235, 225, 225);
        case GroupState::Unknown:
        case GroupState::Unchecked:
            break;
    }
    return QColor();
}

QString fileClassText(const GroupCheck& group, int index) {
    if (group.state == GroupState::Unchecked || index < 0 || index >= int(group.files.size()))
        return QString();
    const CheckedFile& file = group.files[std::size_t(index)];
    if (file.status == CheckedFile::Status::Changed) return QStringLiteral("已更改");
    if (file.status == CheckedFile::Status::Unreadable) return QStringLiteral("无法读取");
    if (file.contentClass < 0) return QString();
    // Classes of two distinct files or more are numbered in their order.
    int number = 0;
    for (int c = 0; c <= file.contentClass && c < int(group.classes.size()); ++c)
        if (group.distinctFiles(c) >= 2) ++number;
    if (group.distinctFiles(file.contentClass) >= 2) {
        const QString copy = QStringLiteral("副本 %1").arg(number);
        return file.linkSet >= 0 ? copy + QStringLiteral("（硬链接）") : copy;
    }
    return file.linkSet >= 0 ? QStringLiteral("硬链接") : QStringLiteral("唯一");
}

}  // namespace groupstate
