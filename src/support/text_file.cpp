// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "support/text_file.h"

#include <QFile>
#include <QThread>
#include <algorithm>
#include <cstring>

#include "support/system_hooks.h"
#include "support/text_codec.h"

namespace frivo {
namespace {

constexpr int kReadAttempts = 4;
constexpr int kDetectionSampleBytes = 1024;
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr char16_t kMarkCharacter = 0xFEFF;

bool StartsWith(const char* data, qint64 size, const char* mark, qint64 markSize) {
  return size >= markSize && std::memcmp(data, mark, static_cast<size_t>(markSize)) == 0;
}

// Bytes up to (not including) the first zero byte.
qint64 LengthToZero(const char* data, qint64 size) {
  const void* zero = std::memchr(data, 0, static_cast<size_t>(size));
  return zero ? static_cast<const char*>(zero) - data : size;
}

// Decoded text up to its first U+0000. A code page can decode to it from bytes
// without a zero (a base64 run of UTF-7); the text ends there as it ends at a
// zero byte. Kept, it would be saved as a zero byte, and the next load would
// stop there and lose every line after it, settings written since included.
QString UpToZero(QString text) {
  if (const qsizetype zero = text.indexOf(QChar(0)); zero >= 0) text.truncate(zero);
  return text;
}

// UTF-16 units up to the first zero unit; an odd last byte is paired with zero.
QString DecodeUtf16(const char* data, qint64 size, bool bigEndian) {
  QString out;
  out.reserve(static_cast<qsizetype>(size / 2 + 1));
  for (qint64 i = 0; i < size; i += 2) {
    const auto first = static_cast<unsigned char>(data[i]);
    const auto second = i + 1 < size ? static_cast<unsigned char>(data[i + 1]) : 0;
    const auto unit =
        static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    if (unit == 0) break;
    out += QChar(unit);
  }
  return out;
}

// QString::fromUtf8 drops a leading mark; a mark that was not skipped on purpose
// must stay in the text as U+FEFF.
QString DecodeUtf8(const char* data, qint64 size) {
  if (StartsWith(data, size, kUtf8Mark, 3)) {
    return QChar(kMarkCharacter) + QString::fromUtf8(data + 3, static_cast<qsizetype>(size - 3));
  }
  return QString::fromUtf8(data, static_cast<qsizetype>(size));
}

QByteArray EncodeUtf16(const QString& text, bool bigEndian, bool mark) {
  const qsizetype skip = text.startsWith(QChar(kMarkCharacter)) ? 1 : 0;
  QByteArray out;
  out.reserve((text.size() - skip + 1) * 2);
  auto put = [&](char16_t unit) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
  };
  if (mark) put(kMarkCharacter);
  for (qsizetype i = skip; i < text.size(); ++i) put(text.at(i).unicode());
  return out;
}

QByteArray EncodeUtf8(const QString& text, bool mark) {
  QByteArray body = text.toUtf8();
  if (body.startsWith(kUtf8Mark)) body.remove(0, 3);
  return mark ? QByteArray(kUtf8Mark) + body : body;
}

}  // namespace

std::chrono::milliseconds& TextFileRetryPause() {
  static std::chrono::milliseconds pause{200};
  return pause;
}

TextFileBytes ReadTextFileBytes(const QString& path, qint64 byteCount, qint64 maxFileBytes) {
  TextFileBytes result;
  for (int attempt = 1; attempt <= kReadAttempts; ++attempt) {
    if (attempt > 1) {
      QThread::msleep(static_cast<unsigned long>(TextFileRetryPause().count()));
      ProcessPendingEvents();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) continue;
    const qint64 size = file.size();
    const qint64 count = byteCount >= 0 ? std::min(byteCount, size) : size;
    if (count > maxFileBytes) {
      result.tooLarge = true;
      result.readable = true;
      return result;
    }
    result.bytes = count > 0 ? file.read(count) : QByteArray();
    if (count > 0 && result.bytes.isEmpty() && file.error() != QFileDevice::NoError) continue;
    result.readable = true;
    return result;
  }
  result.bytes.clear();
  SystemBeep();
  return result;
}

QString DecodeTextFile(const QByteArray& bytes, uint8_t& encoding) {
  if (bytes.isEmpty()) return QString();
  const char* data = bytes.constData();
  qint64 size = bytes.size();
  uint8_t code = encoding > kEncodingHexDump ? uint8_t{kEncodingAuto} : encoding;
  if (code == kEncodingAuto) {
    if (StartsWith(data, size, kUtf8Mark, 3)) {
      code = kEncodingUtf8;
      data += 3;
      size -= 3;
    } else if (StartsWith(data, size, "\xFF\xFE", 2)) {
      code = kEncodingUtf16Le;
      data += 2;
      size -= 2;
    } else if (StartsWith(data, size, "\xFE\xFF", 2)) {
      code = kEncodingUtf16Be;
      data += 2;
      size -= 2;
    } else {
      code = DetectEncoding(data, static_cast<int>(std::min<qint64>(size, kDetectionSampleBytes)));
    }
  }
  encoding = code;

  switch (code) {
    case kEncodingHexDump:
      return HexDump(data, size);
    case kEncodingUtf8:
    case kEncodingUtf8NoMark:
      return DecodeUtf8(data, LengthToZero(data, size));
    case kEncodingUtf16Le:
    case kEncodingUtf16LeNoMark:
      return DecodeUtf16(data, size, false);
    case kEncodingUtf16Be:
    case kEncodingUtf16BeNoMark:
      return DecodeUtf16(data, size, true);
    case kEncodingUtf7:
      return UpToZero(DecodeCodePage(kCodePageUtf7, data, LengthToZero(data, size)));
    case kEncodingIso2022Jp:
      return UpToZero(DecodeCodePage(kCodePageIso2022Jp, data, LengthToZero(data, size)));
    case kEncodingEucJp:
      return UpToZero(DecodeCodePage(kCodePageEucJp, data, LengthToZero(data, size)));
    default:
      encoding = kEncodingAnsi;
      return UpToZero(DecodeCodePage(kCodePageCp932, data, LengthToZero(data, size)));
  }
}

QByteArray EncodeTextFile(const QString& text, uint8_t encoding) {
  switch (encoding) {
    case kEncodingAuto: {
      // CP932 when every character fits and the bytes load back as this very
      // text. Detection takes some such files for another encoding (ASCII with
      // "ESC $ @" for ISO-2022-JP, "+" runs for UTF-7), which would change or cut
      // their lines at the next load; UTF-8 with a mark always loads back.
      bool allMapped = true;
      QByteArray cp932 = ToCp932(text, '?', &allMapped);
      uint8_t detected = kEncodingAuto;
      if (allMapped && DecodeTextFile(cp932, detected) == text) return cp932;
      return EncodeUtf8(text, true);
    }
    case kEncodingUtf8:
      return EncodeUtf8(text, true);
    case kEncodingUtf8NoMark:
      return EncodeUtf8(text, false);
    case kEncodingUtf16Le:
      return EncodeUtf16(text, false, true);
    case kEncodingUtf16LeNoMark:
      return EncodeUtf16(text, false, false);
    case kEncodingUtf16Be:
      return EncodeUtf16(text, true, true);
    case kEncodingUtf16BeNoMark:
      return EncodeUtf16(text, true, false);
    case kEncodingUtf7:
      return EncodeCodePage(kCodePageUtf7, text);
    case kEncodingIso2022Jp:
      return EncodeCodePage(kCodePageIso2022Jp, text);
    case kEncodingEucJp:
      return EncodeCodePage(kCodePageEucJp, text);
    default:
      return ToCp932(text);
  }
}

}  // namespace frivo
