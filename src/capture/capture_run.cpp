// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "capture/capture_run.h"

#include <QLabel>
#include <chrono>
#include <thread>

#include "capture/capture_math.h"
#include "capture/frame_receiver.h"
#include "capture/thumbnail_strip.h"
#include "playback/time_text.h"

namespace frivo {

namespace {

// Media times closer than this are the same frame's.
constexpr double kTimeEpsilon = 1e-6;

QString TimeLabel(double time) {
  return time >= 0 ? FormatTime(3, time) : QString();
}

// The player as the frame handler sees it on the streaming thread.
class TStreamPause final : public ICaptureGraph {
 public:
  explicit TStreamPause(ICapturePlayer& player) : player_(player) {}
  void Pause() override { player_.PauseFromStream(); }

 private:
  ICapturePlayer& player_;
};

}  // namespace

TCaptureRun::TCaptureRun(ICapturePlayer& player, TThumbnailStrip& strip, QObject* parent)
    : QObject(parent), player_(player), strip_(strip) {
  timerCapture_.setObjectName(QStringLiteral("Timer_Capture"));
  timerCapture_.setInterval(30);
  connect(&timerCapture_, &QTimer::timeout, this, &TCaptureRun::Timer_CaptureTimer);
}

TCaptureRun::~TCaptureRun() = default;

void TCaptureRun::OnFrame(double sampleTime, const std::uint8_t* rows, long length) {
  TStreamPause graph(player_);
  if (ReceiveFrame(state_, graph, sampleTime, rows, length))
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  Q_EMIT FrameSeen();
}

bool TCaptureRun::CanCapture() const {
  if (!player_.IsOpen() || state_.Frames.empty()) return false;
  const T_TimeBitmap& first = *state_.Frames.front();
  return first.Width() > 0 && first.Height() > 0;
}

double TCaptureRun::FrameTimeOf(int index) const {
  if (index < 0 || index >= FrameCount()) return -1.0;
  return state_.Frames[static_cast<std::size_t>(index)]->Time;
}

void TCaptureRun::Capture(TCaptureCommand command, bool shift) {
  if (!CanCapture()) return;
  const int count = FrameCount();
  const double frame = player_.FrameTime();
  const double duration = player_.Duration();
  switch (command) {
    case TCaptureCommand::kPrevious:
      StartAt(shift ? -2 * (count + 1) : -(count + 1), FrameTimeOf(0));
      break;
    case TCaptureCommand::kNext:
      if (duration - count * frame >= LastSampleTime()) {
        std::vector<double> times;
        for (const auto& record : state_.Frames) times.push_back(record->Time);
        StartAt(shift ? count + 2 : 1, NextSetBase(times));
      } else {
        StartAt(-count, duration);
      }
      break;
    case TCaptureCommand::kNow:
      if (!player_.IsPlaying()) {
        // The frame on screen was delivered before the run could be armed: go
        // back to just before it, so "the current frame" is the first one captured.
        player_.PollPosition();
        StartAt(0, LastSampleTime());
      } else if (NearEnd(duration, count, frame, LastSampleTime())) {
        StartAt(-count, duration);
      }
      break;
  }
  Run();
}

void TCaptureRun::CaptureFromThumbnail(int index, bool shift) {
  if (!CanCapture() || index < 0 || index >= FrameCount()) return;
  const TCaptureStart start = CaptureStart(shift ? -FrameCount() : 0, FrameTimeOf(index),
                                           player_.FrameTime(), player_.FrameTimes());
  SeekAndRun(start.threshold, start.seekTarget);
}

void TCaptureRun::CaptureFrom(double seconds) {
  if (!CanCapture()) return;
  StartAt(0, seconds);
  Run();
}

void TCaptureRun::StartAt(int n, double base) {
  const TCaptureStart start = CaptureStart(n, base, player_.FrameTime(), player_.FrameTimes());
  state_.CaptureStartTime = start.threshold;
  // The run pauses the player again once the set is complete.
  player_.PauseForRun();
  state_.PausedByUser = true;
  player_.SeekTo(start.seekTarget, [this] { Arm(); });
  armedBySeek_ = true;
}

void TCaptureRun::SeekAndRun(double threshold, double target) {
  state_.CaptureStartTime = threshold;
  player_.SeekTo(target, [this] { Arm(); });
  armedBySeek_ = true;
  Run();
}

void TCaptureRun::Arm() {
  // The records stay as they are until the run ends.
  state_.CapturePending = true;
  lastPictureTime_ = -1;
  sampleSeen_.invalidate();
  state_.CaptureIndex.store(0, std::memory_order_release);
}

// Locks the controls and starts playing for the run where needed.
void TCaptureRun::Run() {
  if (!CanCapture()) return;
  // A run armed by its seek is already collecting the frames the seek delivered.
  if (!armedBySeek_) Arm();
  armedBySeek_ = false;
  strip_.setEnabled(false);
  Q_EMIT LockChanged(true);
  if (player_.UsesSampleGrabber()) {
    // A paused player plays for the run and pauses again when it is complete.
    if (PausedByUser()) player_.PlayForRun();
  } else {
    timerCapture_.start();
    player_.PlayForRun();
  }
}

void TCaptureRun::Cancel() {
  timerCapture_.stop();
  armedBySeek_ = false;
  (void)EndRunEarly(state_);
  if (!state_.CapturePending) return;
  state_.CapturePending = false;
  Finish(false);
}

void TCaptureRun::SetPausedByUser(bool paused) {
  state_.PausedByUser = paused;
}

void TCaptureRun::MediaOpened() {
  state_.Duration.store(player_.Duration());
  state_.FrameTime.store(player_.FrameTime());
}

void TCaptureRun::OnPositionPolled(double position) {
  state_.CurrentPosition.store(position);
  if (!player_.UsesSampleGrabber()) state_.LastSampleTime.store(position);
  EndRunAtMediaEnd();
  if (state_.CapturePending && state_.CaptureIndex.load(std::memory_order_acquire) == -1)
    CollectCapturedFrames();
}

void TCaptureRun::OnFrameShownFromMemory(double time) {
  state_.LastSampleTime.store(time);
}

void TCaptureRun::EndRunAtMediaEnd() {
  // The length of a file is that of its longest stream; when the sound runs on
  // after the last picture, a run near the end would wait for frames that never
  // come and keep every command locked. Once the clock has passed the last
  // frame, the run ends with what it has.
  if (!player_.UsesSampleGrabber() || !state_.CapturePending) return;
  if (state_.CaptureIndex.load(std::memory_order_acquire) < 0) return;
  // A new frame means the video goes on; the run ends only after half a second
  // without one while the clock stands at the end.
  if (LastSampleTime() != lastSeenSample_ || !sampleSeen_.isValid()) {
    lastSeenSample_ = LastSampleTime();
    sampleSeen_.start();
    return;
  }
  const double frame = player_.FrameTime();
  if (sampleSeen_.elapsed() < 500) return;
  if (state_.CurrentPosition.load() < player_.Duration() - frame) return;
  if (!AtOrAfterThreshold(LastSampleTime(), state_.CaptureStartTime.load(), frame)) return;
  if (PausedByUser()) player_.PauseFromStream();
  (void)EndRunEarly(state_);
}

void TCaptureRun::CollectCapturedFrames() {
  if (player_.UsesSampleGrabber()) {
    for (int i = 0; i < FrameCount(); ++i) {
      TThumbnailImage* image = strip_.Image(i);
      QLabel* label = strip_.Label(i);
      if (!image || !label) continue;
      T_TimeBitmap& record = *state_.Frames[static_cast<std::size_t>(i)];
      const std::lock_guard<std::mutex> lock(record.Canvas());
      image->SetPicture(record.Image().copy());
      label->setText(TimeLabel(record.Time));
    }
  }
  state_.CapturePending = false;
  Finish(true);
}

void TCaptureRun::Finish(bool completed) {
  state_.CaptureStartTime = -1.0;
  if (completed) hasSet_ = true;
  strip_.setEnabled(true);
  Q_EMIT LockChanged(false);
  if (completed) Q_EMIT SetReady();
  if (deferredCount_ >= 0) {
    const int count = deferredCount_;
    deferredCount_ = -1;
    ApplyThumbnailCount(count);
  }
}

void TCaptureRun::Timer_CaptureTimer() {
  if (player_.UsesSampleGrabber() || !state_.CapturePending) {
    timerCapture_.stop();
    return;
  }
  const int index = state_.CaptureIndex.load(std::memory_order_acquire);
  if (index > FrameCount() - 1 || index < 0) {
    timerCapture_.stop();
    state_.CaptureIndex.store(-1, std::memory_order_release);
    player_.PollPosition();
    if (PausedByUser()) player_.PauseForRun();
    return;
  }
  if (GrabRendererImage()) state_.CaptureIndex.store(index + 1, std::memory_order_release);
}

bool TCaptureRun::GrabRendererImage() {
  const int index = state_.CaptureIndex.load(std::memory_order_acquire);
  TThumbnailImage* image = strip_.Image(index);
  QLabel* label = strip_.Label(index);
  if (!image || !label || index < 0 || index >= FrameCount()) return false;
  std::vector<std::uint8_t> dib;
  double pictureTime = -1;
  if (!player_.RendererPicture(&dib, &pictureTime)) return false;
  // While the graph is still starting, the renderer shows the same picture for
  // several ticks: each slot waits for a newer frame than the slot before.
  if (index > 0 && pictureTime <= lastPictureTime_ + kTimeEpsilon) return false;
  if (index == 0 &&
      !AtOrAfterThreshold(pictureTime, state_.CaptureStartTime.load(), player_.FrameTime()))
    return false;
  const QByteArray file = BmpFileFromPackedDib(dib.data(), static_cast<qsizetype>(dib.size()));
  const double time = player_.ClockPosition();
  T_TimeBitmap& record = *state_.Frames[static_cast<std::size_t>(index)];
  {
    const std::lock_guard<std::mutex> lock(record.Canvas());
    if (!record.LoadFromBmpData(file)) return false;
    record.Time = time;
  }
  lastPictureTime_ = pictureTime;
  state_.LastSampleTime.store(time);
  image->SetPicture(record.Image());
  label->setText(TimeLabel(time));
  return true;
}

void TCaptureRun::SizeRecords(int width, int height) {
  const QSize size(width, height);
  for (int i = 0; i < FrameCount(); ++i) {
    T_TimeBitmap& record = *state_.Frames[static_cast<std::size_t>(i)];
    if (record.Width() != width || record.Height() != height) {
      record.SetSize(width, height);
      record.Time = -1.0;
    }
    TThumbnailImage* image = strip_.Image(i);
    if (image && image->Picture().size() != size) {
      QImage blank(size, QImage::Format_BGR888);
      blank.fill(Qt::black);
      image->SetPicture(blank);
    }
  }
}

void TCaptureRun::DiscardRecords() {
  strip_.ClearAll();
  for (auto& record : state_.Frames) {
    record->SetSize(0, 0);
    record->Time = -1.0;
  }
  hasSet_ = false;
  strip_.Highlight(-1);
  strip_.hide();
  strip_.show();
  strip_.setEnabled(false);
}

void TCaptureRun::MediaClosed() {
  Cancel();
  state_.PausedByUser = false;
  state_.CaptureStartTime = 0;
  state_.CurrentPosition.store(0);
  state_.LastSampleTime.store(0);
}

void TCaptureRun::SetThumbnailCount(int count) {
  // No record may be freed or moved while a run can still write into it.
  if (state_.CapturePending) {
    deferredCount_ = count;
    return;
  }
  deferredCount_ = -1;
  ApplyThumbnailCount(count);
}

void TCaptureRun::ApplyThumbnailCount(int count) {
  strip_.SetCount(count);
  ResizeFrameRecords(strip_.Count());
  Q_EMIT FrameCountChanged(FrameCount());
}

void TCaptureRun::ResizeFrameRecords(int count) {
  auto& frames = state_.Frames;
  const std::size_t old = frames.size();
  while (frames.size() < static_cast<std::size_t>(count)) {
    auto record = std::make_unique<T_TimeBitmap>();
    // A new slot starts as a copy of the last frame of the existing set.
    if (old > 0) {
      const T_TimeBitmap& last = *frames[old - 1];
      record->AssignPicture(last);
      record->Time = last.Time;
    }
    frames.push_back(std::move(record));
  }
  frames.resize(static_cast<std::size_t>(std::max(count, 0)));
}

}  // namespace frivo
