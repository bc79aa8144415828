// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QRect>
#include <QSize>

namespace frivo {

// Heights of the fixed bands of the main window's client area.
struct TLayoutBands {
  int toolBarHeight = 25;
  bool toolBarVisible = true;
  int statusBarHeight = 19;
  bool statusBarVisible = true;
  int frameHeight = 79;   // the thumbnail strip
  int bottomHeight = 51;  // seek bar and control bar
};

// Where the two panes go, in client coordinates (the toolbar's top edge is 0).
struct TPaneLayout {
  QRect videoPane;
  QRect previewPane;
};

// The two panes side by side above the strip: 8 px margins left, between, above
// and below; equal widths, the odd pixel of the division going to the right
// margin. Sizes never go negative, however small the client area.
[[nodiscard]] TPaneLayout ComputePaneLayout(QSize client, const TLayoutBands& bands);

// The video picture of a `frame`-sized video inside a `panel`-sized area: as large
// as fits with the aspect ratio kept, centred (rounding to nearest, ties to even).
// An empty frame or panel gives an empty rectangle.
[[nodiscard]] QRect FitVideoRect(QSize frame, QSize panel);

}  // namespace frivo
