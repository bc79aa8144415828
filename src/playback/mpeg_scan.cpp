// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/mpeg_scan.h"

#include <QFile>
#include <algorithm>
#include <vector>

namespace frivo {

namespace {

// A 33-bit time in the five-byte layout of PES headers, or -1 when the marker
// bits are wrong (not a time at all).
std::int64_t ReadTime(const std::uint8_t* p) {
  if ((p[0] & 1) != 1 || (p[2] & 1) != 1 || (p[4] & 1) != 1) return -1;
  return (static_cast<std::int64_t>(p[0] & 0x0E) << 29) | (static_cast<std::int64_t>(p[1]) << 22) |
         (static_cast<std::int64_t>(p[2] & 0xFE) << 14) | (static_cast<std::int64_t>(p[3]) << 7) |
         (p[4] >> 1);
}

// The presentation time of the PES header at `p` (after its six-byte start),
// or -1. MPEG-2 headers start with bits 10, MPEG-1 ones with stuffing and an
// optional buffer size.
std::int64_t PesTime(const std::uint8_t* p, const std::uint8_t* end) {
  if (end - p >= 8 && (p[0] & 0xC0) == 0x80) {
    if ((p[1] & 0x80) == 0 || p[2] < 5) return -1;
    return ReadTime(p + 3);
  }
  int stuffing = 0;
  while (p < end && *p == 0xFF && stuffing < 16) ++p, ++stuffing;
  if (end - p >= 2 && (p[0] & 0xC0) == 0x40) p += 2;
  if (end - p >= 5 && (p[0] & 0xE0) == 0x20) return ReadTime(p);
  return -1;
}

}  // namespace

std::optional<PtsRange> ScanVideoPts(std::span<const std::uint8_t> bytes) {
  std::optional<PtsRange> range;
  const std::uint8_t* data = bytes.data();
  const std::size_t size = bytes.size();
  for (std::size_t i = 0; i + 6 < size; ++i) {
    if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1) continue;
    if ((data[i + 3] & 0xF0) != 0xE0) continue;  // video stream ids E0..EF
    const std::int64_t time = PesTime(data + i + 6, data + size);
    if (time < 0) continue;
    if (!range) {
      range = PtsRange{time, time};
    } else {
      range->first = std::min(range->first, time);
      range->last = std::max(range->last, time);
    }
  }
  return range;
}

std::optional<std::int64_t> VideoPtsSpanNs(const QString& path, std::int64_t window) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const std::int64_t size = file.size();
  auto scan = [&](std::int64_t offset) -> std::optional<PtsRange> {
    if (!file.seek(offset)) return std::nullopt;
    const QByteArray bytes = file.read(std::min(window, size - offset));
    return ScanVideoPts({reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                         static_cast<size_t>(bytes.size())});
  };
  const std::optional<PtsRange> head = scan(0);
  const std::optional<PtsRange> tail = scan(std::max<std::int64_t>(size - window, 0));
  if (!head || !tail || tail->last < head->first) return std::nullopt;
  // 90 kHz ticks to nanoseconds.
  return (tail->last - head->first) * 100'000 / 9;
}

}  // namespace frivo
