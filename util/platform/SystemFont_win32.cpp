// SPDX-License-Identifier: MIT
#include <windows.h>

#include "util/platform/SystemFont.h"
#include "util/platform/WideNames_win32.h"

namespace platform {

std::string systemFontFace(const std::string& face) {
    std::wstring wide;
    if (!toWideName(face, wide) || wide.empty() || wide.size() >= LF_FACESIZE) return {};
    LOGFONTW request{};
    request.lfHeight = -12;
    request.lfWeight = FW_NORMAL;
    request.lfCharSet = DEFAULT_CHARSET;
    wide.copy(request.lfFaceName, wide.size());
    const HDC context = ::CreateCompatibleDC(nullptr);
    const HFONT font = ::CreateFontIndirectW(&request);
    std::string chosen;
    if (context != nullptr && font != nullptr) {
        // The face the mapper really selected into the context.
        const HGDIOBJ previous = ::SelectObject(context, font);
        wchar_t name[LF_FACESIZE] = {};
        const int length = ::GetTextFaceW(context, LF_FACESIZE, name);
        if (length > 0 && !toNarrowName(std::wstring(name), chosen)) chosen.clear();
        ::SelectObject(context, previous);
    }
    if (font != nullptr) ::DeleteObject(font);
    if (context != nullptr) ::DeleteDC(context);
    return chosen;
}

}  // namespace platform
