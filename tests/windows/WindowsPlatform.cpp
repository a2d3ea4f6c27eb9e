// SPDX-License-Identifier: MIT
// The Windows-only window tests need real Win32 windows (their handles, their
// system menus): Qt's Windows platform, chosen before the tests' main creates
// the application and whatever the environment names. (Under Wine the
// environment could not name it anyway: Wine hands its programs the QT_
// variables of Linux only when they are written WINEQT_.)
#include <QByteArray>
#include <QtGlobal>

namespace {

[[maybe_unused]] const bool windowsPlatformChosen =
    qputenv("QT_QPA_PLATFORM", QByteArray("windows"));

}  // namespace
