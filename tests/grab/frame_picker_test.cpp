// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "grab/frame_picker.h"

#include <gtest/gtest.h>

#include <vector>

namespace frivo {
namespace {

constexpr double kFrame = 0.04;

// Offers frames 0, 1, 2 ... (kFrame apart, from `first`) and returns the
// numbers of those taken, up to `frames` offered or the picker being done.
std::vector<int> Taken(TFramePicker picker, int frames, double first = 0) {
  std::vector<int> taken;
  for (int n = 0; n < frames && !picker.Done(); ++n) {
    if (picker.Offer(first + n * kFrame)) taken.push_back(n);
  }
  return taken;
}

TEST(FramePicker, TakesTheWantedFrames) {
  const struct {
    const char* what;
    double start, every, end;
    int count;
    std::vector<int> expected;
  } cases[] = {
      {"consecutive from a frame's time", 0.4, 0, -1, 3, {10, 11, 12}},
      {"consecutive from inside a frame", 0.41, 0, -1, 2, {11, 12}},
      {"a millisecond early still counts", 0.3995, 0, -1, 1, {10}},
      {"spaced to the end of the file", 0, 1.0, -1, 1000, {0, 25, 50, 75}},
      {"spaced, end inclusive", 0.2, 0.5, 1.2, 1000, {5, 18, 30}},
      {"spaced, capped by the count", 0, 0.5, -1, 2, {0, 13}},
      {"interval below a frame: each frame once", 0, 0.01, 0.2, 1000, {0, 1, 2, 3, 4, 5}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Taken(TFramePicker(c.start, c.count, c.every, c.end, kFrame), 100), c.expected)
        << c.what;
  }
}

TEST(FramePicker, ReportsTheNextThresholdAndTheEnd) {
  TFramePicker picker(1.0, 1000, 2.0, 5.0, kFrame);
  EXPECT_FALSE(picker.Offer(0.96));
  EXPECT_TRUE(picker.Offer(1.0));
  EXPECT_DOUBLE_EQ(picker.NextThreshold(), 3.0);
  // A seek lands later than the threshold: that frame is the one.
  EXPECT_TRUE(picker.Offer(3.2));
  EXPECT_DOUBLE_EQ(picker.NextThreshold(), 5.0);
  EXPECT_FALSE(picker.Done());
  EXPECT_TRUE(picker.Offer(5.0));
  EXPECT_TRUE(picker.Done());
  EXPECT_EQ(picker.Taken(), 3);
  EXPECT_FALSE(picker.Offer(5.04));
}

TEST(FramePicker, SeeksOnlyOverGapsLongerThanAKeyFrameSpacing) {
  EXPECT_TRUE(SeekPays(10.0, 2.0));
  EXPECT_FALSE(SeekPays(1.0, 2.0));
  EXPECT_FALSE(SeekPays(4.0, 0.0));  // spacing not known yet
  EXPECT_TRUE(SeekPays(6.0, 0.0));
}

}  // namespace
}  // namespace frivo
