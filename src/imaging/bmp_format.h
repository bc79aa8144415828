// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QByteArray>
#include <QImage>
#include <cstdint>

#include "imaging/my_bitmap.h"

namespace frivo {

// Bytes in one bottom-up 24-bit row of a DIB: width x 3 rounded up to a multiple of 4.
[[nodiscard]] constexpr std::int64_t Rgb24Stride(std::int64_t width) {
  return (width * 3 + 3) / 4 * 4;
}

// The bytes of a 24-bit Windows BMP file of `bitmap`: a 14-byte file header, a
// 40-byte BITMAPINFOHEADER (positive height, no compression, resolution fields
// 0), no colour table, rows bottom-up in B,G,R order, each padded with zero
// bytes to a multiple of 4. Other formats are converted to 24 bits first (the
// fourth byte of 32-bit pixels is dropped). False if the file would not fit the
// header's 32-bit size fields or memory runs out.
[[nodiscard]] bool EncodeBmp(const TMyBitmap& bitmap, QByteArray* out);

// The same file laid out for rows that come from elsewhere: sizes `out` to the
// whole file, writes both headers and returns where the bottom row goes (the
// others follow upwards, Rgb24Stride(width) bytes apart), with the padding
// after each row already zero. Null, and `out` unchanged, for an empty size or
// one too large for the header.
[[nodiscard]] uchar* PrepareBmp24(int width, int height, QByteArray* out);

// Result of reading a BMP file image.
struct DecodedBmp {
  QImage image;  // in TMyBitmap's layout for `format`
  PixelFormat format = PixelFormat::kBgr24;
};

// Reads a BMP file image; see TMyBitmap::LoadFromBmpData for what is accepted.
// Every size and offset is checked against `size`, so a malformed buffer gives
// false and is never read past its end.
[[nodiscard]] bool DecodeBmp(const uchar* data, qsizetype size, DecodedBmp* out);

}  // namespace frivo
