// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/track_bar.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QStatusTipEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>

#include "playback/time_text.h"

namespace frivo {

TMyTrackBar::TMyTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setTickPosition(QSlider::TicksBelow);
  setFocusPolicy(Qt::ClickFocus);  // not a tab stop
  setMouseTracking(true);          // hover hints
}

void TMyTrackBar::initStyleOption(QStyleOptionSlider* option) const {
  QSlider::initStyleOption(option);
  if (option->rect.width() > 4 * kChannelInset)
    option->rect.adjust(kChannelInset, 0, -kChannelInset, 0);
}

QRect TMyTrackBar::ThumbRect() const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

QRect TMyTrackBar::ChannelRect() const {
  QStyleOptionSlider option;
  initStyleOption(&option);
  return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
}

double SeekBarFraction(int x, const QRect& thumb, const QRect& channel, bool* below, bool* above) {
  const int half = (thumb.width() + 1) / 2;
  const int low = channel.left() + half;
  const int high = channel.left() + channel.width() - half;
  *below = x < low;
  *above = x > high;
  const int usable = channel.width() - 2 * half;
  if (*below || *above || usable <= 0) return *above ? 1.0 : 0.0;
  return static_cast<double>(x - low) / usable;
}

int TMyTrackBar::ValueAt(int x) const {
  bool below = false, above = false;
  const double fraction = SeekBarFraction(x, ThumbRect(), ChannelRect(), &below, &above);
  if (below) return minimum();
  if (above) return maximum();
  return static_cast<int>(fraction * (maximum() - minimum()));
}

double TMyTrackBar::SecondsAt(int x) const {
  bool below = false, above = false;
  const double fraction = SeekBarFraction(x, ThumbRect(), ChannelRect(), &below, &above);
  if (below) return minimum() / 10.0;
  if (above) return maximum() / 10.0;
  return fraction * (maximum() - minimum()) / 10.0;
}

void TMyTrackBar::mousePressEvent(QMouseEvent* event) {
  const bool left = event->button() == Qt::LeftButton;
  thumbHold_ = left && ThumbRect().contains(event->position().toPoint());
  touched_ = left;
  Q_EMIT MouseDown(event);
  QSlider::mousePressEvent(event);
}

void TMyTrackBar::mouseMoveEvent(QMouseEvent* event) {
  QSlider::mouseMoveEvent(event);
  Q_EMIT MouseMove(event);
}

void TMyTrackBar::mouseReleaseEvent(QMouseEvent* event) {
  QSlider::mouseReleaseEvent(event);
  Q_EMIT MouseUp(event);
  thumbHold_ = false;
  touched_ = false;
}

void TMyTrackBar::focusOutEvent(QFocusEvent* event) {
  thumbHold_ = false;
  touched_ = false;
  QSlider::focusOutEvent(event);
}

QString TMyTrackBar::HintAt(int x, bool dragging, const QString& skipBackHint,
                            const QString& skipNextHint) const {
  if (minimum() >= maximum()) return {};
  if (dragging) return FormatTime(1, value() / 10.0) + QStringLiteral("秒");
  if (LeftOfChannel(x)) return skipBackHint;
  if (RightOfChannel(x)) return skipNextHint;
  return FormatTime(1, ValueAt(x) / 10.0) + QStringLiteral("秒");
}

void TMyTrackBar::ShowHint(const QString& hint, QPoint globalPos, bool popup) {
  setToolTip(hint);
  setStatusTip(hint);
  // The status bar follows the hint as the mouse moves, not only on entering.
  QStatusTipEvent tip(hint);
  QCoreApplication::sendEvent(this, &tip);
  if (hint.isEmpty()) {
    QToolTip::hideText();
  } else if (popup) {
    QToolTip::showText(globalPos, hint, this);
  }
}

}  // namespace frivo
