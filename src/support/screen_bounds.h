// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <vector>

namespace frivo {

// A rectangle in screen pixels with exclusive Right and Bottom: a window at
// (10, 20) of 300 x 200 is {10, 20, 310, 220}. The four names are also the
// suffixes of the settings keys that store it.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  [[nodiscard]] long long Width() const { return static_cast<long long>(Right) - Left; }
  [[nodiscard]] long long Height() const { return static_cast<long long>(Bottom) - Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

// One monitor: its whole rectangle and its work area (the part not covered by
// panels and docks).
struct TScreenArea {
  TRect Monitor;
  TRect Work;
};

// Index of the monitor a rectangle belongs to: the one it overlaps most, or when
// it overlaps none, the one closest to it. Ties go to the earlier monitor, so the
// primary screen should come first. -1 only for an empty list.
[[nodiscard]] int NearestScreen(const TRect& rect, const std::vector<TScreenArea>& screens);

// Moves a rectangle into a work area without changing its size. A rectangle
// wider (or higher) than the area is put at the area's left (or top) edge.
[[nodiscard]] TRect MoveIntoArea(const TRect& rect, const TRect& area);

// A stored window rectangle moved onto the work area of its nearest monitor, so
// a window saved on a monitor that is gone, or partly off screen, comes back
// where it can be seen. Without any monitor the rectangle is returned unchanged.
[[nodiscard]] TRect MoveOntoScreen(const TRect& rect, const std::vector<TScreenArea>& screens);

}  // namespace frivo
