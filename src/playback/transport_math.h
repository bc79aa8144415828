// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <span>

namespace frivo {

// Every seek goes through this: [0, duration - frameTime]. When the range is
// empty or inverted (a file no longer than one frame) the result is 0, never a
// negative position.
[[nodiscard]] double ClampPosition(double seconds, double duration, double frameTime);

// Where a step of n frames from the frame on screen seeks to: half a frame past
// the target frame's start going forward, half a frame before it going back, so
// the seek lands inside the wanted frame whatever the rounding of the times.
[[nodiscard]] double TargetTime(int n, double lastSampleTime, double frameTime, double duration);
// How many of `frameTimes` (in order) start before `time`, within a microsecond:
// the index of the frame that starts at `time`, or that follows it.
[[nodiscard]] std::ptrdiff_t FrameIndexAt(std::span<const double> frameTimes, double time);

// The same for unevenly spaced video, whose frames' media times `frameTimes`
// lists in order: the start of the frame n frames from the one on screen.
[[nodiscard]] double TargetTime(int n, double lastSampleTime, double frameTime, double duration,
                                std::span<const double> frameTimes);

// The frame rate text and frame length read from a video's average time per frame
// (100 ns units). A missing value (0 or less) gives "29.97" and 1 / 29.97 s.
struct TFrameRate {
  QString text;
  double frameTime = 0;
};
[[nodiscard]] TFrameRate FrameRateFromAverageTime(std::int64_t averageTimePerFrame);

// The position timer's interval: the smaller of 30 ms and one frame in whole
// milliseconds (30 when that is 0).
[[nodiscard]] int PositionTimerInterval(double frameTime);

// "[ 640x480 29.97fps 33ミリ秒 ]".
[[nodiscard]] QString VideoSizeText(int width, int height, const QString& rateText,
                                    double frameTime);

}  // namespace frivo
