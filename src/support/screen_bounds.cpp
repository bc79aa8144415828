// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "support/screen_bounds.h"

#include <algorithm>
#include <climits>

namespace frivo {

namespace {

// Stored rectangles come from a text file and may hold any 32-bit values, so
// all arithmetic is done in 64 bits and only the final coordinates are narrowed.
using Wide = long long;

Wide OverlapArea(const TRect& a, const TRect& b) {
  const Wide w = std::min<Wide>(a.Right, b.Right) - std::max<Wide>(a.Left, b.Left);
  const Wide h = std::min<Wide>(a.Bottom, b.Bottom) - std::max<Wide>(a.Top, b.Top);
  return (w > 0 && h > 0) ? w * h : 0;
}

// Gap between two intervals along one axis; 0 when they touch or overlap.
Wide Gap(Wide lo1, Wide hi1, Wide lo2, Wide hi2) {
  if (hi1 < lo1) std::swap(lo1, hi1);
  if (hi2 < lo2) std::swap(lo2, hi2);
  if (hi1 < lo2) return lo2 - hi1;
  if (hi2 < lo1) return lo1 - hi2;
  return 0;
}

int Narrow(Wide value) {
  return static_cast<int>(std::clamp<Wide>(value, INT_MIN, INT_MAX));
}

}  // namespace

int NearestScreen(const TRect& rect, const std::vector<TScreenArea>& screens) {
  int best = -1;
  Wide bestOverlap = 0;
  for (int i = 0; i < static_cast<int>(screens.size()); ++i) {
    const Wide overlap = OverlapArea(rect, screens[i].Monitor);
    if (overlap > bestOverlap) {
      bestOverlap = overlap;
      best = i;
    }
  }
  if (best >= 0) return best;

  // No overlap: the monitor at the smallest distance. Squared distances of
  // 32-bit gaps can reach 2^65, so they are compared as long double.
  long double bestDistance = 0;
  for (int i = 0; i < static_cast<int>(screens.size()); ++i) {
    const TRect& m = screens[i].Monitor;
    const long double dx = Gap(rect.Left, rect.Right, m.Left, m.Right);
    const long double dy = Gap(rect.Top, rect.Bottom, m.Top, m.Bottom);
    const long double distance = dx * dx + dy * dy;
    if (best < 0 || distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

TRect MoveIntoArea(const TRect& rect, const TRect& area) {
  const Wide w = rect.Width();
  const Wide h = rect.Height();
  const Wide areaW = area.Width();
  const Wide areaH = area.Height();
  const Wide left =
      w < areaW ? std::clamp<Wide>(rect.Left, area.Left, area.Left + areaW - w) : area.Left;
  const Wide top =
      h < areaH ? std::clamp<Wide>(rect.Top, area.Top, area.Top + areaH - h) : area.Top;
  return TRect{Narrow(left), Narrow(top), Narrow(left + w), Narrow(top + h)};
}

TRect MoveOntoScreen(const TRect& rect, const std::vector<TScreenArea>& screens) {
  const int index = NearestScreen(rect, screens);
  if (index < 0) return rect;
  return MoveIntoArea(rect, screens[index].Work);
}

}  // namespace frivo
