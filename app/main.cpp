// SPDX-License-Identifier: MIT
#include <QMessageBox>

#include <cstdio>
#include <string>

#include "app/CQuorrelApp.h"
#include "engine/ConfigInfo.h"
#include "util/platform/FileSystem.h"

int main(int argc, char** argv) {
    // The configuration comes first: it fixes and creates the data directory
    // before any window opens.
    const ConfigInfo& config = ConfigInfo::global();
    CQuorrelApp app(argc, argv);
    if (!config.isValid()) {
        const std::string reason = std::string(
                                       "Lanbrook cannot start: no profile folder could be "
                                       "formed from the environment (") +
                                   platform::userProfileSource() + ").";
        std::fprintf(stderr, "%s\n", reason.c_str());
        QMessageBox::critical(nullptr, QStringLiteral("Lanbrook"),
                              QString::fromLocal8Bit(reason.c_str()));
        return 1;
    }
    return app.InitInstance();
}
