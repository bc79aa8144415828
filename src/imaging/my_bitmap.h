// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRgb>

namespace frivo {

// Bits per pixel of a TMyBitmap. The numeric values are the bit counts.
enum class PixelFormat : int {
  kIndexed1 = 1,
  kIndexed4 = 4,
  kIndexed8 = 8,
  kBgr24 = 24,
  kBgrx32 = 32,
};

[[nodiscard]] constexpr int BitsPerPixel(PixelFormat format) {
  return static_cast<int>(format);
}
[[nodiscard]] constexpr bool IsIndexed(PixelFormat format) {
  return BitsPerPixel(format) <= 8;
}

// The program's bitmap: a QImage with a declared pixel format, a palette for the
// indexed formats and the transparency flags the GIF writer uses.
//
// How the pixels are held (code that touches scan lines relies on it):
//   kBgr24   QImage::Format_BGR888: 3 bytes per pixel in memory order B, G, R,
//            the byte order of captured frames, so frame rows copy as they are.
//   kBgrx32  QImage::Format_RGB32: 4 bytes per pixel, in memory B, G, R, 0xFF on
//            little-endian machines (the fourth byte is always 0xFF).
//   kIndexed1/4/8  QImage::Format_Indexed8: one byte per pixel holding the palette
//            index; the palette has at most 2, 16 or 256 entries. Every index in
//            the pixels has a palette entry.
// Rows are top-down, each starting on a 4-byte boundary (QImage's rule).
//
// Copies share pixels until one of them is changed (QImage's implicit sharing),
// so a writer's private copy costs nothing until it converts.
class TMyBitmap {
 public:
  // An empty (0 x 0) 24-bit bitmap.
  TMyBitmap();
  // Takes the image's pixels. Mono and Indexed8 images become indexed bitmaps,
  // 32-bit images kBgrx32 (alpha dropped), everything else kBgr24.
  explicit TMyBitmap(const QImage& image);

  [[nodiscard]] int Width() const { return image_.width(); }
  [[nodiscard]] int Height() const { return image_.height(); }
  [[nodiscard]] bool Empty() const { return Width() <= 0 || Height() <= 0; }
  [[nodiscard]] PixelFormat Format() const { return format_; }

  // Changes the size; the new content is black (index 0 for indexed bitmaps).
  // The format and palette stay. A size of 0 or less gives an empty bitmap.
  void SetSize(int width, int height);

  // Converts the pixels. Going to an indexed format maps every pixel to the
  // nearest colour of a fixed palette (black and white; the 16 VGA colours; a
  // 6x7x6 colour cube) unless the bitmap already has that many colours or fewer.
  void SetPixelFormat(PixelFormat format);

  // The palette of an indexed bitmap (empty for 24 and 32 bits per pixel).
  [[nodiscard]] QList<QRgb> Palette() const;
  // Replaces the palette of an indexed bitmap; entries past the format's
  // capacity are dropped and pixel indices past the end are mapped to the last
  // entry. Ignored for 24 and 32 bits per pixel or an empty palette.
  void SetPalette(const QList<QRgb>& palette);

  // Colour of one pixel (alpha 0xFF); black outside the bitmap.
  [[nodiscard]] QRgb Pixel(int x, int y) const;

  // Transparency as the GIF writer understands it: pixels of TransparentColor()
  // are see-through. Until a colour is set, the colour is the bottom-left
  // pixel's (black for an empty bitmap).
  [[nodiscard]] bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent) { transparent_ = transparent; }
  [[nodiscard]] QRgb TransparentColor() const;
  void SetTransparentColor(QRgb color);

  // Reads a BMP file image (14-byte file header, then a packed DIB): 1, 4, 8,
  // 24 or 32 bits per pixel, uncompressed (32 bits also with the standard
  // BGR bit fields), bottom-up or top-down. On success the bitmap takes its size,
  // format, palette and pixels; on any fault of the data it returns false and
  // stays as it was.
  [[nodiscard]] bool LoadFromBmpData(const QByteArray& data);
  [[nodiscard]] bool LoadFromBmpData(const uchar* data, qsizetype size);

  // Copies packed 24-bit B,G,R rows (each padded to `stride` bytes) into a
  // kBgr24 bitmap of its current size, starting at the top left. Bottom-up
  // rows (the first row in memory is the bottom one) are what the frame grabber
  // delivers. False, without a change, if the bitmap is not kBgr24 or `size` is
  // too small for Height() rows.
  [[nodiscard]] bool CopyBgrRows(const uchar* bits, qsizetype size, qsizetype stride,
                                 bool bottomUp);

  // Takes everything of `other`: pixels, format, palette, transparency.
  void Assign(const TMyBitmap& other) { *this = other; }

  // The pixels, laid out as described above.
  [[nodiscard]] const QImage& Image() const { return image_; }
  [[nodiscard]] uchar* ScanLine(int y) { return image_.scanLine(y); }
  // Bytes from one row's start to the next one's.
  [[nodiscard]] qsizetype BytesPerLine() const { return image_.bytesPerLine(); }
  [[nodiscard]] const uchar* ConstScanLine(int y) const { return image_.constScanLine(y); }

 private:
  QImage image_;
  PixelFormat format_ = PixelFormat::kBgr24;
  bool transparent_ = false;
  bool transparentColorSet_ = false;
  QRgb transparentColor_ = 0;
};

}  // namespace frivo
