// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QRect>
#include <QSlider>
#include <QString>

namespace frivo {

// Free pixels at each end of the seek bar beside its channel, as a native
// track bar leaves them.
inline constexpr int kChannelInset = 8;

// The seek bar: a horizontal slider in tenths of a second that also tells whether
// the current left-button press began on the thumb (ThumbHold) and whether the
// left button is down on the bar (Touched). The window's handlers see the press,
// move and release through the signals; on release they still see both flags
// set, which are cleared right after.
class TMyTrackBar : public QSlider {
  Q_OBJECT

 public:
  explicit TMyTrackBar(QWidget* parent = nullptr);

  [[nodiscard]] bool ThumbHold() const { return thumbHold_; }
  [[nodiscard]] bool Touched() const { return touched_; }
  // The thumb and the channel (groove) as the style draws them. The channel
  // leaves kChannelInset pixels free at both ends, where a click skips instead
  // of seeking.
  [[nodiscard]] QRect ThumbRect() const;
  [[nodiscard]] QRect ChannelRect() const;
  // Whether x (client coordinates) lies left or right of the channel.
  [[nodiscard]] bool LeftOfChannel(int x) const { return x < ChannelRect().left(); }
  [[nodiscard]] bool RightOfChannel(int x) const {
    const QRect channel = ChannelRect();
    return x > channel.left() + channel.width();
  }
  [[nodiscard]] int ChannelWidth() const { return ChannelRect().width(); }

  // The bar value under x (client coordinates): the minimum left of the usable
  // channel, the maximum right of it, else proportional, truncated.
  [[nodiscard]] int ValueAt(int x) const;
  // The same in seconds, not truncated (value units are tenths of a second).
  [[nodiscard]] double SecondsAt(int x) const;

  // The hint for the mouse at x: the time under it (the thumb's time while it
  // is dragged), or the hint of the skip a click at a free end makes; empty
  // while the bar has no range.
  [[nodiscard]] QString HintAt(int x, bool dragging, const QString& skipBackHint,
                               const QString& skipNextHint) const;
  // Makes `hint` the bar's hint and shows it in the status bar at once, and as
  // a pop-up at `globalPos` when `popup` is set.
  void ShowHint(const QString& hint, QPoint globalPos, bool popup);

 Q_SIGNALS:
  void MouseDown(QMouseEvent* event);
  void MouseMove(QMouseEvent* event);
  void MouseUp(QMouseEvent* event);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  // The slider is drawn and handled inside the bar less the free ends.
  void initStyleOption(QStyleOptionSlider* option) const override;

 private:
  bool thumbHold_ = false;
  bool touched_ = false;
};

// The seek bar's mapping from a mouse x to bar units, for a thumb and a channel
// given as rectangles: half := half the thumb width rounded up; the usable
// channel runs from channel left + half to channel right - half.
[[nodiscard]] double SeekBarFraction(int x, const QRect& thumb, const QRect& channel, bool* below,
                                     bool* above);

}  // namespace frivo
