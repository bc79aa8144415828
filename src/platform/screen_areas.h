// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// The monitors of the desktop, and the window-rectangle settings that need them.

#include <QRect>
#include <QString>
#include <functional>
#include <vector>

#include "support/screen_bounds.h"

class QWidget;

namespace frivo {

class TMyIniFile;

// Every monitor with its work area, the primary one first (so it wins ties in
// NearestScreen). Empty only when the platform reports no screen.
[[nodiscard]] std::vector<TScreenArea> ScreenAreas();

// Tests put monitors here; an empty function restores the real ones. Returns the
// previous hook.
using ScreenAreasHook = std::function<std::vector<TScreenArea>()>;
ScreenAreasHook SetScreenAreasHook(ScreenAreasHook hook);

// Between Qt's rectangles (inclusive right and bottom) and TRect (exclusive).
[[nodiscard]] TRect ToTRect(const QRect& rect);
[[nodiscard]] QRect ToQRect(const TRect& rect);

// A control's bounds: for a window its outer rectangle, frame included; for a
// child its rectangle in its parent.
[[nodiscard]] TRect ControlBounds(const QWidget& control);
// Places and sizes a control so that ControlBounds gives `bounds`. A window keeps
// the size of its frame; a size below 1 x 1 is raised to it.
void SetControlBounds(QWidget& control, const TRect& bounds);

// The settings of a control's rectangle, under the keys <objectName>_Left, _Top,
// _Right and _Bottom of `section`; its current bounds are the defaults.
[[nodiscard]] TRect ReadBounds(TMyIniFile& ini, const QString& section, const QWidget& control);
void WriteBounds(TMyIniFile& ini, const QString& section, const QWidget& control);
// ReadBounds moved into the work area of the nearest monitor.
[[nodiscard]] TRect ReadBoundsOnScreen(TMyIniFile& ini, const QString& section,
                                       const QWidget& control);
// ReadBoundsOnScreen applied to the control.
void LoadBounds(TMyIniFile& ini, const QString& section, QWidget& control);

}  // namespace frivo
