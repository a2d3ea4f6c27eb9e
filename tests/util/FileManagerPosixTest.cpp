// SPDX-License-Identifier: MIT
// Showing a file in the file manager: a private session bus (a real
// dbus-daemon started and stopped by the test) with a small file-manager
// service of the test's own that records the URIs it is asked to show.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "TempTree.h"
#include "util/platform/FileManager.h"

namespace {

const char* const kInterface =
    "<node><interface name='org.freedesktop.FileManager1'>"
    "<method name='ShowItems'><arg type='as' direction='in'/><arg type='s' direction='in'/>"
    "</method></interface></node>";

// The file-manager service, on a thread and main context of its own.
class RecordingFileManager {
public:
    explicit RecordingFileManager(std::string address) : address_(std::move(address)) {
        thread_ = std::thread([this] { run(); });
        while (!ready_) std::this_thread::yield();
    }
    ~RecordingFileManager() {
        stop_ = true;
        thread_.join();
    }
    std::vector<std::string> uris() {
        std::lock_guard<std::mutex> lock(mutex_);
        return uris_;
    }

private:
    static void onCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                       const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                       gpointer self) {
        auto* manager = static_cast<RecordingFileManager*>(self);
        if (g_strcmp0(method, "ShowItems") == 0) {
            GVariantIter* items = nullptr;
            const gchar* startup = nullptr;
            g_variant_get(parameters, "(as&s)", &items, &startup);
            const gchar* uri = nullptr;
            std::lock_guard<std::mutex> lock(manager->mutex_);
            while (g_variant_iter_loop(items, "&s", &uri)) manager->uris_.emplace_back(uri);
            g_variant_iter_free(items);
        }
        g_dbus_method_invocation_return_value(invocation, nullptr);
    }

    void run() {
        GMainContext* context = g_main_context_new();
        g_main_context_push_thread_default(context);
        GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
            address_.c_str(),
            GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                 G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kInterface, nullptr);
        const GDBusInterfaceVTable table = {&RecordingFileManager::onCall, nullptr, nullptr, {}};
        if (bus != nullptr && node != nullptr) {
            g_dbus_connection_register_object(bus, "/org/freedesktop/FileManager1",
                                              node->interfaces[0], &table, this, nullptr, nullptr);
            GVariant* reply = g_dbus_connection_call_sync(
                bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                "RequestName", g_variant_new("(su)", "org.freedesktop.FileManager1", 4u), nullptr,
                G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
            if (reply != nullptr) g_variant_unref(reply);
        }
        ready_ = true;
        while (!stop_) g_main_context_iteration(context, FALSE), std::this_thread::yield();
        if (node != nullptr) g_dbus_node_info_unref(node);
        if (bus != nullptr) g_object_unref(bus);
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
    }

    std::string address_;
    std::thread thread_;
    std::atomic<bool> ready_{false}, stop_{false};
    std::mutex mutex_;
    std::vector<std::string> uris_;
};

// A session bus of the test's own: the daemon's address and process.
class FileManagerPosixTest : public ::testing::Test {
protected:
    void SetUp() override {
        FILE* daemon = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        ASSERT_NE(daemon, nullptr);
        char address[512] = {}, pid[32] = {};
        const bool read = std::fgets(address, sizeof address, daemon) != nullptr &&
                          std::fgets(pid, sizeof pid, daemon) != nullptr;
        ::pclose(daemon);
        ASSERT_TRUE(read) << "dbus-daemon did not start";
        address_ = address;
        address_.erase(address_.find_last_not_of("\n") + 1);
        pid_ = std::atoi(pid);
        // The program's own bus connection is made after this, the first in the process.
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
    }
    void TearDown() override {
        if (pid_ > 0) ::kill(pid_, SIGTERM);
    }

    std::string address_;
    int pid_ = 0;
    TempTree tree_;
};

std::string nativeOfUri(const std::string& uri) {
    gchar* name = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
    const std::string native = name != nullptr ? name : "";
    g_free(name);
    return native;
}

}  // namespace

TEST_F(FileManagerPosixTest, TheFileManagerIsAskedForTheExactFileWhateverItsName) {
    RecordingFileManager manager(address_);
    const std::vector<std::string> names = {"plain.txt", "it's a \"name\" with blanks #%.txt",
                                            "line\nbreak.txt", "latin1-\xE9\xFF.txt"};
    for (const std::string& name : names) {
        tree_.writeFile(name, "x");
        std::string reason;
        EXPECT_TRUE(platform::showInFileManager(tree_.drivePath(name), reason)) << reason;
    }
    const std::vector<std::string> uris = manager.uris();
    ASSERT_EQ(uris.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(uris[i].rfind("file:///", 0), 0u) << uris[i];
        // Every byte percent-encoded where a URI needs it, so the name comes back exactly.
        EXPECT_EQ(uris[i].find_first_of(" \n\"\xE9\xFF"), std::string::npos) << uris[i];
        EXPECT_EQ(nativeOfUri(uris[i]), tree_.native(names[i]));
    }
}
