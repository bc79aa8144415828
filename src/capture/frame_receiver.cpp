// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "capture/frame_receiver.h"

#include <QtEndian>
#include <cstring>
#include <mutex>

#include "capture/capture_math.h"
#include "playback/media_type.h"
#include "playback/playback_graph.h"

namespace frivo {

bool TGraphCaptureAdapter::GetCurrentBuffer(LONG size, BYTE* buffer) {
  if (!graph_.Grabber) return false;
  LONG length = size;
  return SUCCEEDED(graph_.Grabber->GetCurrentBuffer(&length, buffer));
}

void TGraphCaptureAdapter::Pause() {
  graph_.Pause();
}

bool ReceiveFrame(TCaptureState& state, ICaptureGraph& graph, std::vector<BYTE>& still,
                  double sampleTime, const BYTE* buffer, LONG bufferLen) {
  state.LastSampleTime.store(sampleTime);
  const int count = state.FrameCount();
  const int armed = state.CaptureIndex.load(std::memory_order_acquire);
  int index = armed;
  if (index >= 0 && index < count) {
    if (bufferLen > 0 && static_cast<std::size_t>(bufferLen) != still.size())
      still.resize(static_cast<std::size_t>(bufferLen));
    if (AtOrAfterThreshold(sampleTime, state.CaptureStartTime.load(), state.FrameTime.load())) {
      T_TimeBitmap& record = *state.Frames[static_cast<std::size_t>(index)];
      // A failed copy keeps the record's old picture; it still gets the new time.
      bool copied = false;
      if (buffer && bufferLen > 0) {
        std::memcpy(still.data(), buffer, static_cast<std::size_t>(bufferLen));
        copied = true;
      } else {
        copied = graph.GetCurrentBuffer(static_cast<LONG>(still.size()), still.data());
      }
      if (copied) {
        const std::lock_guard<std::mutex> lock(record.Canvas());
        (void)record.CopyBgrRows(still.data(), static_cast<qsizetype>(still.size()),
                                 static_cast<qsizetype>(Rgb24Stride(record.Width())), true);
      }
      record.Time = sampleTime;
      ++index;
      const double nearEnd = state.Duration.load() - 1.5 * state.FrameTime.load();
      if (index >= count || sampleTime > nearEnd) {
        if (state.PausedByUser.load()) graph.Pause();
        index = -1;
      }
      // Last: the UI thread reads the records once it sees -1. The UI thread may
      // have ended the run meanwhile (the clock stood at the end); a plain store
      // would arm it again, so the slot moves on only if the run is still ours.
      int expected = armed;
      (void)state.CaptureIndex.compare_exchange_strong(expected, index, std::memory_order_release,
                                                       std::memory_order_relaxed);
    }
  }
  // Hold back only a decoder that runs well ahead of the clock. Every frame
  // reaches the grabber about one frame before the synchronised renderer shows
  // it, so holding back any frame ahead of the polled position at all put the
  // streaming thread to sleep on almost every frame and halved the frames shown.
  return sampleTime > state.CurrentPosition.load() + kHoldBackLead;
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
  state.Duration = graph.Duration;
  state.FrameTime = graph.FrameTime;
  state.CurrentPosition = 1e300;
  state.PausedByUser = true;
}

QByteArray BmpFileFromPackedDib(const BYTE* dib, qsizetype size) {
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
