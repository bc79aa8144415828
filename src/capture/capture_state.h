// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <atomic>

namespace frivo {

// The state a capture run shares between the UI thread and the streaming thread
// that delivers frames.
struct TCaptureState {
  // Slot of the frame list to fill next; -1 when no run is in progress.
  // Written by the UI thread to arm a run and by the streaming thread as it fills
  // slots; the streaming thread sets -1 last (release), and the UI thread reads
  // the records only after it has seen -1 (acquire).
  std::atomic<int> CaptureIndex{-1};
  // A frame is stored only if its time is at least this. UI thread writes it
  // before arming a run; the streaming thread writes -1.0 when a run completes.
  std::atomic<double> CaptureStartTime{0.0};
  // A run was started and its result is not yet shown. UI thread only.
  bool CapturePending = false;
  // The user left the player paused: a run pauses again when it completes.
  // Written by the UI thread; read by the streaming thread while a run is armed.
  std::atomic<bool> PausedByUser{false};
  // Media time of the last frame the grabber delivered, armed or not. The
  // streaming thread writes it; the position display reads it.
  std::atomic<double> LastSampleTime{0.0};
};

}  // namespace frivo
