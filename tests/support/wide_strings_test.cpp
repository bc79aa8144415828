// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "support/wide_strings.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "support/dollar_escape.h"
#include "support/system_hooks.h"

namespace frivo {
namespace {

QStringList Items(const TMyWStrings& list) {
  QStringList out;
  for (int i = 0; i < list.Count(); ++i) out << list.Get(i);
  return out;
}

TMyWStrings* Fill(TMyWStrings& list, const QStringList& items) {
  list.Clear();
  for (const QString& item : items) list.Add(item);
  return &list;
}

// Counts live instances, so tests see which objects a list deleted.
class Counted : public TObject {
 public:
  explicit Counted(int* alive) : alive_(alive) { ++*alive_; }
  ~Counted() override { --*alive_; }

 private:
  int* alive_;
};

// A backing list whose insertions fail on demand, as a control's list can.
class FailingList : public TRawStringList {
 public:
  enum class Failure { kNone, kMemory, kOther };
  Failure failure = Failure::kNone;
  void Insert(int index, const QByteArray& stored, TObject* object) override {
    if (failure == Failure::kMemory) throw std::bad_alloc();
    if (failure == Failure::kOther) throw std::runtime_error("refused");
    TRawStringList::Insert(index, stored, object);
  }
};

class WideStringsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = Hooks();
    Hooks().message = [this](const QString& text) { messages_ << text; };
  }
  void TearDown() override { Hooks() = saved_; }
  QStringList messages_;

 private:
  SystemHooks saved_;
};

TEST_F(WideStringsTest, ItemsAreKeptAsEscapedFormsInTheBackingList) {
  TRawStringList raw;
  {
    TMyWStrings list(&raw);
    EXPECT_FALSE(list.OwnsBackingList());
    list.Add(QStringLiteral("C:/動画/a$b.mp4"));
    list.Add(QStringLiteral("café"));
    list.Add(QString());
  }
  // The borrowed list outlives its adapter, holding the stored forms.
  EXPECT_EQ(raw.Items(), (QList<QByteArray>{"C:/\x93\xae\x89\xe6/a$0024b.mp4", "caf$00e9", ""}));

  // A second adapter over the same list reads the texts back.
  TMyWStrings again(&raw);
  EXPECT_EQ(Items(again), (QStringList{"C:/動画/a$b.mp4", "café", ""}));
  EXPECT_EQ(again.EncodedCopy().Items(), raw.Items());

  // Case sensitivity is copied from a borrowed list.
  TRawStringList sensitive;
  sensitive.SetCaseSensitive(true);
  EXPECT_TRUE(TMyWStrings(&sensitive).CaseSensitive());
  EXPECT_FALSE(TMyWStrings().CaseSensitive());
}

TEST_F(WideStringsTest, OutOfRangeIndexesAreIgnored) {
  TMyWStrings list;
  Fill(list, {"a", "b"});
  int changes = 0;
  list.SetOnChange([&] { ++changes; });
  for (const int bad : {-1, 2, 100}) {
    EXPECT_TRUE(list.Get(bad).isEmpty());
    EXPECT_EQ(list.GetObject(bad), nullptr);
    list.Put(bad, QStringLiteral("x"));
    list.PutObject(bad, nullptr);
    list.Delete(bad);
    list.Exchange(0, bad);
    list.Move(bad, 0);
  }
  EXPECT_EQ(Items(list), (QStringList{"a", "b"}));
  EXPECT_EQ(changes, 0);
}

TEST_F(WideStringsTest, InsertionsMovesAndDeletionsKeepOrderAndNotify) {
  TMyWStrings list;
  int changes = 0;
  list.SetOnChange([&] { ++changes; });
  EXPECT_EQ(list.Add(QStringLiteral("b")), 0);
  list.Insert(-5, QStringLiteral("a"));  // clamped to the front
  list.Insert(99, QStringLiteral("d"));  // clamped to the end
  list.Insert(2, QStringLiteral("c"));
  EXPECT_EQ(list.AddNameValue(QStringLiteral("k"), QStringLiteral("v")), 4);
  list.Append(QStringLiteral("e"));
  EXPECT_EQ(Items(list), (QStringList{"a", "b", "c", "d", "k=v", "e"}));
  EXPECT_EQ(changes, 6);

  list.Exchange(0, 5);
  list.Move(1, 3);
  EXPECT_EQ(Items(list), (QStringList{"e", "c", "d", "b", "k=v", "a"}));
  list.Delete(4);
  list.Reverse();
  EXPECT_EQ(Items(list), (QStringList{"a", "b", "d", "c", "e"}));
  list.Put(2, QStringLiteral("ｄ＄"));
  EXPECT_EQ(list.Get(2), QStringLiteral("ｄ＄"));
  list.AddEmpty(2);
  EXPECT_EQ(list.Count(), 7);
  EXPECT_TRUE(list.Get(6).isEmpty());
  changes = 0;
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(changes, 1);
  list.Clear();  // nothing to remove, nothing to report
  EXPECT_EQ(changes, 1);
}

TEST_F(WideStringsTest, OwnedObjectsAreDeletedWithTheirItems) {
  int alive = 0;
  {
    TMyWStrings list;
    list.SetOwnsObjects(true);
    list.AddObject(QStringLiteral("a"), new Counted(&alive));
    list.AddObject(QStringLiteral("b"), new Counted(&alive));
    list.AddObject(QStringLiteral("c"), new Counted(&alive));
    EXPECT_EQ(alive, 3);
    list.Delete(1);
    EXPECT_EQ(alive, 2);
    list.Clear();
    EXPECT_EQ(alive, 0);
    list.AddObject(QStringLiteral("d"), new Counted(&alive));
  }
  EXPECT_EQ(alive, 0);  // freed with the list

  // Without ownership the objects are only referenced.
  Counted kept(&alive);
  TMyWStrings list;
  list.AddObject(QStringLiteral("x"), &kept);
  EXPECT_EQ(list.GetObject(0), &kept);
  list.Clear();
  EXPECT_EQ(alive, 1);
}

TEST_F(WideStringsTest, AddTextSplitsLinesAndRecordsTheStyle) {
  struct Case {
    QString text;
    QStringList items;
    uint8_t style;
  };
  const Case cases[] = {
      {QString(), {}, kLineBreakCrLf},
      {QStringLiteral("one"), {"one"}, kLineBreakCrLf},
      {QStringLiteral("a\r\nb\r\n"), {"a", "b"}, kLineBreakCrLf},
      {QStringLiteral("a\nb"), {"a", "b"}, kLineBreakLf},
      {QStringLiteral("a\rb\r"), {"a", "b"}, kLineBreakCr},
      {QStringLiteral("\r\n\r\n"), {"", ""}, kLineBreakCrLf},
      {QStringLiteral("a\r\rb"), {"a", "", "b"}, kLineBreakCr},
      {QStringLiteral("a\n\rb"), {"a", "", "b"}, kLineBreakCrLf},  // LF then CR: both seen
      {QStringLiteral("あ\n$0041\n"), {"あ", "$0041"}, kLineBreakLf},
  };
  for (const Case& c : cases) {
    TMyWStrings list;
    list.SetLineBreakStyle(kLineBreakCr);
    std::vector<std::pair<int, int>> added;
    list.SetOnLineAdded([&](int index, int length) { added.emplace_back(index, length); });
    list.SetText(c.text);
    EXPECT_EQ(Items(list), c.items) << c.text.toStdString();
    EXPECT_EQ(list.LineBreakStyle(), c.style) << c.text.toStdString();
    // The event fires for the non-empty lines only.
    std::vector<std::pair<int, int>> expected;
    for (int i = 0; i < c.items.size(); ++i) {
      if (!c.items[i].isEmpty()) expected.emplace_back(i, static_cast<int>(c.items[i].size()));
    }
    EXPECT_EQ(added, expected) << c.text.toStdString();
  }

  // AddText appends; GetText ends every item with the style's break.
  TMyWStrings list;
  list.SetText(QStringLiteral("a\nb"));
  list.AddText(QStringLiteral("c"));
  EXPECT_EQ(list.GetText(), QStringLiteral("a\r\nb\r\nc\r\n"));
  list.SetLineBreakStyle(kLineBreakLf);
  EXPECT_EQ(list.GetText(), QStringLiteral("a\nb\nc\n"));
  list.Clear();
  EXPECT_TRUE(list.GetText().isEmpty());
}

TEST_F(WideStringsTest, DelimitedTextSplitsAndJoinsWithoutQuoting) {
  TMyWStrings list;
  list.SetDelimitedText(QStringLiteral("a,\"b c\",,d"));
  EXPECT_EQ(Items(list), (QStringList{"a", "\"b c\"", "", "d"}));
  EXPECT_EQ(list.GetDelimitedText(), QStringLiteral("a,\"b c\",,d"));
  list.SetDelimiter(QStringLiteral("||"));
  list.SetDelimitedText(QStringLiteral("動画||$x||"));
  EXPECT_EQ(Items(list), (QStringList{"動画", "$x", ""}));
  EXPECT_EQ(list.GetDelimitedText(), QStringLiteral("動画||$x||"));

  // An empty text clears the list and returns normally.
  list.SetDelimitedText(QString());
  EXPECT_EQ(list.Count(), 0);
  list.Add(QStringLiteral("after"));
  EXPECT_EQ(Items(list), QStringList{"after"});
}

TEST_F(WideStringsTest, SearchesFollowTheCaseRule) {
  TMyWStrings list;
  Fill(list, {"Alpha", "beta=2", "ALPHA", "Gamma Ray", "é=1", " Name = x", "=lead"});
  EXPECT_EQ(list.Find(QStringLiteral("alpha")), 0);
  EXPECT_EQ(list.Find(QStringLiteral("delta")), -1);
  EXPECT_EQ(list.IndexOfPrefix(QStringLiteral("al")), 0);
  EXPECT_EQ(list.IndexOfPrefix(QStringLiteral("al"), 1), 2);
  EXPECT_EQ(list.IndexOfSubstring(QStringLiteral("RAY")), 3);
  EXPECT_EQ(list.IndexOfSubstring(QStringLiteral("ray"), 4), -1);

  list.SetCaseSensitive(true);
  EXPECT_EQ(list.Find(QStringLiteral("ALPHA")), 2);
  EXPECT_EQ(list.IndexOfPrefix(QStringLiteral("al")), -1);
  EXPECT_EQ(list.IndexOfSubstring(QStringLiteral("RAY")), -1);

  // Names: the part before "=", trimmed; empty without "=" or with "=" first.
  const QString names[] = {"", "beta", "", "", "é", "Name", ""};
  for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Names(i), names[i]) << i;
  EXPECT_EQ(list.IndexOfName(QStringLiteral("BETA")), 1);  // always without regard to case
  EXPECT_EQ(list.IndexOfName(QStringLiteral("É")), 4);
  EXPECT_EQ(list.IndexOfName(QStringLiteral("name")), 5);
  EXPECT_EQ(list.IndexOfName(QStringLiteral(" Name")), -1);  // the given name is not trimmed
  EXPECT_EQ(list.IndexOfName(QStringLiteral("beta"), 2), -1);
}

TEST_F(WideStringsTest, CopyingBetweenListsKeepsTextsAndObjects) {
  int alive = 0;
  Counted object(&alive);
  TMyWStrings source;
  Fill(source, {"x$1", "ü", "普通"});
  source.PutObject(1, &object);

  TMyWStrings target;
  target.Add(QStringLiteral("old"));
  target.Assign(source);
  EXPECT_EQ(Items(target), Items(source));
  EXPECT_EQ(target.GetObject(1), &object);
  target.AddStrings(target);  // appending itself doubles it once
  EXPECT_EQ(target.Count(), 6);

  target.InsertStrings(1, source);
  EXPECT_EQ(Items(target).mid(0, 5), (QStringList{"x$1", "x$1", "ü", "普通", "ü"}));
  target.InsertStrings(-3, source.Backing());
  EXPECT_EQ(Items(target).mid(0, 3), Items(source));

  // Raw lists are taken as stored forms, not encoded again.
  TRawStringList raw({"$0041", "plain"});
  target.AssignRaw(raw);
  EXPECT_EQ(Items(target), (QStringList{"A", "plain"}));
  target.AddRawStrings(raw);
  EXPECT_EQ(target.Count(), 4);
  EXPECT_GE(target.Capacity(), 4);
}

TEST_F(WideStringsTest, BackingListCanBeReplaced) {
  TRawStringList borrowed({"b1"});
  TMyWStrings list;
  list.Add(QStringLiteral("owned"));
  list.SetBackingList(&borrowed);
  EXPECT_FALSE(list.OwnsBackingList());
  EXPECT_EQ(Items(list), QStringList{"b1"});
  list.SetBackingList(nullptr);  // back to a new, empty owned list
  EXPECT_TRUE(list.OwnsBackingList());
  EXPECT_EQ(list.Count(), 0);
  list.Add(QStringLiteral("x"));
  list.SetBackingList(nullptr);  // clears the owned list
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(borrowed.Items(), QList<QByteArray>{"b1"});
}

TEST_F(WideStringsTest, FailedInsertionsAreReportedAndLeaveNoItem) {
  FailingList backing;
  TMyWStrings list(&backing);
  list.Add(QStringLiteral("kept"));
  backing.failure = FailingList::Failure::kMemory;
  EXPECT_EQ(list.Add(QStringLiteral("big")), -1);
  backing.failure = FailingList::Failure::kOther;
  list.Insert(0, QStringLiteral("other"));
  EXPECT_EQ(Items(list), QStringList{"kept"});
  EXPECT_EQ(messages_, (QStringList{"データが大きすぎて操作が完了できませんでした",
                                    "操作が完了できませんでした"}));
}

TEST_F(WideStringsTest, SortsAndDuplicateRemoval) {
  TMyWStrings list;
  Fill(list, {"b10", "B2", "a", "b2", "a"});
  list.QuickSort();
  EXPECT_EQ(Items(list), (QStringList{"a", "a", "b10", "B2", "b2"}));
  list.QuickSort(true);
  EXPECT_EQ(Items(list), (QStringList{"a", "a", "B2", "b2", "b10"}));
  list.InsertionSort(true, true);  // equal neighbours go (case-insensitive here)
  EXPECT_EQ(Items(list), (QStringList{"a", "B2", "b10"}));
  Fill(list, {"x", "x", "y", "x"});
  list.RemoveAdjacentDuplicates();
  EXPECT_EQ(Items(list), (QStringList{"x", "y", "x"}));
}

TEST_F(WideStringsTest, FileStringsBehaveAsTheBase) {
  TMyFileStrings list;
  list.SetDelimiter(QStringLiteral(" "));
  list.SetDelimitedText(QStringLiteral("/T:1:00 /S:5 動画.mp4"));
  EXPECT_EQ(Items(list), (QStringList{"/T:1:00", "/S:5", "動画.mp4"}));
  EXPECT_EQ(list.Backing().Get(2), WideToEscapedAnsi(QStringLiteral("動画.mp4")));
}

}  // namespace
}  // namespace frivo
