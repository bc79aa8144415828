// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

namespace frivo {

// The surface the renderer draws into: a child widget of the owner panel showing
// the frame on screen scaled into its rectangle with the aspect ratio kept. Mouse,
// wheel, key and context-menu events are sent on to the message drain (the panel),
// so the panel's double click and pop-up menu work over the video. UI thread only;
// frames arrive through ShowFrame by queued calls from the renderer.
class TVideoWidget : public QWidget {
 public:
  explicit TVideoWidget(QWidget* parent = nullptr);

  void ShowFrame(const QImage& frame);
  [[nodiscard]] const QImage& Frame() const { return frame_; }
  // Number of frames shown so far.
  [[nodiscard]] quint64 FramesShown() const { return framesShown_; }

  void SetMessageDrain(QWidget* drain) { drain_ = drain; }
  [[nodiscard]] QWidget* MessageDrain() const { return drain_; }

  // Where the frame lands inside a widget of `area` size: as large as fits, centred.
  [[nodiscard]] static QRect FitRect(const QSize& frame, const QSize& area);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool ForwardToDrain(QEvent* event);

  QImage frame_;
  quint64 framesShown_ = 0;
  QPointer<QWidget> drain_;
};

}  // namespace frivo
