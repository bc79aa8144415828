// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers

// The main of the desktop tests: the window on a real X server (Xvfb) with a
// real window manager (openbox), which frames, places, maximizes and restores
// it. Both are started on a display no other server holds and stopped at the
// end. Without them the tests are skipped, except in CI, which installs them.
#include <gtest/gtest.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <cstdlib>
#include <cstring>

#include "desktop/desktop_env.h"

namespace frivo::test {

namespace {

bool g_desktop = false;

// The window manager's settings: windows without a position of their own open
// centred under the mouse, which the tests put in the middle of the screen.
constexpr char kOpenboxConfig[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <placement><policy>UnderMouse</policy><center>yes</center></placement>
  <desktops><number>1</number></desktops>
  <margins><top>0</top><bottom>0</bottom><left>0</left><right>0</right></margins>
</openbox_config>
)";

// True once a window manager has announced itself on the root window.
bool WindowManagerRuns(xcb_connection_t* connection, xcb_window_t root) {
  const char name[] = "_NET_SUPPORTING_WM_CHECK";
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
  if (!atom) return false;
  xcb_get_property_reply_t* property = xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1),
      nullptr);
  const bool runs = property && xcb_get_property_value_length(property) > 0;
  std::free(property);
  std::free(atom);
  return runs;
}

}  // namespace

bool DesktopAvailable() {
  return g_desktop;
}

QPoint ScreenCentre() {
  return {kScreenWidth / 2, kScreenHeight / 2};
}

}  // namespace frivo::test

int main(int argc, char** argv) {
  using namespace frivo::test;
  ::testing::InitGoogleTest(&argc, argv);
  const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
  const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
  int number = -1;
  for (int i = 0; i < 200 && number < 0; ++i) {
    const int candidate = 500 + static_cast<int>((::getpid() + i) % 400);
    if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(candidate)) &&
        !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(candidate)))
      number = candidate;
  }
  QProcess server;
  QProcess manager;
  const QString config =
      QDir::temp().filePath(QStringLiteral("frivo-openbox-%1.xml").arg(::getpid()));
  // Listing the tests needs no desktop.
  const bool listing = ::testing::GTEST_FLAG(list_tests);
  if (!listing && !xvfb.isEmpty() && !openbox.isEmpty() && number >= 0) {
    const QString display = QStringLiteral(":%1").arg(number);
    server.start(xvfb, {display, QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                        QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("%1x%2x24").arg(kScreenWidth).arg(kScreenHeight)});
    QDeadlineTimer deadline(20000);
    const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
    while (!QFile::exists(socket) && !deadline.hasExpired()) server.waitForFinished(50);
    qputenv("DISPLAY", display.toLatin1());
    QFile file(config);
    if (file.open(QIODevice::WriteOnly)) file.write(kOpenboxConfig);
    file.close();
    manager.start(openbox,
                  {QStringLiteral("--config-file"), config, QStringLiteral("--sm-disable")});
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (!xcb_connection_has_error(connection)) {
      const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
      while (!WindowManagerRuns(connection, root) && !deadline.hasExpired())
        manager.waitForFinished(50);
      g_desktop = WindowManagerRuns(connection, root);
      // The mouse in the middle, where the window manager places new windows.
      xcb_warp_pointer(connection, XCB_NONE, root, 0, 0, 0, 0,
                       static_cast<int16_t>(kScreenWidth / 2),
                       static_cast<int16_t>(kScreenHeight / 2));
      xcb_flush(connection);
    }
    xcb_disconnect(connection);
  }
  if (g_desktop) {
    qputenv("QT_QPA_PLATFORM", "xcb");
  } else {
    // The tests skip themselves; the application still needs a platform.
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  int result = 0;
  {
    QApplication app(argc, argv);
    result = RUN_ALL_TESTS();
  }
  manager.terminate();
  manager.waitForFinished(5000);
  server.terminate();
  server.waitForFinished(5000);
  QFile::remove(config);
  return result;
}
