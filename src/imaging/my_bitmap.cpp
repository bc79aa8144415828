// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "imaging/my_bitmap.h"

#include <cstring>
#include <limits>
#include <unordered_map>

#include "imaging/bmp_format.h"

namespace frivo {

namespace {

QImage::Format StorageOf(PixelFormat format) {
  switch (format) {
    case PixelFormat::kBgr24:
      return QImage::Format_BGR888;
    case PixelFormat::kBgrx32:
      return QImage::Format_RGB32;
    case PixelFormat::kIndexed1:
    case PixelFormat::kIndexed4:
    case PixelFormat::kIndexed8:
      break;
  }
  return QImage::Format_Indexed8;
}

int PaletteCapacity(PixelFormat format) {
  return 1 << BitsPerPixel(format);
}

// The fixed palettes used when true-colour pixels must go to an indexed format
// that cannot hold all of their colours.
QList<QRgb> FixedPalette(PixelFormat format) {
  QList<QRgb> palette;
  if (format == PixelFormat::kIndexed1) {
    palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
  } else if (format == PixelFormat::kIndexed4) {
    palette = {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
               qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
               qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
               qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
  } else {
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 7; ++g)
        for (int b = 0; b < 6; ++b) palette.append(qRgb(r * 51, g * 255 / 6, b * 51));
  }
  return palette;
}

int NearestIndex(const QList<QRgb>& palette, QRgb color) {
  int best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (int i = 0; i < palette.size(); ++i) {
    const int dr = qRed(palette[i]) - qRed(color);
    const int dg = qGreen(palette[i]) - qGreen(color);
    const int db = qBlue(palette[i]) - qBlue(color);
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

// Maps a true-colour image to Indexed8 with at most `capacity` colours: its own
// colours when there are few enough, else the nearest colours of `fallback`.
QImage ToIndexed(const QImage& source, int capacity, const QList<QRgb>& fallback) {
  const QImage rgb = source.convertToFormat(QImage::Format_RGB32);
  QImage result(rgb.size(), QImage::Format_Indexed8);
  if (result.isNull()) return result;

  std::unordered_map<QRgb, int> indexOf;
  QList<QRgb> own;
  for (int y = 0; y < rgb.height() && own.size() <= capacity; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) {
      const QRgb c = row[x] | 0xFF000000u;
      if (indexOf.emplace(c, int(own.size())).second) {
        own.append(c);
        if (own.size() > capacity) break;
      }
    }
  }
  const bool useOwn = own.size() <= capacity;
  const QList<QRgb> palette = useOwn ? own : fallback;
  if (!useOwn) indexOf.clear();
  result.setColorTable(palette.isEmpty() ? QList<QRgb>{qRgb(0, 0, 0)} : palette);
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    uchar* out = result.scanLine(y);
    for (int x = 0; x < rgb.width(); ++x) {
      const QRgb c = in[x] | 0xFF000000u;
      auto it = indexOf.find(c);
      if (it == indexOf.end()) it = indexOf.emplace(c, NearestIndex(palette, c)).first;
      out[x] = uchar(it->second);
    }
  }
  return result;
}

}  // namespace

TMyBitmap::TMyBitmap() : image_(0, 0, QImage::Format_BGR888) {}

TMyBitmap::TMyBitmap(const QImage& image) {
  switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
      format_ = PixelFormat::kIndexed1;
      image_ = image.convertToFormat(QImage::Format_Indexed8);
      break;
    case QImage::Format_Indexed8:
      format_ = PixelFormat::kIndexed8;
      image_ = image;
      // Qt allows indices past the end of the colour table; this class does not.
      SetPalette(image.colorTable().isEmpty() ? QList<QRgb>{qRgb(0, 0, 0)} : image.colorTable());
      break;
    case QImage::Format_RGB32:
      format_ = PixelFormat::kBgrx32;
      image_ = image;
      break;
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
      format_ = PixelFormat::kBgrx32;
      image_ = image.convertToFormat(QImage::Format_RGB32);
      break;
    default:
      format_ = PixelFormat::kBgr24;
      image_ = image.convertToFormat(QImage::Format_BGR888);
      break;
  }
  if (image_.isNull()) {
    format_ = PixelFormat::kBgr24;
    image_ = QImage(0, 0, QImage::Format_BGR888);
  }
}

void TMyBitmap::SetSize(int width, int height) {
  if (width == Width() && height == Height()) return;
  if (width <= 0 || height <= 0) {
    width = 0;
    height = 0;
  }
  QImage resized(width, height, StorageOf(format_));
  if (resized.isNull() && width > 0) return;  // out of memory: keep the old pixels
  if (IsIndexed(format_)) {
    resized.setColorTable(image_.colorTable().isEmpty() ? QList<QRgb>{qRgb(0, 0, 0)}
                                                        : image_.colorTable());
  }
  // fill(0) gives black for the true-colour formats; make RGB32's fourth byte 0xFF.
  resized.fill(format_ == PixelFormat::kBgrx32 ? 0xFF000000u : 0u);
  image_ = resized;
}

void TMyBitmap::SetPixelFormat(PixelFormat format) {
  if (format == format_) return;
  QImage converted;
  if (!IsIndexed(format)) {
    converted = image_.convertToFormat(StorageOf(format));
  } else if (IsIndexed(format_) && image_.colorCount() <= PaletteCapacity(format)) {
    converted = image_;  // fewer bits, but every index still fits
  } else {
    converted = ToIndexed(image_, PaletteCapacity(format), FixedPalette(format));
  }
  if (converted.isNull() && !image_.isNull() && !image_.size().isEmpty()) return;
  image_ = converted;
  format_ = format;
}

QList<QRgb> TMyBitmap::Palette() const {
  if (!IsIndexed(format_)) return {};
  return image_.colorTable();
}

void TMyBitmap::SetPalette(const QList<QRgb>& palette) {
  if (!IsIndexed(format_) || palette.isEmpty()) return;
  QList<QRgb> table = palette.mid(0, PaletteCapacity(format_));
  for (QRgb& c : table) c |= 0xFF000000u;
  const uchar last = uchar(table.size() - 1);
  if (table.size() < 256) {
    for (int y = 0; y < image_.height(); ++y) {
      uchar* row = image_.scanLine(y);
      for (int x = 0; x < image_.width(); ++x)
        if (row[x] > last) row[x] = last;
    }
  }
  image_.setColorTable(table);
}

QRgb TMyBitmap::Pixel(int x, int y) const {
  if (!image_.valid(x, y)) return qRgb(0, 0, 0);
  return image_.pixel(x, y) | 0xFF000000u;
}

QRgb TMyBitmap::TransparentColor() const {
  if (transparentColorSet_) return transparentColor_;
  return Pixel(0, Height() - 1);
}

void TMyBitmap::SetTransparentColor(QRgb color) {
  transparentColor_ = color | 0xFF000000u;
  transparentColorSet_ = true;
}

bool TMyBitmap::LoadFromBmpData(const QByteArray& data) {
  return LoadFromBmpData(reinterpret_cast<const uchar*>(data.constData()), data.size());
}

bool TMyBitmap::LoadFromBmpData(const uchar* data, qsizetype size) {
  DecodedBmp decoded;
  if (!DecodeBmp(data, size, &decoded)) return false;
  image_ = decoded.image;
  format_ = decoded.format;
  return true;
}

bool TMyBitmap::CopyBgrRows(const uchar* bits, qsizetype size, qsizetype stride, bool bottomUp) {
  if (format_ != PixelFormat::kBgr24 || bits == nullptr) return false;
  const qsizetype rowBytes = qsizetype(Width()) * 3;
  if (Empty()) return true;
  if (stride < rowBytes || size < 0) return false;
  if ((size - rowBytes) / stride < Height() - 1 || size < rowBytes) return false;
  for (int y = 0; y < Height(); ++y) {
    const qsizetype source = bottomUp ? Height() - 1 - y : y;
    std::memcpy(image_.scanLine(y), bits + source * stride, size_t(rowBytes));
  }
  return true;
}

}  // namespace frivo
