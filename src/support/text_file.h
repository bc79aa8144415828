// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// Reading, decoding and encoding whole text files (the byte side of TMyWStrings).

#include <QByteArray>
#include <QString>
#include <chrono>
#include <cstdint>

namespace frivo {

struct TextFileBytes {
  QByteArray bytes;
  bool readable = false;  // false after four failed attempts (the beep has sounded)
  bool tooLarge = false;  // more than `maxFileBytes`; nothing was read
};

// Reads at most `byteCount` bytes (negative: the whole file) from the start of a
// file with one read. A failed open or read is tried again after a pause that
// lets pending events run, four attempts in all; when all fail the system beep
// sounds. A file larger than `maxFileBytes` is not read.
[[nodiscard]] TextFileBytes ReadTextFileBytes(const QString& path, qint64 byteCount,
                                              qint64 maxFileBytes);

// The pause between read attempts: 200 ms. Tests may shorten it.
std::chrono::milliseconds& TextFileRetryPause();

// Decodes a file's bytes. `encoding` is in/out: the requested code (0 or above 11:
// look for a byte-order mark, else detect from the first 1024 bytes), then the
// code used. A mark is skipped only when found by that look; with an explicit
// code it stays in the text as U+FEFF. Decoding stops at the first zero byte
// (zero unit for UTF-16). Empty input leaves `encoding` alone.
[[nodiscard]] QString DecodeTextFile(const QByteArray& bytes, uint8_t& encoding);

// The bytes to write for `text` in `encoding`. Code 0 writes CP932 when every
// character fits, else UTF-8 with mark. A leading U+FEFF of the text is not
// written twice in the UTF-8 and UTF-16 codes. Code 11 and unknown codes write
// CP932.
[[nodiscard]] QByteArray EncodeTextFile(const QString& text, uint8_t encoding);

}  // namespace frivo
