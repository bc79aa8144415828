// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "support/screen_bounds.h"

#include <gtest/gtest.h>

#include <climits>

namespace frivo {

// Prints rectangles in failure messages (found by argument-dependent lookup).
static void PrintTo(const TRect& r, std::ostream* os) {
  *os << "{" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << "}";
}

namespace {

// One 1920 x 1080 monitor whose bottom 40 pixels are a panel.
const std::vector<TScreenArea> kOneScreen = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}};

TEST(MoveOntoScreen, OneMonitor) {
  struct Case {
    const char* what;
    TRect stored;
    TRect expected;
  };
  const Case cases[] = {
      {"inside stays", {100, 100, 600, 500}, {100, 100, 600, 500}},
      {"exactly the work area stays", {0, 0, 1920, 1040}, {0, 0, 1920, 1040}},
      {"off the right edge moves left", {1800, 100, 2300, 500}, {1420, 100, 1920, 500}},
      {"under the panel moves up", {100, 900, 600, 1300}, {100, 640, 600, 1040}},
      {"negative coordinates move in", {-300, -50, 200, 350}, {0, 0, 500, 400}},
      {"far away moves to the nearest corner", {5000, 5000, 5500, 5400}, {1420, 640, 1920, 1040}},
      {"wider than the area goes to its left", {300, 100, 2400, 500}, {0, 100, 2100, 500}},
      {"higher than the area goes to its top", {100, 300, 600, 1400}, {100, 0, 600, 1100}},
      {"larger than the area goes to its top-left", {50, 60, 2050, 1160}, {0, 0, 2000, 1100}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MoveOntoScreen(c.stored, kOneScreen), c.expected) << c.what;
  }
}

TEST(MoveOntoScreen, TwoMonitorsPickTheNearestOne) {
  // A second monitor left of the primary one, at negative x, a little lower,
  // with its panel at the top.
  const std::vector<TScreenArea> screens = {
      {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
      {{-1280, 200, 0, 1224}, {-1280, 230, 0, 1224}},
  };
  struct Case {
    const char* what;
    TRect stored;
    int screen;
    TRect expected;
  };
  const Case cases[] = {
      {"on the second monitor stays", {-1000, 400, -500, 800}, 1, {-1000, 400, -500, 800}},
      {"mostly on the second moves into it", {-400, 300, 100, 700}, 1, {-500, 300, 0, 700}},
      {"mostly on the first moves into it", {-100, 300, 400, 700}, 0, {0, 300, 500, 700}},
      {"over the second's panel moves down", {-1000, 210, -500, 610}, 1, {-1000, 230, -500, 630}},
      {"left of everything goes to the second",
       {-3000, 500, -2500, 900},
       1,
       {-1280, 500, -780, 900}},
      {"above both, nearer the first", {-900, -700, -400, -400}, 0, {0, 0, 500, 300}},
      {"below the second", {-900, 2000, -400, 2300}, 1, {-900, 924, -400, 1224}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NearestScreen(c.stored, screens), c.screen) << c.what;
    EXPECT_EQ(MoveOntoScreen(c.stored, screens), c.expected) << c.what;
  }
}

TEST(MoveOntoScreen, LargestOverlapWinsOverTheFirstTouched) {
  // Two monitors side by side; a window with 100 px on the left one and 400 px
  // on the right one belongs to the right one even though the left comes first.
  const std::vector<TScreenArea> screens = {
      {{0, 0, 1000, 800}, {0, 0, 1000, 800}},
      {{1000, 0, 2000, 800}, {1000, 0, 2000, 800}},
  };
  EXPECT_EQ(NearestScreen({900, 100, 1400, 400}, screens), 1);
  EXPECT_EQ(MoveOntoScreen({900, 100, 1400, 400}, screens), (TRect{1000, 100, 1500, 400}));
  // An equal share goes to the first.
  EXPECT_EQ(NearestScreen({750, 100, 1250, 400}, screens), 0);
}

TEST(MoveOntoScreen, NoMonitorsAndExtremeValues) {
  EXPECT_EQ(MoveOntoScreen({1, 2, 3, 4}, {}), (TRect{1, 2, 3, 4}));
  EXPECT_EQ(NearestScreen({1, 2, 3, 4}, {}), -1);

  // Values a damaged settings file may hold must not overflow.
  const TRect huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  EXPECT_EQ(MoveOntoScreen(huge, kOneScreen).Left, 0);
  EXPECT_EQ(MoveOntoScreen(huge, kOneScreen).Top, 0);
  const TRect farOut{INT_MAX - 10, INT_MAX - 10, INT_MAX, INT_MAX};
  EXPECT_EQ(MoveOntoScreen(farOut, kOneScreen), (TRect{1910, 1030, 1920, 1040}));
  // An empty rectangle inside a monitor belongs to it.
  const std::vector<TScreenArea> two = {
      {{0, 0, 1000, 800}, {0, 0, 1000, 800}},
      {{1000, 0, 2000, 800}, {1000, 0, 2000, 800}},
  };
  EXPECT_EQ(NearestScreen({1500, 300, 1500, 300}, two), 1);
}

}  // namespace
}  // namespace frivo
