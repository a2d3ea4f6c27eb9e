// SPDX-License-Identifier: MIT
#include <gio/gio.h>

#include <memory>

#include "util/platform/FileManager.h"
#include "util/platform/FileSystem.h"

namespace platform {

namespace {

constexpr int kCallTimeoutMs = 5000;

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct GFree {
    void operator()(gpointer memory) const { g_free(memory); }
};
struct VariantUnref {
    void operator()(GVariant* value) const { g_variant_unref(value); }
};

// Takes the message of `error` into `reason` and frees it.
void take(GError*& error, std::string& reason) {
    if (error == nullptr) return;
    reason = error->message;
    g_clear_error(&error);
}

bool askFileManager(const char* uri, std::string& reason) {
    GError* error = nullptr;
    std::unique_ptr<GDBusConnection, ObjectUnref> bus(
        g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error));
    if (!bus) {
        take(error, reason);
        return false;
    }
    const gchar* uris[] = {uri, nullptr};
    std::unique_ptr<GVariant, VariantUnref> reply(g_dbus_connection_call_sync(
        bus.get(), "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
        "org.freedesktop.FileManager1", "ShowItems", g_variant_new("(^ass)", uris, ""), nullptr,
        G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &error));
    take(error, reason);
    return reply != nullptr;
}

}  // namespace

bool showInFileManager(const std::string& path, std::string& reason) {
    const std::string native = toNativePath(path);
    if (native.empty()) {
        reason = "the path lies on no mapped drive";
        return false;
    }
    std::unique_ptr<GFile, ObjectUnref> file(g_file_new_for_path(native.c_str()));
    std::unique_ptr<char, GFree> uri(g_file_get_uri(file.get()));
    if (askFileManager(uri.get(), reason)) return true;
    // No file manager on the bus: the folder alone, with the application
    // the desktop opens folders with.
    std::unique_ptr<GFile, ObjectUnref> folder(g_file_get_parent(file.get()));
    if (!folder) return false;
    std::unique_ptr<char, GFree> folderUri(g_file_get_uri(folder.get()));
    GError* error = nullptr;
    if (g_app_info_launch_default_for_uri(folderUri.get(), nullptr, &error)) return true;
    take(error, reason);
    return false;
}

}  // namespace platform
