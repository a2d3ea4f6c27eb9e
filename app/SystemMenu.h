// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

class QWidget;

// The window's system menu, where the platform gives a program one (Windows).
namespace SystemMenu {

// Appends a separator and the item `text` with command 16 to the system menu
// of `window`, and calls `onChosen` when the user picks it (the command
// compared with its low four bits masked off). False, with nothing changed,
// where there is no system menu or `text` is empty.
[[nodiscard]] bool appendAboutItem(QWidget& window, const QString& text,
                                   std::function<void()> onChosen);

}  // namespace SystemMenu
