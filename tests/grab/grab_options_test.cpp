// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "grab/grab_options.h"

#include <gtest/gtest.h>

namespace frivo {
namespace {

QStringList Split(const char* line) {
  return QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

TEST(GrabTime, ReadsTheCommandLineForms) {
  const struct {
    const char* text;
    bool ok;
    double seconds;
  } cases[] = {
      {"90", true, 90},      {"1:30", true, 90},    {"1:02:03.5", true, 3723.5},
      {"0.04", true, 0.04},  {".5", true, 0.5},     {"90:00", true, 5400},
      {"", false, 0},        {"abc", false, 0},     {"-1", false, 0},
      {"1:60", false, 0},    {"1:60:00", false, 0}, {"1::2", false, 0},
      {"1:2:3:4", false, 0}, {"1e3", false, 0},
  };
  for (const auto& c : cases) {
    double seconds = -1;
    EXPECT_EQ(ParseGrabTime(QString::fromUtf8(c.text), &seconds), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(seconds, c.seconds) << c.text;
    }
  }
}

TEST(GrabCommandLine, TakesEveryOptionAndSeveralStartsAndFiles) {
  const TGrabCommandLine line = ParseGrabCommandLine(
      Split("--start 1:00 a.mp4 --start=2.5 --count 7 --format PNG --quality 30 --output out "
            "--overwrite b.mkv -- --odd-name.avi"));
  ASSERT_TRUE(line.error.isEmpty()) << line.error.toStdString();
  const TGrabOptions& o = line.options;
  EXPECT_EQ(o.files, Split("a.mp4 b.mkv --odd-name.avi"));
  EXPECT_EQ(o.starts, (QList<double>{60.0, 2.5}));
  EXPECT_EQ(o.count, 7);
  EXPECT_EQ(o.format, TGrabFormat::kPng);
  EXPECT_EQ(o.quality, 30);
  EXPECT_EQ(o.output, QStringLiteral("out"));
  EXPECT_TRUE(o.overwrite);

  const TGrabOptions defaults = ParseGrabCommandLine(Split("a.mp4")).options;
  EXPECT_EQ(defaults.starts, QList<double>{0.0});
  EXPECT_EQ(defaults.count, 5);
  EXPECT_EQ(defaults.format, TGrabFormat::kBmp);
  EXPECT_EQ(defaults.quality, 80);
  EXPECT_FALSE(defaults.overwrite);

  const TGrabOptions spaced = ParseGrabCommandLine(Split("--every 10 --end 1:00 a.mp4")).options;
  EXPECT_DOUBLE_EQ(spaced.every, 10);
  EXPECT_DOUBLE_EQ(spaced.end, 60);
  EXPECT_FALSE(spaced.countGiven);
  EXPECT_EQ(ParseGrabCommandLine(Split("--format jpg a")).options.format, TGrabFormat::kJpeg);
}

TEST(GrabCommandLine, RefusesWhatItCannotDo) {
  const struct {
    const char* line;
    const char* message;
  } cases[] = {
      {"", "video files are needed"},
      {"--start abc a", "--start"},
      {"--start -1 a", "--start wants a time"},
      {"--count 0 a", "--count"},
      {"--count 1000001 a", "--count"},
      {"--format tiff a", "--format"},
      {"--quality 101 a", "--quality"},
      {"--every 0 a", "--every"},
      {"--end 10 a", "--end goes with --every"},
      {"--every 1 --start 20 --end 10 a", "--end lies before"},
      {"--bogus a", "unknown option"},
      {"a --count", "wants a value"},
  };
  for (const auto& c : cases) {
    const TGrabCommandLine line = ParseGrabCommandLine(Split(c.line));
    EXPECT_TRUE(line.error.contains(QString::fromUtf8(c.message)))
        << c.line << " -> " << line.error.toStdString();
  }
  EXPECT_TRUE(ParseGrabCommandLine(Split("--help")).help);
  EXPECT_TRUE(ParseGrabCommandLine(Split("--version")).error.isEmpty());
}

TEST(GrabOutputName, NamesByVideoAndMediaTime) {
  EXPECT_EQ(GrabOutputName(QStringLiteral("out/"), QStringLiteral("/v/clip.take2.mp4"), 65.5,
                           TGrabFormat::kJpeg),
            QStringLiteral("out/clip.take2_1.05.500.jpeg"));
  EXPECT_EQ(GrabOutputName(QStringLiteral("."), QStringLiteral("a.mkv"), 0, TGrabFormat::kPng),
            QStringLiteral("a_0.000.png"));
}

}  // namespace
}  // namespace frivo
