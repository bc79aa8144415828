// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "platform/screen_areas.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <utility>

#include "support/ini_file.h"

namespace frivo {

namespace {

ScreenAreasHook& Hook() {
  static ScreenAreasHook hook;
  return hook;
}

int Narrow(long long value) {
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

}  // namespace

std::vector<TScreenArea> ScreenAreas() {
  if (Hook()) return Hook()();
  std::vector<TScreenArea> areas;
  const QScreen* primary = QGuiApplication::primaryScreen();
  if (primary)
    areas.push_back({ToTRect(primary->geometry()), ToTRect(primary->availableGeometry())});
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen == primary) continue;
    areas.push_back({ToTRect(screen->geometry()), ToTRect(screen->availableGeometry())});
  }
  return areas;
}

ScreenAreasHook SetScreenAreasHook(ScreenAreasHook hook) {
  return std::exchange(Hook(), std::move(hook));
}

TRect ToTRect(const QRect& rect) {
  return TRect{rect.left(), rect.top(), Narrow(static_cast<long long>(rect.left()) + rect.width()),
               Narrow(static_cast<long long>(rect.top()) + rect.height())};
}

QRect ToQRect(const TRect& rect) {
  return QRect(rect.Left, rect.Top, Narrow(rect.Width()), Narrow(rect.Height()));
}

TRect ControlBounds(const QWidget& control) {
  return ToTRect(control.isWindow() ? control.frameGeometry() : control.geometry());
}

void SetControlBounds(QWidget& control, const TRect& bounds) {
  const int width = Narrow(std::max<long long>(bounds.Width(), 1));
  const int height = Narrow(std::max<long long>(bounds.Height(), 1));
  if (!control.isWindow()) {
    control.setGeometry(bounds.Left, bounds.Top, width, height);
    return;
  }
  // A window is moved by its frame's corner; its size is that of its client area.
  const QRect frame = control.frameGeometry();
  const QRect client = control.geometry();
  const int frameWidth = frame.width() - client.width();
  const int frameHeight = frame.height() - client.height();
  control.move(bounds.Left, bounds.Top);
  control.resize(std::max(width - frameWidth, 1), std::max(height - frameHeight, 1));
}

TRect ReadBounds(TMyIniFile& ini, const QString& section, const QWidget& control) {
  return ini.ReadBounds(section, control.objectName(), ControlBounds(control));
}

void WriteBounds(TMyIniFile& ini, const QString& section, const QWidget& control) {
  ini.WriteBounds(section, control.objectName(), ControlBounds(control));
}

TRect ReadBoundsOnScreen(TMyIniFile& ini, const QString& section, const QWidget& control) {
  return ini.ReadBoundsOnScreen(section, control.objectName(), ControlBounds(control),
                                ScreenAreas());
}

void LoadBounds(TMyIniFile& ini, const QString& section, QWidget& control) {
  SetControlBounds(control, ReadBoundsOnScreen(ini, section, control));
}

}  // namespace frivo
