// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QString>

// The icon for a bare file name, judged by its extension alone (the file need
// not exist): the icon theme's icon for the name's content type, else that of
// its generic type, else a plain file icon. Icons are kept per content type,
// so a folder of many entries asks the theme once per type.
class CFileTypeIcons {
public:
    CFileTypeIcons();

    QIcon iconForName(const QString& name);

    // Makes the theme icons available where no desktop names a theme (a bare
    // X server, the offscreen platform): the Adwaita theme from /usr/share/icons.
    static void ensureIconTheme();

private:
    QMimeDatabase mimeTypes_;
    QHash<QString, QIcon> byType_;
    QIcon plainFile_;
};
