// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QPoint>

namespace frivo::test {

// The desktop the tests run on: Xvfb's screen, managed by openbox.
inline constexpr int kScreenWidth = 1280;
inline constexpr int kScreenHeight = 800;

// Whether the X server and the window manager run (else the tests skip, and
// fail in CI).
[[nodiscard]] bool DesktopAvailable();
// Where the mouse was put, and where the window manager centres new windows.
[[nodiscard]] QPoint ScreenCentre();

}  // namespace frivo::test
