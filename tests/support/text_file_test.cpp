// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "support/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "common/file_size_limit.h"
#include "common/temp_dir.h"
#include "support/system_hooks.h"
#include "support/text_codec.h"
#include "support/wide_strings.h"

namespace frivo {
namespace {

using test::ReadAll;
using test::TempDir;
using test::WriteAll;

// Counts beeps and event pumps, and makes read retries instant, for one test.
class TextFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedHooks_ = Hooks();
    savedPause_ = TextFileRetryPause();
    TextFileRetryPause() = std::chrono::milliseconds(0);
    Hooks().beep = [this] { ++beeps_; };
    Hooks().process_events = [this] { ++eventPumps_; };
  }
  void TearDown() override {
    Hooks() = savedHooks_;
    TextFileRetryPause() = savedPause_;
  }

  QStringList Lines(const TMyWStrings& list) {
    QStringList out;
    for (int i = 0; i < list.Count(); ++i) out << list.Get(i);
    return out;
  }

  TempDir dir_;
  int beeps_ = 0;
  int eventPumps_ = 0;

 private:
  SystemHooks savedHooks_;
  std::chrono::milliseconds savedPause_{};
};

const QStringList kJapaneseLines = {
    QStringLiteral("日本語のテキストです。"),
    QStringLiteral("カタカナとひらがな、漢字。"),
    QString(),
    QStringLiteral("Path=/home/user/動画/サンプル.mp4"),
};

// Every encoding code, saved with each line-break style and loaded back both with
// the same code and with detection: same lines, same style, and detection finds
// the code (marks for 2, 4 and 6; the detector for the others).
TEST_F(TextFileTest, EveryEncodingRoundTripsJapaneseTextAndLineBreaks) {
  struct Case {
    uint8_t saveCode;
    uint8_t detected;
  };
  const Case cases[] = {
      {kEncodingAuto, kEncodingAnsi},  // every character fits CP932
      {kEncodingAnsi, kEncodingAnsi},
      {kEncodingUtf16Le, kEncodingUtf16Le},
      {kEncodingUtf16LeNoMark, kEncodingUtf16LeNoMark},
      {kEncodingUtf16Be, kEncodingUtf16Be},
      {kEncodingUtf16BeNoMark, kEncodingUtf16BeNoMark},
      {kEncodingUtf8, kEncodingUtf8},
      {kEncodingUtf8NoMark, kEncodingUtf8NoMark},
      {kEncodingUtf7, kEncodingUtf7},
      {kEncodingIso2022Jp, kEncodingIso2022Jp},
      {kEncodingEucJp, kEncodingEucJp},
  };
  const uint8_t styles[] = {kLineBreakCrLf, kLineBreakCr, kLineBreakLf};
  const QString path = dir_.File(QStringLiteral("t.txt"));
  for (const Case& c : cases) {
    for (const uint8_t style : styles) {
      SCOPED_TRACE(testing::Message() << "code " << int(c.saveCode) << " style " << int(style));
      TMyWStrings out;
      for (const QString& line : kJapaneseLines) out.Add(line);
      ASSERT_TRUE(out.SaveToFile(path, c.saveCode, style));
      EXPECT_EQ(out.LineBreakStyle(), style);

      TMyWStrings in;
      const uint8_t requested = c.saveCode == kEncodingAuto ? uint8_t{kEncodingAnsi} : c.saveCode;
      uint8_t code = requested;
      in.LoadFromFile(path, code);
      EXPECT_EQ(code, requested);
      // With the code given, a mark is not looked for: it stays as U+FEFF.
      QStringList expected = kJapaneseLines;
      if (c.saveCode == kEncodingUtf16Le || c.saveCode == kEncodingUtf16Be ||
          c.saveCode == kEncodingUtf8) {
        expected[0].prepend(QChar(0xFEFF));
      }
      EXPECT_EQ(Lines(in), expected);
      EXPECT_EQ(in.LineBreakStyle(), style);

      TMyWStrings detected;
      detected.LoadFromFile(path);  // the encoding field starts at 0: detect
      EXPECT_EQ(detected.Encoding(), c.detected);
      EXPECT_EQ(Lines(detected), kJapaneseLines);
      EXPECT_EQ(detected.LineBreakStyle(), style);
    }
  }
}

TEST_F(TextFileTest, MarksAreWrittenOnceAndSkippedOnlyWhenDetected) {
  const QString path = dir_.File(QStringLiteral("m.txt"));
  // The bytes each code writes for a text that already begins with U+FEFF.
  struct Case {
    uint8_t code;
    QByteArray bytes;
  };
  const QString text = QChar(0xFEFF) + QStringLiteral("あ");
  const Case cases[] = {
      {kEncodingUtf8, "\xEF\xBB\xBF\xE3\x81\x82\r\n"},
      {kEncodingUtf8NoMark, "\xE3\x81\x82\r\n"},
      {kEncodingUtf16Le, QByteArray("\xFF\xFE\x42\x30\r\0\n\0", 8)},
      {kEncodingUtf16LeNoMark, QByteArray("\x42\x30\r\0\n\0", 6)},
      {kEncodingUtf16Be, QByteArray("\xFE\xFF\x30\x42\0\r\0\n", 8)},
      {kEncodingUtf16BeNoMark, QByteArray("\x30\x42\0\r\0\n", 6)},
  };
  for (const Case& c : cases) {
    TMyWStrings list;
    list.Add(text);
    ASSERT_TRUE(list.SaveToFile(path, c.code));
    EXPECT_EQ(ReadAll(path), c.bytes) << int(c.code);
  }

  // A mark found by detection is skipped; with the code asked for it stays.
  const Case marked[] = {
      {kEncodingUtf8, "\xEF\xBB\xBF\xE3\x81\x82"},
      {kEncodingUtf16Le, QByteArray("\xFF\xFE\x42\x30", 4)},
      {kEncodingUtf16Be, QByteArray("\xFE\xFF\x30\x42", 4)},
  };
  for (const Case& c : marked) {
    ASSERT_TRUE(WriteAll(path, c.bytes));
    TMyWStrings list;
    uint8_t code = kEncodingAuto;
    list.LoadFromFile(path, code);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(list.Get(0), QStringLiteral("あ"));
    code = c.code;
    list.LoadFromFile(path, code);
    EXPECT_EQ(list.Get(0), text) << int(c.code);
  }
}

TEST_F(TextFileTest, LineBreakStylesAreKeptFromLoadToSave) {
  const QString path = dir_.File(QStringLiteral("l.txt"));
  struct Case {
    QByteArray file;
    QStringList lines;
    uint8_t style;
    QByteArray saved;  // saved again with the same code
  };
  const Case cases[] = {
      {"a\nb\n", {"a", "b"}, kLineBreakLf, "a\nb\n"},
      {"a\rb", {"a", "b"}, kLineBreakCr, "a\rb\r"},
      {"a\r\n\r\nb", {"a", "", "b"}, kLineBreakCrLf, "a\r\n\r\nb\r\n"},
      {"single", {"single"}, kLineBreakCrLf, "single\r\n"},
      {"mixed\r\nlf\n", {"mixed", "lf"}, kLineBreakCrLf, "mixed\r\nlf\r\n"},
      {"cr\rlf\n", {"cr", "lf"}, kLineBreakCrLf, "cr\r\nlf\r\n"},
      {"\n\n", {"", ""}, kLineBreakLf, "\n\n"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteAll(path, c.file));
    TMyWStrings list;
    list.LoadFromFile(path);
    EXPECT_EQ(Lines(list), c.lines) << c.file.toStdString();
    EXPECT_EQ(list.LineBreakStyle(), c.style) << c.file.toStdString();
    ASSERT_TRUE(list.SaveToFile(path));
    EXPECT_EQ(ReadAll(path), c.saved);
  }
}

TEST_F(TextFileTest, Utf8FileWithMarkSavesByteForByteTheSame) {
  const QString path = dir_.File(QStringLiteral("u.txt"));
  const QByteArray original = QByteArray("\xEF\xBB\xBF") +
                              QStringLiteral("[履歴]\n1=/home/ユーザー/ビデオ/é.mkv\n").toUtf8();
  ASSERT_TRUE(WriteAll(path, original));
  TMyWStrings list;
  list.LoadFromFile(path);
  EXPECT_EQ(list.Encoding(), kEncodingUtf8);
  ASSERT_TRUE(list.SaveToFile(path));
  EXPECT_EQ(ReadAll(path), original);
}

TEST_F(TextFileTest, AutomaticSaveChoosesShiftJisOrUtf8WithMark) {
  const QString path = dir_.File(QStringLiteral("a.txt"));
  TMyWStrings list;
  list.Add(QStringLiteral("表示"));
  ASSERT_TRUE(list.SaveToFile(path, kEncodingAuto));
  EXPECT_EQ(ReadAll(path), QByteArray("\x95\x5C\x8E\xA6\r\n"));
  list.Add(QStringLiteral("café"));
  ASSERT_TRUE(list.SaveToFile(path, kEncodingAuto));
  EXPECT_EQ(ReadAll(path),
            QByteArray("\xEF\xBB\xBF") + QStringLiteral("表示\r\ncafé\r\n").toUtf8());
  // CP932 bytes that detection would read as another encoding (here ASCII with
  // the ISO-2022-JP escape to two-byte mode) are written as UTF-8 with a mark.
  TMyWStrings escape;
  escape.Add(QStringLiteral("a\x1b$@B"));
  escape.Add(QStringLiteral("[Option]"));
  ASSERT_TRUE(escape.SaveToFile(path, kEncodingAuto));
  EXPECT_EQ(ReadAll(path), QByteArray("\xEF\xBB\xBF") + "a\x1b$@B\r\n[Option]\r\n");
  TMyWStrings back;
  back.LoadFromFile(path);
  EXPECT_EQ(Lines(back), QStringList({"a\x1b$@B", "[Option]"}));
}

TEST_F(TextFileTest, DecodingStopsAtTheFirstZero) {
  struct Case {
    QByteArray bytes;
    uint8_t code;
    QString text;
  };
  const Case cases[] = {
      {QByteArray("ab\0cd", 5), kEncodingAnsi, QStringLiteral("ab")},
      {QByteArray("\xE3\x81\x82\0x", 5), kEncodingUtf8NoMark, QStringLiteral("あ")},
      {QByteArray("\xA4\xA2\0x", 4), kEncodingEucJp, QStringLiteral("あ")},
      {QByteArray("a\0b\0\0\0c\0", 8), kEncodingUtf16LeNoMark, QStringLiteral("ab")},
      {QByteArray("\0a\0\0\0c", 6), kEncodingUtf16BeNoMark, QStringLiteral("a")},
      // A zero byte inside a UTF-16 unit is not the end.
      {QByteArray("\0\x30\x42\0", 4), kEncodingUtf16LeNoMark, QString(QChar(0x3000)) + QChar(0x42)},
      // An odd last byte is read with a zero high byte.
      {QByteArray("a\0b", 3), kEncodingUtf16LeNoMark, QStringLiteral("ab")},
      // A UTF-7 base64 run can decode to U+0000 without a zero byte: the text
      // ends there too.
      {QByteArray("a+AAA-b"), kEncodingUtf7, QStringLiteral("a")},
  };
  for (const Case& c : cases) {
    uint8_t code = c.code;
    EXPECT_EQ(DecodeTextFile(c.bytes, code), c.text) << c.bytes.toHex().toStdString();
    EXPECT_EQ(code, c.code);
  }
}

TEST_F(TextFileTest, EncodingCodeIsUpdatedOnlyByNonEmptyFiles) {
  const QString empty = dir_.File(QStringLiteral("empty.txt"));
  ASSERT_TRUE(WriteAll(empty, QByteArray()));
  const QString ascii = dir_.File(QStringLiteral("ascii.txt"));
  ASSERT_TRUE(WriteAll(ascii, "key=value\r\n"));

  TMyWStrings list;
  list.Add(QStringLiteral("old"));
  for (const uint8_t requested : {uint8_t{0}, uint8_t{6}, uint8_t{200}}) {
    uint8_t code = requested;
    list.LoadFromFile(empty, code);
    EXPECT_EQ(code, requested);
    EXPECT_EQ(list.Count(), 0);
  }
  // A code above 11 means "detect"; an unknown result reads as CP932 (1).
  uint8_t code = 200;
  list.LoadFromFile(ascii, code);
  EXPECT_EQ(code, kEncodingAnsi);
  EXPECT_EQ(Lines(list), QStringList{"key=value"});
}

TEST_F(TextFileTest, HexDumpCodeShowsTheBytes) {
  const QString path = dir_.File(QStringLiteral("h.bin"));
  QByteArray bytes;
  for (int i = 0; i < 40; ++i) bytes += static_cast<char>(i * 7);
  ASSERT_TRUE(WriteAll(path, bytes));
  TMyWStrings list;
  uint8_t code = kEncodingHexDump;
  list.LoadFromFile(path, code);
  EXPECT_EQ(code, kEncodingHexDump);
  ASSERT_EQ(list.Count(), 3);  // 16 + 16 + 8 bytes; zero bytes do not end a dump
  EXPECT_TRUE(list.Get(0).startsWith(QStringLiteral("00000000  00 07 0e 15")));
  EXPECT_TRUE(list.Get(2).startsWith(QStringLiteral("00000020  e0 e7 ee f5 fc 03 0a 11")));
}

TEST_F(TextFileTest, ByteCountLimitsWhatIsRead) {
  const QString path = dir_.File(QStringLiteral("c.txt"));
  ASSERT_TRUE(WriteAll(path, "first\r\nsecond\r\n"));
  TMyWStrings list;
  uint8_t code = kEncodingAnsi;
  list.LoadFromFile(path, code, 8);
  EXPECT_EQ(Lines(list), (QStringList{"first", "s"}));
  list.LoadFromFile(path, code, 1000);
  EXPECT_EQ(Lines(list), (QStringList{"first", "second"}));
}

TEST_F(TextFileTest, UnreadableFilesAreTriedFourTimesThenBeep) {
  TMyWStrings list;
  list.Add(QStringLiteral("old"));
  uint8_t code = kEncodingUtf8;
  list.LoadFromFile(dir_.File(QStringLiteral("missing.txt")), code);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(code, kEncodingUtf8);
  EXPECT_EQ(beeps_, 1);
  EXPECT_EQ(eventPumps_, 3);  // between the four attempts

  list.LoadFromFile(dir_.Path(), code);  // a folder
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(beeps_, 2);
}

TEST_F(TextFileTest, FileAboveTheSizeLimitLoadsEmpty) {
  const QString path = dir_.File(QStringLiteral("huge.txt"));
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.write("line\r\n") == 6);
    ASSERT_TRUE(file.resize(TMyWStrings::kMaxFileBytes + 1));  // sparse, cheap
  }
  TMyWStrings list;
  list.Add(QStringLiteral("old"));
  list.LoadFromFile(path);
  EXPECT_EQ(list.Count(), 0);
  // A limited read of the same file is within the limit.
  uint8_t code = kEncodingAnsi;
  list.LoadFromFile(path, code, 6);
  EXPECT_EQ(Lines(list), QStringList{"line"});
}

TEST_F(TextFileTest, FailedSavesLeaveTheOldFileAndReturnFalse) {
  TMyWStrings list;
  list.Add(QStringLiteral("新しい内容"));
  const QByteArray old = "old content\r\n";

  const QString readOnlyFile = dir_.File(QStringLiteral("ro.txt"));
  ASSERT_TRUE(WriteAll(readOnlyFile, old));
  ASSERT_EQ(chmod(QFile::encodeName(readOnlyFile).constData(), 0444), 0);
  EXPECT_FALSE(list.SaveToFile(readOnlyFile, kEncodingUtf8));
  EXPECT_EQ(ReadAll(readOnlyFile), old);

  EXPECT_FALSE(list.SaveToFile(QStringLiteral("/dev/full"), kEncodingUtf8));
  EXPECT_FALSE(list.SaveToFile(dir_.File(QStringLiteral("no/such/folder.txt"))));

  // A write cut short (a full disk, here a file size limit) keeps the old bytes.
  const QString path = dir_.File(QStringLiteral("big.txt"));
  ASSERT_TRUE(WriteAll(path, old));
  TMyWStrings big;
  big.AddEmpty(1);
  big.Put(0, QString(20000, QChar(0x3042)));
  {
    const test::ScopedFileSizeLimit limit(4096);
    ASSERT_TRUE(limit.Active());
    EXPECT_FALSE(big.SaveToFile(path, kEncodingUtf8));
  }
  EXPECT_EQ(ReadAll(path), old);

  // A folder we may not write to (root may write anywhere, so only as a user).
  if (geteuid() != 0) {
    TempDir locked;
    const QString inLocked = locked.File(QStringLiteral("s.ini"));
    ASSERT_TRUE(WriteAll(inLocked, old));
    ASSERT_EQ(chmod(QFile::encodeName(locked.Path()).constData(), 0555), 0);
    EXPECT_FALSE(list.SaveToFile(inLocked, kEncodingUtf8));
    EXPECT_EQ(ReadAll(inLocked), old);
    chmod(QFile::encodeName(locked.Path()).constData(), 0755);
  }
}

TEST_F(TextFileTest, Iso2022JpWritesHalfwidthKatakanaAsFullwidth) {
  uint8_t code = kEncodingIso2022Jp;
  const QByteArray bytes = EncodeTextFile(QStringLiteral("ｶﾞｲﾄﾞﾟ"), code);
  EXPECT_EQ(DecodeTextFile(bytes, code), QStringLiteral("ガイド゜"));
  // The characters other code pages lack are written as "?", not dropped.
  for (const uint8_t other : {kEncodingEucJp, kEncodingIso2022Jp, kEncodingAnsi}) {
    code = other;
    EXPECT_EQ(DecodeTextFile(EncodeTextFile(QStringLiteral("a😀b"), code), code),
              QStringLiteral("a?b"))
        << int(other);
  }
}

}  // namespace
}  // namespace frivo
