// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The main window under a real window manager: its stored rectangle over
// several starts, where a first start opens, and the thumbnail strip's width
// at start and after maximize and restore.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <optional>

#include "app/main_window.h"
#include "app/settings.h"
#include "capture/thumbnail_strip.h"
#include "common/scoped_hook.h"
#include "common/temp_dir.h"
#include "common/wait.h"
#include "desktop/desktop_env.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "support/ini_file.h"

namespace frivo {
namespace {

using test::WaitFor;

class WindowManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::DesktopAvailable()) {
      if (!qEnvironmentVariableIsEmpty("CI"))
        FAIL() << "no X server or window manager although CI installs them";
      GTEST_SKIP() << "no X server or window manager (Xvfb, openbox)";
    }
    pathHook_.emplace(&SetSettingsPathHook, [this] { return Ini(); });
    modifierHook_.emplace(&SetModifierHook, [] { return ModifierState{}; });
    messageHook_.emplace(&SetMessageBoxHook,
                         [](const QString&, const QString&, bool) { return false; });
  }
  void TearDown() override { window_.reset(); }

  QString Ini() const { return dir_.File(QStringLiteral("frivo.ini")); }
  void StoreBounds(int left, int top, int right, int bottom) {
    test::WriteAll(Ini(), QStringLiteral("[CAPTURE_Bounds]\r\nApp_TOOLBmpCaptureEx_Left=%1\r\n"
                                         "App_TOOLBmpCaptureEx_Top=%2\r\n"
                                         "App_TOOLBmpCaptureEx_Right=%3\r\n"
                                         "App_TOOLBmpCaptureEx_Bottom=%4\r\n\r\n")
                              .arg(left)
                              .arg(top)
                              .arg(right)
                              .arg(bottom)
                              .toUtf8());
  }
  QRect StoredBounds() const {
    TMyIniFile ini(Ini(), uint8_t{0});
    const TRect rect = ini.ReadRect(QStringLiteral("CAPTURE_Bounds"),
                                    QStringLiteral("App_TOOLBmpCaptureEx"), TRect{});
    return QRect(rect.Left, rect.Top, rect.Right - rect.Left, rect.Bottom - rect.Top);
  }
  // Starts the window as the program does and waits until the window manager
  // has framed it.
  void Start() {
    window_ = std::make_unique<TApp_TOOLBmpCaptureEx>();
    window_->show();
    ASSERT_TRUE(WaitFor([&] {
      return window_->isVisible() && window_->frameGeometry() != window_->geometry();
    })) << "the window manager never framed the window";
  }
  // The strip holds as many thumbnails as the window's width has room for.
  bool StripFits() const {
    return window_->Strip()->Count() == ThumbnailCapacity(window_->centralWidget()->width());
  }
  // Closing writes the settings.
  void Close() { window_.reset(); }

  test::TempDir dir_;
  std::unique_ptr<TApp_TOOLBmpCaptureEx> window_;
  std::optional<test::ScopedHook<SettingsPathHook>> pathHook_;
  std::optional<test::ScopedHook<ModifierHook>> modifierHook_;
  std::optional<test::ScopedHook<MessageBoxHook>> messageHook_;
};

TEST_F(WindowManagerTest, AStoredRectangleSurvivesStartsAndClosesUnchanged) {
  const QRect stored(120, 90, 740, 470);
  StoreBounds(120, 90, 860, 560);
  for (int cycle = 0; cycle < 3; ++cycle) {
    Start();
    EXPECT_TRUE(WaitFor([&] { return window_->frameGeometry() == stored; }))
        << cycle << ": " << window_->frameGeometry().x() << "," << window_->frameGeometry().y()
        << " " << window_->frameGeometry().width() << "x" << window_->frameGeometry().height();
    Close();
    EXPECT_EQ(StoredBounds(), stored) << cycle;
  }
}

TEST_F(WindowManagerTest, AFirstStartIsPlacedByTheWindowManager) {
  Start();
  // The window manager centres new windows under the mouse; a window the
  // program had moved itself would sit at the corner of the work area.
  EXPECT_TRUE(WaitFor([&] {
    return (window_->frameGeometry().center() - test::ScreenCentre()).manhattanLength() <= 8;
  })) << window_->frameGeometry().center().x()
      << "," << window_->frameGeometry().center().y();
  EXPECT_NE(window_->frameGeometry().topLeft(), QPoint(0, 0));
  // What the first close stores is where the window manager put it.
  const QRect placed = window_->frameGeometry();
  Close();
  EXPECT_EQ(StoredBounds(), placed);
}

TEST_F(WindowManagerTest, AWideWindowStartsWithAsManyThumbnailsAsFit) {
  StoreBounds(100, 60, 1000, 600);
  Start();
  ASSERT_TRUE(WaitFor([&] { return window_->frameGeometry().width() == 900 && StripFits(); }))
      << window_->Strip()->Count() << " thumbnails in " << window_->centralWidget()->width();
  EXPECT_GT(window_->Strip()->Count(), 5);
}

TEST_F(WindowManagerTest, MaximizeAndRestoreRebuildTheStrip) {
  StoreBounds(100, 60, 700, 500);
  Start();
  ASSERT_TRUE(WaitFor([&] { return StripFits(); }));
  const int normal = window_->Strip()->Count();
  const int normalWidth = window_->width();
  // The window manager answers the request with the screen's size.
  window_->showMaximized();
  ASSERT_TRUE(WaitFor([&] { return window_->width() > normalWidth + 300 && StripFits(); }))
      << window_->width();
  EXPECT_GT(window_->Strip()->Count(), normal);
  window_->showNormal();
  ASSERT_TRUE(WaitFor([&] { return window_->width() == normalWidth && StripFits(); }))
      << window_->width();
  EXPECT_EQ(window_->Strip()->Count(), normal);
}

}  // namespace
}  // namespace frivo
