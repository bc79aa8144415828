// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "support/dollar_escape.h"

#include <gtest/gtest.h>

#include <random>

namespace frivo {
namespace {

struct EscapeCase {
  QString text;
  QByteArray stored;
};

TEST(DollarEscape, StoredFormsOfKnownTexts) {
  const EscapeCase cases[] = {
      {QString(), QByteArray()},
      {QStringLiteral("abc"), "abc"},
      {QStringLiteral("a$b"), "a$0024b"},
      {QStringLiteral("é"), "$00e9"},
      // Plain Shift-JIS without "$" is stored as its bytes; 表, ソ and 能 end in 0x5C.
      {QStringLiteral("表ソ能"), "\x95\x5C\x83\x5C\x94\x5C"},
      // With a "$" present the walk must copy each double-byte character whole:
      // the trail byte 0x5C or 0x40 ("@") is not a character of its own.
      {QStringLiteral("表$＠"), "\x95\x5C$0024\x81\x97"},
      {QStringLiteral("C:\\動画\\$é"), "C:\\\x93\xae\x89\xe6\\$0024$00e9"},
      // No best fit: the yen sign and the wave dash have no exact CP932 character.
      {QStringLiteral("¥〜"), "$00a5$301c"},
      {QStringLiteral("～"), "\x81\x60"},
      // A pair is escaped unit by unit; an unpaired surrogate keeps its unit.
      {QStringLiteral("x😀"), "x$d83d$de00"},
      {QString(QChar(0xD800)), "$d800"},
      // U+0001 is a CP932 byte of its own; it is escaped only when the walk runs.
      {QString(QChar(1)), "\x01"},
      {QStringLiteral("$") + QChar(1), "$0024$0001"},
      // Invisible characters without a CP932 equivalent are escaped, not dropped.
      {QString(QChar(0xFEFF)) + QChar(0x41), "$feffA"},
      {QStringLiteral("a") + QChar(0x200B) + QChar(0xFE0F), "a$200b$fe0f"},
      // A private-use character is not replaced by a look-alike (ICU would write
      // U+F86F as the bytes of "№").
      {QString(QChar(0xF86F)), "$f86f"},
      {QStringLiteral("№"), "\x87\x82"},
      // The control characters this CP932 table swaps keep their swapped bytes
      // when the walk meets them.
      {QString(QChar(0x1A)) + QChar(0x7F) + QStringLiteral("$"), "\x7f\x1c$0024"},
  };
  // Characters are looked up once and then remembered: the second pass must
  // give the same stored forms from what the first one looked up.
  for (int pass = 0; pass < 2; ++pass) {
    for (const EscapeCase& c : cases) {
      EXPECT_EQ(WideToEscapedAnsi(c.text), c.stored) << c.text.toStdString() << " pass " << pass;
      EXPECT_EQ(EscapedAnsiToWide(c.stored), c.text) << c.text.toStdString();
    }
  }
}

TEST(DollarEscape, DecodingLeavesInvalidEscapesAlone) {
  const EscapeCase cases[] = {
      {QStringLiteral("$zz"), "$zz"},       {QStringLiteral("A"), "$0041"},
      {QStringLiteral("é"), "$00E9"},       {QStringLiteral("$004"), "$004"},
      {QStringLiteral("$A"), "$$0041"},     {QStringLiteral("ab$"), "ab$"},
      {QStringLiteral("$00g1x"), "$00g1x"}, {QStringLiteral("é1"), "$00e91"},
      {QStringLiteral("表"), "\x95\x5C"},
  };
  for (const EscapeCase& c : cases) {
    EXPECT_EQ(EscapedAnsiToWide(c.stored), c.text) << c.stored.toStdString();
  }
}

// Any text, random code units included, comes back unchanged.
TEST(DollarEscape, RandomTextsRoundTrip) {
  std::mt19937 random(1234);
  const char16_t pool[] = {u'a',   u'$',   u'0',   u'\\',  u'=',   0x0001, 0x00E9, 0x3042, 0x8868,
                           0xFF5E, 0x00A5, 0xE000, 0xFFFD, 0xD83D, 0xDE00, 0xFEFF, 0x200B, 0xF86F};
  for (int round = 0; round < 3000; ++round) {
    QString text;
    const int length = static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i) {
      // Half the units from the pool of tricky ones, half anywhere in UTF-16.
      const char16_t unit = (random() % 2) ? pool[random() % std::size(pool)]
                                           : static_cast<char16_t>(1 + random() % 0xFFFF);
      text += QChar(unit);
    }
    const QByteArray stored = WideToEscapedAnsi(text);
    ASSERT_EQ(EscapedAnsiToWide(stored), text) << "round " << round;
  }
}

}  // namespace
}  // namespace frivo
