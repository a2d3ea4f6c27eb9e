// SPDX-License-Identifier: MIT
#include "app/CTrashCopiesAction.h"

#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <utility>

#include "engine/AnalysisScope.h"
#include "engine/ui/ItemBytes.h"
#include "storage/CFileInfoDB.h"
#include "util/FileUtility.h"

namespace {

QString pathOf(const GroupCheck& group, int file) {
    return itembytes::display(group.files[std::size_t(file)].path());
}

}  // namespace

CTrashCopiesAction::CTrashCopiesAction(GroupCheck group, int file, Kind kind,
                                       const AnalysisScope* protection)
    : m_group(std::move(group)) {
    if (file < 0 || std::size_t(file) >= m_group.files.size()) return;
    const auto isProtected = [&](int i) {
        return protection != nullptr &&
               protection->isProtected(m_group.files[std::size_t(i)].path());
    };
    if (kind == Kind::KeepThis) {
        m_keep = file;
        m_moving = CopyRemover::copiesOf(m_group, file);
        m_moving.erase(std::remove_if(m_moving.begin(), m_moving.end(), isProtected),
                       m_moving.end());
    } else if (!isProtected(file)) {
        // A protected copy of the same content is the one that stays.
        const std::vector<int> others = CopyRemover::copiesOf(m_group, file);
        const auto kept = std::find_if(others.begin(), others.end(), isProtected);
        m_keep = kept != others.end() ? *kept : CopyRemover::keeperFor(m_group, file);
        if (m_keep >= 0) m_moving = {file};
    }
}

int CTrashCopiesAction::fileOfPath(const GroupCheck& group, const std::string& path) {
    for (std::size_t i = 0; i < group.files.size(); ++i)
        if (group.files[i].path() == path) return int(i);
    return -1;
}

QString CTrashCopiesAction::confirmationText() const {
    QString text = QStringLiteral("以下 %1 个文件将移到回收站（可从回收站还原）：\n")
                       .arg(int(m_moving.size()));
    for (const int file : m_moving) text += QStringLiteral("    ") + pathOf(m_group, file) + '\n';
    text += QStringLiteral("\n保留的文件：\n    ") + pathOf(m_group, m_keep) + '\n';
    char size[32];
    const int keptClass = m_group.files[std::size_t(m_keep)].contentClass;
    const std::uint64_t length = std::size_t(keptClass) < m_group.classLengths.size()
                                     ? m_group.classLengths[std::size_t(keptClass)]
                                     : m_group.length;
    FileUtility::formatSize(size, length * m_moving.size());
    text += QStringLiteral("\n可释放 %1字节。移动前会再逐字节核对每个文件与保留的文件。")
                .arg(QString::fromLatin1(size));
    return text;
}

bool CTrashCopiesAction::confirm(QWidget* parent) const {
    if (!offered()) return false;
    QMessageBox box(QMessageBox::Question, QStringLiteral("移到回收站"), confirmationText(),
                    QMessageBox::NoButton, parent);
    box.setObjectName("trashConfirmation");
    QPushButton* move = box.addButton(QStringLiteral("移到回收站"), QMessageBox::AcceptRole);
    move->setObjectName("trashConfirmButton");
    QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.exec();
    return box.clickedButton() == move;
}

QString CTrashCopiesAction::refusalText(const CopyRemover::Outcome& outcome) {
    using R = CopyRemover::Refusal;
    const QString reason = QString::fromLocal8Bit(outcome.reason.c_str());
    switch (outcome.refusal) {
        case R::None:
            return QString();
        case R::NotOffered:
            return QStringLiteral("不是保留文件的另一副本");
        case R::KeptChanged:
            return QStringLiteral("要保留的文件已不存在或已更改");
        case R::NotRegular:
            return QStringLiteral("已不是普通文件（已删除或被替换）");
        case R::Changed:
            return QStringLiteral("分析后或核对期间已更改");
        case R::SameFile:
            return QStringLiteral("与要保留的文件是同一文件（硬链接）");
        case R::ContentDiffers:
            return QStringLiteral("内容与要保留的文件不同");
        case R::Unreadable:
            return QStringLiteral("无法读取：") + reason;
        case R::TrashFailed:
            return QStringLiteral("无法移到回收站：") + reason;
        case R::MovedBack:
            return QStringLiteral("移动时它或保留的文件发生变化，已放回原处");
        case R::NotMovedBack:
            return QStringLiteral("移动时它或保留的文件发生变化，且无法放回原处：") + reason;
        case R::Protected:
            return QStringLiteral("在受保护的文件夹中（扫描范围），不移动");
    }
    return reason;
}

int CTrashCopiesAction::run(QWidget* parent, CFileInfoDB& database, ContentChecker& cache) {
    if (!offered()) return 0;
    CopyRemover remover(database, cache);
    int moved = 0;
    QString stayed, unfinished;
    for (const CopyRemover::Outcome& outcome : remover.moveToTrash(m_group, m_keep, m_moving)) {
        const QString line = pathOf(m_group, outcome.file) + QStringLiteral("\n    ");
        if (outcome.refusal == CopyRemover::Refusal::NotMovedBack) {
            unfinished += line + refusalText(outcome) + '\n';
        } else if (outcome.refusal != CopyRemover::Refusal::None) {
            stayed += line + refusalText(outcome) + '\n';
        } else {
            ++moved;
            // Its row stays listed until the next analysis.
            if (!outcome.rowDeleted)
                unfinished += line + QStringLiteral("数据库中的记录未能删除：") +
                              QString::fromLocal8Bit(database.errorText().c_str()) + '\n';
        }
    }
    showNotMoved(parent, stayed, unfinished);
    return moved;
}

void CTrashCopiesAction::reportNotStarted(QWidget* parent, const QString& reason) const {
    QString stayed;
    for (const int file : m_moving)
        stayed += pathOf(m_group, file) + QStringLiteral("\n    ") + reason + '\n';
    showNotMoved(parent, stayed, QString());
}

void CTrashCopiesAction::showNotMoved(QWidget* parent, const QString& stayed,
                                      const QString& unfinished) {
    if (stayed.isEmpty() && unfinished.isEmpty()) return;
    QString text;
    if (!stayed.isEmpty()) text += QStringLiteral("以下文件未移动，仍在原处：\n") + stayed;
    if (!stayed.isEmpty() && !unfinished.isEmpty()) text += '\n';
    if (!unfinished.isEmpty())
        text += QStringLiteral("以下文件已移到回收站，但未能完成：\n") + unfinished;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("移到回收站"), text, QMessageBox::Ok,
                    parent);
    box.setObjectName("trashRefusals");
    box.exec();
}
