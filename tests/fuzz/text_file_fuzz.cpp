// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The text layer on any bytes: detection, every encoding, and writing back.
#include "fuzz/fuzz_input.h"
#include "support/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the encoding asked for (0 detects; 1..11 are the
  // program's codes; anything above must fall back safely).
  const std::uint8_t asked = data[0] % 16;
  const QByteArray bytes = frivo::fuzz::Bytes(data + 1, size - 1);
  std::uint8_t encoding = asked;
  const QString text = frivo::DecodeTextFile(bytes, encoding);
  (void)frivo::EncodeTextFile(text, encoding);
  (void)frivo::EncodeTextFile(text, asked);
  std::uint8_t detected = 0;
  (void)frivo::DecodeTextFile(bytes, detected);
  return 0;
}
