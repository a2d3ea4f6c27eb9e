// SPDX-License-Identifier: MIT
#include "results/ui/CFileTypeIcons.h"

#include <QApplication>
#include <QDir>
#include <QStyle>

void CFileTypeIcons::ensureIconTheme() {
    if (!QIcon::themeName().isEmpty() && QIcon::themeName() != QLatin1String("hicolor")) return;
    QStringList paths = QIcon::themeSearchPaths();
    if (!paths.contains(QStringLiteral("/usr/share/icons"))) {
        paths << QStringLiteral("/usr/share/icons");
        QIcon::setThemeSearchPaths(paths);
    }
    if (QDir(QStringLiteral("/usr/share/icons/Adwaita")).exists())
        QIcon::setThemeName(QStringLiteral("Adwaita"));
}

CFileTypeIcons::CFileTypeIcons() {
    ensureIconTheme();
    plainFile_ = QIcon::fromTheme(QStringLiteral("text-x-generic"),
                                  QApplication::style()->standardIcon(QStyle::SP_FileIcon));
}

QIcon CFileTypeIcons::iconForName(const QString& name) {
    const QMimeType type = mimeTypes_.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    const QString key = type.name();
    const auto found = byKind_.constFind(key);
    if (found != byKind_.constEnd()) return *found;
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull()) icon = plainFile_;
    byKind_.insert(key, icon);
    return icon;
}
