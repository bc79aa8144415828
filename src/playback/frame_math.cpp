// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/frame_math.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "playback/media_type.h"

namespace frivo {

std::int64_t ToMediaTimeNs(const SegmentTimes& segment, std::int64_t timestamp) {
  const double rate = segment.appliedRate == 0.0 ? 1.0 : std::abs(segment.appliedRate);
  const std::int64_t offset = timestamp - segment.start;
  if (rate == 1.0) return segment.time + offset;
  return segment.time + static_cast<std::int64_t>(std::llround(static_cast<double>(offset) * rate));
}

std::int64_t TrueFrameStartNs(std::int64_t timestamp, std::int64_t duration,
                              std::int64_t segmentStart, std::int64_t nominal) {
  if (duration < 0 || nominal <= 0) return timestamp;
  const bool atSegmentStart = std::llabs(timestamp - segmentStart) <= kTimeToleranceNs;
  const bool shortened = duration < nominal - kTimeToleranceNs;
  if (!atSegmentStart || !shortened) return timestamp;
  return timestamp + duration - nominal;
}

void CopyRowsBottomUp(const BYTE* src, std::int64_t srcStride, int width, int height, BYTE* dst) {
  const std::int64_t dstStride = Rgb24Stride(width);
  const std::int64_t rowBytes = std::int64_t{width} * 3;
  for (int y = 0; y < height; ++y) {
    BYTE* out = dst + (std::int64_t{height} - 1 - y) * dstStride;
    std::memcpy(out, src + y * srcStride, static_cast<size_t>(rowBytes));
    std::memset(out + rowBytes, 0, static_cast<size_t>(dstStride - rowBytes));
  }
}

std::int64_t PackedDibSize(int width, int height) {
  return static_cast<std::int64_t>(sizeof(BITMAPINFOHEADER)) + Rgb24Stride(width) * height;
}

std::vector<BYTE> PackDib(const QImage& image) {
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return {};
  const QImage bgr = image.format() == QImage::Format_BGR888
                         ? image
                         : image.convertToFormat(QImage::Format_BGR888);
  const int width = bgr.width();
  const int height = bgr.height();
  std::vector<BYTE> dib(static_cast<size_t>(PackedDibSize(width, height)));
  BITMAPINFOHEADER header;
  header.biWidth = width;
  header.biHeight = height;
  header.biBitCount = 24;
  header.biSizeImage = static_cast<std::uint32_t>(Rgb24Stride(width) * height);
  std::memcpy(dib.data(), &header, sizeof(header));
  CopyRowsBottomUp(bgr.constBits(), bgr.bytesPerLine(), width, height, dib.data() + sizeof(header));
  return dib;
}

double VolumeToLinear(LONG volume) {
  if (volume <= -10000) return 0.0;
  return std::pow(10.0, std::min<LONG>(volume, 0) / 2000.0);
}

LONG LinearToVolume(double linear) {
  if (linear <= 0.0) return -10000;
  const double hundredths = 2000.0 * std::log10(linear);
  return static_cast<LONG>(std::clamp(std::lround(hundredths), -10000L, 0L));
}

}  // namespace frivo
