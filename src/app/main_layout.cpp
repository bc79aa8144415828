// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "app/main_layout.h"

#include <algorithm>
#include <cmath>

namespace frivo {

namespace {

// Rounds to the nearest integer with ties to even, like the rounding the layout
// has always used (std::nearbyint in the default rounding mode).
int RoundHalfEven(double value) {
  return static_cast<int>(std::nearbyint(value));
}

}  // namespace

TPaneLayout ComputePaneLayout(QSize client, const TLayoutBands& bands) {
  const int width = std::max(0, (client.width() - 24) / 2);
  int height = client.height() - bands.frameHeight - bands.bottomHeight - 16;
  if (bands.toolBarVisible) height -= bands.toolBarHeight;
  if (bands.statusBarVisible) height -= bands.statusBarHeight;
  height = std::max(0, height);
  const int top = bands.toolBarVisible ? bands.toolBarHeight + 8 : 8;

  TPaneLayout layout;
  layout.videoPane = QRect(8, top, width, height);
  layout.previewPane = QRect(8 + width + 8, top, width, height);
  return layout;
}

QRect FitVideoRect(QSize frame, QSize panel) {
  const int bw = frame.width(), bh = frame.height();
  const int pw = panel.width(), ph = panel.height();
  if (bw < 1 || bh < 1 || pw < 1 || ph < 1) return {};
  int vw = pw;
  int vh = RoundHalfEven(static_cast<double>(bh) / bw * vw);
  if (ph < vh) {
    vh = ph;
    vw = RoundHalfEven(static_cast<double>(bw) / bh * vh);
  }
  return QRect((pw - vw) / 2, (ph - vh) / 2, vw, vh);
}

}  // namespace frivo
