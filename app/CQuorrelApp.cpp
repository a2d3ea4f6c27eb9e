// SPDX-License-Identifier: MIT
#include "app/CQuorrelApp.h"

#include <QIcon>

#include "app/AppResources.h"
#include "app/CQuorrelDlg.h"
#include "results/ui/CFileTypeIcons.h"

CQuorrelApp::CQuorrelApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("lanbrook"));
    setApplicationDisplayName(QStringLiteral("Lanbrook"));
    setDesktopFileName(QStringLiteral("lanbrook"));
    initAppResources();
    setWindowIcon(QIcon(QStringLiteral(":/lanbrook.png")));
}

int CQuorrelApp::InitInstance() {
    CFileTypeIcons::ensureIconTheme();
    CQuorrelDlg dialog;
    dialog.exec();  // the result is of no interest: the program ends with the window
    return 0;
}
