// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>

namespace frivo {

// The one time text of the program: h:mm:ss.fff with leading zero fields dropped
// ("0.500", "5.250", "1:05.500", "1:02:03.125", "-0.040"). `decimals` is 3 for
// labels and 1 for seek-bar hints. The fraction is truncated, not rounded, but a
// time that lies within a microsecond below a boundary counts as on it, so the
// binary form of 9.94 shows "9.940" and not "9.939".
[[nodiscard]] QString FormatTime(int decimals, double seconds);

// Reads a time text of the command line: "90", "1:30", "1:02:03.5". Hours and
// minutes are whole numbers, seconds may have a "." fraction; a part that is not a
// number counts as 0, a part after a third ":" is ignored, and four or more ":"
// give 0.
[[nodiscard]] double ParseTimeText(const QString& text);

}  // namespace frivo
