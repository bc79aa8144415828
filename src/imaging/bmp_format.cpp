// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "imaging/bmp_format.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace frivo {

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

void Put16(uchar* p, uint32_t v) {
  p[0] = uchar(v);
  p[1] = uchar(v >> 8);
}

void Put32(uchar* p, uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

uint32_t Get16(const uchar* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t Get32(const uchar* p) {
  return Get16(p) | Get16(p + 2) << 16;
}

}  // namespace

uchar* PrepareBmp24(int width, int height, QByteArray* out) {
  if (width <= 0 || height <= 0) return nullptr;
  const int64_t rowBytes = int64_t(width) * 3;
  const int64_t stride = Rgb24Stride(width);
  const int64_t pixelBytes = stride * height;
  const int64_t fileSize = kFileHeaderSize + kInfoHeaderSize + pixelBytes;
  if (fileSize > std::numeric_limits<uint32_t>::max()) return nullptr;

  out->resize(qsizetype(fileSize));
  uchar* p = reinterpret_cast<uchar*>(out->data());
  std::memset(p, 0, kFileHeaderSize + kInfoHeaderSize);
  p[0] = 'B';
  p[1] = 'M';
  Put32(p + 2, uint32_t(fileSize));
  Put32(p + 10, kFileHeaderSize + kInfoHeaderSize);
  uchar* info = p + kFileHeaderSize;
  Put32(info + 0, kInfoHeaderSize);
  Put32(info + 4, uint32_t(width));
  Put32(info + 8, uint32_t(height));
  Put16(info + 12, 1);   // planes
  Put16(info + 14, 24);  // bits per pixel
  Put32(info + 16, kBiRgb);
  Put32(info + 20, uint32_t(pixelBytes));
  // Resolution, colours used and important colours stay 0.

  uchar* rows = p + kFileHeaderSize + kInfoHeaderSize;
  if (stride != rowBytes) {
    for (int64_t y = 0; y < height; ++y)
      std::memset(rows + y * stride + rowBytes, 0, size_t(stride - rowBytes));
  }
  return rows;
}

bool EncodeBmp(const TMyBitmap& bitmap, QByteArray* out) {
  const QImage source = bitmap.Format() == PixelFormat::kBgr24
                            ? bitmap.Image()
                            : bitmap.Image().convertToFormat(QImage::Format_BGR888);
  if (source.format() != QImage::Format_BGR888) return false;
  const int height = source.height();
  uchar* row = PrepareBmp24(source.width(), height, out);
  if (!row) return false;
  const auto rowBytes = size_t(source.width()) * 3;
  const int64_t stride = Rgb24Stride(source.width());
  for (int y = height - 1; y >= 0; --y, row += stride)
    std::memcpy(row, source.constScanLine(y), rowBytes);
  return true;
}

bool DecodeBmp(const uchar* data, qsizetype size, DecodedBmp* out) {
  if (data == nullptr || size < kFileHeaderSize + kInfoHeaderSize) return false;
  if (data[0] != 'B' || data[1] != 'M') return false;
  const int64_t pixelOffset = Get32(data + 10);
  const uchar* info = data + kFileHeaderSize;
  const int64_t infoSize = Get32(info);
  if (infoSize < kInfoHeaderSize || infoSize > size - kFileHeaderSize) return false;

  const int64_t width = int32_t(Get32(info + 4));
  const int64_t signedHeight = int32_t(Get32(info + 8));
  const int bitCount = int(Get16(info + 14));
  const uint32_t compression = Get32(info + 16);
  const int64_t colorsUsed = Get32(info + 32);
  if (width <= 0 || signedHeight == 0) return false;
  if (width > std::numeric_limits<int>::max() ||
      signedHeight == std::numeric_limits<int32_t>::min())
    return false;
  const bool bottomUp = signedHeight > 0;
  const int64_t height = bottomUp ? signedHeight : -signedHeight;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
    return false;

  int64_t headerEnd = kFileHeaderSize + infoSize;
  if (compression == kBiBitfields) {
    // Only the layout Windows uses for 32-bit pixels: blue, green, red bytes.
    if (bitCount != 32) return false;
    const uchar* masks = info + kInfoHeaderSize;
    if (infoSize < kInfoHeaderSize + 12) {
      headerEnd += 12;  // the masks follow a plain BITMAPINFOHEADER
      if (headerEnd > size) return false;
    }
    if (Get32(masks) != 0x00FF0000u || Get32(masks + 4) != 0x0000FF00u ||
        Get32(masks + 8) != 0x000000FFu)
      return false;
  } else if (compression != kBiRgb) {
    return false;
  }

  QList<QRgb> palette;
  int64_t paletteEnd = headerEnd;
  if (bitCount <= 8) {
    const int64_t capacity = int64_t(1) << bitCount;
    const int64_t count = colorsUsed != 0 ? colorsUsed : capacity;
    if (count > capacity) return false;
    paletteEnd = headerEnd + 4 * count;
    if (paletteEnd > size) return false;
    for (int64_t i = 0; i < count; ++i) {
      const uchar* q = data + headerEnd + 4 * i;
      palette.append(qRgb(q[2], q[1], q[0]));
    }
  }
  if (pixelOffset < paletteEnd || pixelOffset > size) return false;

  const int64_t stride = ((width * bitCount + 31) / 32) * 4;
  if (stride > (size - pixelOffset) / height) return false;  // rows past the end

  PixelFormat format = PixelFormat::kBgr24;
  QImage::Format storage = QImage::Format_BGR888;
  if (bitCount <= 8) {
    format = static_cast<PixelFormat>(bitCount);
    storage = QImage::Format_Indexed8;
  } else if (bitCount == 32) {
    format = PixelFormat::kBgrx32;
    storage = QImage::Format_RGB32;
  }
  QImage image(int(width), int(height), storage);
  if (image.isNull()) return false;

  int maxIndex = 0;
  for (int64_t y = 0; y < height; ++y) {
    const uchar* in = data + pixelOffset + (bottomUp ? height - 1 - y : y) * stride;
    uchar* dst = image.scanLine(int(y));
    switch (bitCount) {
      case 24:
        std::memcpy(dst, in, size_t(width * 3));
        break;
      case 32: {
        auto* px = reinterpret_cast<QRgb*>(dst);
        for (int64_t x = 0; x < width; ++x, in += 4) px[x] = qRgb(in[2], in[1], in[0]);
        break;
      }
      case 8:
        std::memcpy(dst, in, size_t(width));
        for (int64_t x = 0; x < width; ++x) maxIndex = std::max(maxIndex, int(dst[x]));
        break;
      case 4:
        for (int64_t x = 0; x < width; ++x) {
          dst[x] = (x & 1) ? (in[x / 2] & 0x0F) : (in[x / 2] >> 4);
          maxIndex = std::max(maxIndex, int(dst[x]));
        }
        break;
      default:  // 1
        for (int64_t x = 0; x < width; ++x) {
          dst[x] = (in[x / 8] >> (7 - (x & 7))) & 1;
          maxIndex = std::max(maxIndex, int(dst[x]));
        }
        break;
    }
  }
  if (bitCount <= 8) {
    // Indices past a short colour table are black, as the system draws them.
    while (palette.size() <= maxIndex) palette.append(qRgb(0, 0, 0));
    image.setColorTable(palette);
  }
  out->image = image;
  out->format = format;
  return true;
}

}  // namespace frivo
