// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "capture/frame_receiver.h"

#include <QtEndian>
#include <cstring>
#include <mutex>

#include "capture/capture_math.h"
#include "imaging/bmp_format.h"
#include "playback/playback_graph.h"

namespace frivo {

void TGraphCaptureAdapter::Pause() {
  (void)graph_.Pause();
}

namespace {

// Stores the frame into the armed run's next slot when it belongs to the run.
void StoreFrame(TCaptureState& state, ICaptureGraph& graph, double sampleTime,
                const std::uint8_t* rows, long length) {
  const std::lock_guard<std::mutex> run(state.RunLock);
  int index = state.CaptureIndex.load(std::memory_order_acquire);
  // A run the UI thread ended meanwhile leaves the list to it, which may be
  // resizing it already. While a run is armed the list is not resized.
  if (index < 0) return;
  const int count = state.FrameCount();
  if (index >= count) return;
  if (!AtOrAfterThreshold(sampleTime, state.CaptureStartTime.load(), state.FrameTime.load()))
    return;
  T_TimeBitmap& record = *state.Frames[static_cast<std::size_t>(index)];
  {
    const std::lock_guard<std::mutex> canvas(record.Canvas());
    if (rows && length > 0)
      (void)record.CopyBgrRows(rows, static_cast<qsizetype>(length),
                               static_cast<qsizetype>(Rgb24Stride(record.Width())), true);
    record.Time = sampleTime;
  }
  ++index;
  const double nearEnd = state.Duration.load() - 1.5 * state.FrameTime.load();
  if (index >= count || sampleTime > nearEnd) {
    if (state.PausedByUser.load()) graph.Pause();
    index = -1;
  }
  // Last: the UI thread reads the records once it sees -1.
  state.CaptureIndex.store(index, std::memory_order_release);
}

}  // namespace

bool ReceiveFrame(TCaptureState& state, ICaptureGraph& graph, double sampleTime,
                  const std::uint8_t* rows, long length) {
  state.LastSampleTime.store(sampleTime);
  // Without an armed run the records are the UI thread's, which may be resizing
  // them for a new strip width.
  if (state.CaptureIndex.load(std::memory_order_acquire) >= 0)
    StoreFrame(state, graph, sampleTime, rows, length);
  // Hold back only a decoder that runs well ahead of the clock. Every frame
  // reaches the grabber about one frame before the synchronised renderer shows
  // it, so holding back any frame ahead of the polled position at all put the
  // streaming thread to sleep on almost every frame and halved the frames shown.
  return sampleTime > state.CurrentPosition.load() + kHoldBackLead;
}

bool EndRunEarly(TCaptureState& state) {
  const std::lock_guard<std::mutex> run(state.RunLock);
  return state.CaptureIndex.exchange(-1, std::memory_order_acq_rel) >= 0;
}

void PrepareHeadlessRun(TCaptureState& state, const TPlaybackGraph& graph, int count) {
  int width = 0, height = 0;
  graph.VideoSize(&width, &height);
  state.Frames.clear();
  for (int i = 0; i < count; ++i) {
    auto record = std::make_unique<T_TimeBitmap>();
    record->SetSize(width, height);
    state.Frames.push_back(std::move(record));
  }
  state.Duration = graph.Duration();
  state.FrameTime = graph.FrameTime();
  state.CurrentPosition = 1e300;
  state.PausedByUser = true;
}

QByteArray BmpFileFromPackedDib(const std::uint8_t* dib, qsizetype size) {
  if (!dib || size < 40) return {};
  const quint32 headerSize = qFromLittleEndian<quint32>(dib);
  const quint16 bitCount = qFromLittleEndian<quint16>(dib + 14);
  const quint32 colorsUsed = qFromLittleEndian<quint32>(dib + 32);
  if (headerSize < 40 || headerSize > static_cast<quint64>(size)) return {};
  const quint64 colors = colorsUsed != 0 ? colorsUsed : (bitCount <= 8 ? (1u << bitCount) : 0);
  const quint64 offset = 14 + static_cast<quint64>(headerSize) + 4 * colors;
  if (offset > static_cast<quint64>(size) + 14 || size > 0x7fffffff - 14) return {};

  QByteArray file(14, '\0');
  auto* header = reinterpret_cast<uchar*>(file.data());
  qToLittleEndian<quint16>(0x4D42, header);
  qToLittleEndian<quint32>(static_cast<quint32>(size + 14), header + 2);
  qToLittleEndian<quint32>(static_cast<quint32>(offset), header + 10);
  file.append(reinterpret_cast<const char*>(dib), size);
  return file;
}

}  // namespace frivo
