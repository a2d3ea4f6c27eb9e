// SPDX-License-Identifier: MIT
#pragma once

#include <nlohmann/json.hpp>

#include <string>

// Sets `key` of `object` to `text`, which JSON wants as UTF-8. A text that is
// not valid UTF-8 (a path of any bytes) is written with U+FFFD for each
// invalid byte when dumped, and its exact bytes go under key + "_bytes" in
// hexadecimal too, so no path is lost.
void putText(nlohmann::json& object, const std::string& key, const std::string& text);
