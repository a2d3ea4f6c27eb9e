// SPDX-License-Identifier: MIT
#include "app/CTrashFolderAction.h"

#include <QMessageBox>
#include <QPushButton>

#include "engine/ui/ItemBytes.h"
#include "storage/CFileInfoDB.h"
#include "util/FileUtility.h"

namespace {

QString sizeText(std::uint64_t bytes) {
    char size[32];
    return QString::fromLatin1(FileUtility::formatSize(size, bytes));
}

}  // namespace

CTrashFolderAction::CTrashFolderAction(const FolderInventory& inventory,
                                       const IdenticalFolders& identical,
                                       const IdenticalFolders::Set& set, std::uint32_t keep) {
    bool inSet = false;
    for (const std::uint32_t folder : set.folders) inSet = inSet || folder == keep;
    if (!inSet) return;
    m_keep = FolderRemover::StoredFolder::of(inventory, keep);
    for (const std::uint32_t folder : set.folders)
        if (folder != keep) m_going.push_back(FolderRemover::StoredFolder::of(inventory, folder));
    m_freed = identical.freedKeeping(set, keep);
}

bool CTrashFolderAction::confirm(QWidget* parent) const {
    if (!offered()) return false;
    QString text = QStringLiteral("以下 %1 个文件夹将整个移到回收站（可从回收站整个还原）：\n")
                       .arg(int(m_going.size()));
    for (const FolderRemover::StoredFolder& folder : m_going)
        text += QStringLiteral("    ") + itembytes::display(folder.path) + '\n';
    text += QStringLiteral("\n保留的文件夹：\n    ") + itembytes::display(m_keep.path) + '\n';
    text += QStringLiteral(
                "\n可释放 %1字节。移动前会再核对每个文件夹：内容与分析时相同（没有增减或更改），"
                "且每个文件都与保留文件夹中的对应文件逐字节相同。")
                .arg(sizeText(m_freed));
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kKeepThisText), text,
                    QMessageBox::NoButton, parent);
    box.setObjectName("folderTrashConfirmation");
    QPushButton* move = box.addButton(QStringLiteral("移到回收站"), QMessageBox::AcceptRole);
    move->setObjectName("folderTrashConfirmButton");
    QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.exec();
    return box.clickedButton() == move;
}

QString CTrashFolderAction::refusalText(const FolderRemover::Outcome& outcome) {
    using R = FolderRemover::Refusal;
    const QString reason = QString::fromLocal8Bit(outcome.reason.c_str());
    QString text;
    switch (outcome.refusal) {
        case R::None:
            return QString();
        case R::NotIdentical:
            text = QStringLiteral("与保留的文件夹不再相同");
            break;
        case R::Nested:
            text = QStringLiteral("包含保留的文件夹，或在其中");
            break;
        case R::Protected:
            text = QStringLiteral("是或包含受保护的文件夹（扫描范围），不移动");
            break;
        case R::KeptChanged:
            text = QStringLiteral("保留文件夹中的文件已不存在或已更改");
            break;
        case R::NotAsStored:
            text = QStringLiteral("分析后有增减或更改");
            break;
        case R::ContentDiffers:
            text = QStringLiteral("内容与保留文件夹中的对应文件不同");
            break;
        case R::Unreadable:
            text = QStringLiteral("无法读取");
            break;
        case R::TrashFailed:
            text = QStringLiteral("无法移到回收站");
            break;
        case R::MovedBack:
            text = QStringLiteral("移动时发生变化，已放回原处");
            break;
        case R::NotMovedBack:
            text = QStringLiteral("移动时发生变化，且无法放回原处");
            break;
    }
    if (!outcome.at.empty()) text += QStringLiteral("：") + itembytes::display(outcome.at);
    return text + QStringLiteral("（") + reason + QStringLiteral("）");
}

int CTrashFolderAction::run(QWidget* parent, CFileInfoDB& database, ContentChecker& cache) {
    if (!offered()) return 0;
    FolderRemover remover(database, cache);
    int moved = 0;
    QString stayed, unfinished;
    for (const FolderRemover::Outcome& outcome : remover.moveToTrash(m_keep, m_going)) {
        const QString line = itembytes::display(outcome.folder) + QStringLiteral("\n    ");
        if (outcome.refusal == FolderRemover::Refusal::NotMovedBack) {
            unfinished += line + refusalText(outcome) + '\n';
        } else if (outcome.refusal != FolderRemover::Refusal::None) {
            stayed += line + refusalText(outcome) + '\n';
        } else {
            ++moved;
            if (!outcome.rowsDeleted)
                unfinished += line + QStringLiteral("数据库中的记录未能删除：") +
                              QString::fromLocal8Bit(database.errorText().c_str()) + '\n';
        }
    }
    if (stayed.isEmpty() && unfinished.isEmpty()) return moved;
    QString text;
    if (!stayed.isEmpty()) text += QStringLiteral("以下文件夹未移动，仍在原处：\n") + stayed;
    if (!stayed.isEmpty() && !unfinished.isEmpty()) text += '\n';
    if (!unfinished.isEmpty())
        text += QStringLiteral("以下文件夹已移到回收站，但未能完成：\n") + unfinished;
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kKeepThisText), text, QMessageBox::Ok,
                    parent);
    box.setObjectName("folderTrashRefusals");
    box.exec();
    return moved;
}
