// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// Code-page conversions and encoding detection for the text-file layer, on ICU.
//
// "System code page" is CP932 (ICU "windows-31j") without best-fit mapping: a
// character without an exact CP932 equivalent is never replaced by a look-alike.

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace frivo {

// Encoding codes of the text-file layer (one byte; stored by callers).
enum TextEncoding : uint8_t {
  kEncodingAuto = 0,     // detect on loading; CP932 or UTF-8 with mark on saving
  kEncodingAnsi = 1,     // CP932
  kEncodingUtf16Le = 2,  // mark FF FE
  kEncodingUtf16LeNoMark = 3,
  kEncodingUtf16Be = 4,  // mark FE FF
  kEncodingUtf16BeNoMark = 5,
  kEncodingUtf8 = 6,  // mark EF BB BF
  kEncodingUtf8NoMark = 7,
  kEncodingUtf7 = 8,       // code page 65000
  kEncodingIso2022Jp = 9,  // code page 50220
  kEncodingEucJp = 10,     // code page 20932
  kEncodingHexDump = 11,   // loading only
};

// Windows code-page numbers the detector reports and the converters accept.
enum CodePage : int {
  kCodePageCp932 = 932,
  kCodePageWestern = 1252,
  kCodePageUsAscii = 20127,
  kCodePageUtf16Le = 1200,
  kCodePageUtf16Be = 1201,
  kCodePageEucJp = 20932,
  kCodePageIso2022Jp = 50220,
  kCodePageUtf7 = 65000,
  kCodePageUtf8 = 65001,
};

// CP932 bytes of `text`. Characters without an equivalent become the byte
// `replacement`; `allMapped` (optional) tells whether none needed it. Unpaired
// surrogates count as characters without an equivalent.
[[nodiscard]] QByteArray ToCp932(const QString& text, char replacement = '?',
                                 bool* allMapped = nullptr);
// Wide text of CP932 bytes (invalid sequences become replacement characters).
[[nodiscard]] QString FromCp932(const QByteArray& bytes);
// Whether every character of `text` has an exact CP932 equivalent.
[[nodiscard]] bool FitsCp932(const QString& text);
// CP932 bytes of one character given as its UTF-16 units (one, or a surrogate
// pair); empty when it has no equivalent.
[[nodiscard]] QByteArray Cp932OfCharacter(const QChar* units, int count);

// Conversions through code pages 932, 20932, 50220, 65000 and 65001. Characters
// that do not fit are written as "?". CP932 never takes a look-alike; EUC-JP and
// ISO-2022-JP take the nearest character where one exists, and ISO-2022-JP writes
// half-width katakana as full-width ones (it has no others).
[[nodiscard]] QByteArray EncodeCodePage(int codePage, const QString& text);
[[nodiscard]] QString DecodeCodePage(int codePage, const char* data, qint64 size);

// The most likely Windows code page of a byte sample (1252 when nothing fits,
// 20127 for plain 7-bit text). ICU's detector decides when it is confident and
// its answer agrees with the bytes; otherwise a few checks of our own tell UTF-7,
// ISO-2022-JP, UTF-8, Shift-JIS and EUC-JP apart, because the detector is weak
// on short Japanese samples and does not know UTF-7 at all. A sample that is
// none of these (UTF-16 without mark, binary data) gets the detector's confident
// single-byte answer or 1252, which leaves UTF-16 to TellCp932FromUtf16.
[[nodiscard]] int DetectCodePage(const char* data, int size);
// Code page to encoding code: 1200 -> 3, 1201 -> 5, EUC (20932, 51932, 51936,
// 51949) -> 10, ISO-2022 (50220-50222, 50225, 50227) -> 9, 65000 -> 8,
// 65001 -> 7, anything else -> 1.
[[nodiscard]] uint8_t EncodingOfCodePage(int codePage);
// Tells CP932 (1) from UTF-16 without mark (3 little-endian, 5 big-endian) by a
// byte scan of the sample: zero bytes, Shift-JIS validity and the share of kana.
[[nodiscard]] uint8_t TellCp932FromUtf16(const char* data, int size);
// The whole detection for a sample without mark: DetectCodePage, then
// EncodingOfCodePage, then TellCp932FromUtf16 when the result is 1.
[[nodiscard]] uint8_t DetectEncoding(const char* data, int size);

// The bytes as a hexadecimal dump, 16 bytes a line, lines ended by CR LF:
// "00000010  41 42 43 44 45 46 47 48  49 4a 4b 4c 4d 4e 4f 50  ABCDEFGHIJKLMNOP".
[[nodiscard]] QString HexDump(const char* data, qint64 size);

}  // namespace frivo
