// SPDX-License-Identifier: MIT
#include "app/CSpaceItemActions.h"

#include <QApplication>
#include <QMenu>
#include <QMessageBox>

#include "app/CTrashFolderAction.h"
#include "app/SpaceFormat.h"
#include "engine/ui/ItemBytes.h"
#include "util/ShellUtility.h"
#include "util/platform/FileManager.h"

SpaceItem SpaceItem::ofRow(const SpaceTree::Row& row) {
    SpaceItem item;
    item.path = row.path;
    item.folder = true;
    item.movable = row.kind == SpaceTree::Kind::Folder;
    item.bytes = row.figures.size;
    item.uncopied = row.figures.size - std::min(row.figures.size, row.figures.copiedBytes);
    return item;
}

SpaceItem SpaceItem::ofFile(const SpaceTree& tree, std::uint32_t file) {
    const FolderInventory& inventory = tree.inventory();
    SpaceItem item;
    item.path = inventory.path(inventory.files()[file]);
    item.movable = true;
    item.bytes = inventory.files()[file].length;
    item.uncopied = tree.copies().reach(file) == FolderCopies::kNoCopy ? item.bytes : 0;
    return item;
}

SpaceItem SpaceItem::ofFilePath(const SpaceTree& tree, const std::string& path) {
    const std::size_t cut = path.rfind('\\');
    const FolderInventory& inventory = tree.inventory();
    const std::uint32_t folder = cut == std::string::npos ? FolderInventory::kNoFolder
                                                          : inventory.find(path.substr(0, cut + 1));
    if (folder != FolderInventory::kNoFolder) {
        const FolderInventory::Folder& stored = inventory.folders()[folder];
        const std::string_view name = std::string_view(path).substr(cut + 1);
        for (std::uint32_t f = stored.firstFile; f < stored.fileEnd; ++f)
            if (inventory.name(inventory.files()[f]) == name) return ofFile(tree, f);
    }
    SpaceItem item;
    item.path = path;
    return item;
}

void CSpaceItemActions::addTo(QMenu& menu, const SpaceItem& item) {
    char command[ShellUtility::kCommandBufferSize];
    QAction* open = menu.addAction(QStringLiteral("打开"));
    open->setObjectName("openAction");
    open->setEnabled(!item.folder && ShellUtility::findOpenCommand(item.path.c_str(), command));
    QAction* show = menu.addAction(QStringLiteral("在文件夹中显示"));
    show->setObjectName("showInFolderAction");
    show->setEnabled(!item.path.empty());
    menu.addSeparator();
    QAction* trash = menu.addAction(QStringLiteral("移到回收站"));
    trash->setObjectName("trashAction");
    trash->setEnabled(item.movable);
}

bool CSpaceItemActions::run(QWidget* parent, const SpaceTree& tree, const SpaceItem& item,
                            const QString& chosen) {
    if (chosen == QLatin1String("openAction"))
        open(item);
    else if (chosen == QLatin1String("showInFolderAction"))
        showInFolder(parent, item);
    else if (chosen == QLatin1String("trashAction"))
        return trash(parent, tree, item);
    return false;
}

void CSpaceItemActions::open(const SpaceItem& item) {
    char command[ShellUtility::kCommandBufferSize];
    if (!item.folder && ShellUtility::findOpenCommand(item.path.c_str(), command))
        ShellUtility::openWithCommand(command, item.path.c_str());
}

void CSpaceItemActions::showInFolder(QWidget* parent, const SpaceItem& item) {
    std::string shown = item.path;
    if (item.folder && shown.size() > 3 && shown.back() == '\\') shown.pop_back();
    std::string reason;
    if (!platform::showInFileManager(shown, reason))
        QMessageBox::warning(
            parent, QStringLiteral("在文件夹中显示"),
            QStringLiteral("无法显示 %1：%2")
                .arg(itembytes::display(shown), QString::fromLocal8Bit(reason.c_str())));
}

QString CSpaceItemActions::confirmationText(const SpaceItem& item) {
    const QString what = item.folder ? QStringLiteral("文件夹") : QStringLiteral("文件");
    QString text = QStringLiteral("把%1“%2”移到回收站吗？\n\n它共有 %3。")
                       .arg(what, itembytes::display(item.path), SpaceFormat::bytes(item.bytes));
    if (item.bytes == 0)
        text += QStringLiteral("它不含任何内容。");
    else if (item.uncopied == item.bytes)
        text += QStringLiteral("这些内容在别处都没有副本：移走后，只有回收站里还有它们。");
    else if (item.uncopied == 0)
        text += QStringLiteral("这些内容在别处都有副本。");
    else
        text += QStringLiteral("其中 %1 在别处没有副本。").arg(SpaceFormat::bytes(item.uncopied));
    return text;
}

bool CSpaceItemActions::trash(QWidget* parent, const SpaceTree& tree, const SpaceItem& item) {
    if (!item.movable) return false;
    QMessageBox ask(QMessageBox::Question, QStringLiteral("移到回收站"), confirmationText(item),
                    QMessageBox::Yes | QMessageBox::No, parent);
    ask.setObjectName("spaceTrashConfirmation");
    ask.setDefaultButton(QMessageBox::No);
    if (ask.exec() != QMessageBox::Yes) return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SpaceItemRemover::Outcome outcome = tree.trash(item.path);
    QApplication::restoreOverrideCursor();
    if (outcome.refusal == SpaceItemRemover::Refusal::None) return true;
    QMessageBox refused(
        QMessageBox::Warning, QStringLiteral("移到回收站"),
        QStringLiteral("“%1”未移动，仍在原处：%2")
            .arg(itembytes::display(item.path), CTrashFolderAction::refusalText(outcome)),
        QMessageBox::Ok, parent);
    refused.setObjectName("spaceTrashRefused");
    refused.exec();
    return false;
}
