// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// The program's Unicode string list and its text-file layer.
//
// TMyWStrings keeps its items in a "backing list" of byte strings in the system
// code page (CP932), each item stored in its dollar-escaped form
// (WideToEscapedAnsi), so that any Unicode text survives in a list or a control
// that can only hold CP932 strings. The backing list is either owned (a
// TRawStringList) or borrowed (for example an adapter over a combo box's items);
// a borrowed list must outlive the TMyWStrings that uses it.
//
// The same class loads and saves text files in the encodings listed in
// TextEncoding (text_codec.h), with detection and line-break bookkeeping.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace frivo {

// Base class of everything that can be attached to a list item. A list that
// "owns objects" deletes attached objects through this virtual destructor when
// their item is deleted or the list is cleared; otherwise attached objects are
// only referenced and the caller keeps them alive.
class TObject {
 public:
  virtual ~TObject() = default;
};

// A list of stored forms (CP932 byte strings) with one attached object per item:
// the toolkit string list that TMyWStrings adapts. Indexes are 0-based.
//
// Implementations may throw from Insert (std::bad_alloc when memory runs out,
// anything else for other failures); TMyWStrings reports such failures to the
// user and leaves the list without the item. Callers check indexes before
// calling Get/Put/GetObject/PutObject/Delete/Exchange/Move, so implementations
// may assume valid indexes there.
class TStringListBacking {
 public:
  virtual ~TStringListBacking() = default;

  [[nodiscard]] virtual int Count() const = 0;
  [[nodiscard]] virtual QByteArray Get(int index) const = 0;
  virtual void Put(int index, const QByteArray& stored) = 0;
  [[nodiscard]] virtual TObject* GetObject(int index) const = 0;
  virtual void PutObject(int index, TObject* object) = 0;
  // Inserts before `index` (0..Count()).
  virtual void Insert(int index, const QByteArray& stored, TObject* object) = 0;
  // Removes the item; never deletes its object (TMyWStrings decides that).
  virtual void Delete(int index) = 0;
  // Removes all items; never deletes objects.
  virtual void Clear() = 0;
  virtual void Exchange(int index1, int index2) = 0;
  // Moves the item at `from` so that it ends up at index `to`.
  virtual void Move(int from, int to);

  // Room reserved for items; lists that cannot reserve report their count.
  [[nodiscard]] virtual int Capacity() const { return Count(); }
  virtual void SetCapacity(int /*capacity*/) {}
  // Whether comparisons on this list are case-sensitive; a TMyWStrings that
  // borrows the list copies it at construction.
  [[nodiscard]] virtual bool CaseSensitive() const { return false; }
  // Suspend and resume the list's own change notification (a control may stop
  // repainting in between). Calls nest.
  virtual void BeginUpdate() {}
  virtual void EndUpdate() {}
};

// The plain vector-based backing list: what an owned TMyWStrings uses, and the
// type of the encoded copy.
class TRawStringList : public TStringListBacking {
 public:
  TRawStringList() = default;
  explicit TRawStringList(const QList<QByteArray>& items);

  [[nodiscard]] int Count() const override { return static_cast<int>(items_.size()); }
  [[nodiscard]] QByteArray Get(int index) const override;
  void Put(int index, const QByteArray& stored) override;
  [[nodiscard]] TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* object) override;
  void Insert(int index, const QByteArray& stored, TObject* object) override;
  void Delete(int index) override;
  void Clear() override;
  void Exchange(int index1, int index2) override;
  void Move(int from, int to) override;
  [[nodiscard]] int Capacity() const override;
  void SetCapacity(int capacity) override;
  [[nodiscard]] bool CaseSensitive() const override { return caseSensitive_; }
  void SetCaseSensitive(bool value) { caseSensitive_ = value; }

  // Convenience for tests and toolkit hand-overs.
  void Add(const QByteArray& stored, TObject* object = nullptr) { Insert(Count(), stored, object); }
  [[nodiscard]] QList<QByteArray> Items() const;

 private:
  struct Item {
    QByteArray stored;
    TObject* object = nullptr;
  };
  std::vector<Item> items_;
  bool caseSensitive_ = false;
};

// Line-break styles recorded by text imports and used by text exports.
enum : uint8_t {
  kLineBreakCrLf = 0,
  kLineBreakCr = 1,
  kLineBreakLf = 2,
};

class TMyWStrings {
 public:
  // Called after each non-empty line a text import adds: new index, line length.
  using LineAddedEvent = std::function<void(int index, int length)>;
  // Called after every insertion, deletion (also a Clear of a non-empty list),
  // exchange, move or Reverse.
  using ChangeEvent = std::function<void()>;

  // With an owned, empty TRawStringList.
  TMyWStrings();
  // With a borrowed backing list (not freed by this object; it must outlive it),
  // or an owned one when `backing` is null. The case-sensitive flag is copied from
  // a borrowed list.
  explicit TMyWStrings(TStringListBacking* backing);
  // Frees attached objects when it owns them and the backing list when owned.
  virtual ~TMyWStrings();

  TMyWStrings(const TMyWStrings&) = delete;
  TMyWStrings& operator=(const TMyWStrings&) = delete;

  // ---- Item form --------------------------------------------------------------
  // Text to stored form (WideToEscapedAnsi) and back (EscapedAnsiToWide).
  [[nodiscard]] virtual QByteArray EncodeItem(const QString& text) const;
  [[nodiscard]] virtual QString DecodeItem(const QByteArray& stored) const;

  // ---- Items ------------------------------------------------------------------
  // Number of items.
  [[nodiscard]] int Count() const;
  // Item text; empty for an index out of range.
  [[nodiscard]] virtual QString Get(int index) const;
  // Replaces an item's text; ignored out of range.
  virtual void Put(int index, const QString& text);
  // Attached object; null out of range.
  [[nodiscard]] virtual TObject* GetObject(int index) const;
  // Attaches an object (does not delete a previous one); ignored out of range.
  virtual void PutObject(int index, TObject* object);

  // Appends; returns the new index (-1 when the insertion failed).
  virtual int Add(const QString& text);
  virtual int AddObject(const QString& text, TObject* object);
  // Appends without returning the index.
  virtual void Append(const QString& text);
  // Inserts at `index`, clamped to 0..Count().
  virtual void Insert(int index, const QString& text);
  // The one insertion primitive behind every add and insert: clamps the index,
  // encodes the text, inserts it with its object and fires the change event.
  // Returns the index used, or -1 when the backing list failed (the user has been
  // told; the list is left without the item).
  virtual int InsertObject(int index, const QString& text, TObject* object);
  // Removes an item (ignored out of range); deletes its object when owning
  // objects; fires the change event.
  virtual void Delete(int index);
  // Removes all items (deleting attached objects when owning objects); fires the
  // change event once when there was anything to remove.
  virtual void Clear();
  // Swaps two items; fires the change event. Ignored when an index is out of range.
  virtual void Exchange(int index1, int index2);
  // Moves an item to a new index; fires the change event. Ignored out of range.
  virtual void Move(int from, int to);
  // Reverses the order of the items.
  virtual void Reverse();
  // Removes every item equal to its predecessor (case rule of CaseSensitive()).
  virtual void RemoveAdjacentDuplicates();
  // In-place sorts by item text (case rule of CaseSensitive()). The number-aware
  // order compares runs of digits by their value ("a2" before "a10"). Both sorts
  // keep equal items in their order; InsertionSort can then drop the repeats.
  virtual void QuickSort(bool numberAware = false);
  virtual void InsertionSort(bool removeEqualNeighbours = false, bool numberAware = false);
  // Appends `count` empty items.
  virtual void AddEmpty(int count);
  // Adds the line "name=value".
  virtual int AddNameValue(const QString& name, const QString& value);

  // ---- Searching --------------------------------------------------------------
  // First index equal to `text` (case rule of CaseSensitive()), or -1.
  [[nodiscard]] virtual int Find(const QString& text) const;
  // First index >= start whose item begins with `prefix` (case-insensitive unless
  // CaseSensitive()), or -1.
  [[nodiscard]] virtual int IndexOfPrefix(const QString& prefix, int start = 0) const;
  // First index >= start whose item contains `text` (same case rule), or -1.
  [[nodiscard]] virtual int IndexOfSubstring(const QString& text, int start = 0) const;
  // First index >= start whose Names() equals `name` without regard to case
  // (`name` itself is not trimmed), or -1.
  [[nodiscard]] int IndexOfName(const QString& name, int start = 0) const;
  // The name part of an item: its text up to the first "=", with blanks (every
  // character up to U+0020) trimmed. Empty when there is no "=" or the item
  // begins with "=". Taken from the item text, not from its stored form, so a name
  // holding "$" or a character outside CP932 is found as itself.
  [[nodiscard]] QString Names(int index) const;

  // ---- Whole-list text --------------------------------------------------------
  // Every item followed by the current style's line break.
  [[nodiscard]] virtual QString GetText() const;
  // Clear, then AddText.
  virtual void SetText(const QString& text);
  // Splits at CR LF, lone CR and lone LF and appends the lines; records the
  // line-break style (CR only -> 1, LF only -> 2, else 0).
  virtual void AddText(const QString& text);
  // Items joined with the delimiter, without quoting.
  [[nodiscard]] virtual QString GetDelimitedText() const;
  // Clear, then split at every delimiter and add the pieces. An empty text just
  // clears the list.
  virtual void SetDelimitedText(const QString& text);

  // ---- Copying ----------------------------------------------------------------
  // Appends another list's items (decoded there, encoded here) with their objects.
  virtual void AddStrings(const TMyWStrings& other);
  // Clears (if not empty), then AddStrings.
  virtual void Assign(const TMyWStrings& other);
  // Appends a toolkit list's items taken as stored forms (no re-encoding).
  virtual void AddRawStrings(const TStringListBacking& raw);
  // Clears (if not empty), then AddRawStrings.
  virtual void AssignRaw(const TStringListBacking& raw);
  // Inserts the items of another list at a clamped index, keeping their order.
  virtual void InsertStrings(int index, const TStringListBacking& raw);
  virtual void InsertStrings(int index, const TMyWStrings& other);
  // Fills the work list with the stored forms of all items (and their objects)
  // and returns it; it stays owned by this object and valid until the next call.
  const TRawStringList& EncodedCopy();

  // ---- Backing list -----------------------------------------------------------
  // The backing list in use (owned or borrowed).
  [[nodiscard]] TStringListBacking& Backing() const { return *backing_; }
  // Replaces the backing list (freeing an owned one first). With null: clears an
  // owned list, or creates a new owned one in place of a borrowed one.
  virtual void SetBackingList(TStringListBacking* backing);
  [[nodiscard]] bool OwnsBackingList() const { return ownsBacking_; }
  [[nodiscard]] int Capacity() const;
  void SetCapacity(int capacity);
  // Suspend / resume the backing list's change notification (nests).
  virtual void BeginUpdate();
  virtual void EndUpdate();

  // ---- Text files ---------------------------------------------------------------
  // Loads a file, replacing the content. Uses and updates Encoding().
  virtual void LoadFromFile(const QString& path);
  // `encoding` is in/out: the requested code (0 = detect; above 11 counts as 0);
  // after loading, the code that was used. An empty file leaves it untouched.
  // Reading is retried (4 attempts, 200 ms apart); a file that cannot be read, or
  // is larger than kMaxFileBytes, gives an empty list.
  virtual void LoadFromFile(const QString& path, uint8_t& encoding);
  // As above, reading at most `byteCount` bytes from the start of the file.
  virtual void LoadFromFile(const QString& path, uint8_t& encoding, qint64 byteCount);
  // Appends the lines of a file loaded with detection.
  virtual void AddFromFile(const QString& path);
  virtual void AddFromFiles(const QStringList& paths);

  // Saves GetText() in the given encoding, first storing `lineBreakStyle` as the
  // style. The file is replaced as a whole (temporary file + rename): a failure
  // returns false and leaves an existing file as it was.
  virtual bool SaveToFile(const QString& path, uint8_t encoding, uint8_t lineBreakStyle);
  // Saves with the current line-break style.
  virtual bool SaveToFile(const QString& path, uint8_t encoding);
  // Saves with Encoding() and the current line-break style.
  virtual bool SaveToFile(const QString& path);

  // Files above this size load as an empty list.
  static constexpr qint64 kMaxFileBytes = 64ll * 1024 * 1024;

  // ---- Fields -------------------------------------------------------------------
  [[nodiscard]] uint8_t Encoding() const { return encoding_; }
  void SetEncoding(uint8_t encoding) { encoding_ = encoding; }
  [[nodiscard]] uint8_t LineBreakStyle() const { return lineBreakStyle_; }
  void SetLineBreakStyle(uint8_t style) { lineBreakStyle_ = style; }
  // The line break of the current style ("\r\n", "\r" or "\n").
  [[nodiscard]] QString LineBreak() const;
  [[nodiscard]] bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool value) { ownsObjects_ = value; }
  [[nodiscard]] bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool value) { caseSensitive_ = value; }
  // "," by default.
  [[nodiscard]] QString Delimiter() const { return delimiter_; }
  void SetDelimiter(const QString& delimiter) { delimiter_ = delimiter; }
  // A double quote by default (kept for callers; the delimited text is unquoted).
  [[nodiscard]] QString QuoteChar() const { return quoteChar_; }
  void SetQuoteChar(const QString& quote) { quoteChar_ = quote; }

  void SetOnLineAdded(LineAddedEvent handler) { onLineAdded_ = std::move(handler); }
  void SetOnChange(ChangeEvent handler) { onChange_ = std::move(handler); }

 protected:
  void Changed() const;
  // Inserts an item already in stored form (no encoding); otherwise as InsertObject.
  int InsertStored(int index, const QByteArray& stored, TObject* object);
  [[nodiscard]] bool InRange(int index) const { return index >= 0 && index < Count(); }
  [[nodiscard]] Qt::CaseSensitivity CaseRule() const {
    return caseSensitive_ ? Qt::CaseSensitive : Qt::CaseInsensitive;
  }

 private:
  void DeleteObjectOf(int index);
  void SortItems(bool numberAware);

  TStringListBacking* backing_ = nullptr;
  std::unique_ptr<TStringListBacking> ownedBacking_;
  TRawStringList workList_;
  bool ownsBacking_ = false;
  bool caseSensitive_ = false;
  QString delimiter_ = QStringLiteral(",");
  QString quoteChar_ = QStringLiteral("\"");
  uint8_t encoding_ = 0;
  uint8_t lineBreakStyle_ = kLineBreakCrLf;
  bool ownsObjects_ = false;
  LineAddedEvent onLineAdded_;
  ChangeEvent onChange_;
};

// Behaves exactly like its base; the command-line parser uses it as a plain list.
class TMyFileStrings : public TMyWStrings {
 public:
  using TMyWStrings::TMyWStrings;
};

}  // namespace frivo
