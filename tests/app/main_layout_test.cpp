// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "app/main_layout.h"

#include <gtest/gtest.h>

namespace frivo {
namespace {

TEST(ComputePaneLayout, PanesAndMargins) {
  TLayoutBands bands;  // toolbar 25 and status bar 19 visible
  TPaneLayout layout = ComputePaneLayout(QSize(504, 366), bands);
  EXPECT_EQ(layout.videoPane, QRect(8, 33, 240, 366 - 79 - 51 - 16 - 25 - 19));
  EXPECT_EQ(layout.previewPane, QRect(256, 33, 240, layout.videoPane.height()));
  // Right margin: 504 - (256 + 240) = 8.
  EXPECT_EQ(504 - layout.previewPane.right() - 1, 8);

  // An odd width gives equal panes and a right margin of 9.
  layout = ComputePaneLayout(QSize(505, 366), bands);
  EXPECT_EQ(layout.videoPane.width(), layout.previewPane.width());
  EXPECT_EQ(505 - layout.previewPane.right() - 1, 9);

  // Without toolbar and status bar the panes start 8 below the top and end 8
  // above the strip.
  bands.toolBarVisible = false;
  bands.statusBarVisible = false;
  layout = ComputePaneLayout(QSize(504, 366), bands);
  EXPECT_EQ(layout.videoPane.top(), 8);
  const int stripTop = 366 - 79 - 51;
  EXPECT_EQ(stripTop - (layout.videoPane.bottom() + 1), 8);
}

TEST(ComputePaneLayout, TinyWindowsNeverGiveNegativeSizes) {
  for (const QSize client : {QSize(0, 0), QSize(10, 10), QSize(23, 500), QSize(600, 100)}) {
    const TPaneLayout layout = ComputePaneLayout(client, TLayoutBands{});
    EXPECT_GE(layout.videoPane.width(), 0);
    EXPECT_GE(layout.videoPane.height(), 0);
    EXPECT_GE(layout.previewPane.width(), 0);
  }
}

TEST(FitVideoRect, CentredWithTheAspectKept) {
  const struct {
    QSize frame, panel;
    QRect expected;
  } cases[] = {
      {{640, 360}, {300, 300}, {0, 65, 300, 169}},
      {{640, 360}, {200, 100}, {11, 0, 178, 100}},
      {{640, 480}, {320, 240}, {0, 0, 320, 240}},
      {{101, 76}, {101, 76}, {0, 0, 101, 76}},
      // 2 / 4 * 5 = 2.5 rounds to even: 2.
      {{4, 2}, {5, 100}, {0, 49, 5, 2}},
      {{0, 480}, {300, 300}, {}},
      {{640, 480}, {0, 300}, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FitVideoRect(c.frame, c.panel), c.expected)
        << c.frame.width() << "x" << c.frame.height() << " in " << c.panel.width() << "x"
        << c.panel.height();
}

}  // namespace
}  // namespace frivo
