// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "support/ini_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QStandardPaths>
#include <limits>

#include "support/text_file.h"
#include "support/wide_strings.h"

namespace frivo {

namespace {

constexpr QChar kByteOrderMark = QChar(0xFEFF);

// "Blanks" are the space and every control character, as in the files' origin.
bool IsBlank(QChar c) {
  return c.unicode() <= 0x20;
}

QString TrimBlanks(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.mid(begin, end - begin);
}

QString TrimLeftBlanks(const QString& text) {
  qsizetype begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) ++begin;
  return text.mid(begin);
}

bool SameName(const QString& a, const QString& b) {
  return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

// The key name of a line: the text before its first "=", trimmed; empty when the
// line has no "=".
QString KeyName(const QString& line) {
  const qsizetype equals = line.indexOf(QLatin1Char('='));
  return equals < 0 ? QString() : TrimBlanks(line.left(equals));
}

// The section name of a header line ("[name]", blanks allowed around the name and
// before the bracket, anything after the closing bracket ignored), or an empty
// text when the line is no header. "[]" and "[abc" are not headers.
QString HeaderName(const QString& line) {
  const QString trimmed = TrimBlanks(line);
  if (!trimmed.startsWith(QLatin1Char('['))) return {};
  const QString rest = TrimLeftBlanks(trimmed.mid(1));
  const qsizetype close = rest.indexOf(QLatin1Char(']'));
  if (close < 1) return {};
  return TrimBlanks(rest.left(close));
}

// CR and LF would split a line when the file is read again, and the text layer
// stops reading at a NUL, losing the rest of the file.
bool HoldsUnstorable(const QString& text) {
  for (const QChar c : text) {
    if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.isNull()) return true;
  }
  return false;
}

// A section name that can be written as a header and found again.
bool IsStorableSection(const QString& trimmedName) {
  return !trimmedName.isEmpty() && !trimmedName.contains(QLatin1Char(']')) &&
         !HoldsUnstorable(trimmedName);
}

// Walks from the last line to the first, keeping the last line of every key and
// dropping blank lines and lines without a key name.
void Clean(TMyWStrings& lines) {
  QSet<QString> seen;
  for (int i = lines.Count() - 1; i >= 0; --i) {
    const QString name = KeyName(lines.Get(i));
    if (name.isEmpty() || seen.contains(name.toCaseFolded())) {
      lines.Delete(i);
    } else {
      seen.insert(name.toCaseFolded());
    }
  }
}

bool IsAsciiDigit(QChar c) {
  return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
bool IsHexLetter(QChar c) {
  return c >= QLatin1Char('A') && c <= QLatin1Char('F');
}

enum class LiteralResult { kOk, kNotANumber, kOutOfRange };

// A whole integer literal: an optional sign, then decimal digits, or "$" or "0X"
// and hexadecimal digits (upper case), within the signed 64-bit range.
LiteralResult ParseInt64Literal(const QString& text, qint64* value) {
  qsizetype i = 0;
  const qsizetype n = text.size();
  bool negative = false;
  if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
    negative = text[i] == QLatin1Char('-');
    ++i;
  }
  unsigned base = 10;
  if (i < n && text[i] == QLatin1Char('$')) {
    base = 16;
    ++i;
  } else if (i + 1 < n && text[i] == QLatin1Char('0') && text[i + 1] == QLatin1Char('X')) {
    base = 16;
    i += 2;
  }
  if (i == n) return LiteralResult::kNotANumber;
  const quint64 limit = negative ? quint64{1} << 63 : (quint64{1} << 63) - 1;
  quint64 magnitude = 0;
  bool overflow = false;
  for (; i < n; ++i) {
    const QChar c = text[i];
    unsigned digit = 0;
    if (IsAsciiDigit(c)) {
      digit = c.unicode() - '0';
    } else if (base == 16 && IsHexLetter(c)) {
      digit = c.unicode() - 'A' + 10;
    } else {
      return LiteralResult::kNotANumber;
    }
    // Keep checking the syntax after an overflow: "99999999999999999999x" is no
    // number at all rather than a number out of range.
    if (overflow || magnitude > (limit - digit) / base) {
      overflow = true;
      continue;
    }
    magnitude = magnitude * base + digit;
  }
  if (overflow) return LiteralResult::kOutOfRange;
  // Two's complement negation also gives INT64_MIN for a magnitude of 2^63.
  *value = static_cast<qint64>(negative ? ~magnitude + 1 : magnitude);
  return LiteralResult::kOk;
}

// Full-width ASCII forms (U+FF01..U+FF5E) and the ideographic space to their
// ASCII counterparts; everything else stays.
QString ToHalfWidth(const QString& text) {
  QString out = text;
  for (QChar& c : out) {
    const char16_t u = c.unicode();
    if (u >= 0xFF01 && u <= 0xFF5E) {
      c = QChar(static_cast<char16_t>(u - 0xFEE0));
    } else if (u == 0x3000) {
      c = QLatin1Char(' ');
    }
  }
  return out;
}

struct LenientNumber {
  qint64 value = 0;
  bool outOfRange = false;  // digits were found, but too many for 64 bits
};

LenientNumber ParseLenient(const QString& text, bool forceHex) {
  const QString t = TrimBlanks(ToHalfWidth(text)).toUpper();
  LenientNumber result;
  if (!forceHex) {
    const LiteralResult whole = ParseInt64Literal(t, &result.value);
    if (whole == LiteralResult::kOk) return result;
    result.value = 0;
  }

  // Collects the number at the start of the text. A hexadecimal letter turns what
  // was collected so far into hexadecimal by putting "$" in front of it; after a
  // sign that gives no valid number, so "-1F" reads as 0 (while "-$1F" is a whole
  // literal and reads as -31).
  QString acc;
  for (const QChar c : t) {
    if (IsAsciiDigit(c)) {
      acc += c;
    } else if (IsHexLetter(c)) {
      if (!acc.startsWith(QLatin1Char('$'))) acc.prepend(QLatin1Char('$'));
      acc += c;
    } else if (c == QLatin1Char('$') || c == QLatin1Char('X')) {
      if (!acc.isEmpty()) break;
      acc = QStringLiteral("$");
    } else if (c == QLatin1Char('-') || c == QLatin1Char('+')) {
      if (!acc.isEmpty()) break;
      acc = c;
    } else if (c == QLatin1Char(',')) {
      continue;
    } else if (IsBlank(c)) {
      if (!acc.isEmpty()) break;
    } else {
      break;
    }
  }
  if (acc.isEmpty()) return result;
  if (forceHex && !acc.startsWith(QLatin1Char('$'))) acc.prepend(QLatin1Char('$'));
  const LiteralResult collected = ParseInt64Literal(acc, &result.value);
  if (collected != LiteralResult::kOk) result.value = 0;
  result.outOfRange = collected == LiteralResult::kOutOfRange;
  return result;
}

QString FormatFloat(double value) {
  return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

}  // namespace

qint64 ParseIntLenient(const QString& text, bool forceHex) {
  return ParseLenient(text, forceHex).value;
}

// ---- Construction -------------------------------------------------------------

bool BesideFolderWritable(const QString& path) {
  const QFileInfo folder(QFileInfo(path).absolutePath());
  return folder.isDir() && folder.isWritable();
}

TSettingsLocation LocateSettings(const QString& executablePath, const QString& configHome,
                                 bool besideWritable) {
  const QString beside = TMyIniFile::PathForExecutable(executablePath);
  if (beside.isEmpty()) return {};
  const QFileInfo besideInfo(beside);
  if (besideWritable || configHome.isEmpty()) return {beside, beside};
  const QString user = QDir(configHome).filePath(QStringLiteral("frivo/") + besideInfo.fileName());
  // Once the user's copy exists it holds the latest settings; the file beside the
  // executable only seeds it.
  const bool useBeside = !QFileInfo::exists(user) && besideInfo.isFile();
  return {useBeside ? beside : user, user};
}

// ---- Construction -------------------------------------------------------------

TMyIniFile::TMyIniFile()
    : TMyIniFile(
          LocateSettings(QCoreApplication::applicationFilePath(),
                         QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                         BesideFolderWritable(QCoreApplication::applicationFilePath())),
          0, true) {}

TMyIniFile::TMyIniFile(const QString& path, uint8_t encoding)
    : TMyIniFile(TSettingsLocation{path, path}, encoding, false) {}

TMyIniFile::TMyIniFile(const TSettingsLocation& location, uint8_t encoding, bool makeFolder)
    : filePath_(location.writePath),
      lines_(std::make_unique<TMyWStrings>()),
      workingCopy_(std::make_unique<TMyWStrings>()),
      makeFolder_(makeFolder),
      loadEncoding_(encoding),
      saveEncoding_(encoding) {
  Load(location.readPath);
}

void TMyIniFile::Load(const QString& path) {
  if (path.isEmpty() || !QFileInfo(path).isFile()) return;
  const TextFileBytes file = ReadTextFileBytes(path, -1, TMyWStrings::kMaxFileBytes);
  if (!file.readable || file.tooLarge) {
    keepFile_ = path == filePath_;
    return;
  }
  LoadContents(file.bytes);
}

std::unique_ptr<TMyIniFile> TMyIniFile::FromContents(const QByteArray& contents, uint8_t encoding) {
  std::unique_ptr<TMyIniFile> ini(new TMyIniFile(TSettingsLocation{}, encoding, false));
  ini->LoadContents(contents);
  return ini;
}

void TMyIniFile::LoadContents(const QByteArray& contents) {
  lines_->SetText(DecodeTextFile(contents, loadEncoding_));
  // With an explicitly named encoding the text layer keeps a byte-order mark as
  // a character; it would hide the first header.
  if (lines_->Count() > 0) {
    const QString first = lines_->Get(0);
    if (first.startsWith(kByteOrderMark)) lines_->Put(0, first.mid(1));
  }
  RebuildIndex();
}

TMyIniFile::~TMyIniFile() {
  (void)UpdateFile();
}

QString TMyIniFile::PathForExecutable(const QString& executablePath) {
  if (executablePath.isEmpty()) return {};
  const qsizetype slash = executablePath.lastIndexOf(QLatin1Char('/'));
  const qsizetype dot = executablePath.lastIndexOf(QLatin1Char('.'));
  const QString stem = dot > slash ? executablePath.left(dot) : executablePath;
  return stem + QStringLiteral(".ini");
}

// ---- Section index --------------------------------------------------------------

// Only lines holding "[" can be headers, and a "[" in a line's text is a "["
// byte in its stored form ("[" is never escaped), so the other lines are not
// decoded: the index is rebuilt after every change of a file that may be
// megabytes long.
void TMyIniFile::RebuildIndex() {
  sections_.clear();
  firstSection_.clear();
  const TStringListBacking& stored = lines_->Backing();
  const int count = lines_->Count();
  for (int i = 0; i < count; ++i) {
    if (!stored.Get(i).contains('[')) continue;
    QString name = HeaderName(lines_->Get(i));
    if (name.isEmpty()) continue;
    QString key = name.toCaseFolded();
    if (!firstSection_.contains(key)) firstSection_.insert(key, static_cast<int>(sections_.size()));
    sections_.push_back({std::move(name), std::move(key), i});
  }
}

int TMyIniFile::FindSection(const QString& name) const {
  if (name.isEmpty()) return -1;
  return firstSection_.value(name.toCaseFolded(), -1);
}

int TMyIniFile::HeaderLine(int entry) const {
  return sections_.at(static_cast<size_t>(entry)).line;
}

int TMyIniFile::EndLine(int entry) const {
  return static_cast<size_t>(entry) + 1 < sections_.size() ? HeaderLine(entry + 1)
                                                           : lines_->Count();
}

bool TMyIniFile::IsCurrent(const QString& name) const {
  return !currentSection_.isEmpty() && SameName(currentSection_, name);
}

// Removes every occurrence of a section: its lines, header included, up to the
// next header. Only the first occurrence of a name is ever read, so a later one
// left behind would hide what was written when the file is read again. The
// lines that stay are copied once, whatever the number of occurrences.
void TMyIniFile::DeleteSection(const QString& name) {
  if (FindSection(name) < 0) return;
  const QString key = name.toCaseFolded();
  const TStringListBacking& stored = lines_->Backing();
  const int count = lines_->Count();
  TRawStringList kept;
  kept.SetCapacity(count);
  int next = 0;
  for (size_t entry = 0; entry < sections_.size(); ++entry) {
    if (sections_[entry].key != key) continue;
    for (int i = next; i < HeaderLine(static_cast<int>(entry)); ++i) kept.Add(stored.Get(i));
    next = EndLine(static_cast<int>(entry));
  }
  for (int i = next; i < count; ++i) kept.Add(stored.Get(i));
  lines_->AssignRaw(kept);
  RebuildIndex();
}

// ---- Working copy -----------------------------------------------------------------

void TMyIniFile::ReadSectionInto(const QString& section, TMyWStrings& out, Mode mode) {
  const QString name = TrimBlanks(section);
  out.Clear();
  if (IsCurrent(name)) {
    // Reads see changes that have not gone back into the line list yet.
    out.AddStrings(*workingCopy_);
    return;
  }
  const int entry = FindSection(name);
  if (entry < 0) return;
  const int end = EndLine(entry);
  out.BeginUpdate();
  for (int i = HeaderLine(entry) + 1; i < end; ++i) out.Add(lines_->Get(i));
  out.EndUpdate();
  if (mode == Mode::kClean) Clean(out);
}

// `lines` may be the working copy itself (when it is put back).
void TMyIniFile::WriteSectionFrom(const QString& section, const TMyWStrings& lines, Mode mode) {
  fileChanged_ = true;
  DeleteSection(TrimBlanks(section));

  lines_->BeginUpdate();
  lines_->Add(QLatin1Char('[') + section + QLatin1Char(']'));
  const int count = lines.Count();
  if (mode == Mode::kRaw) {
    for (int i = 0; i < count; ++i) {
      const QString line = lines.Get(i);
      if (!HoldsUnstorable(line)) lines_->Add(line);
    }
  } else {
    QSet<QString> written;
    for (int i = 0; i < count; ++i) {
      const QString line = lines.Get(i);
      const QString name = KeyName(line);
      // A line that would read back as a header would split the section.
      if (name.isEmpty() || HoldsUnstorable(line) || !HeaderName(line).isEmpty()) continue;
      if (written.contains(name.toCaseFolded())) continue;
      written.insert(name.toCaseFolded());
      lines_->Add(line);
    }
    lines_->Add(QString());
  }
  lines_->EndUpdate();

  // The section's content is now in the line list; a working copy of it would be
  // stale (and must not be put back over it).
  if (IsCurrent(TrimBlanks(section))) DropWorkingCopy();
  sectionChanged_ = false;
  RebuildIndex();
}

void TMyIniFile::DropWorkingCopy() {
  currentSection_.clear();
  workingCopy_->Clear();
  sectionChanged_ = false;
}

void TMyIniFile::PutBackWorkingCopy() {
  if (!sectionChanged_ || currentSection_.isEmpty()) return;
  const QString name = currentSection_;  // WriteSectionFrom clears the field
  WriteSectionFrom(name, *workingCopy_, Mode::kClean);
}

void TMyIniFile::SelectSection(const QString& name) {
  if (IsCurrent(name)) return;
  PutBackWorkingCopy();
  DropWorkingCopy();
  ReadSectionInto(name, *workingCopy_, Mode::kClean);
  currentSection_ = name;
}

int TMyIniFile::FindKey(const QString& key) const {
  const int count = workingCopy_->Count();
  for (int i = 0; i < count; ++i) {
    if (SameName(KeyName(workingCopy_->Get(i)), key)) return i;
  }
  return -1;
}

// ---- Writing the file -------------------------------------------------------------

bool TMyIniFile::UpdateFile() {
  if (!fileChanged_) return false;
  PutBackWorkingCopy();
  fileChanged_ = false;
  if (keepFile_ || filePath_.isEmpty()) return false;
  if (makeFolder_ && !QDir().mkpath(QFileInfo(filePath_).absolutePath())) return false;
  return lines_->SaveToFile(filePath_, saveEncoding_);
}

// ---- Sections ---------------------------------------------------------------------

bool TMyIniFile::SectionExists(const QString& section) {
  // A section made by WriteString exists before it goes back into the lines.
  PutBackWorkingCopy();
  return FindSection(TrimBlanks(section)) >= 0;
}

void TMyIniFile::ReadSections(TMyWStrings& lines) {
  PutBackWorkingCopy();
  lines.Clear();
  lines.BeginUpdate();
  for (const TSectionEntry& entry : sections_) lines.Add(entry.name);
  lines.EndUpdate();
}

void TMyIniFile::ReadSection(const QString& section, TMyWStrings& lines) {
  ReadSectionInto(section, lines, Mode::kClean);
  const int count = lines.Count();
  for (int i = 0; i < count; ++i) lines.Put(i, KeyName(lines.Get(i)));
}

void TMyIniFile::EraseSection(const QString& section) {
  const QString name = TrimBlanks(section);
  // Pending changes of the erased section must not bring it back later.
  if (IsCurrent(name)) DropWorkingCopy();
  if (FindSection(name) < 0) return;
  fileChanged_ = true;
  DeleteSection(name);
}

void TMyIniFile::ReadSectionValues(const QString& section, TMyWStrings& lines) {
  ReadSectionInto(section, lines, Mode::kClean);
}

void TMyIniFile::WriteSectionValues(const QString& section, const TMyWStrings& lines) {
  if (!IsStorableSection(TrimBlanks(section))) return;
  // Pending changes of another section would otherwise be dropped.
  PutBackWorkingCopy();
  WriteSectionFrom(section, lines, Mode::kClean);
}

void TMyIniFile::ReadSectionValues(const QString& section, TStringListBacking& list) {
  TMyWStrings adapter(&list);
  ReadSectionValues(section, adapter);
}

void TMyIniFile::WriteSectionValues(const QString& section, const TStringListBacking& list) {
  TMyWStrings copy;
  copy.AddRawStrings(list);
  WriteSectionValues(section, copy);
}

void TMyIniFile::ReadSectionLines(const QString& section, TMyWStrings& lines) {
  ReadSectionInto(section, lines, Mode::kRaw);
}

void TMyIniFile::WriteSectionLines(const QString& section, const TMyWStrings& lines) {
  if (!IsStorableSection(TrimBlanks(section))) return;
  fileChanged_ = true;
  PutBackWorkingCopy();
  WriteSectionFrom(section, lines, Mode::kRaw);
}

void TMyIniFile::ReadSectionLines(const QString& section, TStringListBacking& list) {
  TMyWStrings adapter(&list);
  ReadSectionLines(section, adapter);
}

void TMyIniFile::WriteSectionLines(const QString& section, const TStringListBacking& list) {
  TMyWStrings copy;
  copy.AddRawStrings(list);
  WriteSectionLines(section, copy);
}

// ---- Keys ---------------------------------------------------------------------------

QString TMyIniFile::ReadString(const QString& section, const QString& key, const QString& def) {
  const QString name = TrimBlanks(section);
  const QString keyName = TrimBlanks(key);
  if (!IsStorableSection(name) || keyName.isEmpty()) return def;
  SelectSection(name);
  const int i = FindKey(keyName);
  if (i < 0) return def;
  const QString line = workingCopy_->Get(i);
  const QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1);
  return value.isEmpty() ? def : value;
}

void TMyIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
  const QString name = TrimBlanks(section);
  const QString keyName = TrimBlanks(key);
  const QString line = keyName + QLatin1Char('=') + value;
  if (!IsStorableSection(name) || keyName.isEmpty() || keyName.contains(QLatin1Char('=')) ||
      HoldsUnstorable(line) || !HeaderName(line).isEmpty()) {
    return;
  }
  fileChanged_ = true;
  SelectSection(name);
  sectionChanged_ = true;
  // The header is written with the spelling of the latest writer.
  currentSection_ = name;
  const int i = FindKey(keyName);
  if (i >= 0) {
    workingCopy_->Put(i, line);
  } else {
    workingCopy_->Add(line);
  }
}

int TMyIniFile::ReadInteger(const QString& section, const QString& key, int def) {
  const LenientNumber number = ParseLenient(ReadString(section, key, QString::number(def)), false);
  // A number too large for the result is a damaged or foreign value, not 0.
  if (number.outOfRange || number.value < std::numeric_limits<int>::min() ||
      number.value > std::numeric_limits<int>::max()) {
    return def;
  }
  return static_cast<int>(number.value);
}

void TMyIniFile::WriteInteger(const QString& section, const QString& key, int value) {
  WriteString(section, key, QString::number(value));
}

bool TMyIniFile::ReadBool(const QString& section, const QString& key, bool def) {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TMyIniFile::ReadBool(const QString& section, const QString& key, bool* value) {
  if (value) *value = ReadBool(section, key, *value);
}

void TMyIniFile::WriteBool(const QString& section, const QString& key, bool value) {
  WriteInteger(section, key, value ? 1 : 0);
}

double TMyIniFile::ReadFloat(const QString& section, const QString& key, double def) {
  bool ok = false;
  const double value = ReadString(section, key, FormatFloat(def)).toDouble(&ok);
  return ok ? value : 0.0;
}

void TMyIniFile::WriteFloat(const QString& section, const QString& key, double value) {
  WriteString(section, key, FormatFloat(value));
}

TRect TMyIniFile::ReadRect(const QString& section, const QString& prefix, const TRect& def) {
  TRect rect;
  rect.Left = ReadInteger(section, prefix + QStringLiteral("_Left"), def.Left);
  rect.Top = ReadInteger(section, prefix + QStringLiteral("_Top"), def.Top);
  rect.Right = ReadInteger(section, prefix + QStringLiteral("_Right"), def.Right);
  rect.Bottom = ReadInteger(section, prefix + QStringLiteral("_Bottom"), def.Bottom);
  return rect;
}

void TMyIniFile::WriteRect(const QString& section, const QString& prefix, const TRect& rect) {
  WriteInteger(section, prefix + QStringLiteral("_Left"), rect.Left);
  WriteInteger(section, prefix + QStringLiteral("_Top"), rect.Top);
  WriteInteger(section, prefix + QStringLiteral("_Right"), rect.Right);
  WriteInteger(section, prefix + QStringLiteral("_Bottom"), rect.Bottom);
}

TRect TMyIniFile::ReadBounds(const QString& section, const QString& name, const TRect& current) {
  return ReadRect(section, name, current);
}

void TMyIniFile::WriteBounds(const QString& section, const QString& name, const TRect& current) {
  WriteRect(section, name, current);
}

TRect TMyIniFile::ReadBoundsOnScreen(const QString& section, const QString& name,
                                     const TRect& current,
                                     const std::vector<TScreenArea>& screens) {
  return MoveOntoScreen(ReadBounds(section, name, current), screens);
}

}  // namespace frivo
