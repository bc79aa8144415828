// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QImage>
#include <QRgb>
#include <cstdint>
#include <random>

#include "imaging/my_bitmap.h"

namespace frivo::test {

// A picture of smooth colour ramps with a bright box of hard edges: what a
// video frame looks like to an encoder, and enough colours to need a reduction.
inline QImage Pattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int r = x * 255 / (width > 1 ? width - 1 : 1);
      const int g = y * 255 / (height > 1 ? height - 1 : 1);
      const int b = 255 - (x + y) * 255 / (width + height);
      const bool box = x > width / 3 && x < width / 2 && y > height / 4 && y < height / 2;
      image.setPixel(x, y, box ? qRgb(240, 240, 220) : qRgb(r, g, b));
    }
  }
  return image;
}

// Uniform random colours: every pixel a different colour, the worst case for
// both the colour reduction and LZW.
inline QImage Noise(int width, int height, uint32_t seed) {
  std::mt19937 random(seed);
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, 0xFF000000u | (random() & 0xFFFFFFu));
  return image;
}

inline TMyBitmap Bitmap24(const QImage& image) {
  return TMyBitmap(image.convertToFormat(QImage::Format_BGR888));
}

}  // namespace frivo::test
