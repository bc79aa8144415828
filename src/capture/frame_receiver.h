// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QByteArray>
#include <cstdint>

#include "capture/capture_state.h"

namespace frivo {

class TPlaybackGraph;

// What the frame handler needs of the open graph, called on the streaming thread.
class ICaptureGraph {
 public:
  virtual ~ICaptureGraph() = default;
  virtual void Pause() = 0;
};

// The playback graph seen by the frame handler.
class TGraphCaptureAdapter final : public ICaptureGraph {
 public:
  explicit TGraphCaptureAdapter(const TPlaybackGraph& graph) : graph_(graph) {}
  void Pause() override;

 private:
  const TPlaybackGraph& graph_;
};

// How far a frame may run ahead of the polled position before the streaming
// thread is held back (seconds).
inline constexpr double kHoldBackLead = 0.1;

// One delivered frame (streaming thread). Records the frame's time as the last
// one seen; while a run is armed, stores every frame at or after the run's
// threshold into the next record with its time, and ends the run when the set
// is full or the end of the media is near (pausing the player again when the
// user had paused it). `rows` are the frame's bottom-up 24-bit rows; a frame
// without rows keeps the record's old picture and still takes its slot.
// Returns true when the frame is more than kHoldBackLead ahead of the polled
// position, so the caller holds the streaming thread back for a moment.
[[nodiscard]] bool ReceiveFrame(TCaptureState& state, ICaptureGraph& graph, double sampleTime,
                                const std::uint8_t* rows, long length);

// Ends an armed run where it stands (UI thread). Returns once no frame of the
// run is being stored; false when no run was armed.
bool EndRunEarly(TCaptureState& state);

// Prepares `state` for a headless run of `count` frames of `graph`'s video: empty
// records of the video's size, the graph's length and frame time, frames taken
// as fast as they decode (no hold-back), and the graph paused once the set is full.
void PrepareHeadlessRun(TCaptureState& state, const TPlaybackGraph& graph, int count);

// A BMP file image made from a packed DIB (header, colour table, rows) by putting
// the 14-byte file header in front. Empty when the DIB header is not sound.
[[nodiscard]] QByteArray BmpFileFromPackedDib(const std::uint8_t* dib, qsizetype size);

}  // namespace frivo
