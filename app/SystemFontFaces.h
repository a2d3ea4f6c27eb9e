// SPDX-License-Identifier: MIT
#pragma once

// Under Wine, makes Qt draw the application's fonts with the faces Wine's font
// mapper draws for them; called once the application object exists, before
// any window. Wine has none of Windows' interface faces ("MS Shell Dlg",
// Tahoma...): Qt's Windows font database then falls back to the first face it
// knows (on a Linux with DejaVu's extra fonts a math face, which draws nothing
// in one-line edit fields), where every other program under Wine gets the
// substitute Wine's mapper chose. On Windows itself nothing changes.
void useSystemFontFaces();
