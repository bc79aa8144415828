// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/time_text.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace frivo {

namespace {

// Media times are nanosecond timestamps divided by 1e9; their doubles may fall a
// hair below the decimal value they stand for.
constexpr double kTimeTolerance = 1e-6;

int ParseWholeNumber(const QString& text) {
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  return ok ? value : 0;
}

double ParseSeconds(const QString& text) {
  bool ok = false;
  const double value = QLocale::c().toDouble(text.trimmed(), &ok);
  return ok && std::isfinite(value) ? value : 0.0;
}

}  // namespace

QString FormatTime(int decimals, double seconds) {
  if (!std::isfinite(seconds)) seconds = 0.0;
  const bool negative = seconds < 0;
  // Beyond a billion hours no time is real; the limit keeps the arithmetic
  // below in 64-bit integers.
  constexpr double kLongest = 3600.0 * 1e9;
  const double magnitude = std::min(std::fabs(seconds), kLongest);
  const double x = magnitude + kTimeTolerance;
  const std::int64_t whole = static_cast<std::int64_t>(x);
  const std::int64_t hours = whole / 3600;
  const std::int64_t minutes = (whole / 60) % 60;
  const std::int64_t secs = whole % 60;
  const double scale = std::pow(10.0, decimals);
  const std::int64_t fraction = static_cast<std::int64_t>((x - static_cast<double>(whole)) * scale);

  const QString fractionText =
      decimals > 0 ? QStringLiteral(".%1").arg(fraction, decimals, 10, QLatin1Char('0'))
                   : QString();
  QString text;
  if (magnitude > 1) {
    text = QStringLiteral("%1:%2:%3")
               .arg(hours)
               .arg(minutes, 2, 10, QLatin1Char('0'))
               .arg(secs, 2, 10, QLatin1Char('0')) +
           fractionText;
    qsizetype drop = 0;
    while (drop < text.size() && (text[drop] == QLatin1Char('0') || text[drop] == QLatin1Char(':')))
      ++drop;
    text.remove(0, drop);
  } else {
    text = QString::number(secs) + fractionText;
  }
  return negative ? QLatin1Char('-') + text : text;
}

double ParseTimeText(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(':'));
  switch (parts.size()) {
    case 1:
      return ParseSeconds(parts[0]);
    case 2:
      return ParseWholeNumber(parts[0]) * 60.0 + ParseSeconds(parts[1]);
    case 3:
    case 4:
      return ParseWholeNumber(parts[0]) * 3600.0 + ParseWholeNumber(parts[1]) * 60.0 +
             ParseSeconds(parts[2]);
    default:
      return 0.0;
  }
}

}  // namespace frivo
