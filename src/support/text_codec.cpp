// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "support/text_codec.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucsdet.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

namespace frivo {
namespace {

// ICU names of the code pages we convert.
constexpr const char kIcuCp932[] = "windows-31j";
constexpr const char kIcuEucJp[] = "EUC-JP";
constexpr const char kIcuIso2022Jp[] = "ISO_2022,locale=ja,version=0";
constexpr const char kIcuUtf7[] = "UTF-7";
constexpr const char kIcuUtf8[] = "UTF-8";

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// ICU's own stop and substitute callbacks silently skip "default ignorable"
// characters (U+FEFF, U+200B, variation selectors and the like), which would lose
// them from stored item texts and saved files. These two treat every character
// without a mapping alike.
void StopAtEveryUnmapped(const void* /*context*/, UConverterFromUnicodeArgs* /*args*/,
                         const UChar* /*units*/, int32_t /*length*/, UChar32 /*codePoint*/,
                         UConverterCallbackReason /*reason*/, UErrorCode* /*status*/) {
  // Leaving the error code set stops the conversion.
}

void SubstituteEveryUnmapped(const void* /*context*/, UConverterFromUnicodeArgs* args,
                             const UChar* /*units*/, int32_t /*length*/, UChar32 /*codePoint*/,
                             UConverterCallbackReason reason, UErrorCode* status) {
  if (reason > UCNV_IRREGULAR) return;  // reset, close or clone: nothing to write
  *status = U_ZERO_ERROR;
  ucnv_cbFromUWriteSub(args, 0, status);
}

// A converter that stops at the first character without mapping (both ways), so
// that callers notice it. Fallback (best-fit) mappings stay off.
Converter OpenStrict(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name, &status));
  if (U_FAILURE(status)) return nullptr;
  status = U_ZERO_ERROR;
  ucnv_setFallback(converter.get(), false);
  ucnv_setFromUCallBack(converter.get(), StopAtEveryUnmapped, nullptr, nullptr, nullptr, &status);
  ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  return U_SUCCESS(status) ? std::move(converter) : nullptr;
}

// A converter that substitutes: "?" for characters that do not fit on the way to
// bytes, the usual replacement character on the way to text. With `fallback`, a
// character without an exact equivalent takes its nearest one (EUC-JP and
// ISO-2022-JP write U+FF5E FULLWIDTH TILDE, common in CP932 text, as the wave
// dash instead of losing it).
Converter OpenSubstituting(const char* name, bool fallback = false) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name, &status));
  if (U_FAILURE(status)) return nullptr;
  ucnv_setFallback(converter.get(), fallback);
  static const UChar kQuestion[] = {u'?'};
  UErrorCode substStatus = U_ZERO_ERROR;
  ucnv_setSubstString(converter.get(), kQuestion, 1, &substStatus);  // best effort
  substStatus = U_ZERO_ERROR;
  ucnv_setFromUCallBack(converter.get(), SubstituteEveryUnmapped, nullptr, nullptr, nullptr,
                        &substStatus);
  return converter;
}

// The strict CP932 converter of this thread, opened once (every use resets it).
UConverter* StrictCp932() {
  thread_local Converter converter = OpenStrict(kIcuCp932);
  return converter.get();
}

const UChar* Units(const QString& text) {
  return reinterpret_cast<const UChar*>(text.constData());
}

// Converts wide text to bytes; false when the converter stopped.
bool FromUnicode(UConverter* converter, const UChar* units, int count, QByteArray* out) {
  ucnv_resetFromUnicode(converter);
  const qint64 capacity =
      UCNV_GET_MAX_BYTES_FOR_STRING(static_cast<qint64>(count), ucnv_getMaxCharSize(converter));
  out->resize(static_cast<qsizetype>(capacity));
  char* target = out->data();
  const UChar* source = units;
  UErrorCode status = U_ZERO_ERROR;
  ucnv_fromUnicode(converter, &target, out->data() + out->size(), &source, units + count, nullptr,
                   true, &status);
  out->resize(static_cast<qsizetype>(target - out->data()));
  return U_SUCCESS(status);
}

// Converts bytes to wide text; false when the converter stopped. With `flush`
// false a character cut off at the end of the input is not an error.
bool ToUnicode(UConverter* converter, const char* data, qint64 size, bool flush, QString* out) {
  ucnv_resetToUnicode(converter);
  // Every converter we use makes at most one UTF-16 unit per input byte, except
  // substitutions and surrogate pairs, which never exceed two units per byte.
  std::vector<UChar> buffer(static_cast<size_t>(size) * 2 + 2);
  UChar* target = buffer.data();
  const char* source = data;
  UErrorCode status = U_ZERO_ERROR;
  ucnv_toUnicode(converter, &target, buffer.data() + buffer.size(), &source, data + size, nullptr,
                 flush, &status);
  *out = QString(reinterpret_cast<const QChar*>(buffer.data()),
                 static_cast<qsizetype>(target - buffer.data()));
  return U_SUCCESS(status);
}

const char* IcuNameOfCodePage(int codePage) {
  switch (codePage) {
    case kCodePageEucJp:
      return kIcuEucJp;
    case kCodePageIso2022Jp:
      return kIcuIso2022Jp;
    case kCodePageUtf7:
      return kIcuUtf7;
    case kCodePageUtf8:
      return kIcuUtf8;
    default:
      return kIcuCp932;
  }
}

// ISO-2022-JP (code page 50220) has no half-width katakana: they are written as
// their full-width forms, a voiced or semi-voiced mark joined with the preceding
// kana where such a character exists (NFKC does exactly that for these).
QString WithFullwidthKatakana(const QString& text) {
  auto isHalfwidthKana = [](QChar c) { return c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F; };
  if (std::none_of(text.begin(), text.end(), isHalfwidthKana)) return text;
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size();) {
    if (!isHalfwidthKana(text.at(i))) {
      out += text.at(i++);
      continue;
    }
    qsizetype end = i;
    while (end < text.size() && isHalfwidthKana(text.at(end))) ++end;
    QString run = text.mid(i, end - i).normalized(QString::NormalizationForm_KC);
    // A mark without a kana to join stays a spacing mark (JIS X 0208 has only those).
    run.replace(QChar(0x3099), QChar(0x309B));
    run.replace(QChar(0x309A), QChar(0x309C));
    out += run;
    i = end;
  }
  return out;
}

// ---- detection helpers ----------------------------------------------------------

bool IsKana(char16_t c) {
  return (c >= 0x3041 && c <= 0x3093) || (c >= 0x30A1 && c <= 0x30F6);
}

// Characters that make a decoding look like Japanese text.
bool IsJapanese(char16_t c) {
  return IsKana(c) || (c >= 0x3000 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF) ||
         (c >= 0xFF01 && c <= 0xFF5E);
}

bool IsHalfwidthKana(char16_t c) {
  return c >= 0xFF61 && c <= 0xFF9F;
}

// Rough likeness of decoded text to Japanese prose: full-width Japanese characters
// count for, half-width katakana (what EUC-JP looks like read as Shift-JIS)
// against.
int JapaneseScore(const QString& text) {
  int score = 0;
  for (const QChar c : text) {
    if (IsJapanese(c.unicode())) ++score;
    if (IsHalfwidthKana(c.unicode())) --score;
  }
  return score;
}

struct SampleShape {
  bool hasZero = false;
  bool hasHighByte = false;
  bool hasEscape = false;
};

SampleShape ShapeOf(const char* data, int size) {
  SampleShape shape;
  for (int i = 0; i < size; ++i) {
    const auto b = static_cast<unsigned char>(data[i]);
    if (b == 0) shape.hasZero = true;
    if (b >= 0x80) shape.hasHighByte = true;
    if (b == 0x1B) shape.hasEscape = true;
  }
  return shape;
}

// The escape sequences that switch ISO-2022-JP into JIS X 0208 / 0201.
bool HasIso2022JpEscape(const char* data, int size) {
  static const char* const kSequences[] = {"\x1b$B", "\x1b$@", "\x1b(J", "\x1b(I", "\x1b$(D"};
  const QByteArray sample = QByteArray::fromRawData(data, size);
  for (const char* sequence : kSequences) {
    if (sample.contains(sequence)) return true;
  }
  return false;
}

// 7-bit text that decodes as UTF-7 into Japanese: at least two characters
// outside ASCII, all of them Japanese, and no control characters but tabs and
// line breaks (a run of "A"s after "+" decodes to U+0000). Without any kana the
// sample must also be exactly what our encoder writes for the decoded text, so
// plain ASCII with a stray "+word-" (which UTF-7 reads as ideographs) is not
// taken for UTF-7.
bool LooksLikeJapaneseUtf7(const char* data, int size) {
  Converter converter = OpenStrict(kIcuUtf7);
  QString text;
  if (!converter || !ToUnicode(converter.get(), data, size, false, &text)) return false;
  int nonAscii = 0;
  bool kana = false;
  for (const QChar c : text) {
    const char16_t unit = c.unicode();
    if (unit < 0x20 && unit != u'\t' && unit != u'\r' && unit != u'\n') return false;
    if (unit < 0x80) continue;
    if (!IsJapanese(unit) && !IsHalfwidthKana(unit)) return false;
    ++nonAscii;
    kana = kana || IsKana(unit) || IsHalfwidthKana(unit);
  }
  if (nonAscii < 2) return false;
  if (kana) return true;
  QByteArray again;
  return FromUnicode(converter.get(), Units(text), static_cast<int>(text.size()), &again) &&
         again == QByteArray::fromRawData(data, size);
}

// Strict decoding of a sample that may end inside a character.
bool DecodesCleanly(const char* icuName, const char* data, int size, QString* text) {
  Converter converter = OpenStrict(icuName);
  return converter && ToUnicode(converter.get(), data, size, false, text);
}

bool IsCp932Lead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Byte structure of Shift-JIS text: ASCII, half-width katakana and lead bytes
// each followed by a trail byte. The converter alone is too lenient for
// detection (it maps 0x80, 0xA0 and 0xFD-0xFF to characters of their own).
bool HasCp932Structure(const char* data, int size) {
  for (int i = 0; i < size; ++i) {
    const auto b = static_cast<unsigned char>(data[i]);
    if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) continue;
    if (!IsCp932Lead(b)) return false;
    if (i + 1 == size) return true;  // cut off at the end of the sample
    const auto trail = static_cast<unsigned char>(data[++i]);
    if (trail < 0x40 || trail == 0x7F || trail > 0xFC) return false;
  }
  return true;
}

bool IsEucByte(unsigned char b) {
  return b >= 0xA1 && b <= 0xFE;
}

// Byte structure of EUC-JP text: ASCII, two-byte JIS X 0208 characters, SS2
// half-width katakana and SS3 JIS X 0212 characters. C1 bytes other than SS2 and
// SS3 never occur in EUC-JP text (the converter would take them as controls).
bool HasEucJpStructure(const char* data, int size) {
  for (int i = 0; i < size; ++i) {
    const auto b = static_cast<unsigned char>(data[i]);
    if (b < 0x80) continue;
    int trailBytes = 0;
    if (b == 0x8E) {
      if (i + 1 < size) {
        const auto kana = static_cast<unsigned char>(data[i + 1]);
        if (kana < 0xA1 || kana > 0xDF) return false;
      }
      trailBytes = 1;
    } else if (b == 0x8F) {
      trailBytes = 2;
    } else if (IsEucByte(b)) {
      trailBytes = 1;
    } else {
      return false;
    }
    for (int k = 1; k <= trailBytes && i + k < size; ++k) {
      if (b != 0x8E && !IsEucByte(static_cast<unsigned char>(data[i + k]))) return false;
    }
    i += trailBytes;
  }
  return true;
}

// Our own decision for samples with bytes above 0x7F and no zero bytes: UTF-8 if
// it is valid UTF-8, else the better of Shift-JIS and EUC-JP; 0 when none fits.
int GuessJapaneseMultibyte(const char* data, int size) {
  QString text;
  if (DecodesCleanly(kIcuUtf8, data, size, &text)) return kCodePageUtf8;
  QString asCp932;
  QString asEuc;
  const bool cp932 =
      HasCp932Structure(data, size) && DecodesCleanly(kIcuCp932, data, size, &asCp932);
  const bool euc = HasEucJpStructure(data, size) && DecodesCleanly(kIcuEucJp, data, size, &asEuc);
  if (cp932 && euc) {
    return JapaneseScore(asEuc) > JapaneseScore(asCp932) ? kCodePageEucJp : kCodePageCp932;
  }
  if (cp932) return kCodePageCp932;
  if (euc) return kCodePageEucJp;
  return 0;
}

// Windows code page of an ICU detector charset name.
int CodePageOfCharsetName(const char* name) {
  struct Entry {
    const char* name;
    int codePage;
  };
  static const Entry kEntries[] = {
      {"UTF-8", 65001},       {"UTF-16LE", 1200},      {"UTF-16BE", 1201},
      {"UTF-32LE", 12000},    {"UTF-32BE", 12001},     {"Shift_JIS", 932},
      {"EUC-JP", 20932},      {"ISO-2022-JP", 50220},  {"ISO-2022-KR", 50225},
      {"ISO-2022-CN", 50227}, {"EUC-KR", 51949},       {"GB18030", 54936},
      {"Big5", 950},          {"ISO-8859-1", 1252},    {"ISO-8859-2", 1250},
      {"ISO-8859-5", 28595},  {"ISO-8859-6", 28596},   {"ISO-8859-7", 1253},
      {"ISO-8859-8", 28598},  {"ISO-8859-8-I", 38598}, {"ISO-8859-9", 1254},
      {"windows-1250", 1250}, {"windows-1251", 1251},  {"windows-1252", 1252},
      {"windows-1253", 1253}, {"windows-1254", 1254},  {"windows-1255", 1255},
      {"windows-1256", 1256}, {"KOI8-R", 20866},       {"IBM424_rtl", 20424},
      {"IBM424_ltr", 20424},  {"IBM420_rtl", 20420},   {"IBM420_ltr", 20420},
  };
  if (name == nullptr) return kCodePageWestern;
  for (const Entry& entry : kEntries) {
    if (std::strcmp(entry.name, name) == 0) return entry.codePage;
  }
  return kCodePageWestern;
}

struct DetectorCloser {
  void operator()(UCharsetDetector* detector) const { ucsdet_close(detector); }
};

struct DetectorAnswer {
  int codePage = kCodePageWestern;
  int confidence = 0;
};

DetectorAnswer AskIcuDetector(const char* data, int size) {
  DetectorAnswer answer;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UCharsetDetector, DetectorCloser> detector(ucsdet_open(&status));
  if (U_FAILURE(status)) return answer;
  ucsdet_setText(detector.get(), data, size, &status);
  const UCharsetMatch* match = ucsdet_detect(detector.get(), &status);
  if (U_FAILURE(status) || match == nullptr) return answer;
  answer.codePage = CodePageOfCharsetName(ucsdet_getName(match, &status));
  answer.confidence = ucsdet_getConfidence(match, &status);
  if (U_FAILURE(status)) return DetectorAnswer{};
  return answer;
}

constexpr int kMinConfidence = 50;

// Whether a confident answer of the detector agrees with the bytes. The detector
// scores by statistics only and sometimes names an encoding the sample cannot be
// in (EUC-JP for UTF-16 kana, UTF-8 for plain ASCII); such answers are dropped.
bool IsPlausibleAnswer(const DetectorAnswer& answer, const char* data, int size,
                       const SampleShape& shape) {
  if (answer.confidence < kMinConfidence) return false;
  QString text;
  switch (answer.codePage) {
    case kCodePageUtf16Le:
    case kCodePageUtf16Be:
      return true;
    case kCodePageUtf8:
      return !shape.hasZero && shape.hasHighByte && DecodesCleanly(kIcuUtf8, data, size, &text);
    case kCodePageCp932:
      return !shape.hasZero && shape.hasHighByte && HasCp932Structure(data, size) &&
             DecodesCleanly(kIcuCp932, data, size, &text);
    case kCodePageEucJp:
      return !shape.hasZero && shape.hasHighByte && HasEucJpStructure(data, size) &&
             DecodesCleanly(kIcuEucJp, data, size, &text);
    case kCodePageIso2022Jp:
      return !shape.hasZero && !shape.hasHighByte && HasIso2022JpEscape(data, size);
    default:
      // A single-byte code page. Samples with zero bytes are left to the caller's
      // UTF-16 check rather than to a single-byte guess.
      return !shape.hasZero;
  }
}

// The CP932 bytes of `count` UTF-16 units when each character has an exact
// equivalent. ICU uses fallbacks from private-use characters even with fallbacks
// off (U+F86F would become the bytes of U+2116), so a conversion counts only when
// its bytes read back as the same units.
bool ExactCp932(const UChar* units, int count, QByteArray* out) {
  UConverter* converter = StrictCp932();
  if (converter == nullptr || !FromUnicode(converter, units, count, out)) return false;
  const QString back = FromCp932(*out);
  return back.size() == count &&
         std::equal(units, units + count, reinterpret_cast<const UChar*>(back.constData()));
}

// The exact CP932 bytes of single UTF-16 units, looked up on first use and kept
// for the process. Text holding characters CP932 lacks is stored one character at
// a time, and a converter round trip per character cost more than everything
// else about storing it. An entry is kLookedUp, the byte count (0: no exact
// equivalent) and the bytes; zero means not looked up yet. Every entry is written
// whole, and threads racing on one write the same value.
constexpr std::uint32_t kLookedUp = 0x80000000u;
std::atomic<std::uint32_t> gUnitBytes[0x10000];

int Cp932OfUnit(char16_t unit, char bytes[2]) {
  std::uint32_t entry = gUnitBytes[unit].load(std::memory_order_relaxed);
  if (entry == 0) {
    QByteArray out;
    const UChar units[] = {unit};
    const bool exact = ExactCp932(units, 1, &out) && !out.isEmpty() && out.size() <= 2;
    const std::uint32_t count = exact ? static_cast<std::uint32_t>(out.size()) : 0;
    entry = kLookedUp | (count << 16);
    if (count > 0) entry |= static_cast<unsigned char>(out[0]);
    if (count > 1) entry |= static_cast<std::uint32_t>(static_cast<unsigned char>(out[1])) << 8;
    gUnitBytes[unit].store(entry, std::memory_order_relaxed);
  }
  bytes[0] = static_cast<char>(entry & 0xFF);
  bytes[1] = static_cast<char>((entry >> 8) & 0xFF);
  return static_cast<int>((entry >> 16) & 0x3);
}

// One character's exact CP932 bytes appended to `out`; false when it has none.
bool AppendCp932OfCharacter(const UChar* units, int count, QByteArray* out) {
  if (count == 1) {
    char bytes[2];
    const int size = Cp932OfUnit(units[0], bytes);
    out->append(bytes, size);
    return size > 0;
  }
  QByteArray pair;
  if (!ExactCp932(units, count, &pair)) return false;
  out->append(pair);
  return true;
}

// ASCII keeps its bytes in CP932 except three control characters, which ICU's
// CP932 (IBM's table) swaps: U+001A <-> 0x7F, U+001C <-> 0x1A, U+007F <-> 0x1C.
// Text made only of the other ASCII characters needs no converter either way:
// settings files and paths are mostly that, line after line.
bool IsPlainAscii(char16_t unit) {
  return unit < 0x80 && unit != 0x1A && unit != 0x1C && unit != 0x7F;
}

bool AllPlainAscii(const QString& text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return IsPlainAscii(c.unicode()); });
}

bool AllPlainAscii(const char* data, qint64 size) {
  return std::all_of(data, data + size,
                     [](char b) { return IsPlainAscii(static_cast<unsigned char>(b)); });
}

int UnitsOfCharacterAt(const QString& text, qsizetype i) {
  return (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
             ? 2
             : 1;
}

}  // namespace

QByteArray ToCp932(const QString& text, char replacement, bool* allMapped) {
  if (allMapped) *allMapped = true;
  QByteArray out;
  if (text.isEmpty()) return out;
  if (AllPlainAscii(text)) return text.toLatin1();
  if (ExactCp932(Units(text), static_cast<int>(text.size()), &out)) return out;

  // Slow path: one character at a time, replacing those without an equivalent.
  out.clear();
  out.reserve(text.size() * 2);
  for (qsizetype i = 0; i < text.size();) {
    const int units = UnitsOfCharacterAt(text, i);
    if (IsPlainAscii(text.at(i).unicode())) {
      out += static_cast<char>(text.at(i).unicode());
    } else if (!AppendCp932OfCharacter(Units(text) + i, units, &out)) {
      out += replacement;
      if (allMapped) *allMapped = false;
    }
    i += units;
  }
  return out;
}

QString FromCp932(const QByteArray& bytes) {
  return DecodeCodePage(kCodePageCp932, bytes.constData(), bytes.size());
}

bool FitsCp932(const QString& text) {
  bool allMapped = true;
  (void)ToCp932(text, '?', &allMapped);
  return allMapped;
}

QByteArray Cp932OfCharacter(const QChar* units, int count) {
  QByteArray out;
  if (!AppendCp932OfCharacter(reinterpret_cast<const UChar*>(units), count, &out))
    return QByteArray();
  return out;
}

QByteArray EncodeCodePage(int codePage, const QString& text) {
  QByteArray out;
  if (text.isEmpty()) return out;
  if (codePage == kCodePageCp932) return ToCp932(text, '?');
  if (codePage == kCodePageUtf8) return text.toUtf8();
  const QString source = codePage == kCodePageIso2022Jp ? WithFullwidthKatakana(text) : text;
  const bool fallback = codePage == kCodePageIso2022Jp || codePage == kCodePageEucJp;
  Converter converter = OpenSubstituting(IcuNameOfCodePage(codePage), fallback);
  if (converter) {
    FromUnicode(converter.get(), Units(source), static_cast<int>(source.size()), &out);
  }
  return out;
}

QString DecodeCodePage(int codePage, const char* data, qint64 size) {
  QString out;
  if (size <= 0) return out;
  if (IcuNameOfCodePage(codePage) == kIcuCp932) {
    if (AllPlainAscii(data, size)) return QString::fromLatin1(data, static_cast<qsizetype>(size));
    // Every item read from a list comes through here: keep one converter.
    thread_local Converter cp932 = OpenSubstituting(kIcuCp932);
    if (cp932) ToUnicode(cp932.get(), data, size, true, &out);
    return out;
  }
  Converter converter = OpenSubstituting(IcuNameOfCodePage(codePage));
  if (converter) ToUnicode(converter.get(), data, size, true, &out);
  return out;
}

int DetectCodePage(const char* data, int size) {
  if (data == nullptr || size <= 0) return kCodePageWestern;
  const SampleShape shape = ShapeOf(data, size);
  const DetectorAnswer answer = AskIcuDetector(data, size);
  const bool multibyteAnswer =
      answer.codePage == kCodePageUtf8 || answer.codePage == kCodePageCp932 ||
      answer.codePage == kCodePageEucJp || answer.codePage == kCodePageIso2022Jp ||
      answer.codePage == kCodePageUtf16Le || answer.codePage == kCodePageUtf16Be;
  if (multibyteAnswer && IsPlausibleAnswer(answer, data, size, shape)) return answer.codePage;

  if (!shape.hasZero && !shape.hasHighByte) {
    if (shape.hasEscape && HasIso2022JpEscape(data, size)) return kCodePageIso2022Jp;
    if (LooksLikeJapaneseUtf7(data, size)) return kCodePageUtf7;
    return kCodePageUsAscii;
  }
  if (!shape.hasZero) {
    if (const int guess = GuessJapaneseMultibyte(data, size); guess != 0) return guess;
  }
  if (!multibyteAnswer && IsPlausibleAnswer(answer, data, size, shape)) return answer.codePage;
  return kCodePageWestern;
}

uint8_t EncodingOfCodePage(int codePage) {
  switch (codePage) {
    case 1200:
      return kEncodingUtf16LeNoMark;
    case 1201:
      return kEncodingUtf16BeNoMark;
    case 20932:
    case 51932:
    case 51936:
    case 51949:
      return kEncodingEucJp;
    case 50220:
    case 50221:
    case 50222:
    case 50225:
    case 50227:
      return kEncodingIso2022Jp;
    case 65000:
      return kEncodingUtf7;
    case 65001:
      return kEncodingUtf8NoMark;
    default:
      return kEncodingAnsi;
  }
}

uint8_t TellCp932FromUtf16(const char* data, int size) {
  bool utf16Possible = true;
  bool zeroAtOdd = false;
  bool zeroAtEven = false;
  bool afterLead = false;
  bool validCp932 = true;
  for (int i = 0; i < size; ++i) {
    const auto b = static_cast<unsigned char>(data[i]);
    if (b == 0) {
      afterLead = false;
      validCp932 = false;
      const bool odd = (i % 2) != 0;
      if (odd) {
        if (zeroAtEven) {
          utf16Possible = false;
          break;
        }
        zeroAtOdd = true;
      } else {
        if (zeroAtOdd) {
          utf16Possible = false;
          break;
        }
        zeroAtEven = true;
      }
      continue;
    }
    // Lead bytes: the JIS rows (81-9F, E0-EF), the user-defined rows (F0-F9)
    // and the IBM extension rows (FA-FC), which the program's own CP932 writer
    // uses for kanji such as 髙.
    if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
      afterLead = !afterLead;
      continue;
    }
    // 7F is a trail byte nowhere, but a byte of its own: the program's CP932
    // writer makes it of U+001A.
    if (b <= 0x3F || b == 0x7F) {
      if (afterLead) validCp932 = false;
    } else if (b >= 0xFD) {
      validCp932 = false;
    } else if (b == 0x80 || b == 0xA0) {
      if (!afterLead) validCp932 = false;
    }
    afterLead = false;
  }
  if (!utf16Possible || validCp932) return kEncodingAnsi;
  if (zeroAtOdd) return kEncodingUtf16LeNoMark;
  if (zeroAtEven) return kEncodingUtf16BeNoMark;

  // No zero byte at all: count kana among the little-endian units.
  // An odd last byte makes a unit with a zero high byte (the file buffer is
  // followed by zeros).
  int units = 0;
  int kana = 0;
  for (int i = 0; i < size; i += 2) {
    const unsigned high = i + 1 < size ? static_cast<unsigned char>(data[i + 1]) : 0u;
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(data[i]) | (high << 8));
    if (unit == 0) break;
    ++units;
    if (IsKana(unit)) ++kana;
  }
  return (units > 0 && kana * 100 >= units) ? kEncodingUtf16LeNoMark : kEncodingUtf16BeNoMark;
}

uint8_t DetectEncoding(const char* data, int size) {
  const uint8_t code = EncodingOfCodePage(DetectCodePage(data, size));
  return code == kEncodingAnsi ? TellCp932FromUtf16(data, size) : code;
}

QString HexDump(const char* data, qint64 size) {
  static const char kDigits[] = "0123456789abcdef";
  QString out;
  out.reserve(static_cast<qsizetype>((size / 16 + 1) * 78));
  for (qint64 offset = 0; offset < size; offset += 16) {
    out += QStringLiteral("%1 ").arg(offset, 8, 16, QLatin1Char('0'));
    QString ascii;
    for (int i = 0; i < 16; ++i) {
      if (i == 8) out += QLatin1Char(' ');
      if (offset + i < size) {
        const auto b = static_cast<unsigned char>(data[offset + i]);
        out += QLatin1Char(' ');
        out += QLatin1Char(kDigits[b >> 4]);
        out += QLatin1Char(kDigits[b & 0xF]);
        ascii += (b >= 0x20 && b < 0x7F) ? QLatin1Char(static_cast<char>(b)) : QLatin1Char('.');
      } else {
        out += QStringLiteral("   ");
      }
    }
    out += QStringLiteral("  ");
    out += ascii;
    out += QStringLiteral("\r\n");
  }
  return out;
}

}  // namespace frivo
