// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// Inside the playback layer: the run-up of a batch grab. After an accurate seek
// the decoder decodes everything from the key frame before the target; the
// frames that end before the target are decoded only to be thrown away. Those
// nobody refers to (H.264 non-reference pictures) need not be decoded at all.

#include <gst/gst.h>

#include <atomic>
#include <cstdint>
#include <memory>

namespace frivo::gst {

// What the probe learns while it runs (written on the streaming thread).
struct RunUpState {
  // Largest distance seen between two key frames on the decoder's input (ns), -1
  // until two have passed.
  std::atomic<std::int64_t> keyFrameSpacingNs{-1};
  // Access units left out before a target.
  std::atomic<std::uint64_t> skipped{0};
};

// Finds the video decoder in the pipeline holding `anyElement` and puts the
// run-up probe on its input. Null when the pipeline has no video decoder.
[[nodiscard]] std::shared_ptr<RunUpState> InstallRunUpSkip(GstElement* anyElement);

// True when an H.264 access unit (length-prefixed with `lengthSize` bytes, or
// Annex B start codes when `lengthSize` is 0) holds slices and none of them is a
// reference picture. Exposed for the tests.
[[nodiscard]] bool IsNonReferenceH264(const std::uint8_t* data, std::size_t size, int lengthSize);

}  // namespace frivo::gst
