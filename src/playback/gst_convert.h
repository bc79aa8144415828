// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// Inside the playback layer: decoded frames stay in the decoder's own format
// through the pipeline, and become 24-bit BGR only where a picture is needed —
// a frame a capture takes (full size) and the picture on screen (the panel's
// size). The full-size conversion gives the bytes the videoconvert element
// gives with its defaults, so captured frames are what they always were.

#include <gst/video/video.h>

#include <QImage>
#include <QSize>
#include <cstdint>

namespace frivo::gst {

// One converter, remade when the input format or the output size changes. Not
// shared between threads.
class BgrConverter {
 public:
  BgrConverter() = default;
  BgrConverter(const BgrConverter&) = delete;
  BgrConverter& operator=(const BgrConverter&) = delete;
  ~BgrConverter();

  // Writes `frame` as BGR rows `stride` bytes apart into `out`, at width x
  // height (the frame's own size, or smaller for a picture on screen): top row
  // first, or with `bottomUp` bottom row first, as a device-independent bitmap
  // keeps them. Padding after each row is left as it is.
  bool Convert(const GstVideoFrame& frame, int width, int height, std::uint8_t* out, int stride,
               bool bottomUp = false);
  // A frame held in `buffer` (laid out as `info` or its video meta says) as a
  // picture of `size`, or of its own size when `size` is not valid. A null
  // image when the frame cannot be read or converted.
  [[nodiscard]] QImage Picture(GstBuffer* buffer, const GstVideoInfo& info, QSize size = {});

 private:
  GstVideoConverter* converter_ = nullptr;
  GstVideoInfo in_{};
  int width_ = 0;
  int height_ = 0;
};

}  // namespace frivo::gst
