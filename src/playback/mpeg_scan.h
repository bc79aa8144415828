// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// Reads presentation times straight from the bytes of an MPEG program or
// transport stream. Their demuxers guess the length of a file from the clock
// references, which can be far from the pictures' times; the times on the
// video packets at the head and the tail of the file say where the pictures
// really start and end.

#include <QString>
#include <cstdint>
#include <optional>
#include <span>

namespace frivo {

// The lowest and highest video presentation time (90 kHz ticks) found in PES
// headers in `bytes`; nullopt when there is none. Any byte string is safe.
struct PtsRange {
  std::int64_t first = 0;
  std::int64_t last = 0;
};
[[nodiscard]] std::optional<PtsRange> ScanVideoPts(std::span<const std::uint8_t> bytes);

// The span of the video's presentation times in a file: from the lowest time
// in its first `window` bytes to the highest in its last `window` bytes, in
// nanoseconds. nullopt for an unreadable file or one without timed video.
[[nodiscard]] std::optional<std::int64_t> VideoPtsSpanNs(const QString& path,
                                                         std::int64_t window = 1 << 20);

}  // namespace frivo
