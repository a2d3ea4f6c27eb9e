// SPDX-License-Identifier: MIT
// The open-command template of a desktop entry's Exec line: any line either
// gives no template or one whose program stands in double quotes and whose
// parameters parse back into arguments, one of them holding the file ("%1").
#include <glib.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "util/platform/DesktopExec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An Exec line is a text: it ends at its first NUL.
    const std::string exec(reinterpret_cast<const char*>(data),
                           strnlen(reinterpret_cast<const char*>(data), size));
    std::string command = "untouched";
    if (!platform::templateOfExec(exec.c_str(), command)) {
        FUZZ_CHECK(command == "untouched");
        return 0;
    }
    FUZZ_CHECK(command.size() >= 2 && command[0] == '"');
    const std::size_t close = command.find('"', 1);
    FUZZ_CHECK(close != std::string::npos && close > 1);
    const std::string parameters = command.substr(close + 1);
    FUZZ_CHECK(!parameters.empty() && parameters[0] == ' ');

    gint count = 0;
    gchar** arguments = nullptr;
    FUZZ_CHECK(g_shell_parse_argv(parameters.c_str(), &count, &arguments, nullptr));
    bool takesFile = false;
    for (gint i = 0; i < count; ++i)
        if (std::strstr(arguments[i], "%1") != nullptr) takesFile = true;
    g_strfreev(arguments);
    FUZZ_CHECK(takesFile);
    return 0;
}
