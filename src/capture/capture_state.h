// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "capture/frame_record.h"

namespace frivo {

// The state a capture run shares between the UI thread and the streaming thread
// that delivers frames. Each field says which thread writes it and what orders
// the hand-over.
struct TCaptureState {
  // The frame records, one per thumbnail. Only the UI thread resizes the list,
  // and only while no run is pending. The streaming thread touches the list only
  // after it has seen a run armed (CaptureIndex >= 0, acquire), and then under
  // RunLock; it writes a record's picture and time under the record's canvas lock.
  std::vector<std::unique_ptr<T_TimeBitmap>> Frames;
  // Slot of the frame list to fill next; -1 when no run is armed. The UI thread
  // arms a run (0, release) after the records are in place; the streaming thread
  // moves it on as it fills slots and sets -1 last (release), and the UI thread
  // reads the records only after it has seen -1 (acquire). The UI thread ends a
  // run early only under RunLock.
  std::atomic<int> CaptureIndex{-1};
  // Held by the streaming thread while it stores a frame of an armed run, and by
  // the UI thread while it ends a run early, so a run ended from the UI thread
  // has no frame half stored.
  std::mutex RunLock;
  // A frame is stored only if its time is at least this. The UI thread writes it
  // before arming a run.
  std::atomic<double> CaptureStartTime{0.0};
  // A run was started and its result is not yet shown. UI thread only.
  bool CapturePending = false;
  // The user left the player paused: a run pauses again when it completes.
  // Written by the UI thread; read by the streaming thread while a run is armed.
  std::atomic<bool> PausedByUser{false};
  // Media time of the last frame the grabber delivered, armed or not. The
  // streaming thread writes it in sample-grabber mode, the position poll in
  // renderer-copy mode.
  std::atomic<double> LastSampleTime{0.0};
  // Copies of the playback state the streaming thread needs; the UI thread
  // writes them at open (Duration, FrameTime) and on every position poll.
  std::atomic<double> CurrentPosition{0.0};
  std::atomic<double> Duration{0.0};
  std::atomic<double> FrameTime{0.0};

  // UI thread only.
  [[nodiscard]] int FrameCount() const { return static_cast<int>(Frames.size()); }
};

}  // namespace frivo
