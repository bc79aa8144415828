// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/transport_math.h"

#include <algorithm>
#include <cmath>

namespace frivo {

double ClampPosition(double seconds, double duration, double frameTime) {
  const double low = 0.0;
  const double high = duration - frameTime;
  if (!(high > low)) return low;
  if (seconds < low) return low;
  if (seconds > high) return high;
  return seconds;
}

double TargetTime(int n, double lastSampleTime, double frameTime, double duration) {
  double t = n * frameTime + lastSampleTime;
  t += (n > 0 ? 0.5 : -0.5) * frameTime;
  return ClampPosition(t, duration, frameTime);
}

std::ptrdiff_t FrameIndexAt(std::span<const double> frameTimes, double time) {
  constexpr double kSameTime = 1e-6;
  return std::lower_bound(frameTimes.begin(), frameTimes.end(), time - kSameTime) -
         frameTimes.begin();
}

double TargetTime(int n, double lastSampleTime, double frameTime, double duration,
                  std::span<const double> frameTimes) {
  if (frameTimes.empty()) return TargetTime(n, lastSampleTime, frameTime, duration);
  constexpr double kSameTime = 1e-6;
  const auto shown =
      std::lower_bound(frameTimes.begin(), frameTimes.end(), lastSampleTime - kSameTime);
  const auto last = static_cast<std::ptrdiff_t>(frameTimes.size()) - 1;
  const std::ptrdiff_t index =
      std::clamp<std::ptrdiff_t>((shown - frameTimes.begin()) + n, 0, last);
  return frameTimes[static_cast<std::size_t>(index)];
}

TFrameRate FrameRateFromAverageTime(std::int64_t averageTimePerFrame) {
  if (averageTimePerFrame <= 0) return {QStringLiteral("29.97"), 1.0 / 29.97};
  TFrameRate rate;
  rate.frameTime = static_cast<double>(averageTimePerFrame) / 10000000.0;
  // Two decimals, half away from zero, written as briefly as "%g" would.
  const double rounded = std::round(100.0 / rate.frameTime) / 100.0;
  rate.text = QString::number(rounded, 'g', 6);
  return rate;
}

int PositionTimerInterval(double frameTime) {
  const int frameMs = static_cast<int>(frameTime * 1000.0);
  const int interval = frameMs < 30 ? frameMs : 30;
  return interval <= 0 ? 30 : interval;
}

QString VideoSizeText(int width, int height, const QString& rateText, double frameTime) {
  return QStringLiteral("[ %1x%2 %3fps %4ミリ秒 ]")
      .arg(width)
      .arg(height)
      .arg(rateText)
      .arg(static_cast<long long>(std::round(frameTime * 1000.0)));
}

}  // namespace frivo
