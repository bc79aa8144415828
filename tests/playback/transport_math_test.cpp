// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/transport_math.h"

#include <gtest/gtest.h>

#include <vector>

namespace frivo {
namespace {

TEST(ClampPosition, RangeAndDegenerateFiles) {
  const double ft = 0.04;
  EXPECT_DOUBLE_EQ(ClampPosition(-18, 100, ft), 0);      // 30 s back at 12 s
  EXPECT_DOUBLE_EQ(ClampPosition(120, 100, ft), 99.96);  // past the end
  EXPECT_DOUBLE_EQ(ClampPosition(100, 100, ft), 99.96);  // "end" is not Duration
  EXPECT_DOUBLE_EQ(ClampPosition(50, 100, ft), 50);
  EXPECT_DOUBLE_EQ(ClampPosition(5, 0.04, ft), 0);  // one frame: bounds equal
  EXPECT_DOUBLE_EQ(ClampPosition(5, 0.02, ft), 0);  // shorter than a frame
  EXPECT_DOUBLE_EQ(ClampPosition(-1, 0.02, ft), 0);
  EXPECT_DOUBLE_EQ(ClampPosition(3, 0, 0), 0);  // nothing known yet
}

TEST(TargetTime, StepsLandInsideTheWantedFrame) {
  EXPECT_NEAR(TargetTime(-1, 10.0, 0.04, 100), 9.94, 1e-12);
  EXPECT_NEAR(TargetTime(-5, 10.0, 0.04, 100), 9.78, 1e-12);
  EXPECT_NEAR(TargetTime(1, 10.0, 0.04, 100), 10.06, 1e-12);
  EXPECT_NEAR(TargetTime(0, 10.0, 0.04, 100), 9.98, 1e-12);
  EXPECT_DOUBLE_EQ(TargetTime(-1, 0.0, 0.04, 100), 0);
  EXPECT_DOUBLE_EQ(TargetTime(3, 99.96, 0.04, 100), 99.96);
  // Unevenly spaced frames: a step is a frame, whatever its length; the
  // target is the frame's own time.
  const std::vector<double> times{0.0, 0.010, 0.053, 0.066, 0.109};
  EXPECT_DOUBLE_EQ(TargetTime(-1, 0.066, 0.0275, 0.12, times), 0.053);
  EXPECT_DOUBLE_EQ(TargetTime(-2, 0.066, 0.0275, 0.12, times), 0.010);
  EXPECT_DOUBLE_EQ(TargetTime(1, 0.0099999, 0.0275, 0.12, times), 0.053);
  EXPECT_DOUBLE_EQ(TargetTime(-5, 0.066, 0.0275, 0.12, times), 0.0);
  EXPECT_DOUBLE_EQ(TargetTime(5, 0.066, 0.0275, 0.12, times), 0.109);
}

TEST(FrameRate, TextsLengthsAndTimerIntervals) {
  const struct {
    std::int64_t average;
    const char* text;
    double frameTime;
    int interval;
    const char* label;
  } cases[] = {
      {400000, "25", 0.04, 30, "[ 640x480 25fps 40ミリ秒 ]"},
      {333667, "29.97", 0.0333667, 30, "[ 640x480 29.97fps 33ミリ秒 ]"},
      {166667, "60", 0.0166667, 16, "[ 640x480 60fps 17ミリ秒 ]"},
      {417083, "23.98", 0.0417083, 30, "[ 640x480 23.98fps 42ミリ秒 ]"},
      {0, "29.97", 1 / 29.97, 30, "[ 640x480 29.97fps 33ミリ秒 ]"},
      {-5, "29.97", 1 / 29.97, 30, "[ 640x480 29.97fps 33ミリ秒 ]"},
      {10000, "1000", 0.001, 1, "[ 640x480 1000fps 1ミリ秒 ]"},
  };
  for (const auto& c : cases) {
    const TFrameRate rate = FrameRateFromAverageTime(c.average);
    EXPECT_EQ(rate.text.toStdString(), c.text) << c.average;
    EXPECT_NEAR(rate.frameTime, c.frameTime, 1e-9) << c.average;
    EXPECT_EQ(PositionTimerInterval(rate.frameTime), c.interval) << c.average;
    EXPECT_EQ(VideoSizeText(640, 480, rate.text, rate.frameTime).toStdString(), c.label);
  }
  EXPECT_EQ(PositionTimerInterval(0), 30);
  EXPECT_EQ(PositionTimerInterval(0.0005), 30);
}

}  // namespace
}  // namespace frivo
