// SPDX-License-Identifier: MIT
#include "app/CQuorrelApp.h"

#include <QIcon>

#include "app/AppResources.h"
#include "app/CQuorrelDlg.h"
#include "app/SystemFontFaces.h"
#include "results/ui/CFileTypeIcons.h"
#include "util/platform/Trash.h"

CQuorrelApp::CQuorrelApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("lanbrook"));
    setApplicationDisplayName(QStringLiteral("Lanbrook"));
    setDesktopFileName(QStringLiteral("lanbrook"));
    useSystemFontFaces();
    initAppResources();
    setWindowIcon(QIcon(QStringLiteral(":/lanbrook.png")));
}

int CQuorrelApp::InitInstance() {
    CFileTypeIcons::ensureIconTheme();
    CQuorrelDlg dialog;
    // The shell's boxes while files go to the recycle bin belong to the main window.
    platform::setTrashOwnerWindow(static_cast<std::uintptr_t>(dialog.winId()));
    dialog.exec();  // the result is of no interest: the program ends with the window
    platform::setTrashOwnerWindow(0);
    return 0;
}
