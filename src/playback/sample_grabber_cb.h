// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <functional>

#include "playback/interfaces.h"

namespace frivo {

// The grabber's callback object. It forwards every delivered frame to the
// owner's frame handler on the streaming thread. The window owns it for the
// whole run; graphs only borrow it, and it is not reference counted.
class T_MySampleGrabberCB final : public ISampleGrabberCB {
 public:
  // Called on the streaming thread with the frame's media time (seconds) and its
  // bottom-up 24-bit rows. The handler must not touch widgets.
  using FrameHandler = std::function<void(double sampleTime, const BYTE* buffer, LONG bufferLen)>;

  // Whether the handler will use the picture of the frame at a time; without
  // one it always will.
  using PictureWanted = std::function<bool(double sampleTime)>;

  explicit T_MySampleGrabberCB(FrameHandler handler) : handler_(std::move(handler)) {}
  // Only while no grabber calls this object.
  void SetHandler(FrameHandler handler, PictureWanted wanted = {}) {
    handler_ = std::move(handler);
    wanted_ = std::move(wanted);
  }

  HRESULT QueryInterface(const IID& iid, void** object) override;
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }

  HRESULT SampleCB(double sampleTime, IMediaSample* sample) override;
  HRESULT BufferCB(double sampleTime, BYTE* buffer, LONG bufferLen) override;
  bool WantsBuffer(double sampleTime) override { return !wanted_ || wanted_(sampleTime); }

 private:
  FrameHandler handler_;
  PictureWanted wanted_;
};

}  // namespace frivo
