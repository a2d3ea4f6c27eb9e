// SPDX-License-Identifier: MIT
#include "app/AppResources.h"

#include <QtGlobal>

void initAppResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(lanbrook);
        return true;
    }();
    (void)registered;
}
