// SPDX-License-Identifier: MIT
#pragma once

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QString>

// The small icon for a bare file name, judged by its extension alone (the
// file need not exist), kept per kind so that a folder of many entries asks
// the system once per kind.
//
// Windows: the shell's small system icon list, by extension (SHGetFileInfoA
// with SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES), else
// a plain file icon.
// POSIX: the icon theme's icon for the name's content type, else that of its
// generic type, else a plain file icon.
class CFileTypeIcons {
public:
    CFileTypeIcons();

    QIcon iconForName(const QString& name);

    // Makes the theme icons available where no desktop names a theme (a bare
    // X server, the offscreen platform): the Adwaita theme from
    // /usr/share/icons. Nothing on Windows, whose icons come from the shell.
    static void ensureIconTheme();

private:
    QMimeDatabase mimeTypes_;  // POSIX: the content type of a name
    QHash<QString, QIcon> byKind_;
    QIcon plainFile_;
};
