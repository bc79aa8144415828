// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QByteArray>
#include <vector>

#include "imaging/my_bitmap.h"
#include "imaging/octree_quantizer.h"

namespace frivo {

// A picture ready to be written as GIF: one palette index per pixel and the
// 256-entry colour table they index.
struct TMyGIFImage {
  int width = 0;
  int height = 0;
  GifPalette palette{};
  std::vector<uchar> indices;  // width * height, rows top to bottom
  int transparentIndex = -1;   // -1: no transparent colour
};

// Turns a bitmap into palette indices. A 1, 4 or 8 bit bitmap keeps its pixels
// and palette (padded with black). Other bitmaps are reduced to 256 colours:
// octree over all pixels (rows top to bottom, left to right), then each pixel is
// matched through ColorMatcher, row 0 left to right, row 1 right to left and so
// on, since the first pixel that reaches an empty cell decides its index.
// A bitmap marked transparent gets the index its transparent colour maps to.
[[nodiscard]] TMyGIFImage BuildGifImage(const TMyBitmap& bitmap);

// GIF LZW code stream of `indices` for a minimum code size of 8: a clear code
// first, a clear code whenever the 4096-entry table is full, the end code last,
// codes packed least significant bit first. Not yet cut into sub-blocks.
[[nodiscard]] QByteArray LzwCompress(const uchar* indices, size_t count);

// The whole file: "GIF87a" ("GIF89a" with a transparent index, which needs a
// graphic control extension), a logical screen without a global colour table,
// one image at (0, 0) with its own 256-entry colour table, not interlaced, the
// LZW data in sub-blocks of up to 255 bytes, the trailer. False if the size does
// not fit GIF's 16-bit fields or the index count does not match the size.
[[nodiscard]] bool EncodeGif(const TMyGIFImage& image, QByteArray* out);

}  // namespace frivo
