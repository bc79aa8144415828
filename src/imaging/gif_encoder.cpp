// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "imaging/gif_encoder.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace frivo {

namespace {

// Calls `visit(x, y, r, g, b)` for each pixel of a true-colour bitmap, rows top
// to bottom; `serpentine` runs every odd row right to left.
template <typename Visit>
void ForEachPixel(const QImage& image, bool bgrx, bool serpentine, Visit&& visit) {
  const int width = image.width();
  for (int y = 0; y < image.height(); ++y) {
    const uchar* row = image.constScanLine(y);
    const bool backwards = serpentine && (y & 1);
    for (int i = 0; i < width; ++i) {
      const int x = backwards ? width - 1 - i : i;
      if (bgrx) {
        const QRgb c = reinterpret_cast<const QRgb*>(row)[x];
        visit(x, y, qRed(c), qGreen(c), qBlue(c));
      } else {
        const uchar* p = row + 3 * x;
        visit(x, y, int(p[2]), int(p[1]), int(p[0]));
      }
    }
  }
}

int NearestInList(const QList<QRgb>& palette, QRgb color) {
  int best = 0;
  int bestDistance = 196608;
  for (int i = 0; i < palette.size(); ++i) {
    const QRgb c = palette[i];
    const int distance = std::abs(qRed(c) - qRed(color)) + std::abs(qGreen(c) - qGreen(color)) +
                         std::abs(qBlue(c) - qBlue(color));
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

// LZW string table: (prefix code, next index) -> code, open addressing.
class LzwTable {
 public:
  LzwTable() { Clear(); }
  void Clear() { std::memset(keys_, 0xFF, sizeof keys_); }
  // The code for the key, or -1; `slot` is where an insert would go.
  int Find(uint32_t key, size_t* slot) const {
    size_t i = (key * 2654435761u) >> (32 - kBits);
    while (keys_[i] != kEmpty) {
      if (keys_[i] == key) return codes_[i];
      i = (i + 1) & (kSize - 1);
    }
    *slot = i;
    return -1;
  }
  void Insert(size_t slot, uint32_t key, int code) {
    keys_[slot] = key;
    codes_[slot] = uint16_t(code);
  }

 private:
  static constexpr int kBits = 13;  // 8192 slots for at most 3838 strings
  static constexpr size_t kSize = size_t(1) << kBits;
  static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
  uint32_t keys_[kSize];
  uint16_t codes_[kSize];
};

class BitWriter {
 public:
  explicit BitWriter(QByteArray* out) : out_(out) {}
  void Put(int code, int width) {
    bits_ |= uint64_t(code) << count_;
    count_ += width;
    while (count_ >= 8) {
      out_->append(char(bits_ & 0xFF));
      bits_ >>= 8;
      count_ -= 8;
    }
  }
  void Flush() {
    if (count_ > 0) out_->append(char(bits_ & 0xFF));
    bits_ = 0;
    count_ = 0;
  }

 private:
  QByteArray* out_;
  uint64_t bits_ = 0;
  int count_ = 0;
};

void Put16(QByteArray* out, int v) {
  out->append(char(v & 0xFF));
  out->append(char((v >> 8) & 0xFF));
}

}  // namespace

TMyGIFImage BuildGifImage(const TMyBitmap& bitmap) {
  TMyGIFImage gif;
  gif.palette.fill(qRgb(0, 0, 0));
  if (bitmap.Empty()) return gif;
  gif.width = bitmap.Width();
  gif.height = bitmap.Height();
  gif.indices.resize(size_t(gif.width) * size_t(gif.height));
  const QImage& image = bitmap.Image();

  if (IsIndexed(bitmap.Format())) {
    const QList<QRgb> palette = bitmap.Palette();
    for (int i = 0; i < palette.size() && i < 256; ++i) gif.palette[size_t(i)] = palette[i];
    for (int y = 0; y < gif.height; ++y)
      std::memcpy(gif.indices.data() + size_t(y) * size_t(gif.width), image.constScanLine(y),
                  size_t(gif.width));
    if (bitmap.Transparent())
      gif.transparentIndex = NearestInList(palette, bitmap.TransparentColor());
    return gif;
  }

  const bool bgrx = bitmap.Format() == PixelFormat::kBgrx32;
  OctreeQuantizer octree;
  ForEachPixel(image, bgrx, false,
               [&](int, int, int r, int g, int b) { octree.AddColor(r, g, b); });
  gif.palette = octree.Palette();

  ColorMatcher matcher(gif.palette);
  uchar* indices = gif.indices.data();
  const size_t width = size_t(gif.width);
  ForEachPixel(image, bgrx, true, [&](int x, int y, int r, int g, int b) {
    indices[size_t(y) * width + size_t(x)] = uchar(matcher.Match(r, g, b));
  });
  // After the pixels, so the colour takes the index its own pixels were given.
  if (bitmap.Transparent()) {
    const QRgb c = bitmap.TransparentColor();
    gif.transparentIndex = matcher.Match(qRed(c), qGreen(c), qBlue(c));
  }
  return gif;
}

QByteArray LzwCompress(const uchar* indices, size_t count) {
  constexpr int kClear = 256;
  constexpr int kEnd = 257;
  constexpr int kFirstFree = 258;
  constexpr int kMaxCodes = 4096;

  QByteArray out;
  out.reserve(qsizetype(count / 2 + 16));
  BitWriter bits(&out);
  auto table = std::make_unique<LzwTable>();
  int width = 9;
  int next = kFirstFree;
  // After each code the width grows once the next code to be assigned no
  // longer fits; decoders, one table entry behind, grow at the same point.
  auto emit = [&](int code) {
    bits.Put(code, width);
    if (next >= (1 << width) && width < 12) ++width;
  };

  bits.Put(kClear, width);
  if (count == 0) {
    emit(kEnd);
    bits.Flush();
    return out;
  }
  int prefix = indices[0];
  for (size_t i = 1; i < count; ++i) {
    const int c = indices[i];
    const uint32_t key = uint32_t(prefix) << 8 | uint32_t(c);
    size_t slot = 0;
    const int code = table->Find(key, &slot);
    if (code >= 0) {
      prefix = code;
      continue;
    }
    emit(prefix);
    if (next < kMaxCodes) {
      table->Insert(slot, key, next++);
    } else {
      bits.Put(kClear, width);
      table->Clear();
      next = kFirstFree;
      width = 9;
    }
    prefix = c;
  }
  emit(prefix);
  emit(kEnd);
  bits.Flush();
  return out;
}

bool EncodeGif(const TMyGIFImage& image, QByteArray* out) {
  if (image.width <= 0 || image.height <= 0 || image.width > 0xFFFF || image.height > 0xFFFF)
    return false;
  if (image.indices.size() != size_t(image.width) * size_t(image.height)) return false;
  const bool transparent = image.transparentIndex >= 0 && image.transparentIndex < 256;
  const QByteArray codes = LzwCompress(image.indices.data(), image.indices.size());

  QByteArray& f = *out;
  f.clear();
  f.reserve(qsizetype(6 + 7 + 8 + 10 + 768 + 1 + codes.size() + codes.size() / 255 + 3));
  f.append(transparent ? "GIF89a" : "GIF87a");
  // Logical screen: no global colour table, 8 bits of colour resolution.
  Put16(&f, image.width);
  Put16(&f, image.height);
  f.append(char(0x70));
  f.append(char(0));  // background colour index
  f.append(char(0));  // no aspect ratio
  if (transparent) {
    const char control[] = {'\x21', '\xF9', 4, 1, 0, 0, char(image.transparentIndex), 0};
    f.append(control, sizeof control);
  }
  f.append(char(0x2C));
  Put16(&f, 0);
  Put16(&f, 0);
  Put16(&f, image.width);
  Put16(&f, image.height);
  f.append(char(0x87));  // local colour table of 2^(7+1) entries, not interlaced
  for (const QRgb c : image.palette) {
    f.append(char(qRed(c)));
    f.append(char(qGreen(c)));
    f.append(char(qBlue(c)));
  }
  f.append(char(8));  // LZW minimum code size
  for (qsizetype at = 0; at < codes.size(); at += 255) {
    const qsizetype n = std::min<qsizetype>(255, codes.size() - at);
    f.append(char(n));
    f.append(codes.constData() + at, n);
  }
  f.append(char(0));  // end of the image data
  f.append(char(0x3B));
  return true;
}

}  // namespace frivo
