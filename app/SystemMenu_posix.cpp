// SPDX-License-Identifier: MIT
#include "app/SystemMenu.h"

// X11 and Wayland window managers own the window menu; a program cannot add
// items to it, so the About box is reached through its button only.
bool SystemMenu::appendAboutItem(QWidget&, const QString&, std::function<void()>) {
    return false;
}
