// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "capture/capture_math.h"

#include <algorithm>

#include "playback/transport_math.h"

namespace frivo {

TCaptureStart CaptureStart(int n, double base, double frameTime) {
  TCaptureStart start;
  start.threshold = base + n * frameTime;
  start.seekTarget =
      n <= 0 ? start.threshold + ThresholdSlack(frameTime) : start.threshold + 0.4 * frameTime;
  return start;
}

TCaptureStart CaptureStart(int n, double base, double frameTime,
                           std::span<const double> frameTimes) {
  if (frameTimes.empty()) return CaptureStart(n, base, frameTime);
  const int last = static_cast<int>(frameTimes.size()) - 1;
  const int index = std::clamp(static_cast<int>(FrameIndexAt(frameTimes, base)) + n, 0, last);
  TCaptureStart start;
  start.threshold = frameTimes[static_cast<std::size_t>(index)];
  start.seekTarget = start.threshold;
  return start;
}

double ThresholdSlack(double frameTime) {
  constexpr double kContainerClock = 0.0011;  // a millisecond, and rounding
  return frameTime > 0 ? std::min(frameTime / 4, kContainerClock) : 0.0;
}

bool AtOrAfterThreshold(double time, double threshold, double frameTime) {
  return time >= threshold - ThresholdSlack(frameTime);
}

int TrailingIndex(const QString& name) {
  qsizetype first = name.size();
  while (first > 0 && name.at(first - 1).isDigit() && name.at(first - 1).unicode() < 128) --first;
  if (first == name.size()) return 0;
  bool ok = false;
  const int index = name.mid(first).toInt(&ok);
  return ok ? index : 0;
}

double NextSetBase(std::span<const double> times) {
  for (auto it = times.rbegin(); it != times.rend(); ++it) {
    if (*it > 0) return *it;
  }
  return times.empty() ? -1.0 : times.front();
}

bool NearEnd(double duration, int frameCount, double frameTime, double shown) {
  return duration - frameCount * frameTime <= shown;
}

}  // namespace frivo
