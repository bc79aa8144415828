// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "capture/frame_record.h"

namespace frivo {

// The state a capture run shares between the UI thread and the streaming thread
// that delivers frames.
struct TCaptureState {
  // The frame records, one per thumbnail. Only the UI thread resizes the list,
  // and never while a run is armed; during a run the streaming thread writes
  // the records (each picture under its canvas lock).
  std::vector<std::unique_ptr<T_TimeBitmap>> Frames;
  // Slot of the frame list to fill next; -1 when no run is in progress.
  // Written by the UI thread to arm a run and by the streaming thread as it fills
  // slots; the streaming thread sets -1 last (release), and the UI thread reads
  // the records only after it has seen -1 (acquire).
  std::atomic<int> CaptureIndex{-1};
  // A frame is stored only if its time is at least this. The UI thread writes it
  // before arming a run.
  std::atomic<double> CaptureStartTime{0.0};
  // A run was started and its result is not yet shown. UI thread only.
  bool CapturePending = false;
  // The user left the player paused: a run pauses again when it completes.
  // Written by the UI thread; read by the streaming thread while a run is armed.
  std::atomic<bool> PausedByUser{false};
  // Media time of the last frame the grabber delivered, armed or not. The
  // streaming thread writes it in sample-grabber mode, the position timer in
  // renderer-copy mode.
  std::atomic<double> LastSampleTime{0.0};
  // Copies of the playback state the streaming thread needs; the UI thread
  // writes them at open (Duration, FrameTime) and on every position poll.
  std::atomic<double> CurrentPosition{0.0};
  std::atomic<double> Duration{0.0};
  std::atomic<double> FrameTime{0.0};

  [[nodiscard]] int FrameCount() const { return static_cast<int>(Frames.size()); }
};

}  // namespace frivo
