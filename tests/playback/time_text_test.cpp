// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/time_text.h"

#include <gtest/gtest.h>

namespace frivo {
namespace {

TEST(FormatTime, LabelsAndHints) {
  const struct {
    int decimals;
    double seconds;
    const char* text;
  } cases[] = {
      {3, 0.5, "0.500"},       {3, 1.0, "1.000"},        {3, 5.25, "5.250"},
      {3, 65.5, "1:05.500"},   {3, 600, "10:00.000"},    {3, 3723.125, "1:02:03.125"},
      {3, -0.04, "-0.040"},    {1, 754.36, "12:34.3"},   {3, 0, "0.000"},
      {3, 10.0, "10.000"},     {3, 3600, "1:00:00.000"}, {3, 1.5, "1.500"},
      {3, 0.0333667, "0.033"}, {3, 59.9999, "59.999"},   {3, 36000.25, "10:00:00.250"},
      {3, -65.5, "-1:05.500"}, {1, 0.04, "0.0"},         {3, 1.001, "1.001"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatTime(c.decimals, c.seconds).toStdString(), c.text)
        << c.decimals << " " << c.seconds;
}

TEST(FormatTime, FrameTimesFromNanosecondsShowTheirOwnMillisecond) {
  // Frame times are nanosecond timestamps divided by 1e9; the double is often a
  // little below the decimal value (9.94 is 9.9399999...). The label must still show
  // the frame's own millisecond, at 25 fps and at 29.97 fps (times truncated to ns).
  for (const long long frameNs : {40000000LL, 0LL}) {
    for (int n = 0; n < 1490; ++n) {
      const long long ns = frameNs ? n * frameNs : n * 1001000000000LL / 30000;
      const long long ms = ns / 1000000;
      const QString expected =
          QStringLiteral("%1.%2").arg(ms / 1000).arg(ms % 1000, 3, 10, QLatin1Char('0'));
      ASSERT_EQ(FormatTime(3, static_cast<double>(ns) / 1e9), expected) << n;
    }
  }
}

TEST(FormatTime, NonFiniteTimesDoNotProduceGarbage) {
  EXPECT_EQ(FormatTime(3, std::numeric_limits<double>::quiet_NaN()), QStringLiteral("0.000"));
  EXPECT_EQ(FormatTime(3, std::numeric_limits<double>::infinity()), QStringLiteral("0.000"));
  // A typed time far past any media ("99999999999:59.9e300", found by the
  // fuzzer) is shown at a billion hours instead of overflowing.
  EXPECT_EQ(FormatTime(3, 5.99e301), QStringLiteral("1000000000:00:00.000"));
  EXPECT_EQ(FormatTime(0, -1e300), QStringLiteral("-1000000000:00:00"));
}

TEST(ParseTimeText, FormsOfTheCommandLine) {
  const struct {
    const char* text;
    double seconds;
  } cases[] = {
      {"90", 90},       {"1:30", 90},      {"1:02:03.5", 3723.5},
      {"0:45", 45},     {"1:2:3:4", 3723}, {"1:2:3:4:5", 0},
      {"", 0},          {"abc", 0},        {"x:30", 30},
      {"1.5:30", 30},   {"2:x", 120},      {"12.25", 12.25},
      {" 1 : 30 ", 90}, {"nan", 0},        {"inf", 0},
      {"-5", -5},
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(ParseTimeText(QString::fromUtf8(c.text)), c.seconds) << c.text;
}

}  // namespace
}  // namespace frivo
