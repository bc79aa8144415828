// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/sample_grabber_cb.h"

namespace frivo {

HRESULT T_MySampleGrabberCB::QueryInterface(const IID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IUnknown::kIid || iid == ISampleGrabberCB::kIid) {
    *object = static_cast<ISampleGrabberCB*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT T_MySampleGrabberCB::SampleCB(double, IMediaSample*) {
  // The grabber is always set to the buffer method.
  return E_NOTIMPL;
}

HRESULT T_MySampleGrabberCB::BufferCB(double sampleTime, BYTE* buffer, LONG bufferLen) {
  if (handler_) handler_(sampleTime, buffer, bufferLen);
  return S_OK;
}

}  // namespace frivo
