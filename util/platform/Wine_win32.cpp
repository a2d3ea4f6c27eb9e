// SPDX-License-Identifier: MIT
#include <windows.h>

#include "util/platform/Wine.h"

namespace platform {

bool runningUnderWine() {
    // Wine's ntdll exports wine_get_version; Windows' never does.
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace platform
