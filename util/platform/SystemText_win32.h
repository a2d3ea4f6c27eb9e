// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace platform {

// The system's text for an error code (a Win32 error or an HRESULT), without
// the line break it ends with; "error 0x..." with the code in hex when the system has none.
std::string systemText(unsigned long code);

}  // namespace platform
