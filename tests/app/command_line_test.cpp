// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <QSet>
#include <random>

namespace frivo {
namespace {

// Only the listed paths exist, so tests do not depend on the machine's files.
PathExists Existing(QSet<QString> paths) {
  return [paths = std::move(paths)](const QString& path) { return paths.contains(path); };
}

TEST(TMyParam, TokenizerQuotingRules) {
  const struct {
    const char* line;
    QStringList tokens;
  } cases[] = {
      {R"(frivo a b)", {"frivo", "a", "b"}},
      {R"(frivo "/v/my video.mp4")", {"frivo", "/v/my video.mp4"}},
      {R"(frivo /v/my video.mp4)", {"frivo", "/v/my", "video.mp4"}},
      {R"(frivo "")", {"frivo", ""}},
      {R"(frivo "say ""hi""")", {"frivo", R"(say "hi")"}},
      {R"(frivo ab"cd ef"gh)", {"frivo", "ab", "cd ef", "gh"}},
      {"frivo\ta\r\nb  ", {"frivo", "a", "b"}},
      {R"(frivo "unterminated x)", {"frivo", "unterminated x"}},
      {"", {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TMyParam::Tokenize(QString::fromUtf8(c.line)), c.tokens) << c.line;
}

// An option and its value written as two words become one item; the items after
// it keep their order and count from it, however many words the line has.
TEST(TMyParam, JoinedOptionsKeepTheItemsInOrder) {
  QString line = QStringLiteral("frivo");
  for (int i = 0; i < 2000; ++i) line += QStringLiteral(" /T: %1 f%1").arg(i);
  const TMyParam param(line, Existing({}));
  ASSERT_EQ(param.Count(), 1 + 2 * 2000);
  EXPECT_EQ(param.OptionCount(), 2000);
  for (int i : {0, 1, 1999}) {
    const TMyParamOption& option = param.Item(1 + 2 * i);
    const TMyParamOption& file = param.Item(2 + 2 * i);
    EXPECT_EQ(option.RawText(), QStringLiteral("/T:%1").arg(i));
    EXPECT_EQ(option.Index(), 1 + 2 * i);
    EXPECT_EQ(file.RawText(), QStringLiteral("f%1").arg(i));
    EXPECT_EQ(file.Index(), 2 + 2 * i);
  }
  EXPECT_EQ(ReadStartRequest(param).startSeconds, 1999);
}

TEST(TMyParam, OptionsAndTheirFields) {
  TMyParam param(QStringLiteral(R"(frivo /T:1:30 /s:" 90 " /x / /home/me/a.mp4 /:v)"),
                 Existing({}));
  ASSERT_EQ(param.Count(), 7);
  const TMyParamOption& t = param.Item(1);
  EXPECT_TRUE(t.IsOption());
  EXPECT_TRUE(t.HasValue());
  EXPECT_EQ(t.Name(), QStringLiteral("T"));
  EXPECT_EQ(t.Value(), QStringLiteral("1:30"));
  EXPECT_TRUE(t.IsName(QStringLiteral("t")));

  // The quoted value after "/s:" is a separate word that the parser joins back.
  const TMyParamOption& s = param.Item(2);
  EXPECT_EQ(s.RawText(), QStringLiteral("/s: 90 "));
  EXPECT_EQ(s.UnquotedValue(), QStringLiteral("90"));
  EXPECT_EQ(s.NameUpper(), QStringLiteral("S"));

  const TMyParamOption& x = param.Item(3);
  EXPECT_TRUE(x.IsOption());
  EXPECT_FALSE(x.HasValue());
  EXPECT_EQ(x.Name(), QStringLiteral("x"));

  EXPECT_FALSE(param.Item(4).IsOption());  // a lone "/" is a value
  EXPECT_FALSE(param.Item(5).IsOption());  // an absolute path is a value
  EXPECT_TRUE(param.Item(6).IsOption());
  EXPECT_TRUE(param.Item(6).HasValue());
  EXPECT_TRUE(param.Item(6).Name().isEmpty());

  EXPECT_EQ(param.OptionCount(), 4);
  EXPECT_EQ(param.ValueCount(), 3);
  EXPECT_EQ(param.ProgramPath(), QStringLiteral("frivo"));
  EXPECT_EQ(param.Arguments().Count(), 6);
  EXPECT_EQ(param.Values().Get(2), QStringLiteral("/home/me/a.mp4"));
}

TEST(TMyParam, UnquotedValueRules) {
  TMyParam param(QStringLiteral(R"(p "/N:  ""a """"b"""" c""  ")"), Existing({}));
  // Token: /N:  "a ""b"" c"  -> trimmed, outer quotes removed, "" -> ".
  EXPECT_EQ(param.Item(1).UnquotedValue(), QStringLiteral(R"(a "b" c)"));
  EXPECT_EQ(param.Item(1).UnquotedValueUpper(), QStringLiteral(R"(A "B" C)"));
}

TEST(TMyParam, AnExistingFileThatLooksLikeAnOptionIsAValue) {
  TMyParam param(QStringLiteral("frivo /clip /T:5"), Existing({QStringLiteral("/clip")}));
  EXPECT_FALSE(param.Item(1).IsOption());
  EXPECT_TRUE(param.Item(2).IsOption());
  EXPECT_EQ(ReadStartRequest(param).file, QStringLiteral("/clip"));
}

TEST(StartRequest, FileAndStartPosition) {
  const struct {
    const char* line;
    const char* file;
    double start;
  } cases[] = {
      {"frivo /v/a.mp4 /t:90", "/v/a.mp4", 90},
      {"frivo /v/a.mp4 /T:1:30", "/v/a.mp4", 90},
      {"frivo /S:90 /v/a.mp4", "/v/a.mp4", 90},
      {"frivo /v/a.mp4 /T: 0:45", "/v/a.mp4", 45},
      {R"(frivo /v/a.mp4 /T: "0:45")", "/v/a.mp4", 45},
      {"frivo /T:10 /S:20 /v/a.mp4", "/v/a.mp4", 20},  // the last one wins
      {"frivo /S:20 /T:1:02:03.5 x", "x", 3723.5},
      {"frivo /S:abc a", "a", 0},
      {"frivo /Q:5 a b", "b", 0},  // two files: the second
      {R"(frivo "/v/my video.mp4")", "/v/my video.mp4", 0},
      {"frivo /v/my video.mp4", "video.mp4", 0},  // unquoted: the last word
      {R"(frivo a "")", "", 0},                   // empty name opens nothing
      {R"(frivo "" a)", "a", 0},
      {"frivo /", "/", 0},
      {"frivo", "", 0},
      {"frivo /T:", "", 0},
  };
  for (const auto& c : cases) {
    const StartRequest request =
        ReadStartRequest(TMyParam(QString::fromUtf8(c.line), Existing({})));
    EXPECT_EQ(request.file, QString::fromUtf8(c.file)) << c.line;
    EXPECT_DOUBLE_EQ(request.startSeconds, c.start) << c.line;
  }
}

TEST(CommandLineFromArguments, TokenizingGivesTheArgumentsBack) {
  const QStringList fixed = {QStringLiteral("/usr/bin/frivo"),
                             QStringLiteral("/v/my video.mp4"),
                             QStringLiteral(""),
                             QStringLiteral(R"(a"b)"),
                             QStringLiteral(R"(")"),
                             QStringLiteral(R"(end")"),
                             QStringLiteral("tab\there"),
                             QStringLiteral("日本語 ファイル.avi"),
                             QStringLiteral("$0041")};
  EXPECT_EQ(TMyParam::Tokenize(CommandLineFromArguments(fixed)), fixed);

  // Random words from a small alphabet that is rich in quotes and blanks.
  std::mt19937 random(1234);
  const QString alphabet = QStringLiteral("ab \"\t/:é");
  for (int round = 0; round < 2000; ++round) {
    QStringList words;
    const int count = 1 + static_cast<int>(random() % 5);
    for (int w = 0; w < count; ++w) {
      QString word;
      const int length = static_cast<int>(random() % 6);
      for (int k = 0; k < length; ++k)
        word += alphabet[static_cast<int>(random() % alphabet.size())];
      words.append(word);
    }
    ASSERT_EQ(TMyParam::Tokenize(CommandLineFromArguments(words)), words)
        << CommandLineFromArguments(words).toStdString();
  }
}

}  // namespace
}  // namespace frivo
