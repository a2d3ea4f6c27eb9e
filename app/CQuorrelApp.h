// SPDX-License-Identifier: MIT
#pragma once

#include <QApplication>

// The application object: it runs the main window as a modal dialog and ends
// when that window closes. It stores no settings.
class CQuorrelApp : public QApplication {
    Q_OBJECT
public:
    CQuorrelApp(int& argc, char** argv);

    // Shows the main window modally; returns the program's exit code (0).
    int InitInstance();
};
