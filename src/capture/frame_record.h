// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <mutex>

#include "imaging/my_bitmap.h"

namespace frivo {

// A captured frame: a 24-bit picture of the video's size and the media time of
// the frame it holds (-1.0 while the slot is empty).
class T_TimeBitmap : public TMyBitmap {
 public:
  T_TimeBitmap() { SetPixelFormat(PixelFormat::kBgr24); }

  // Copies the picture only; the time stays.
  void AssignPicture(const TMyBitmap& other) { TMyBitmap::Assign(other); }

  // The "canvas lock": held while the streaming thread draws into the picture and
  // while the UI thread copies it out.
  [[nodiscard]] std::mutex& Canvas() { return canvas_; }

  // Media time in seconds; -1.0 for an empty slot.
  double Time = -1.0;

 private:
  std::mutex canvas_;
};

}  // namespace frivo
