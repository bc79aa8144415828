// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "platform/screen_areas.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "common/temp_dir.h"
#include "support/ini_file.h"

namespace frivo {

static void PrintTo(const TRect& r, std::ostream* os) {
  *os << "{" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << "}";
}

namespace {

// Puts fixed monitors in place for one test.
class FixedScreens {
 public:
  explicit FixedScreens(std::vector<TScreenArea> screens)
      : previous_(SetScreenAreasHook([screens] { return screens; })) {}
  ~FixedScreens() { SetScreenAreasHook(previous_); }

 private:
  ScreenAreasHook previous_;
};

TEST(ScreenAreas, ThePrimaryScreenComesFirstWithItsWorkArea) {
  const std::vector<TScreenArea> areas = ScreenAreas();
  ASSERT_EQ(areas.size(), QGuiApplication::screens().size());
  const QScreen* primary = QGuiApplication::primaryScreen();
  ASSERT_NE(primary, nullptr);
  const QRect geometry = primary->geometry();
  // Right and bottom are exclusive: a 800 x 600 screen at 0,0 ends at 800, 600.
  EXPECT_EQ(areas[0].Monitor, (TRect{geometry.x(), geometry.y(), geometry.x() + geometry.width(),
                                     geometry.y() + geometry.height()}));
  EXPECT_GE(areas[0].Work.Left, areas[0].Monitor.Left);
  EXPECT_LE(areas[0].Work.Right, areas[0].Monitor.Right);
}

TEST(ScreenAreas, RectanglesConvertWithExclusiveEdges) {
  EXPECT_EQ(ToTRect(QRect(10, 20, 300, 200)), (TRect{10, 20, 310, 220}));
  EXPECT_EQ(ToQRect(TRect{10, 20, 310, 220}), QRect(10, 20, 300, 200));
  EXPECT_EQ(ToTRect(QRect(-5, -5, 0, 0)), (TRect{-5, -5, -5, -5}));
}

TEST(ScreenAreas, LoadBoundsPutsTheStoredWindowOntoTheNearestMonitor) {
  FixedScreens screens(
      {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}, {{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}}});
  test::TempDir dir;
  const QString path = dir.File("settings.ini");
  ASSERT_TRUE(test::WriteAll(path,
                             "[CAPTURE_Bounds]\r\n"
                             "App_TOOLBmpCaptureEx_Left=3000\r\n"
                             "App_TOOLBmpCaptureEx_Top=900\r\n"
                             "App_TOOLBmpCaptureEx_Right=3500\r\n"
                             "App_TOOLBmpCaptureEx_Bottom=1300\r\n"
                             "Panel_Left=5\r\n"));
  QWidget window;
  window.setObjectName("App_TOOLBmpCaptureEx");
  window.setGeometry(100, 100, 504, 366);
  QWidget panel(&window);
  panel.setObjectName("Panel");
  panel.setGeometry(10, 10, 50, 40);
  {
    TMyIniFile ini(path, 0);
    EXPECT_EQ(ReadBounds(ini, "CAPTURE_Bounds", window), (TRect{3000, 900, 3500, 1300}));
    // Mostly on the second monitor, sticking out to the right and below.
    LoadBounds(ini, "CAPTURE_Bounds", window);
    // A child keeps what was not stored and is placed in its parent.
    LoadBounds(ini, "CAPTURE_Bounds", panel);
  }
  EXPECT_EQ(ControlBounds(window), (TRect{2700, 624, 3200, 1024}));
  EXPECT_EQ(window.size(), QSize(500, 400));
  EXPECT_EQ(panel.geometry(), QRect(5, 10, 55, 40));

  {
    TMyIniFile ini(path, 0);
    WriteBounds(ini, "CAPTURE_Bounds", window);
  }
  TMyIniFile ini(path, 0);
  EXPECT_EQ(ini.ReadRect("CAPTURE_Bounds", "App_TOOLBmpCaptureEx", TRect{}),
            (TRect{2700, 624, 3200, 1024}));
}

}  // namespace
}  // namespace frivo
