// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/mp4_scan.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <vector>

namespace frivo {

namespace {

// A movie header larger than this is not read (a phone's is a few megabytes
// for hours of video).
constexpr std::int64_t kMaxMoovBytes = 256LL << 20;

std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

std::uint64_t Be64(const std::uint8_t* p) {
  return (std::uint64_t{Be32(p)} << 32) | Be32(p + 4);
}

// One box inside `bytes`: its type and contents. The walk stops at the first
// box whose size does not fit.
struct TBox {
  char type[5] = {};
  std::span<const std::uint8_t> contents;
};

std::vector<TBox> Boxes(std::span<const std::uint8_t> bytes) {
  std::vector<TBox> boxes;
  std::size_t at = 0;
  while (bytes.size() - at >= 8) {
    std::uint64_t size = Be32(bytes.data() + at);
    std::size_t header = 8;
    if (size == 1) {
      if (bytes.size() - at < 16) break;
      size = Be64(bytes.data() + at + 8);
      header = 16;
    } else if (size == 0) {
      size = bytes.size() - at;
    }
    if (size < header || size > bytes.size() - at) break;
    TBox box;
    std::memcpy(box.type, bytes.data() + at + 4, 4);
    box.contents = bytes.subspan(at + header, static_cast<std::size_t>(size) - header);
    boxes.push_back(box);
    at += static_cast<std::size_t>(size);
  }
  return boxes;
}

std::span<const std::uint8_t> Child(std::span<const std::uint8_t> bytes, const char* type) {
  for (const TBox& box : Boxes(bytes))
    if (std::memcmp(box.type, type, 4) == 0) return box.contents;
  return {};
}

// The track's timescale from its media header; 0 when unreadable.
std::int64_t Timescale(std::span<const std::uint8_t> mdhd) {
  if (mdhd.size() < 4) return 0;
  const bool wide = mdhd[0] == 1;
  const std::size_t at = wide ? 20 : 12;  // after version, flags and the two dates
  if (mdhd.size() < at + 4) return 0;
  return Be32(mdhd.data() + at);
}

// Ticks to nanoseconds as the demuxer converts them (rounded down).
std::int64_t TicksToNs(std::int64_t ticks, std::int64_t timescale) {
  return static_cast<std::int64_t>(static_cast<long double>(ticks) * 1e9L / timescale);
}

// Every sample's presentation time from the decode-time steps (stts) and the
// composition offsets (ctts, when there is one), sorted.
void PresentationTimes(std::span<const std::uint8_t> stts, std::span<const std::uint8_t> ctts,
                       TTrackTiming* timing) {
  // A table far larger than the samples it claims is not trusted.
  constexpr std::int64_t kMaxSamples = 50'000'000;
  if (timing->samples > kMaxSamples) return;
  std::vector<std::int64_t> offsets;
  if (ctts.size() >= 8) {
    const bool signedOffsets = ctts[0] == 1;
    const std::uint64_t entries = Be32(ctts.data() + 4);
    if (entries <= (ctts.size() - 8) / 8) {
      for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint8_t* entry = ctts.data() + 8 + i * 8;
        const std::int64_t count = Be32(entry);
        const std::uint32_t raw = Be32(entry + 4);
        const std::int64_t offset =
            signedOffsets ? static_cast<std::int32_t>(raw) : static_cast<std::int64_t>(raw);
        for (std::int64_t n = 0;
             n < count && static_cast<std::int64_t>(offsets.size()) < timing->samples; ++n)
          offsets.push_back(offset);
      }
    }
  }
  std::vector<std::int64_t> times;
  times.reserve(static_cast<std::size_t>(timing->samples));
  const std::uint64_t entries = Be32(stts.data() + 4);
  std::int64_t decode = 0;
  std::int64_t lastDelta = 0;
  for (std::uint64_t i = 0; i < entries; ++i) {
    const std::uint8_t* entry = stts.data() + 8 + i * 8;
    const std::int64_t count = Be32(entry);
    const std::int64_t delta = Be32(entry + 4);
    for (std::int64_t n = 0; n < count; ++n) {
      const std::size_t index = times.size();
      const std::int64_t offset = index < offsets.size() ? offsets[index] : 0;
      times.push_back(TicksToNs(std::max<std::int64_t>(decode + offset, 0), timing->timescale));
      decode += delta;
      lastDelta = delta;
    }
  }
  std::sort(times.begin(), times.end());
  timing->presentationNs = std::move(times);
  timing->lastDurationNs = TicksToNs(lastDelta, timing->timescale);
}

std::optional<TTrackTiming> TrackTiming(std::span<const std::uint8_t> trak) {
  const std::span<const std::uint8_t> mdia = Child(trak, "mdia");
  const std::span<const std::uint8_t> hdlr = Child(mdia, "hdlr");
  // Version and flags, pre_defined, then the handler type.
  if (hdlr.size() < 12 || std::memcmp(hdlr.data() + 8, "vide", 4) != 0) return std::nullopt;
  TTrackTiming timing;
  timing.timescale = Timescale(Child(mdia, "mdhd"));
  const std::span<const std::uint8_t> stts = Child(Child(Child(mdia, "minf"), "stbl"), "stts");
  if (timing.timescale <= 0 || stts.size() < 8) return std::nullopt;
  const std::uint64_t entries = Be32(stts.data() + 4);
  if (entries > (stts.size() - 8) / 8) return std::nullopt;
  std::int64_t firstDelta = -1;
  for (std::uint64_t i = 0; i < entries; ++i) {
    const std::uint8_t* entry = stts.data() + 8 + i * 8;
    const std::int64_t count = Be32(entry);
    const std::int64_t delta = Be32(entry + 4);
    if (count == 0) continue;
    timing.samples += count;
    timing.duration += count * delta;
    if (firstDelta < 0) firstDelta = delta;
    // A last entry of one sample may differ on a constant-rate track.
    const bool last = i + 1 == entries && count == 1;
    if (delta != firstDelta && !last) timing.constantRate = false;
  }
  if (timing.samples <= 0) return std::nullopt;
  if (!timing.constantRate)
    PresentationTimes(stts, Child(Child(Child(mdia, "minf"), "stbl"), "ctts"), &timing);
  return timing;
}

}  // namespace

std::int64_t TTrackTiming::AverageFrameNs() const {
  if (samples <= 0 || timescale <= 0 || duration <= 0) return 0;
  const long double ns = static_cast<long double>(duration) * 1e9L / timescale / samples;
  return static_cast<std::int64_t>(ns + 0.5L);
}

std::int64_t TTrackTiming::FrameDurationAt(std::int64_t ptsNs) const {
  const auto it = std::lower_bound(presentationNs.begin(), presentationNs.end(), ptsNs);
  if (it == presentationNs.end() || *it != ptsNs) return -1;
  const auto next = std::next(it);
  return next == presentationNs.end() ? lastDurationNs : *next - ptsNs;
}

std::optional<TTrackTiming> ScanMoovVideoTiming(std::span<const std::uint8_t> moov) {
  for (const TBox& box : Boxes(moov)) {
    if (std::memcmp(box.type, "trak", 4) != 0) continue;
    if (std::optional<TTrackTiming> timing = TrackTiming(box.contents)) return timing;
  }
  return std::nullopt;
}

std::optional<TTrackTiming> Mp4VideoTiming(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const std::int64_t size = file.size();
  std::int64_t at = 0;
  // The top-level boxes, read header by header.
  while (size - at >= 8) {
    std::uint8_t header[16];
    if (!file.seek(at) || file.read(reinterpret_cast<char*>(header), 8) != 8) return std::nullopt;
    std::uint64_t boxSize = Be32(header);
    std::int64_t headerSize = 8;
    if (boxSize == 1) {
      if (file.read(reinterpret_cast<char*>(header + 8), 8) != 8) return std::nullopt;
      boxSize = Be64(header + 8);
      headerSize = 16;
    } else if (boxSize == 0) {
      boxSize = static_cast<std::uint64_t>(size - at);
    }
    if (boxSize < static_cast<std::uint64_t>(headerSize) ||
        boxSize > static_cast<std::uint64_t>(size - at))
      return std::nullopt;
    if (std::memcmp(header + 4, "moov", 4) == 0) {
      const std::int64_t length = static_cast<std::int64_t>(boxSize) - headerSize;
      if (length > kMaxMoovBytes) return std::nullopt;
      const QByteArray moov = file.read(length);
      if (moov.size() != length) return std::nullopt;
      return ScanMoovVideoTiming(std::span<const std::uint8_t>(
          reinterpret_cast<const std::uint8_t*>(moov.constData()), moov.size()));
    }
    at += static_cast<std::int64_t>(boxSize);
  }
  return std::nullopt;
}

}  // namespace frivo
