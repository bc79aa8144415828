// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "support/text_codec.h"

#include <gtest/gtest.h>

#include "support/text_file.h"

namespace frivo {
namespace {

TEST(TextCodec, Cp932ConversionHasNoBestFit) {
  EXPECT_EQ(ToCp932(QStringLiteral("表示テスト")),
            QByteArray("\x95\x5C\x8E\xA6\x83\x65\x83\x58\x83\x67"));
  bool allMapped = true;
  EXPECT_EQ(ToCp932(QStringLiteral("aéb"), '?', &allMapped), QByteArray("a?b"));
  EXPECT_FALSE(allMapped);
  EXPECT_TRUE(FitsCp932(QStringLiteral("半角ｶﾅ・①～")));
  EXPECT_FALSE(FitsCp932(QStringLiteral("café")));
  EXPECT_FALSE(FitsCp932(QStringLiteral("😀")));
  EXPECT_EQ(FromCp932("\x95\x5C\x8E\xA6"), QStringLiteral("表示"));
}

// ASCII text skips the converter, but the three control characters that this
// CP932 table swaps must still convert as the converter does, alone and among
// plain ASCII, both ways.
TEST(TextCodec, AsciiConvertsAsTheCp932TableSays) {
  QString ascii;
  for (char16_t unit = 1; unit < 0x80; ++unit) ascii += QChar(unit);
  EXPECT_EQ(FromCp932(ToCp932(ascii)), ascii);
  const struct {
    const char16_t* text;
    QByteArray bytes;
  } cases[] = {
      {u"C:\\a~b", QByteArray("C:\\a~b")},
      {u"\x1a", QByteArray("\x7f")},
      {u"x\x1cy", QByteArray("x\x1ay")},
      {u"\x7f.", QByteArray("\x1c.")},
  };
  for (const auto& c : cases) {
    const QString text = QString::fromUtf16(c.text);
    EXPECT_EQ(ToCp932(text), c.bytes) << text.toStdString();
    EXPECT_EQ(FromCp932(c.bytes), text) << text.toStdString();
  }
}

// Realistic Japanese samples in every encoding the detector must recognise.
TEST(TextCodec, DetectsJapaneseEncodingsWithoutMark) {
  const QString samples[] = {
      QStringLiteral("こんにちは"),
      QStringLiteral("日本語のテキストです。\r\n二行目。\r\n"),
      QStringLiteral("[Settings]\r\nPath=/home/user/動画/サンプル.mp4\r\nVolume=100\r\n"),
      QStringLiteral("吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。"),
      QStringLiteral("1=/media/ﾃｽﾄ/ファイル名.mp4\n2=/home/a/b.avi\n"),
      QStringLiteral("a=動画"),
  };
  const uint8_t codes[] = {kEncodingAnsi,       kEncodingEucJp,         kEncodingIso2022Jp,
                           kEncodingUtf8NoMark, kEncodingUtf16LeNoMark, kEncodingUtf16BeNoMark,
                           kEncodingUtf7};
  for (const QString& sample : samples) {
    for (const uint8_t code : codes) {
      const QByteArray bytes = EncodeTextFile(sample, code);
      EXPECT_EQ(DetectEncoding(bytes.constData(), static_cast<int>(bytes.size())), code)
          << "code " << int(code) << ": " << sample.toStdString();
    }
  }
  // Plain ASCII, and ASCII with a stray "+word-" that UTF-7 could read, stay CP932;
  // so does one whose UTF-7 reading holds U+0000 (the "A"s) among ideographs.
  for (const char* ascii : {"hello world\r\nkey=value\r\n", "C:/a+abc-/b.txt", "x=+value-2",
                            "key=+hello-world", "1+1-2=0", "a+ZeV-b", "0+MMMww/81/1kAAAAAA,"}) {
    EXPECT_EQ(DetectEncoding(ascii, static_cast<int>(qstrlen(ascii))), kEncodingAnsi) << ascii;
  }
}

TEST(TextCodec, TellsCp932FromUtf16ByItsBytes) {
  struct Case {
    QByteArray sample;
    uint8_t code;
  };
  const Case cases[] = {
      {"plain text", kEncodingAnsi},
      {"\x95\x5C\x8E\xA6", kEncodingAnsi},                // valid Shift-JIS
      {"\xFB\xFC\x8B\xB4\xF0\x40", kEncodingAnsi},        // IBM and user rows: 髙橋, U+E000
      {"T\x7F\r\n[A]\r\n", kEncodingAnsi},                // 7F as written for U+001A
      {QByteArray("a\0b\0", 4), kEncodingUtf16LeNoMark},  // zeros at odd offsets
      {QByteArray("\0a\0b", 4), kEncodingUtf16BeNoMark},  // zeros at even offsets
      {QByteArray("a\0\0b", 4), kEncodingAnsi},           // zeros at both: not UTF-16
      // No zeros, invalid Shift-JIS (0x30 after the lead byte 0x93): the kana share decides.
      {"\x93\x30\x93\x30\x42\x30", kEncodingUtf16LeNoMark},  // んんあ little-endian
      {"\x30\x93\x30\x93\x30\x42", kEncodingUtf16BeNoMark},  // the same big-endian
      {"\xFF\xFE", kEncodingUtf16BeNoMark},                  // invalid, one unit, no kana
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TellCp932FromUtf16(c.sample.constData(), static_cast<int>(c.sample.size())), c.code)
        << c.sample.toHex().toStdString();
  }
}

TEST(TextCodec, MapsCodePagesToEncodingCodes) {
  const std::pair<int, uint8_t> cases[] = {
      {1200, 3},  {1201, 5},  {20932, 10}, {51932, 10}, {51936, 10}, {51949, 10},
      {50220, 9}, {50221, 9}, {50222, 9},  {50225, 9},  {50227, 9},  {65000, 8},
      {65001, 7}, {932, 1},   {1252, 1},   {0, 1},      {12000, 1},
  };
  for (const auto& [codePage, code] : cases) {
    EXPECT_EQ(EncodingOfCodePage(codePage), code) << codePage;
  }
}

TEST(TextCodec, HexDumpShowsSixteenBytesALine) {
  const QByteArray bytes("ABCDEFGHIJKLMNOP\x01\xFFxy", 20);
  EXPECT_EQ(HexDump(bytes.constData(), bytes.size()),
            QStringLiteral("00000000  41 42 43 44 45 46 47 48  49 4a 4b 4c 4d 4e 4f 50  "
                           "ABCDEFGHIJKLMNOP\r\n"
                           "00000010  01 ff 78 79                                       ..xy\r\n"));
  EXPECT_TRUE(HexDump(nullptr, 0).isEmpty());
}

}  // namespace
}  // namespace frivo
