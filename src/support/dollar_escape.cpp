// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "support/dollar_escape.h"

#include "support/text_codec.h"

namespace frivo {
namespace {

constexpr char kEscapeMark = '$';
constexpr char kNoEquivalent = '\x01';

void AppendEscaped(QByteArray& out, char16_t unit) {
  static const char kDigits[] = "0123456789abcdef";
  out += kEscapeMark;
  out += kDigits[(unit >> 12) & 0xF];
  out += kDigits[(unit >> 8) & 0xF];
  out += kDigits[(unit >> 4) & 0xF];
  out += kDigits[unit & 0xF];
}

int HexValue(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return u - '0';
  if (u >= 'a' && u <= 'f') return u - 'a' + 10;
  if (u >= 'A' && u <= 'F') return u - 'A' + 10;
  return -1;
}

}  // namespace

QByteArray WideToEscapedAnsi(const QString& text) {
  if (text.isEmpty()) return QByteArray();
  if (!text.contains(QLatin1Char(kEscapeMark))) {
    bool allMapped = true;
    QByteArray plain = ToCp932(text, kNoEquivalent, &allMapped);
    if (allMapped) return plain;
  }

  // Character by character: "$", the byte 0x01 and characters without a CP932
  // equivalent become "$xxxx" per UTF-16 unit; everything else keeps its bytes
  // (a double-byte character is copied whole, so a trail byte that looks like "$"
  // or "\" is never taken for one). Printable ASCII is its own CP932 byte.
  QByteArray out;
  out.reserve(text.size() * 2 + 16);
  for (qsizetype i = 0; i < text.size();) {
    const char16_t unit = text.at(i).unicode();
    if (unit >= 0x20 && unit < 0x7F && unit != kEscapeMark) {
      out += static_cast<char>(unit);
      ++i;
      continue;
    }
    const int units =
        (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ? 2
            : 1;
    const QByteArray bytes = Cp932OfCharacter(text.constData() + i, units);
    if (bytes.isEmpty() ||
        (bytes.size() == 1 && (bytes[0] == kNoEquivalent || bytes[0] == kEscapeMark))) {
      for (int k = 0; k < units; ++k) AppendEscaped(out, text.at(i + k).unicode());
    } else {
      out += bytes;
    }
    i += units;
  }
  return out;
}

QString EscapedAnsiToWide(const QByteArray& stored) {
  if (stored.isEmpty()) return QString();
  const QString wide = FromCp932(stored);
  const qsizetype first = wide.indexOf(QLatin1Char(kEscapeMark));
  if (first < 0) return wide;

  QString out = wide.left(first);
  out.reserve(wide.size());
  for (qsizetype i = first; i < wide.size(); ++i) {
    const QChar c = wide.at(i);
    if (c == QLatin1Char(kEscapeMark) && i + 4 < wide.size()) {
      int code = 0;
      bool hex = true;
      for (int k = 1; k <= 4 && hex; ++k) {
        const int digit = HexValue(wide.at(i + k));
        hex = digit >= 0;
        code = code * 16 + digit;
      }
      if (hex) {
        out += QChar(static_cast<char16_t>(code));
        i += 4;
        continue;
      }
    }
    out += c;
  }
  return out;
}

}  // namespace frivo
