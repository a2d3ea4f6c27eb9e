// SPDX-License-Identifier: MIT
#include <QMessageBox>

#include <cstdio>

#include "app/CQuorrelApp.h"
#include "engine/ConfigInfo.h"

int main(int argc, char** argv) {
    // The configuration comes first: it fixes and creates the data directory
    // before any window opens.
    const ConfigInfo& config = ConfigInfo::global();
    CQuorrelApp app(argc, argv);
    if (!config.isValid()) {
        const char* reason =
            "Lanbrook cannot start: the profile folder (USERPROFILE, else HOME) is not set or "
            "lies on no drive of the drive map (LANBROOK_DRIVES).";
        std::fprintf(stderr, "%s\n", reason);
        QMessageBox::critical(nullptr, QStringLiteral("Lanbrook"), QString::fromUtf8(reason));
        return 1;
    }
    return app.InitInstance();
}
