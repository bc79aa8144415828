// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Transport commands, the seek primitive, the position timer and the seek bar.
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <cmath>

#include "app/main_window.h"
#include "platform/desktop.h"
#include "playback/time_text.h"
#include "playback/track_bar.h"
#include "playback/transport_math.h"

namespace frivo {

namespace {

// Both mute images in image-list order: the design's one and the muted one.
constexpr QStyle::StandardPixmap kMuteImages[] = {QStyle::SP_MediaVolume,
                                                  QStyle::SP_MediaVolumeMuted};

// Marks a skip or frame step as running; commands that arrive while the window
// processes its pending events at the end find it set and are dropped.
class TSeekBusyScope {
 public:
  explicit TSeekBusyScope(bool& busy) : busy_(busy) { busy_ = true; }
  ~TSeekBusyScope() {
    QCoreApplication::processEvents();
    busy_ = false;
  }
  TSeekBusyScope(const TSeekBusyScope&) = delete;
  TSeekBusyScope& operator=(const TSeekBusyScope&) = delete;

 private:
  bool& busy_;
};

}  // namespace

double TApp_TOOLBmpCaptureEx::ClampPosition(double seconds) const {
  return frivo::ClampPosition(seconds, graph_.Duration(), graph_.FrameTime());
}

double TApp_TOOLBmpCaptureEx::TargetTime(int n) const {
  return frivo::TargetTime(n, LastSampleTime(), graph_.FrameTime(), graph_.Duration(), frameTimes_);
}

void TApp_TOOLBmpCaptureEx::SeekTo(double seconds, const std::function<void()>& beforeFrames) {
  const bool wasRunning = graph_.HasGraph() && graph_.IsRunning(100);
  if (wasRunning) Action_PlayPauseExecute(nullptr);
  if (beforeFrames) {
    // Once the pause has settled no frame passes the grabber until the seek, so
    // a run armed now receives exactly the frames from the new position on.
    (void)graph_.IsRunning(1000);
    beforeFrames();
  }
  (void)graph_.PutPosition(ClampPosition(seconds));
  if (wasRunning) Action_PlayPlayExecute(nullptr);
}

void TApp_TOOLBmpCaptureEx::StepFrames(int n) {
  if (!graph_.IsOpen()) return;
  run_->State().CaptureStartTime = 0;
  if (n > 0) {
    if (!graph_.StepForward(n)) SeekTo(TargetTime(n));
  } else if (n < 0) {
    // Back through frames just played: from memory, without decoding.
    const double target = TargetTime(n);
    if (graph_.ShowKeptFrame(target))
      run_->OnFrameShownFromMemory(graph_.ShownFrameTime());
    else
      SeekTo(target);
  }
  Timer_TimeTimer(nullptr);
}

void TApp_TOOLBmpCaptureEx::Action_PlayPlayPauseExecute(QObject*) {
  if (!graph_.HasGraph()) {
    Action_FileOpenExecute(nullptr);
  } else if (IsShiftDown()) {
    Action_PlayReplayExecute(nullptr);
  } else if (graph_.State() == TGraphState::kRunning) {
    Action_PlayPauseExecute(nullptr);
  } else {
    Action_PlayPlayExecute(nullptr);
  }
}

void TApp_TOOLBmpCaptureEx::Action_PlayPlayExecute(QObject*) {
  run_->SetPausedByUser(false);
  if (!graph_.HasGraph()) return;
  // Ctrl puts the graph back on the frame on screen first when the two differ.
  if (IsCtrlDown() && std::abs(LastSampleTime() - currentPosition_) > 0.1) SeekTo(LastSampleTime());
  Play();
}

void TApp_TOOLBmpCaptureEx::Play() {
  if (!graph_.HasGraph()) return;
  graph_.Run();
  timerTime_.start();
}

void TApp_TOOLBmpCaptureEx::Action_PlayPauseExecute(QObject*) {
  if (!graph_.HasGraph()) return;
  graph_.Pause();
  Timer_TimeTimer(nullptr);
  run_->SetPausedByUser(true);
}

void TApp_TOOLBmpCaptureEx::Action_PlayStopExecute(QObject*) {
  run_->SetPausedByUser(false);
  timerTime_.stop();
  if (graph_.HasGraph()) {
    graph_.Stop();
    (void)graph_.PutPosition(0);
    graph_.StopWhenReady();
  }
  trackBar_->setValue(0);
}

void TApp_TOOLBmpCaptureEx::Action_PlayReplayExecute(QObject*) {
  if (!graph_.IsOpen()) return;
  SeekTo(0);
  Action_PlayPlayExecute(nullptr);
}

void TApp_TOOLBmpCaptureEx::Action_PlayMuteExecute(QObject*) {
  QAction* mute = Action(ActionId::PlayMute);
  const bool muted = mute->isChecked();
  mute->setIcon(style()->standardIcon(kMuteImages[muteImageIndex_ + (muted ? 1 : 0)]));
  (void)graph_.PutVolume(muted ? -10000 : 0);
}

void TApp_TOOLBmpCaptureEx::Action_PlayRate_10Execute(QObject* sender) {
  if (auto* action = qobject_cast<QAction*>(sender)) action->setChecked(true);
  if (!graph_.IsOpen()) return;
  // The checked rate of the group; 1.0 when none is.
  double rate = 1.0;
  for (const TActionRow& row : ActionRows()) {
    if (row.handler == &TApp_TOOLBmpCaptureEx::Action_PlayRate_10Execute &&
        Action(row.id)->isChecked())
      rate = row.param.value;
  }
  (void)graph_.PutRate(rate);
}

void TApp_TOOLBmpCaptureEx::Action_PlaySkipBackExecute(QObject* sender) {
  const TActionRow* row = RowOf(sender);
  if (!row || !graph_.IsOpen() || seekBusy_) return;
  const TSeekBusyScope busy(seekBusy_);
  const TActionParam& param = row->param;
  const double step = IsShiftDown() ? param.shiftValue : param.value;
  switch (param.from) {
    case TActionParam::From::kStart:
      SeekTo(0);
      break;
    case TActionParam::From::kEnd:
      SeekTo(graph_.Duration());
      break;
    case TActionParam::From::kPausedFrame:
      // Pause first: the step counts from the frame the pause leaves on screen.
      Action_PlayPauseExecute(nullptr);
      SeekTo(LastSampleTime() + step);
      break;
    case TActionParam::From::kShownFrame:
      SeekTo(LastSampleTime() + step);
      break;
  }
}

void TApp_TOOLBmpCaptureEx::Action_PlayFrameBackExecute(QObject* sender) {
  const TActionRow* row = RowOf(sender);
  if (!graph_.IsOpen() || seekBusy_) return;
  const TSeekBusyScope busy(seekBusy_);
  Action_PlayPauseExecute(nullptr);
  int n = row ? static_cast<int>(row->param.value) : 0;
  // With Shift, a whole set.
  if (IsShiftDown()) n *= FrameCount();
  StepFrames(n);
}

void TApp_TOOLBmpCaptureEx::Timer_TimeTimer(QObject*) {
  if (!graph_.IsOpen()) return;
  currentPosition_ = graph_.CurrentPositionOrZero();
  run_->OnPositionPolled(currentPosition_);
  const double last = LastSampleTime();
  if (!seekBusy_ && !trackBar_->Touched()) trackBar_->setValue(static_cast<int>(last * 10));
  if (Action(ActionId::ShowTimeVerbose)->isChecked()) {
    labelTime_->setText(QStringLiteral("[映像%1][音声%2][差%3]%4")
                            .arg(FormatTime(3, last), FormatTime(3, currentPosition_),
                                 FormatTime(3, currentPosition_ - last), QString()));
  } else {
    labelTime_->setText(FormatTime(3, last));
  }
}

void TApp_TOOLBmpCaptureEx::TrackBar1MouseMove(QMouseEvent* event) {
  const QString hint = trackBar_->HintAt(
      static_cast<int>(event->position().x()), event->buttons() & Qt::LeftButton,
      Action(ActionId::PlaySkipBack)->statusTip(), Action(ActionId::PlaySkipNext)->statusTip());
  trackBar_->ShowHint(hint, event->globalPosition().toPoint(), showHints_);
}

void TApp_TOOLBmpCaptureEx::TrackBar1MouseUp(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (!trackBar_->Touched()) return;
  const bool timerWasOn = timerTime_.isActive();
  timerTime_.stop();
  if (trackBar_->ThumbHold()) {
    (void)graph_.PutPosition(trackBar_->value() / 10.0);
    return;
  }
  const int x = static_cast<int>(event->position().x());
  if (trackBar_->LeftOfChannel(x)) {
    Action_PlaySkipBackExecute(Action(ActionId::PlaySkipBack));
    return;
  }
  if (trackBar_->RightOfChannel(x)) {
    Action_PlaySkipBackExecute(Action(ActionId::PlaySkipNext));
    return;
  }
  const double seconds = trackBar_->SecondsAt(x);
  trackBar_->setValue(static_cast<int>(seconds) * 10);
  (void)graph_.PutPosition(seconds);
  Timer_TimeTimer(nullptr);
  if (timerWasOn) timerTime_.start();
}

}  // namespace frivo
