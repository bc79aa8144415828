// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "capture/capture_state.h"

namespace frivo {

class TThumbnailStrip;

// What a capture run needs of the player. The window implements it over the
// playback graph; the tests over a fake. UI thread, except PauseFromStream.
class ICapturePlayer {
 public:
  virtual ~ICapturePlayer() = default;
  [[nodiscard]] virtual bool IsOpen() const = 0;
  // Frames come through the sample grabber (else they are copied from the
  // renderer on a timer).
  [[nodiscard]] virtual bool UsesSampleGrabber() const = 0;
  [[nodiscard]] virtual bool IsPlaying() const = 0;
  [[nodiscard]] virtual double Duration() const = 0;
  [[nodiscard]] virtual double FrameTime() const = 0;
  // Unevenly spaced video: every frame's media time in order (sets are counted
  // in frames by them); empty for constant-rate video.
  [[nodiscard]] virtual std::span<const double> FrameTimes() const = 0;
  // Play and pause for a run; neither changes what the user asked for. The
  // pause reads the position of the frame it leaves on screen.
  virtual void PlayForRun() = 0;
  virtual void PauseForRun() = 0;
  // Pauses the graph only; any thread (the streaming thread when a set is complete).
  virtual void PauseFromStream() = 0;
  // Seeks (clamped, keeping the running state). `beforeFrames` runs once no
  // frame passes the grabber any more and before the seek delivers its first.
  virtual void SeekTo(double seconds, const std::function<void()>& beforeFrames) = 0;
  // Reads the position now, as the position timer does.
  virtual void PollPosition() = 0;
  // The clock position (seconds).
  [[nodiscard]] virtual double ClockPosition() const = 0;
  // The picture on screen as a packed DIB and the media time of its frame; false
  // when there is none or it changed while it was copied.
  [[nodiscard]] virtual bool RendererPicture(std::vector<std::uint8_t>* dib,
                                             double* pictureTime) = 0;
};

// The kinds of capture run the commands start.
enum class TCaptureCommand {
  kNow,       // from the frame on screen (or the playing video)
  kPrevious,  // the set before the captured one
  kNext,      // the set after the captured one
};

// The capture run: from a command to a finished set of frames in the thumbnail
// strip. It owns the records and the state shared with the streaming thread
// (see TCaptureState), arms runs before the seeks that start them, collects
// finished sets on the position poll, ends a run the end of the media leaves
// short, and in renderer-copy mode takes the frames from the renderer on
// Timer_Capture. The window turns its commands into calls here and follows the
// signals to lock and unlock its controls.
class TCaptureRun : public QObject {
  Q_OBJECT

 public:
  TCaptureRun(ICapturePlayer& player, TThumbnailStrip& strip, QObject* parent = nullptr);
  ~TCaptureRun() override;

  // ---- Streaming thread ------------------------------------------------------
  // The grabber's frame handler: every decoded frame with its media time and its
  // bottom-up 24-bit rows. May sleep (the hold-back); never touches widgets.
  void OnFrame(double sampleTime, const std::uint8_t* rows, long length);

  // ---- Commands (UI thread) --------------------------------------------------
  // Whether a run can start: media is open and the records have the video's size.
  [[nodiscard]] bool CanCapture() const;
  // A capture command; `shift` doubles the distance of the previous and next sets.
  void Capture(TCaptureCommand command, bool shift);
  // A thumbnail's double click: the set from that frame on; with Shift, the set
  // that ends just before it.
  void CaptureFromThumbnail(int index, bool shift);
  // The set from the frame at `seconds` on (the command line's start time).
  void CaptureFrom(double seconds);
  // Starts a run from the frames that come next, without seeking.
  void Run();
  // Ends a run where it stands (close, open, the grabber toggle); the run's
  // locks are lifted and a put-off strip rebuild happens.
  void Cancel();
  // The user played (false) or paused (true); a run started from a paused
  // player pauses it again when complete.
  void SetPausedByUser(bool paused);

  // ---- Media and records (UI thread) -----------------------------------------
  // A file was opened; its length and frame time count from now on.
  void MediaOpened();
  // The file was closed: any run ends and the positions start again from 0.
  void MediaClosed();
  // Gives every record the video's size; a record that changes size is emptied.
  void SizeRecords(int width, int height);
  // Empties every record and thumbnail.
  void DiscardRecords();
  // Sets the number of thumbnails and records, or puts it off until the run
  // ends while one is pending. Emits FrameCountChanged.
  void SetThumbnailCount(int count);
  // The position timer's tick: hands the position to the streaming thread, ends
  // a run the media's end has left short and collects a finished run.
  void OnPositionPolled(double position);
  // A frame came on screen without passing the grabber (from the player's
  // memory of frames shown lately): steps count from it.
  void OnFrameShownFromMemory(double time);
  // Whether a frame arriving now is taken, so its picture is needed (a run is
  // armed). Any thread.
  [[nodiscard]] bool WantsPictures() const {
    return state_.CaptureIndex.load(std::memory_order_acquire) >= 0;
  }

  // ---- State -----------------------------------------------------------------
  [[nodiscard]] bool Pending() const { return state_.CapturePending; }
  [[nodiscard]] bool HasSet() const { return hasSet_; }
  [[nodiscard]] int FrameCount() const { return state_.FrameCount(); }
  [[nodiscard]] double LastSampleTime() const { return state_.LastSampleTime.load(); }
  [[nodiscard]] bool PausedByUser() const { return state_.PausedByUser.load(); }
  // The time of the frame in record `index`; -1 for none.
  [[nodiscard]] double FrameTimeOf(int index) const;
  [[nodiscard]] TCaptureState& State() { return state_; }
  [[nodiscard]] QTimer& CaptureTimer() { return timerCapture_; }

 Q_SIGNALS:
  // A run started (true) or ended however it ended (false): the controls a run
  // locks follow.
  void LockChanged(bool locked);
  // A run finished and its frames are in the strip.
  void SetReady();
  // The strip holds `count` thumbnails now.
  void FrameCountChanged(int count);
  // A frame passed the grabber (queued to the UI thread; the position timer
  // follows playback by it).
  void FrameSeen();

 private:
  // Sets the threshold n frames away from `base` and seeks there, arming the
  // run right before the seek.
  void StartAt(int n, double base);
  // Seeks to `target` for a run from `threshold` on and starts it.
  void SeekAndRun(double threshold, double target);
  void Arm();
  void EndRunAtMediaEnd();
  void CollectCapturedFrames();
  void Finish(bool completed);
  void Timer_CaptureTimer();
  // Copies the renderer's picture into the current slot; false when it is not
  // yet a newer frame than the slot before.
  bool GrabRendererImage();
  void ResizeFrameRecords(int count);
  void ApplyThumbnailCount(int count);

  ICapturePlayer& player_;
  TThumbnailStrip& strip_;
  TCaptureState state_;
  QTimer timerCapture_;
  // Set by the seek that starts a run; the run is then collecting already.
  bool armedBySeek_ = false;
  // A set was captured since the records were last emptied.
  bool hasSet_ = false;
  // A strip size asked for while a run was pending; -1 for none.
  int deferredCount_ = -1;
  // When the frame time last changed, for ending a run at the media's end.
  double lastSeenSample_ = -1;
  QElapsedTimer sampleSeen_;
  // Renderer-copy mode: the media time of the picture in the last slot taken.
  double lastPictureTime_ = -1;
};

}  // namespace frivo
