// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QByteArray>

#include "imaging/my_bitmap.h"

namespace frivo {

// JPEG quality as libjpeg takes it: 1 (smallest file) to 100 (best picture).
[[nodiscard]] constexpr int ClampJpegQuality(int quality) {
  return quality < 1 ? 1 : (quality > 100 ? 100 : quality);
}

// A bitmap on its way to JPEG bytes: baseline, colour (YCbCr 4:2:0, libjpeg's
// defaults), floating-point DCT.
class TMyJPEGImage {
 public:
  // Takes a private copy of the bitmap's pixels.
  void Assign(const TMyBitmap& bitmap) { bitmap_ = bitmap; }
  // Clamped to 1..100.
  void SetCompressionQuality(int quality) { quality_ = ClampJpegQuality(quality); }
  [[nodiscard]] int CompressionQuality() const { return quality_; }

  // Compresses into `out`. Any libjpeg error (an image too large for JPEG, no
  // memory) gives false; libjpeg never ends the process and prints nothing.
  [[nodiscard]] bool SaveToBytes(QByteArray* out) const;

 private:
  TMyBitmap bitmap_;
  int quality_ = 90;
};

}  // namespace frivo
