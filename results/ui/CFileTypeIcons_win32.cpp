// SPDX-License-Identifier: MIT
// File-type icons on Windows: the shell's small system icon list, looked up by
// the name's extension without touching the file.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QStyle>

#include <memory>
#include <type_traits>

#include "results/ui/CFileTypeIcons.h"

namespace {

struct DestroyIconHandle {
    void operator()(HICON icon) const noexcept { ::DestroyIcon(icon); }
};
using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, DestroyIconHandle>;

// The shell's small icon for files named like `name`, or a null icon when the
// shell has none. The name is passed in the ANSI code page, which the
// program's manifest makes UTF-8.
QIcon shellSmallIcon(const QString& name) {
    SHFILEINFOA info{};
    const QByteArray ansiName = name.toUtf8();
    const auto list = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoA(ansiName.constData(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                         SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES));
    if (list == nullptr) return {};
    const IconHandle icon(::ImageList_GetIcon(list, info.iIcon, ILD_NORMAL));
    if (!icon) return {};
    const QImage image = QImage::fromHICON(icon.get());
    if (image.isNull()) return {};
    return QIcon(QPixmap::fromImage(image));
}

}  // namespace

void CFileTypeIcons::ensureIconTheme() {}

CFileTypeIcons::CFileTypeIcons()
    : plainFile_(QApplication::style()->standardIcon(QStyle::SP_FileIcon)) {}

QIcon CFileTypeIcons::iconForName(const QString& name) {
    // The shell judges by the last extension, letter case aside; a name
    // without one is a kind of its own.
    const QString extension = QFileInfo(name).suffix().toLower();
    const QString key = extension.isEmpty() ? QString() : QLatin1Char('.') + extension;
    const auto found = byKind_.constFind(key);
    if (found != byKind_.constEnd()) return *found;
    QIcon icon =
        shellSmallIcon(key.isEmpty() ? QStringLiteral("file") : QLatin1String("file") + key);
    if (icon.isNull()) icon = plainFile_;
    byKind_.insert(key, icon);
    return icon;
}
