// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/player_harness.h"

#include <cmath>
#include <cstring>
#include <string>

#include "playback/frame_math.h"
#include "playback/media_type.h"

namespace frivo::test {

HRESULT FrameRecorder::BufferCB(double sampleTime, BYTE* buffer, LONG length) {
  ++inCall_;
  ++calls_;
  GrabbedFrame frame;
  frame.time = sampleTime;
  frame.length = length;
  if (buffer && width_ > 0 && height_ > 0 && length >= Rgb24Stride(width_) * height_) {
    frame.code =
        ReadFrameCode(buffer, width_, height_, static_cast<int>(Rgb24Stride(width_)), 3, true);
  }
  {
    std::lock_guard lock(mutex_);
    frames_.push_back(frame);
  }
  changed_.notify_all();
  if (onFrame) onFrame();
  --inCall_;
  return S_OK;
}

std::vector<GrabbedFrame> FrameRecorder::Frames() const {
  std::lock_guard lock(mutex_);
  return frames_;
}

void FrameRecorder::Clear() {
  std::lock_guard lock(mutex_);
  frames_.clear();
}

bool FrameRecorder::WaitUntil(const std::function<bool(const std::vector<GrabbedFrame>&)>& done,
                              std::chrono::steady_clock::duration limit) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [&] { return done(frames_); });
}

Player::~Player() {
  if (grabber) (void)grabber->SetCallback(nullptr, 1);
  if (graph) DisconnectAll(graph.Get());
}

void Player::Open(const QString& path, bool withGrabber, AudioOutput audio) {
  SetAudioOutput(audio);
  (void)CreateFilterGraph(&graph);
  (void)AddVideoRendererVmr9(&renderer, graph.Get());
  if (withGrabber) {
    (void)AddSampleGrabberWithInterface(&grabberFilter, &grabber, graph.Get());
    AM_MEDIA_TYPE type;
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    type.formattype = FORMAT_VideoInfo;
    (void)grabber->SetMediaType(&type);
  }
  renderResult = graph->RenderFile(path, QString());
  (void)QueryInterface<IMediaControl>(graph, &control);
  (void)QueryInterface<IMediaPosition>(graph, &position);
  (void)QueryInterface<IBasicVideo>(graph, &video);
  (void)QueryInterface<IVideoFrameStep>(graph, &step);
  if (FAILED(renderResult)) return;
  LONG w = 0;
  LONG h = 0;
  (void)video->get_VideoWidth(&w);
  (void)video->get_VideoHeight(&h);
  width = w;
  height = h;
  recorder.SetSize(width, height);
  if (grabber) {
    (void)grabber->SetCallback(&recorder, 1);
    (void)grabber->SetBufferSamples(true);
  }
}

int Player::ShownCode() const {
  LONG size = 0;
  if (FAILED(video->GetCurrentImage(&size, nullptr)) || size <= 40) return -1;
  std::vector<BYTE> dib(static_cast<size_t>(size));
  if (FAILED(video->GetCurrentImage(&size, dib.data()))) return -1;
  BITMAPINFOHEADER header;
  std::memcpy(&header, dib.data(), sizeof header);
  return ReadFrameCode(dib.data() + sizeof header, header.biWidth, header.biHeight,
                       static_cast<int>(Rgb24Stride(header.biWidth)), 3, true);
}

double Player::Position() const {
  double seconds = -1;
  (void)position->get_CurrentPosition(&seconds);
  return seconds;
}

void Player::PauseAndSettle() const {
  (void)control->Pause();
  OAFilterState state = State_Stopped;
  (void)control->GetState(static_cast<LONG>(20000), &state);
}

double FrameStart(const FixtureInfo& info, int n) {
  return static_cast<double>(FrameStartNs(info, n)) / 1e9;
}

double FrameLength(const FixtureInfo& info) {
  return static_cast<double>(info.fpsDen) / info.fpsNum;
}

std::string WrongTimes(const FixtureInfo& info, const std::vector<GrabbedFrame>& frames) {
  std::string text;
  for (const GrabbedFrame& frame : frames) {
    if (frame.code >= 0 && std::abs(frame.time - FrameStart(info, frame.code)) <= kTimeTolerance)
      continue;
    text += std::to_string(frame.code) + "@" + std::to_string(frame.time) + " ";
  }
  return text;
}

}  // namespace frivo::test
