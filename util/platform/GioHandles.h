// SPDX-License-Identifier: MIT
#pragma once

#include <gio/gio.h>

#include <memory>

// Owners of what GLib and GIO hand out, for the POSIX seams that use them:
// each frees or unreferences its value the way GLib asks.
namespace platform::gio {

struct FreeText {
    void operator()(gchar* text) const noexcept { g_free(text); }
};
struct FreeTextList {
    void operator()(gchar** list) const noexcept { g_strfreev(list); }
};
struct Unref {
    void operator()(gpointer object) const noexcept { g_object_unref(object); }
};
struct FreeError {
    void operator()(GError* error) const noexcept { g_error_free(error); }
};
struct UnrefVariant {
    void operator()(GVariant* value) const noexcept { g_variant_unref(value); }
};

using Text = std::unique_ptr<gchar, FreeText>;
using TextList = std::unique_ptr<gchar*, FreeTextList>;
template <class T>
using Object = std::unique_ptr<T, Unref>;
using Error = std::unique_ptr<GError, FreeError>;
using Variant = std::unique_ptr<GVariant, UnrefVariant>;

}  // namespace platform::gio
