// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// What the two tab pages ask of the window that holds them (the main window):
// it shows a group's files and the duplicate ratio, and reloads a category.
// The pages get their owner once, at construction, and never change it.
class IResultViewOwner {
public:
    virtual ~IResultViewOwner() = default;

    // Lists every stored file whose fingerprint is `mask`.
    virtual void ShowFileList(const std::string& mask) = 0;
    // Shows the current category's share of duplicated bytes, in thousandths.
    virtual void ShowDuplicateRatio(int permille) = 0;
    // Reloads the result of category `code` and refreshes both pages.
    virtual void RefreshCategory(int code) = 0;
    // Stops the background content check and waits for its thread, before a
    // write that rebuilds the index; the next RefreshCategory starts it again.
    virtual void StopContentCheck() = 0;
    // The category code the owner shows now.
    virtual int currentCategory() const = 0;
};
