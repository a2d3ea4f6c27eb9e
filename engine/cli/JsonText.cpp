// SPDX-License-Identifier: MIT
#include "engine/cli/JsonText.h"

namespace {

bool validUtf8(const std::string& text) {
    try {
        (void)nlohmann::json(text).dump();
        return true;
    } catch (const nlohmann::json::type_error&) {
        return false;
    }
}

}  // namespace

void putText(nlohmann::json& object, const std::string& key, const std::string& text) {
    object[key] = text;
    if (validUtf8(text)) return;
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * text.size());
    for (const unsigned char byte : text) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0x0f];
    }
    object[key + "_bytes"] = hex;
}
