// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "platform/screen_areas.h"

#include <QElapsedTimer>
#include <QEvent>
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

namespace {

// Holds a top-level window to an outer rectangle until its frame is known. Qt
// learns the frame only once the window system has framed the shown window (a
// window manager adds it after mapping), so the client size that gives the
// outer rectangle is set again each time the frame's size changes, until a
// frame has been seen or a few seconds after the window was first shown.
class TOuterBoundsKeeper final : public QObject {
 public:
  TOuterBoundsKeeper(QWidget& window, const QRect& bounds)
      : QObject(&window), window_(window), bounds_(bounds) {
    window.installEventFilter(this);
    Apply();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != &window_) return false;
    switch (event->type()) {
      case QEvent::Show:
        if (!shown_.isValid()) shown_.start();
        [[fallthrough]];
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::WinIdChange:
        Apply();
        break;
      default:
        break;
    }
    return false;
  }

 private:
  void Apply() {
    // The move and resize below send events of their own.
    if (applying_) return;
    applying_ = true;
    const QRect frame = window_.frameGeometry();
    const QRect client = window_.geometry();
    const QSize margins(frame.width() - client.width(), frame.height() - client.height());
    if (!applied_ || margins != margins_) {
      margins_ = margins;
      applied_ = true;
      // The frame's corner is the window's position.
      window_.move(bounds_.topLeft());
      window_.resize(std::max(bounds_.width() - margins.width(), 1),
                     std::max(bounds_.height() - margins.height(), 1));
    }
    applying_ = false;
    const bool framed = !margins.isNull();
    if (framed || (shown_.isValid() && shown_.elapsed() > 3000)) {
      window_.removeEventFilter(this);
      deleteLater();
    }
  }

  QWidget& window_;
  const QRect bounds_;
  QSize margins_;
  bool applied_ = false;
  bool applying_ = false;
  QElapsedTimer shown_;
};

}  // namespace

void SetControlBounds(QWidget& control, const TRect& bounds) {
  const int width = Narrow(std::max<long long>(bounds.Width(), 1));
  const int height = Narrow(std::max<long long>(bounds.Height(), 1));
  if (!control.isWindow()) {
    control.setGeometry(bounds.Left, bounds.Top, width, height);
    return;
  }
  // A window is moved by its frame's corner; its size is that of its client
  // area, which is known only once the frame is. An earlier keeper gives way.
  for (QObject* child : control.children()) {
    if (auto* keeper = dynamic_cast<TOuterBoundsKeeper*>(child)) {
      control.removeEventFilter(keeper);
      delete keeper;
    }
  }
  new TOuterBoundsKeeper(control, QRect(bounds.Left, bounds.Top, width, height));
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
  // Without any stored key the current bounds are the default, and a window
  // that is not shown yet has none: it is left where the window system puts it.
  bool stored = false;
  for (const char* side : {"_Left", "_Top", "_Right", "_Bottom"})
    stored = stored ||
             !ini.ReadString(section, control.objectName() + QLatin1String(side), {}).isEmpty();
  if (!stored && control.isWindow()) return;
  SetControlBounds(control, ReadBoundsOnScreen(ini, section, control));
}

}  // namespace frivo
