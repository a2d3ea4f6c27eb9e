// SPDX-License-Identifier: MIT
#include "util/platform/FileManager.h"
#include "util/platform/FileSystem.h"
#include "util/platform/GioHandles.h"

namespace platform {

namespace {

constexpr int kCallTimeoutMs = 5000;

// The message of `error`, which is freed; `fallback` when there is none.
std::string messageOf(GError* error, const char* fallback) {
    const gio::Error owned(error);
    return owned ? owned->message : fallback;
}

bool askFileManager(const char* uri, std::string& reason) {
    GError* error = nullptr;
    const gio::Object<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error));
    if (!bus) {
        reason = messageOf(error, "no session bus");
        return false;
    }
    const gchar* uris[] = {uri, nullptr};
    const gio::Variant reply(g_dbus_connection_call_sync(
        bus.get(), "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
        "org.freedesktop.FileManager1", "ShowItems", g_variant_new("(^ass)", uris, ""), nullptr,
        G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &error));
    if (reply) return true;
    reason = messageOf(error, "the file manager did not answer");
    return false;
}

}  // namespace

bool showInFileManager(const std::string& path, std::string& reason) {
    const std::string native = toNativePath(path);
    if (native.empty()) {
        reason = "the path lies on no mapped drive";
        return false;
    }
    const gio::Object<GFile> file(g_file_new_for_path(native.c_str()));
    const gio::Text uri(g_file_get_uri(file.get()));
    if (askFileManager(uri.get(), reason)) return true;
    // No file manager on the bus: the folder alone, with the application
    // the desktop opens folders with.
    const gio::Object<GFile> folder(g_file_get_parent(file.get()));
    if (!folder) return false;
    const gio::Text folderUri(g_file_get_uri(folder.get()));
    GError* error = nullptr;
    if (g_app_info_launch_default_for_uri(folderUri.get(), nullptr, &error)) return true;
    reason = messageOf(error, "no application opens the folder");
    return false;
}

}  // namespace platform
