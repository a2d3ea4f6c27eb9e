// SPDX-License-Identifier: MIT
#pragma once

// Registers the program's compiled-in resources (the icon, ":/lanbrook.png").
// They live in a static library, whose resource registration a linker drops
// unless called; every window that shows the icon calls this first. Safe to
// call again.
void initAppResources();
