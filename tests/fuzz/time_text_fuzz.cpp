// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Times typed by users: any text parses to a number, which formats back.
#include <cmath>

#include "fuzz/fuzz_input.h"
#include "playback/time_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const double seconds = frivo::ParseTimeText(frivo::fuzz::Text(data, size));
  (void)frivo::FormatTime(3, seconds);
  if (std::isfinite(seconds)) (void)frivo::ParseTimeText(frivo::FormatTime(3, seconds));
  return 0;
}
