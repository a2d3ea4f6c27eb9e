// SPDX-License-Identifier: MIT
// File associations through GIO: an extension gives a content type, the
// content type its default application, and the application's Exec line an
// open-command template. Programs start through posix_spawnp, never a shell.
#include "util/platform/Associations.h"
#include "util/platform/DesktopExec.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "util/StringUtility.h"
#include "util/platform/FileSystem.h"
#include "util/platform/GioHandles.h"

extern char** environ;

namespace platform {
namespace {

using gio::Text;
using gio::TextList;
using AppInfo = gio::Object<GAppInfo>;

// Content types whose default application would run the file as code. A type
// derived from one of them (scripts derive from application/x-executable) is
// refused as well.
constexpr const char* kCodeTypes[] = {
    "application/x-executable",
    "application/x-sharedlib",
    "application/x-shellscript",
    "application/x-desktop",
    "application/x-ms-dos-executable",
    "application/x-msdownload",
    "application/x-msi",
    "application/vnd.microsoft.portable-executable",
    "application/x-java-archive",
    "application/x-java-jnlp-file",
    "application/x-ms-shortcut",
};

bool runsCode(const gchar* type) {
    // JSON is data, though the type database derives it from the script types.
    if (g_content_type_is_a(type, "application/json")) return false;
    for (const char* code : kCodeTypes)
        if (g_content_type_is_a(type, code)) return true;
    return false;
}

// One Exec argument with its field codes expanded: %f %F %u %U become "%1"
// (one file), %% becomes %, any other code is dropped. False when the argument
// held codes and nothing is left of it, so it is dropped as a whole.
bool expandFieldCodes(const std::string& raw, std::string& argument, bool& takesFile) {
    argument.clear();
    bool droppedCode = false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '%') {
            argument += raw[i];
            continue;
        }
        const char code = i + 1 < raw.size() ? raw[++i] : '\0';
        if (code == 'f' || code == 'F' || code == 'u' || code == 'U') {
            argument += "%1";
            takesFile = true;
        } else if (code == '%') {
            argument += '%';
        } else {
            droppedCode = true;
        }
    }
    return !(droppedCode && argument.empty());
}

}  // namespace

bool templateOfExec(const char* exec, std::string& command) {
    gint count = 0;
    gchar** raw = nullptr;
    if (!g_shell_parse_argv(exec, &count, &raw, nullptr)) return false;
    const TextList words(raw);
    const std::string program = raw[0];
    if (program.empty() || program.find_first_of("\"%") != std::string::npos) return false;

    std::string result = "\"" + program + "\"";
    bool takesFile = false;
    std::string argument;
    for (gint i = 1; i < count; ++i) {
        if (!expandFieldCodes(raw[i], argument, takesFile)) continue;
        const Text quoted(g_shell_quote(argument.c_str()));
        result += ' ';
        result += quoted.get();
    }
    if (!takesFile) result += " '%1'";
    command = result;
    return true;
}

namespace {

// Owners of the spawn attributes and file actions; `ok` is false when init failed.
struct SpawnAttributes {
    posix_spawnattr_t value;
    bool ok = posix_spawnattr_init(&value) == 0;
    ~SpawnAttributes() {
        if (ok) posix_spawnattr_destroy(&value);
    }
};
struct SpawnActions {
    posix_spawn_file_actions_t value;
    bool ok = posix_spawn_file_actions_init(&value) == 0;
    ~SpawnActions() {
        if (ok) posix_spawn_file_actions_destroy(&value);
    }
};

// The started program runs in a process group of its own (a Ctrl+C meant for
// this program does not reach it), with no signal blocked or ignored that this
// program blocks or ignores, and reads nothing from this program's terminal.
bool prepareSpawn(SpawnAttributes& attributes, SpawnActions& actions) {
    if (!attributes.ok || !actions.ok) return false;
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGCHLD, SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGUSR1, SIGUSR2})
        sigaddset(&defaults, signal);
    const short flags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    return posix_spawnattr_setflags(&attributes.value, flags) == 0 &&
           posix_spawnattr_setpgroup(&attributes.value, 0) == 0 &&
           posix_spawnattr_setsigmask(&attributes.value, &none) == 0 &&
           posix_spawnattr_setsigdefault(&attributes.value, &defaults) == 0 &&
           posix_spawn_file_actions_addopen(&actions.value, STDIN_FILENO, "/dev/null", O_RDONLY,
                                            0) == 0;
}

// A started program may run for hours; a detached thread waits for it so it
// leaves no zombie behind, without anyone having to poll. waitpid of this one
// pid never takes the exit status of another child (such as one of Qt's).
void reapWhenDone(pid_t pid) {
    try {
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the child is left to be reaped when this process ends.
    }
}

// Cuts the parameter text into arguments by the shell's quoting rules, then
// puts `file` in the place of every "%1" inside each argument. Blank
// parameters give no argument.
bool argumentsOf(const std::string& parameters, const std::string& file,
                 std::vector<std::string>& arguments) {
    gint count = 0;
    gchar** raw = nullptr;
    GError* error = nullptr;
    if (!g_shell_parse_argv(parameters.c_str(), &count, &raw, &error)) {
        const bool blank = error != nullptr && error->code == G_SHELL_ERROR_EMPTY_STRING;
        g_clear_error(&error);
        return blank;
    }
    const TextList words(raw);
    for (gint i = 0; i < count; ++i) {
        std::string argument = raw[i];
        StringUtility::replaceAll(argument, "%1", file);
        arguments.push_back(std::move(argument));
    }
    return true;
}

bool needsTerminal(GAppInfo* app) {
    if (!G_IS_DESKTOP_APP_INFO(app)) return false;
    return g_desktop_app_info_get_boolean(G_DESKTOP_APP_INFO(app), "Terminal");
}

}  // namespace

bool lookUpOpenCommand(const std::string& extension, std::string& command) {
    if (extension.size() < 2 || extension[0] != '.' ||
        extension.find_first_of(std::string("/\0", 2)) != std::string::npos)
        return false;
    // Only the name is looked at, never the content: the file is not read.
    const std::string name = "file" + extension;
    const Text type(g_content_type_guess(name.c_str(), nullptr, 0, nullptr));
    if (!type || g_content_type_is_unknown(type.get()) || runsCode(type.get())) return false;

    const AppInfo app(g_app_info_get_default_for_type(type.get(), FALSE));
    // A terminal program started without a terminal would run unseen.
    if (!app || needsTerminal(app.get())) return false;
    const char* exec = g_app_info_get_commandline(app.get());
    return exec != nullptr && templateOfExec(exec, command);
}

bool startProgram(const std::string& program, const std::string& parameters,
                  const std::string& path) {
    const std::string file = toNativePath(path);
    if (file.empty() || program.empty()) return false;
    // A program-form path is translated; a native path or a bare name (looked
    // up in PATH by posix_spawnp) is taken as it is.
    std::string executable = toNativePath(program);
    if (executable.empty()) {
        if (program.find('\\') != std::string::npos) return false;  // a drive that is not mapped
        executable = program;
    }

    std::vector<std::string> arguments{executable};
    if (!argumentsOf(parameters, file, arguments)) return false;
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    SpawnAttributes attributes;
    SpawnActions actions;
    if (!prepareSpawn(attributes, actions)) return false;
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions.value, &attributes.value, argv.data(), environ) != 0)
        return false;
    reapWhenDone(pid);
    return true;
}

}  // namespace platform
