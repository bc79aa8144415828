// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "support/wide_strings.h"

#include <algorithm>
#include <new>
#include <utility>

#include "support/dollar_escape.h"
#include "support/file_replace.h"
#include "support/system_hooks.h"
#include "support/text_codec.h"
#include "support/text_file.h"

namespace frivo {
namespace {

// Long delimited-text operations let the window repaint this often.
constexpr int kEventsEveryItems = 256;

// Trims what the settings format counts as blanks: every character up to U+0020.
// (QString::trimmed would also eat the ideographic space U+3000.)
QString TrimBlanks(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text.at(begin).unicode() <= 0x20) ++begin;
  while (end > begin && text.at(end - 1).unicode() <= 0x20) --end;
  return text.mid(begin, end - begin);
}

// Compares texts with runs of ASCII digits taken by their value; other
// characters one by one under `rule`. Equal values with different leading zeros
// fall back to the plain comparison so that the order stays total.
int CompareNumberAware(const QString& a, const QString& b, Qt::CaseSensitivity rule) {
  auto isDigit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
  qsizetype i = 0;
  qsizetype j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a.at(i)) && isDigit(b.at(j))) {
      qsizetype endA = i;
      qsizetype endB = j;
      while (endA < a.size() && isDigit(a.at(endA))) ++endA;
      while (endB < b.size() && isDigit(b.at(endB))) ++endB;
      qsizetype startA = i;
      qsizetype startB = j;
      while (startA + 1 < endA && a.at(startA) == QLatin1Char('0')) ++startA;
      while (startB + 1 < endB && b.at(startB) == QLatin1Char('0')) ++startB;
      const qsizetype lengthA = endA - startA;
      const qsizetype lengthB = endB - startB;
      if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
      const int digits = QStringView(a)
                             .mid(startA, lengthA)
                             .compare(QStringView(b).mid(startB, lengthB), Qt::CaseSensitive);
      if (digits != 0) return digits;
      i = endA;
      j = endB;
      continue;
    }
    const int one = QStringView(a).mid(i, 1).compare(QStringView(b).mid(j, 1), rule);
    if (one != 0) return one;
    ++i;
    ++j;
  }
  if (i < a.size() || j < b.size()) return i < a.size() ? 1 : -1;
  return QString::compare(a, b, rule);
}

}  // namespace

// ---- TStringListBacking / TRawStringList -------------------------------------------

void TStringListBacking::Move(int from, int to) {
  if (from == to) return;
  const QByteArray stored = Get(from);
  TObject* object = GetObject(from);
  Delete(from);
  Insert(to, stored, object);
}

TRawStringList::TRawStringList(const QList<QByteArray>& items) {
  items_.reserve(static_cast<size_t>(items.size()));
  for (const QByteArray& item : items) items_.push_back(Item{item, nullptr});
}

QByteArray TRawStringList::Get(int index) const {
  return items_.at(static_cast<size_t>(index)).stored;
}

void TRawStringList::Put(int index, const QByteArray& stored) {
  items_.at(static_cast<size_t>(index)).stored = stored;
}

TObject* TRawStringList::GetObject(int index) const {
  return items_.at(static_cast<size_t>(index)).object;
}

void TRawStringList::PutObject(int index, TObject* object) {
  items_.at(static_cast<size_t>(index)).object = object;
}

void TRawStringList::Insert(int index, const QByteArray& stored, TObject* object) {
  items_.insert(items_.begin() + index, Item{stored, object});
}

void TRawStringList::Delete(int index) {
  items_.erase(items_.begin() + index);
}

void TRawStringList::Clear() {
  items_.clear();
}

void TRawStringList::Exchange(int index1, int index2) {
  std::swap(items_.at(static_cast<size_t>(index1)), items_.at(static_cast<size_t>(index2)));
}

void TRawStringList::Move(int from, int to) {
  if (from == to) return;
  Item item = std::move(items_.at(static_cast<size_t>(from)));
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(item));
}

int TRawStringList::Capacity() const {
  return static_cast<int>(items_.capacity());
}

void TRawStringList::SetCapacity(int capacity) {
  if (capacity > 0) items_.reserve(static_cast<size_t>(capacity));
}

QList<QByteArray> TRawStringList::Items() const {
  QList<QByteArray> out;
  out.reserve(static_cast<qsizetype>(items_.size()));
  for (const Item& item : items_) out.append(item.stored);
  return out;
}

// ---- TMyWStrings: construction ---------------------------------------------------

TMyWStrings::TMyWStrings() : TMyWStrings(nullptr) {}

TMyWStrings::TMyWStrings(TStringListBacking* backing) {
  if (backing != nullptr) {
    backing_ = backing;
    caseSensitive_ = backing->CaseSensitive();
  } else {
    ownedBacking_ = std::make_unique<TRawStringList>();
    backing_ = ownedBacking_.get();
    ownsBacking_ = true;
  }
}

TMyWStrings::~TMyWStrings() {
  if (ownsBacking_) {
    // Not Clear(): no change event may reach a half-destroyed owner.
    if (ownsObjects_) {
      for (int i = 0; i < backing_->Count(); ++i) delete backing_->GetObject(i);
    }
    backing_->Clear();
  }
}

void TMyWStrings::SetBackingList(TStringListBacking* backing) {
  if (backing == nullptr) {
    if (ownsBacking_) {
      Clear();
    } else {
      ownedBacking_ = std::make_unique<TRawStringList>();
      backing_ = ownedBacking_.get();
      ownsBacking_ = true;
    }
    return;
  }
  if (backing == backing_) return;
  if (ownsBacking_) {
    Clear();
    ownedBacking_.reset();
    ownsBacking_ = false;
  }
  backing_ = backing;
  caseSensitive_ = backing->CaseSensitive();
}

int TMyWStrings::Capacity() const {
  return backing_->Capacity();
}

void TMyWStrings::SetCapacity(int capacity) {
  backing_->SetCapacity(capacity);
}

void TMyWStrings::BeginUpdate() {
  backing_->BeginUpdate();
}

void TMyWStrings::EndUpdate() {
  backing_->EndUpdate();
}

void TMyWStrings::Changed() const {
  if (onChange_) onChange_();
}

// ---- Items -----------------------------------------------------------------------

QByteArray TMyWStrings::EncodeItem(const QString& text) const {
  return WideToEscapedAnsi(text);
}

QString TMyWStrings::DecodeItem(const QByteArray& stored) const {
  return EscapedAnsiToWide(stored);
}

int TMyWStrings::Count() const {
  return backing_ ? std::max(0, backing_->Count()) : 0;
}

QString TMyWStrings::Get(int index) const {
  return InRange(index) ? DecodeItem(backing_->Get(index)) : QString();
}

void TMyWStrings::Put(int index, const QString& text) {
  if (InRange(index)) backing_->Put(index, EncodeItem(text));
}

TObject* TMyWStrings::GetObject(int index) const {
  return InRange(index) ? backing_->GetObject(index) : nullptr;
}

void TMyWStrings::PutObject(int index, TObject* object) {
  if (InRange(index)) backing_->PutObject(index, object);
}

int TMyWStrings::Add(const QString& text) {
  return AddObject(text, nullptr);
}

int TMyWStrings::AddObject(const QString& text, TObject* object) {
  return InsertObject(Count(), text, object);
}

void TMyWStrings::Append(const QString& text) {
  (void)Add(text);
}

void TMyWStrings::Insert(int index, const QString& text) {
  (void)InsertObject(index, text, nullptr);
}

int TMyWStrings::InsertObject(int index, const QString& text, TObject* object) {
  QByteArray stored;
  try {
    stored = EncodeItem(text);
  } catch (const std::bad_alloc&) {
    ShowSupportMessage(QStringLiteral("データが大きすぎて操作が完了できませんでした"));
    return -1;
  }
  return InsertStored(index, stored, object);
}

int TMyWStrings::InsertStored(int index, const QByteArray& stored, TObject* object) {
  const int at = std::clamp(index, 0, Count());
  try {
    backing_->Insert(at, stored, object);
  } catch (const std::bad_alloc&) {
    ShowSupportMessage(QStringLiteral("データが大きすぎて操作が完了できませんでした"));
    return -1;
  } catch (...) {
    ShowSupportMessage(QStringLiteral("操作が完了できませんでした"));
    return -1;
  }
  Changed();
  return at;
}

void TMyWStrings::DeleteObjectOf(int index) {
  if (!ownsObjects_) return;
  TObject* object = backing_->GetObject(index);
  backing_->PutObject(index, nullptr);
  delete object;
}

void TMyWStrings::Delete(int index) {
  if (!InRange(index)) return;
  DeleteObjectOf(index);
  backing_->Delete(index);
  Changed();
}

void TMyWStrings::Clear() {
  const int count = Count();
  if (count == 0) return;
  if (ownsObjects_) {
    for (int i = 0; i < count; ++i) DeleteObjectOf(i);
  }
  backing_->Clear();
  Changed();
}

void TMyWStrings::Exchange(int index1, int index2) {
  if (!InRange(index1) || !InRange(index2)) return;
  if (index1 != index2) backing_->Exchange(index1, index2);
  Changed();
}

void TMyWStrings::Move(int from, int to) {
  if (!InRange(from) || !InRange(to)) return;
  if (from != to) backing_->Move(from, to);
  Changed();
}

void TMyWStrings::Reverse() {
  const int count = Count();
  if (count < 2) return;
  BeginUpdate();
  for (int i = 0, j = count - 1; i < j; ++i, --j) backing_->Exchange(i, j);
  EndUpdate();
  Changed();
}

void TMyWStrings::RemoveAdjacentDuplicates() {
  BeginUpdate();
  QString previous = Get(0);
  for (int i = 1; i < Count();) {
    QString current = Get(i);
    if (QString::compare(current, previous, CaseRule()) == 0) {
      Delete(i);
    } else {
      previous = std::move(current);
      ++i;
    }
  }
  EndUpdate();
}

void TMyWStrings::SortItems(bool numberAware) {
  const int count = Count();
  if (count < 2) return;
  struct Entry {
    QString text;
    QByteArray stored;
    TObject* object;
  };
  std::vector<Entry> entries;
  entries.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const QByteArray stored = backing_->Get(i);
    entries.push_back(Entry{DecodeItem(stored), stored, backing_->GetObject(i)});
  }
  const Qt::CaseSensitivity rule = CaseRule();
  std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
    return (numberAware ? CompareNumberAware(a.text, b.text, rule)
                        : QString::compare(a.text, b.text, rule)) < 0;
  });
  BeginUpdate();
  for (int i = 0; i < count; ++i) {
    backing_->Put(i, entries[static_cast<size_t>(i)].stored);
    backing_->PutObject(i, entries[static_cast<size_t>(i)].object);
    if (i % kEventsEveryItems == kEventsEveryItems - 1) ProcessPendingEvents();
  }
  EndUpdate();
  Changed();
}

void TMyWStrings::QuickSort(bool numberAware) {
  SortItems(numberAware);
}

void TMyWStrings::InsertionSort(bool removeEqualNeighbours, bool numberAware) {
  SortItems(numberAware);
  if (removeEqualNeighbours) RemoveAdjacentDuplicates();
}

void TMyWStrings::AddEmpty(int count) {
  if (count <= 0) return;
  BeginUpdate();
  for (int i = 0; i < count; ++i) {
    if (InsertStored(Count(), QByteArray(), nullptr) < 0) break;
  }
  EndUpdate();
}

int TMyWStrings::AddNameValue(const QString& name, const QString& value) {
  return Add(name + QLatin1Char('=') + value);
}

// ---- Searching -------------------------------------------------------------------

int TMyWStrings::Find(const QString& text) const {
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    if (QString::compare(Get(i), text, CaseRule()) == 0) return i;
  }
  return -1;
}

int TMyWStrings::IndexOfPrefix(const QString& prefix, int start) const {
  const int count = Count();
  for (int i = std::max(0, start); i < count; ++i) {
    if (Get(i).startsWith(prefix, CaseRule())) return i;
  }
  return -1;
}

int TMyWStrings::IndexOfSubstring(const QString& text, int start) const {
  const int count = Count();
  for (int i = std::max(0, start); i < count; ++i) {
    if (Get(i).contains(text, CaseRule())) return i;
  }
  return -1;
}

int TMyWStrings::IndexOfName(const QString& name, int start) const {
  const int count = Count();
  for (int i = std::max(0, start); i < count; ++i) {
    if (QString::compare(Names(i), name, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

QString TMyWStrings::Names(int index) const {
  // The name is taken from the decoded item: "=" is never escaped, so the first
  // "=" is the same in both forms, and a name holding "$" or a character outside
  // CP932 reads back as itself instead of its escape.
  const QString item = Get(index);
  const qsizetype equals = item.indexOf(QLatin1Char('='));
  if (equals <= 0) return QString();
  return TrimBlanks(item.left(equals));
}

// ---- Whole-list text -------------------------------------------------------------

QString TMyWStrings::LineBreak() const {
  switch (lineBreakStyle_) {
    case kLineBreakCr:
      return QStringLiteral("\r");
    case kLineBreakLf:
      return QStringLiteral("\n");
    default:
      return QStringLiteral("\r\n");
  }
}

QString TMyWStrings::GetText() const {
  const QString lineBreak = LineBreak();
  QString out;
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    out += Get(i);
    out += lineBreak;
  }
  return out;
}

void TMyWStrings::SetText(const QString& text) {
  Clear();
  AddText(text);
}

void TMyWStrings::AddText(const QString& text) {
  BeginUpdate();
  bool sawCr = false;
  bool sawLf = false;
  auto addLine = [&](qsizetype begin, qsizetype end) {
    const int index = Add(text.mid(begin, end - begin));
    if (index >= 0 && end > begin && onLineAdded_)
      onLineAdded_(index, static_cast<int>(end - begin));
  };
  qsizetype lineStart = 0;
  const qsizetype size = text.size();
  for (qsizetype i = 0; i < size; ++i) {
    const QChar c = text.at(i);
    if (c == QLatin1Char('\r')) {
      sawCr = true;
      addLine(lineStart, i);
      if (i + 1 < size && text.at(i + 1) == QLatin1Char('\n')) {
        sawLf = true;
        ++i;
      }
      lineStart = i + 1;
    } else if (c == QLatin1Char('\n')) {
      sawLf = true;
      addLine(lineStart, i);
      lineStart = i + 1;
    }
  }
  if (lineStart < size) addLine(lineStart, size);
  EndUpdate();
  if (sawCr && !sawLf) {
    lineBreakStyle_ = kLineBreakCr;
  } else if (sawLf && !sawCr) {
    lineBreakStyle_ = kLineBreakLf;
  } else {
    lineBreakStyle_ = kLineBreakCrLf;
  }
}

QString TMyWStrings::GetDelimitedText() const {
  QString out;
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    if (i > 0) out += delimiter_;
    out += Get(i);
    if (i % kEventsEveryItems == kEventsEveryItems - 1) ProcessPendingEvents();
  }
  return out;
}

void TMyWStrings::SetDelimitedText(const QString& text) {
  Clear();
  if (text.isEmpty()) return;
  if (delimiter_.isEmpty()) {
    Add(text);
    return;
  }
  BeginUpdate();
  const QStringList pieces = text.split(delimiter_);
  for (qsizetype i = 0; i < pieces.size(); ++i) {
    if (Add(pieces.at(i)) < 0) break;
    if (i % kEventsEveryItems == kEventsEveryItems - 1) ProcessPendingEvents();
  }
  EndUpdate();
}

// ---- Copying ---------------------------------------------------------------------

void TMyWStrings::AddStrings(const TMyWStrings& other) {
  const int count = other.Count();  // fixed first: `other` may be this list
  SetCapacity(Count() + count + 100);
  BeginUpdate();
  for (int i = 0; i < count; ++i) {
    if (AddObject(other.Get(i), other.GetObject(i)) < 0) break;
  }
  EndUpdate();
}

void TMyWStrings::Assign(const TMyWStrings& other) {
  if (&other == this) return;
  Clear();
  AddStrings(other);
}

void TMyWStrings::AddRawStrings(const TStringListBacking& raw) {
  const int count = raw.Count();
  SetCapacity(Count() + count + 100);
  BeginUpdate();
  for (int i = 0; i < count; ++i) {
    if (InsertStored(Count(), raw.Get(i), raw.GetObject(i)) < 0) break;
  }
  EndUpdate();
}

void TMyWStrings::AssignRaw(const TStringListBacking& raw) {
  if (&raw == backing_) return;
  Clear();
  AddRawStrings(raw);
}

void TMyWStrings::InsertStrings(int index, const TStringListBacking& raw) {
  int at = std::clamp(index, 0, Count());
  const int count = raw.Count();
  // Copy first: `raw` may be this list's own backing list.
  std::vector<std::pair<QByteArray, TObject*>> items;
  items.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) items.emplace_back(raw.Get(i), raw.GetObject(i));
  BeginUpdate();
  for (const auto& [stored, object] : items) {
    if (InsertStored(at, stored, object) < 0) break;
    ++at;
  }
  EndUpdate();
}

void TMyWStrings::InsertStrings(int index, const TMyWStrings& other) {
  int at = std::clamp(index, 0, Count());
  const int count = other.Count();
  std::vector<std::pair<QString, TObject*>> items;
  items.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) items.emplace_back(other.Get(i), other.GetObject(i));
  BeginUpdate();
  for (const auto& [text, object] : items) {
    if (InsertObject(at, text, object) < 0) break;
    ++at;
  }
  EndUpdate();
}

const TRawStringList& TMyWStrings::EncodedCopy() {
  workList_.Clear();
  const int count = Count();
  workList_.SetCapacity(count);
  for (int i = 0; i < count; ++i) workList_.Add(backing_->Get(i), backing_->GetObject(i));
  return workList_;
}

// ---- Text files ------------------------------------------------------------------

void TMyWStrings::LoadFromFile(const QString& path) {
  LoadFromFile(path, encoding_);
}

void TMyWStrings::LoadFromFile(const QString& path, uint8_t& encoding) {
  LoadFromFile(path, encoding, -1);
}

void TMyWStrings::LoadFromFile(const QString& path, uint8_t& encoding, qint64 byteCount) {
  const TextFileBytes file = ReadTextFileBytes(path, byteCount, kMaxFileBytes);
  // Unreadable, too large and empty files all give an empty list and leave the
  // encoding code as it was.
  SetText(DecodeTextFile(file.bytes, encoding));
}

void TMyWStrings::AddFromFile(const QString& path) {
  const TextFileBytes file = ReadTextFileBytes(path, -1, kMaxFileBytes);
  uint8_t encoding = kEncodingAuto;
  AddText(DecodeTextFile(file.bytes, encoding));
}

void TMyWStrings::AddFromFiles(const QStringList& paths) {
  for (const QString& path : paths) AddFromFile(path);
}

bool TMyWStrings::SaveToFile(const QString& path, uint8_t encoding, uint8_t lineBreakStyle) {
  lineBreakStyle_ = lineBreakStyle;
  return SaveToFile(path, encoding);
}

bool TMyWStrings::SaveToFile(const QString& path, uint8_t encoding) {
  QByteArray bytes;
  try {
    bytes = EncodeTextFile(GetText(), encoding);
  } catch (const std::bad_alloc&) {
    return false;
  }
  // Written as a whole through a temporary file, so a failed save never leaves a
  // truncated file behind. (Critical-error pop-ups do not exist here.)
  return ReplaceFileContents(path, bytes);
}

bool TMyWStrings::SaveToFile(const QString& path) {
  return SaveToFile(path, encoding_);
}

}  // namespace frivo
