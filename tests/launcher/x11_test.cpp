// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Bringing a running program to the front, on a private X server: the test
// process plays the running program with top-level windows of its own that carry
// its process id, as every toolkit sets it.
#include <gtest/gtest.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QAction>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/scoped_hook.h"
#include "common/temp_dir.h"
#include "launcher/launcher_menus.h"
#include "launcher/program_start.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"

namespace frivo {
namespace {

class X11Test : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (XvfbPath().isEmpty()) return;
    // The first display from a number of this process on that no server holds
    // (no socket, no lock file), so parallel runs and a desktop's own server
    // are left alone.
    int number = -1;
    for (int i = 0; i < 200 && number < 0; ++i) {
      const int candidate = 90 + static_cast<int>((::getpid() + i) % 400);
      if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(candidate)) &&
          !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(candidate))) {
        number = candidate;
      }
    }
    if (number < 0) return;
    const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(number);
    server_ = new QProcess;
    server_->start(
        QStringLiteral("Xvfb"),
        {QStringLiteral(":%1").arg(number), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
         QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("640x480x24")});
    QDeadlineTimer deadline(20000);
    while (!QFile::exists(socket) && !deadline.hasExpired()) server_->waitForFinished(50);
    oldDisplay_ = qgetenv("DISPLAY");
    qputenv("DISPLAY", QStringLiteral(":%1").arg(number).toLatin1());
  }
  static void TearDownTestSuite() {
    if (!server_) return;
    qputenv("DISPLAY", oldDisplay_);
    server_->terminate();
    server_->waitForFinished(10000);
    delete server_;
    server_ = nullptr;
  }
  static QString XvfbPath() {
    return QFileInfo::exists(QStringLiteral("/usr/bin/Xvfb")) ? QStringLiteral("/usr/bin/Xvfb")
                                                              : QString();
  }

  void SetUp() override {
    connection_ = xcb_connect(nullptr, nullptr);
    if (!server_ || xcb_connection_has_error(connection_)) {
      // CI installs Xvfb (scripts/install-deps): there a missing server is a failure.
      if (!qEnvironmentVariableIsEmpty("CI")) FAIL() << "no X server although CI expects Xvfb";
      GTEST_SKIP() << "no X server";
    }
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
  }
  void TearDown() override {
    if (connection_) xcb_disconnect(connection_);
  }

  xcb_atom_t Atom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, static_cast<uint16_t>(strlen(name)), name),
        nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
  }
  // A top-level window of this process, mapped or (minimized) iconic.
  xcb_window_t MakeWindow(bool minimized) {
    const xcb_window_t window = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 100, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    const uint32_t pid = static_cast<uint32_t>(::getpid());
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, Atom("_NET_WM_PID"),
                        XCB_ATOM_CARDINAL, 32, 1, &pid);
    if (minimized) {
      const uint32_t state[2] = {3, 0};
      xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, Atom("WM_STATE"),
                          Atom("WM_STATE"), 32, 2, state);
    } else {
      xcb_map_window(connection_, window);
    }
    Sync();
    return window;
  }
  void Sync() {
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
  }
  bool Mapped(xcb_window_t window) {
    xcb_get_window_attributes_reply_t* reply = xcb_get_window_attributes_reply(
        connection_, xcb_get_window_attributes(connection_, window), nullptr);
    const bool mapped = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(reply);
    return mapped;
  }
  [[nodiscard]] static QString Self() {
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
  }

  static inline QProcess* server_ = nullptr;
  static inline QByteArray oldDisplay_;
  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = 0;
};

TEST_F(X11Test, FindsTheProgramsWindowsPreferringAMinimizedOne) {
  EXPECT_FALSE(FindProgramWindow(Self()).has_value());
  const xcb_window_t first = MakeWindow(false);
  const xcb_window_t second = MakeWindow(false);
  std::optional<TProgramWindow> found = FindProgramWindow(Self());
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->window, second) << "the last matching window met";
  EXPECT_FALSE(found->minimized);
  EXPECT_FALSE(FindProgramWindow(QStringLiteral("/usr/bin/no-such-program")).has_value());

  const xcb_window_t iconic = MakeWindow(true);
  found = FindProgramWindow(Self());
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->window, iconic);
  EXPECT_TRUE(found->minimized);
  EXPECT_TRUE(BringToFront(*found));
  EXPECT_TRUE(Mapped(iconic)) << "a minimized window is restored";
  for (xcb_window_t window : {first, second, iconic}) xcb_destroy_window(connection_, window);
  Sync();
}

TEST_F(X11Test, OptionOnRaisesTheRunningInstanceAndStartsNothing) {
  test::TempDir dir;
  const test::ScopedHook<ModifierHook> modifierHook(&SetModifierHook,
                                                    [] { return ModifierState{}; });
  QStringList started;
  const test::ScopedHook<StartProgramHook> startHook(&SetStartProgramHook,
                                                     [&](const TStartRequest& request) {
                                                       started.append(request.program);
                                                       return true;
                                                     });
  QString answer;
  const test::ScopedHook<FileDialogHook> dialogHook(&SetFileDialogHook,
                                                    [&](TFileDialog& dialog, bool) {
                                                      dialog.fileName = answer;
                                                      return true;
                                                    });
  {
    QWidget window;
    QMenu fileMenu, runMenu, deleteMenu, historyMenu;
    QAction program, programDelete, foreground;
    foreground.setCheckable(true);
    TLauncherParts parts{&fileMenu,    &runMenu, &deleteMenu,    &deleteMenu,
                         &historyMenu, &program, &programDelete, &foreground};
    TLauncherMenus launcher(parts, &window, QStringLiteral("frivo"));
    const QString script = dir.File(QStringLiteral("not running"));
    test::WriteAll(script, "#!/bin/sh\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner);
    for (const QString& path : {Self(), script}) {
      answer = path;
      launcher.AddProgram(false);
    }
    foreground.setChecked(true);
    const xcb_window_t iconic = MakeWindow(true);
    Q_EMIT runMenu.aboutToShow();  // program menus are filled when they open
    QList<QAction*> items = runMenu.actions();
    ASSERT_EQ(items.size(), 2);
    items.at(0)->trigger();
    EXPECT_TRUE(started.isEmpty());
    EXPECT_TRUE(Mapped(iconic));
    // Not running: started.
    items.at(1)->trigger();
    EXPECT_EQ(started, QStringList{script});
    // Option off: a second instance even though one runs.
    started.clear();
    foreground.setChecked(false);
    items.at(0)->trigger();
    EXPECT_EQ(started, QStringList{Self()});
    xcb_destroy_window(connection_, iconic);
    Sync();
  }
}

}  // namespace
}  // namespace frivo
