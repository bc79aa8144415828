// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers

// Arbitrary bytes, as a damaged or foreign file would hold, must never crash the
// text layer or make it read out of bounds (run these under the sanitizer preset).

#include <gtest/gtest.h>

#include <random>

#include "common/temp_dir.h"
#include "support/dollar_escape.h"
#include "support/system_hooks.h"
#include "support/text_codec.h"
#include "support/text_file.h"
#include "support/wide_strings.h"

namespace frivo {
namespace {

// Random inputs biased towards the bytes the decoders treat specially: zeros,
// marks, lead bytes, escape sequences, "$" escapes and UTF-7 shifts.
class RandomBytes {
 public:
  explicit RandomBytes(uint32_t seed) : random_(seed) {}

  QByteArray Next() {
    static const char* const kPieces[] = {
        "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF", "\x1b$B",     "\x1b(B", "\x1b(I",   "\x1b$(D",
        "$0041",        "$d83d",    "$",        "+ZeVnLIqe-", "+",      "-",        "\r\n",
        "\x82\xa0",     "\xa4\xa2", "\x8e",     "\x8f",       "\x81",   "\xe3\x81",
    };
    QByteArray out;
    const int length = static_cast<int>(random_() % 200);
    const int style = static_cast<int>(random_() % 3);
    while (out.size() < length) {
      const uint32_t pick = random_() % 10;
      if (style == 0 || pick < 4) {
        out += static_cast<char>(random_() % 256);
      } else if (pick < 7) {
        out += kPieces[random_() % std::size(kPieces)];
      } else if (style == 1) {
        out += static_cast<char>(0x80 + random_() % 128);  // mostly multi-byte
      } else {
        out += static_cast<char>(random_() % 2 ? 0 : 0x20 + random_() % 96);  // UTF-16-like
      }
    }
    return out;
  }

 private:
  std::mt19937 random_;
};

TEST(RandomInput, DecodersAndDetectionAcceptAnyBytes) {
  RandomBytes source(20260101);
  for (int round = 0; round < 3000; ++round) {
    const QByteArray bytes = source.Next();
    const int sampleSize = static_cast<int>(bytes.size());
    const uint8_t detected = DetectEncoding(bytes.constData(), sampleSize);
    ASSERT_LE(detected, kEncodingEucJp) << bytes.toHex().toStdString();
    ASSERT_NE(detected, kEncodingAuto);
    ASSERT_LE(TellCp932FromUtf16(bytes.constData(), sampleSize), kEncodingUtf16BeNoMark);

    // Every code, including the unknown 12 (read as "detect").
    const uint8_t code = static_cast<uint8_t>(round % 13);
    uint8_t used = code;
    const QString text = DecodeTextFile(bytes, used);
    if (bytes.isEmpty()) {
      ASSERT_EQ(used, code);
    } else {
      ASSERT_NE(used, kEncodingAuto);
      ASSERT_LE(used, kEncodingHexDump);
    }

    // Whatever was decoded can be written in every code and stored as an item.
    (void)EncodeTextFile(text, static_cast<uint8_t>(round % 12));
    const QString item = text.left(64);
    ASSERT_EQ(EscapedAnsiToWide(WideToEscapedAnsi(item)), item) << round;
    (void)EscapedAnsiToWide(bytes);
  }
}

TEST(RandomInput, LoadingRandomFilesNeverFails) {
  const SystemHooks savedHooks = Hooks();
  Hooks().beep = [] { ADD_FAILURE() << "a readable file must not beep"; };
  test::TempDir dir;
  const QString path = dir.File(QStringLiteral("random.txt"));
  RandomBytes source(77);
  TMyWStrings list;
  for (int round = 0; round < 200; ++round) {
    const QByteArray bytes = source.Next();
    ASSERT_TRUE(test::WriteAll(path, bytes));
    uint8_t code = static_cast<uint8_t>(round % 13);
    list.LoadFromFile(path, code, round % 4 == 0 ? round % 50 : -1);
    // The lines read back as the same items after a save in the code used, for
    // the codes without mark that keep every character.
    if (code == kEncodingUtf16LeNoMark || code == kEncodingUtf16BeNoMark ||
        code == kEncodingUtf8NoMark) {
      QStringList before;
      for (int i = 0; i < list.Count(); ++i) before << list.Get(i);
      ASSERT_TRUE(list.SaveToFile(path, code));
      uint8_t again = code;
      list.LoadFromFile(path, again);
      QStringList after;
      for (int i = 0; i < list.Count(); ++i) after << list.Get(i);
      // UTF-8 writes lone surrogates as replacements; compare line counts there.
      if (code != kEncodingUtf8NoMark) {
        ASSERT_EQ(after, before) << round;
      } else {
        ASSERT_EQ(after.size(), before.size()) << round;
      }
    }
  }
  Hooks() = savedHooks;
}

}  // namespace
}  // namespace frivo
