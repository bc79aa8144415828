// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// A graph built the way the program builds one (renderer, RGB24 sample grabber,
// RenderFile, buffer callback), with a callback that records every frame's time
// and frame code. Waits are on conditions with generous deadlines; nothing here
// measures time.

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "fixtures/barcode.h"
#include "fixtures/fixtures.h"
#include "playback/graph_builder.h"
#include "playback/interfaces.h"

namespace frivo::test {

inline constexpr auto kDeadline = std::chrono::seconds(20);

struct GrabbedFrame {
  double time = -1;
  int code = -1;
  long length = 0;
};

// Records frames on the streaming thread. Not reference-counted: the test owns it.
class FrameRecorder final : public ISampleGrabberCB {
 public:
  HRESULT QueryInterface(const IID& iid, void** object) override {
    if (!object) return E_POINTER;
    *object = (iid == ISampleGrabberCB::kIid || iid == IUnknown::kIid) ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT SampleCB(double, IMediaSample*) override { return E_NOTIMPL; }
  HRESULT BufferCB(double sampleTime, BYTE* buffer, LONG length) override;

  void SetSize(int width, int height) {
    width_ = width;
    height_ = height;
  }
  // Runs inside every call, after the frame is recorded (on the streaming thread).
  std::function<void()> onFrame;

  [[nodiscard]] std::vector<GrabbedFrame> Frames() const;
  void Clear();
  // Waits until `done(frames)` holds; false at the deadline.
  bool WaitUntil(const std::function<bool(const std::vector<GrabbedFrame>&)>& done,
                 std::chrono::steady_clock::duration limit = kDeadline) const;
  [[nodiscard]] int CallsInProgress() const { return inCall_.load(); }
  [[nodiscard]] long Calls() const { return calls_.load(); }

 private:
  int width_ = 0;
  int height_ = 0;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<GrabbedFrame> frames_;
  std::atomic<int> inCall_{0};
  std::atomic<long> calls_{0};
};

// The graph of one opened file.
struct Player {
  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> renderer;
  ComPtr<IBaseFilter> grabberFilter;
  ComPtr<ISampleGrabber> grabber;
  ComPtr<IMediaControl> control;
  ComPtr<IMediaPosition> position;
  ComPtr<IBasicVideo> video;
  ComPtr<IVideoFrameStep> step;
  FrameRecorder recorder;
  HRESULT renderResult = E_FAIL;
  int width = 0;
  int height = 0;

  Player() = default;
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;
  ~Player();

  // Builds the graph for `path`; renderResult tells how RenderFile went.
  void Open(const QString& path, bool withGrabber = true, AudioOutput audio = AudioOutput::kSilent);

  // The frame on screen read from GetCurrentImage: its code, -1 when unreadable.
  [[nodiscard]] int ShownCode() const;
  [[nodiscard]] double Position() const;
  // Pauses and waits until the state change is done.
  void PauseAndSettle() const;
};

// Times of a fixture's frames in seconds.
[[nodiscard]] double FrameStart(const FixtureInfo& info, int n);
[[nodiscard]] double FrameLength(const FixtureInfo& info);

// Frames of `frames` whose code is not the one their time says, as "code@time" items.
[[nodiscard]] std::string WrongTimes(const FixtureInfo& info,
                                     const std::vector<GrabbedFrame>& frames);

}  // namespace frivo::test
