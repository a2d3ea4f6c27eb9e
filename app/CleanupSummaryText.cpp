// SPDX-License-Identifier: MIT
#include "app/CleanupSummaryText.h"

#include <QStringList>

#include "app/CTrashCopiesAction.h"
#include "app/CleanupPlanModel.h"
#include "engine/ui/ItemBytes.h"
#include "util/FileUtility.h"

namespace cleanuptext {

QString sizeText(std::uint64_t bytes) {
    char text[32];
    return QString::fromLatin1(FileUtility::formatSize(text, bytes));
}

namespace {

// A heading and, under it, each path with its reason indented.
QString listed(const QString& heading, const QStringList& lines) {
    return lines.isEmpty() ? QString() : QStringLiteral("\n") + heading + '\n' + lines.join('\n');
}

QString line(const std::string& path, const QString& reason) {
    return QStringLiteral("    ") + itembytes::display(path) + QStringLiteral("\n        ") +
           reason;
}

}  // namespace

QString filesAndBytes(std::uint64_t files, std::uint64_t bytes) {
    return QStringLiteral("%1 个文件，%2字节").arg(files).arg(sizeText(bytes));
}

QString reasonOf(const CleanupRun::Item& item) {
    switch (item.held) {
        case CleanupRun::Held::ByPlan:
            return CleanupPlanModel::refusalText(item.planReason);
        case CleanupRun::Held::KeptEarlier:
            return QStringLiteral("前面一组保留了这个文件");
        case CleanupRun::Held::KeepMovedEarlier:
            return QStringLiteral("本组保留的文件已被前面一组移走");
        case CleanupRun::Held::No:
            break;
    }
    return CTrashCopiesAction::refusalText(item.outcome);
}

QString runSummary(const CleanupRun::Summary& summary) {
    QString text = QStringLiteral("已移到回收站：%1 个文件，释放 %2字节。")
                       .arg(summary.moved.size())
                       .arg(sizeText(summary.bytesFreed));
    if (summary.cancelled)
        text += QStringLiteral("\n已取消：还有 %1 个文件未处理，仍在原处。").arg(summary.notTried);
    QStringList stayed, unfinished, unrecorded, moved;
    for (const CleanupRun::Item& item : summary.refused) {
        const bool inTrash = item.outcome.refusal == CopyRemover::Refusal::NotMovedBack;
        (inTrash ? unfinished : stayed) << line(item.path, reasonOf(item));
    }
    for (const CleanupRun::Item& item : summary.moved) {
        moved << QStringLiteral("    ") + itembytes::display(item.path);
        if (!item.recorded) unrecorded << line(item.path, QStringLiteral("未能记录，无法撤销"));
    }
    text += listed(QStringLiteral("未移动（%1 个文件，仍在原处）：").arg(stayed.size()), stayed);
    text += listed(QStringLiteral("已移到回收站，但未能完成："), unfinished);
    text += listed(QStringLiteral("已移到回收站，但撤销时无法还原："), unrecorded);
    text += listed(QStringLiteral("已移到回收站的文件："), moved);
    return text;
}

QString undoSummary(const CleanupUndo::Summary& summary) {
    QString text = QStringLiteral("已还原 %1 个文件。").arg(summary.restored.size());
    QStringList skipped, gone;
    for (const CleanupUndo::Item& item : summary.skipped)
        skipped << line(item.path, item.placeTaken ? QStringLiteral("原位置已有文件，未覆盖")
                                                   : QString::fromLocal8Bit(item.reason.c_str()));
    for (const CleanupUndo::Item& item : summary.gone)
        gone << line(item.path, QStringLiteral("已不在回收站中"));
    text += listed(
        QStringLiteral("未还原（%1 个文件，仍在回收站中，可再次撤销）：").arg(skipped.size()),
        skipped);
    text += listed(QStringLiteral("无法还原："), gone);
    return text;
}

}  // namespace cleanuptext
