// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "support/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <climits>
#include <random>

#include "common/file_size_limit.h"
#include "common/temp_dir.h"
#include "support/text_codec.h"
#include "support/wide_strings.h"

namespace frivo {

static void PrintTo(const TRect& r, std::ostream* os) {
  *os << "{" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << "}";
}

namespace {

using test::ReadAll;
using test::TempDir;
using test::WriteAll;

// Lines joined with CR LF, each followed by one.
QByteArray Crlf(std::initializer_list<const char*> lines) {
  QByteArray out;
  for (const char* line : lines) out += QByteArray(line) + "\r\n";
  return out;
}

QStringList Items(const TMyWStrings& list) {
  QStringList out;
  for (int i = 0; i < list.Count(); ++i) out << list.Get(i);
  return out;
}

// A settings file in a fresh folder.
class IniFileTest : public ::testing::Test {
 protected:
  QString Path() const { return dir_.File(QStringLiteral("settings.ini")); }
  void Store(const QByteArray& bytes) const { ASSERT_TRUE(WriteAll(Path(), bytes)); }
  QByteArray Stored() const { return ReadAll(Path()); }

  TempDir dir_;
};

TEST_F(IniFileTest, WrittenSectionsMoveToTheEndAndKeepTheirKeyOrder) {
  Store(Crlf(
      {"; made by hand", "[A]", "x=1", "y=2", "", "[B]", "; comment", "k=v", "", "[C]", "z=3"}));
  {
    TMyIniFile ini(Path(), 0);
    ini.WriteString("a", "Y", "20");  // same section and key in another case
    ini.WriteString("a", "new", "n");
    EXPECT_EQ(ini.ReadString("C", "z", "?"), "3");  // puts A back
    ini.WriteInteger("B", "k", 5);
  }
  // Lines before the first section stay; B loses its comment; A's header takes
  // the writer's spelling; each written section ends with one empty line.
  EXPECT_EQ(Stored(), Crlf({"; made by hand", "[C]", "z=3", "[a]", "x=1", "Y=20", "new=n", "",
                            "[B]", "k=5", ""}));
}

TEST_F(IniFileTest, TheLastLineOfADuplicateKeyWins) {
  Store(Crlf({"[S]", "k=1", "other=a", "K=2"}));
  TMyIniFile ini(Path(), 0);
  EXPECT_EQ(ini.ReadString("S", "k", "?"), "2");
  TMyWStrings values;
  ini.ReadSectionValues("S", values);
  EXPECT_EQ(Items(values), (QStringList{"other=a", "K=2"}));
  ini.ReadSection("s", values);
  EXPECT_EQ(Items(values), (QStringList{"other", "K"}));

  ini.WriteString("S", "other", "b");
  EXPECT_TRUE(ini.UpdateFile());
  EXPECT_EQ(Stored(), Crlf({"[S]", "other=b", "K=2", ""}));
}

TEST_F(IniFileTest, OnlyTheFirstOfTwoEqualSectionsIsSeenAndAWriteReplacesBoth) {
  Store(Crlf({"[S]", "a=1", "[T]", "b=1", "[s]", "a=2", "c=3"}));
  {
    TMyIniFile ini(Path(), 0);
    EXPECT_EQ(ini.ReadString("S", "a", "?"), "1");
    EXPECT_EQ(ini.ReadString("S", "c", "?"), "?");  // belongs to the second one
    TMyWStrings names;
    ini.ReadSections(names);
    EXPECT_EQ(Items(names), (QStringList{"S", "T", "s"}));
    ini.WriteString("S", "a", "9");
  }
  // A second [s] left behind would be found first when the file is read again.
  EXPECT_EQ(Stored(), Crlf({"[T]", "b=1", "[S]", "a=9", ""}));
  TMyIniFile again(Path(), 0);
  EXPECT_EQ(again.ReadString("S", "a", "?"), "9");
}

TEST_F(IniFileTest, MalformedHeadersAndLinesBelongToThePreviousSection) {
  Store(Crlf({"[A]", "x=1", "[]", "y=2", "[B", "z=3", "[ ]", "q=4", "novalue", "=nokey",
              "  spaced key  =  v  ", "empty=", "  [  c  ]  trailing text", "w=4"}));
  TMyIniFile ini(Path(), 0);
  TMyWStrings names;
  ini.ReadSections(names);
  EXPECT_EQ(Items(names), (QStringList{"A", "c"}));
  EXPECT_TRUE(ini.SectionExists("C"));
  EXPECT_TRUE(ini.SectionExists("  c "));
  EXPECT_FALSE(ini.SectionExists("B"));
  EXPECT_FALSE(ini.SectionExists(""));

  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  };
  const Case cases[] = {
      {"A", "y", "2"},       {"A", "z", "3"},
      {"A", "q", "4"},       {"A", "spaced key", "  v  "},  // value keeps its blanks
      {"A", "empty", "def"}, {"A", "novalue", "def"},
      {"A", "", "def"},      {"c", "w", "4"},
      {"C", "x", "def"},     {"missing", "x", "def"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.ReadString(c.section, c.key, "def"), c.expected) << c.section << "/" << c.key;
  }
  TMyWStrings values;
  ini.ReadSectionValues("A", values);
  EXPECT_EQ(Items(values),
            (QStringList{"x=1", "y=2", "z=3", "q=4", "  spaced key  =  v  ", "empty="}));
}

TEST_F(IniFileTest, NamesCompareWithoutCase) {
  Store("\xEF\xBB\xBF" +
        Crlf({"[capture_option]", "ToolBar=0", "[ÄBC]", "Größe=1", "[Other]", "q=1"}));
  {
    TMyIniFile ini(Path(), 0);
    EXPECT_TRUE(ini.SectionExists("CAPTURE_Option"));
    EXPECT_FALSE(ini.ReadBool("CAPTURE_OPTION", "toolbar", true));
    EXPECT_EQ(ini.ReadInteger("äbc", "GRÖßE", 7), 1);
    ini.WriteBool("CAPTURE_Option", "ToolBar", true);
  }
  TMyIniFile again(Path(), 0);
  TMyWStrings names;
  again.ReadSections(names);
  EXPECT_EQ(Items(names), (QStringList{"ÄBC", "Other", "CAPTURE_Option"}));
  EXPECT_EQ(again.ReadString("capture_option", "TOOLBAR", "?"), "1");
}

TEST_F(IniFileTest, RawSectionsKeepEveryLineAndHaveNoEmptyLineAfterThem) {
  Store(Crlf({"[List]", "/a/b c", "", "  spaced  ", "=odd", "; kept", "[Keys]", "k=1"}));
  TMyIniFile ini(Path(), 0);
  TMyWStrings lines;
  ini.ReadSectionLines("list", lines);
  EXPECT_EQ(Items(lines), (QStringList{"/a/b c", "", "  spaced  ", "=odd", "; kept"}));
  ini.ReadSectionValues("List", lines);
  EXPECT_EQ(lines.Count(), 0);

  ini.WriteString("Keys", "k", "2");  // pending when the raw section is written
  TMyWStrings paths;
  for (const char* p : {"/x", "", "/y=z", " /padded "}) paths.Add(p);
  ini.WriteSectionLines("List", paths);
  ini.ReadSectionLines("List", lines);
  EXPECT_EQ(Items(lines), Items(paths));
  ASSERT_TRUE(ini.UpdateFile());
  EXPECT_EQ(Stored(), Crlf({"[Keys]", "k=2", "", "[List]", "/x", "", "/y=z", " /padded "}));

  ini.WriteString("Keys", "n", "1");
  ASSERT_TRUE(ini.UpdateFile());
  EXPECT_EQ(Stored(), Crlf({"[List]", "/x", "", "/y=z", " /padded ", "[Keys]", "k=2", "n=1", ""}));
}

TEST_F(IniFileTest, OnlyReadingNeverTouchesTheFile) {
  // UTF-16 with mark and LF breaks, so any rewrite would change the bytes.
  QByteArray utf16("\xFF\xFE", 2);
  const QString text = QStringLiteral("[設定]\nキー=値\n[B]\nn=1\n");
  utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
  Store(utf16);
  {
    TMyIniFile ini(Path(), 0);
    EXPECT_EQ(ini.LoadEncoding(), kEncodingUtf16Le);
    EXPECT_EQ(ini.ReadString("設定", "キー", "?"), "値");
    EXPECT_EQ(ini.ReadInteger("B", "n", 0), 1);
    EXPECT_TRUE(ini.SectionExists("B"));
    TMyWStrings lines;
    ini.ReadSectionLines("設定", lines);
    ini.ReadSections(lines);
    EXPECT_FALSE(ini.UpdateFile());
  }
  EXPECT_EQ(Stored(), utf16);
}

TEST_F(IniFileTest, AWrittenFileUsesTheSaveEncodingAndTheLoadedLineBreaks) {
  QByteArray utf16("\xFF\xFE", 2);
  const QString text = QStringLiteral("[設定]\nキー=値\n");
  utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
  Store(utf16);
  {
    TMyIniFile ini(Path(), 0);
    ini.WriteString("設定", "キー", "新");
  }
  // Everything fits CP932: no mark, the LF breaks of the loaded file.
  EXPECT_EQ(Stored(), ToCp932(QStringLiteral("[設定]\nキー=新\n\n")));
  {
    TMyIniFile ini(Path(), 0);
    EXPECT_EQ(ini.LoadEncoding(), kEncodingAnsi);
    EXPECT_EQ(ini.ReadString("設定", "キー", "?"), "新");
    ini.WriteString("設定", "path", "/home/josé/動画");
  }
  // A character outside CP932 makes it UTF-8 with a mark.
  EXPECT_EQ(Stored(), QByteArray("\xEF\xBB\xBF") +
                          QStringLiteral("[設定]\nキー=新\npath=/home/josé/動画\n\n").toUtf8());
  TMyIniFile ini(Path(), 0);
  EXPECT_EQ(ini.LoadEncoding(), kEncodingUtf8);
  EXPECT_EQ(ini.ReadString("設定", "path", "?"), "/home/josé/動画");

  // A mark read with an explicit encoding does not hide the first header.
  TMyIniFile explicitUtf8(Path(), kEncodingUtf8);
  EXPECT_TRUE(explicitUtf8.SectionExists("設定"));
}

// The settings the program writes in CP932 must read back as CP932: kanji of
// the IBM extension rows (lead bytes FA to FC; 髙 of 髙橋 is FB FC), of the
// user-defined rows (F0 to F9) and U+001A (written as 7F) were taken for
// broken Shift-JIS, and a file without zero bytes for UTF-16, so every setting
// was lost at the next start.
TEST_F(IniFileTest, WhatTheCp932WriterStoresReadsBack) {
  for (const QString& value :
       {QStringLiteral("/home/髙橋/動画"), QStringLiteral("/home/山﨑/動画"), QStringLiteral("ⅰ=ⅱ"),
        QStringLiteral("\uE000"), QStringLiteral("a\u001Ab")}) {
    SCOPED_TRACE(value.toStdString());
    ASSERT_TRUE(FitsCp932(value));
    QFile::remove(Path());
    {
      TMyIniFile ini(Path(), 0);
      ini.WriteString("CAPTURE_Dialog", "OpenPath", value);
      ini.WriteString("CAPTURE_Option", "ToolBar", "0");
    }
    TMyIniFile ini(Path(), 0);
    EXPECT_EQ(ini.LoadEncoding(), kEncodingAnsi);
    EXPECT_EQ(ini.ReadString("CAPTURE_Dialog", "OpenPath", "?"), value);
    EXPECT_EQ(ini.ReadString("CAPTURE_Option", "ToolBar", "?"), "0");
  }
}

// Found by fuzzing: lines that UTF-7 reads as ideographs and U+0000 (a run of
// "A"s after "+"). The first file was taken for UTF-7, and the U+0000 saved as a
// zero byte ended the next load before the settings; the second, read as CP932
// up to its zero byte and saved as ASCII, was taken for UTF-7 when read back,
// and the U+0000 ended the text there. Either way the settings were lost.
TEST_F(IniFileTest, SettingsSavedAfterLinesThatUtf7ReadsAsZerosReadBack) {
  const QByteArray files[] = {
      QByteArray("0s+MM+elllllllllllllllllllllllllllAAAAAAAAAAAAAAAAAAA(llllllllllllllllllllll+lM"),
      QByteArray("0+MMMww/81/1kAAAAAA,\0\0\0AAAA?AAAAei0M4", 37),
  };
  for (const QByteArray& file : files) {
    SCOPED_TRACE(file.toStdString());
    Store(file);
    {
      TMyIniFile ini(Path(), 0);
      ini.WriteString("Option", "TimeVerbose", "1");
    }
    EXPECT_FALSE(Stored().contains('\0'));
    TMyIniFile ini(Path(), 0);
    EXPECT_EQ(ini.LoadEncoding(), kEncodingAnsi);
    EXPECT_EQ(ini.ReadString("Option", "TimeVerbose", "?"), "1");
  }
}

// Found by fuzzing as well: erasing the only section with bytes above 0x7F left
// an ASCII file holding "ESC $ @", saved as CP932 and read back as ISO-2022-JP,
// whose two-byte mode swallowed the settings after it. Such a file is written
// as UTF-8 with a mark.
TEST_F(IniFileTest, SettingsSavedAfterAnIso2022JpEscapeReadBack) {
  Store(QByteArray::fromBase64(
      "MGkpCltBa2VpIF0KPcZHh7d6gBm/XUEKeD0oClvzMgpbW0FdCnlbQiA9az0aO2M7Ywp6CkEKeD0pCltBa2VpczIKW1tB"
      "XQp5PTIKWyBCIF0bGyRAQgoBAAAwCigBQV0KeT0wJAoAWxRbCnMB"));
  {
    TMyIniFile ini(Path(), 0);
    ini.EraseSection("Akei");
    ini.WriteString("Option", "TimeVerbose", "1");
  }
  EXPECT_TRUE(Stored().startsWith("\xEF\xBB\xBF"));
  TMyIniFile ini(Path(), 0);
  EXPECT_EQ(ini.ReadString("Option", "TimeVerbose", "?"), "1");
  EXPECT_TRUE(ini.SectionExists("B"));
}

TEST_F(IniFileTest, ReadsSeeChangesBeforeTheyAreWritten) {
  TMyIniFile ini(Path(), 0);  // no file yet
  EXPECT_FALSE(ini.SectionExists("S"));
  ini.WriteString("S", "text", " padded ");
  ini.WriteInteger("S", "n", -42);
  ini.WriteBool("S", "on", true);
  ini.WriteRect("S", "Win", TRect{-10, 20, 310, 220});
  EXPECT_EQ(ini.ReadString("S", "text", "?"), " padded ");
  EXPECT_EQ(ini.ReadInteger("s", "N", 0), -42);
  EXPECT_TRUE(ini.ReadBool("S", "on", false));
  bool flag = false;
  ini.ReadBool("S", "on", &flag);
  EXPECT_TRUE(flag);
  EXPECT_EQ(ini.ReadRect("S", "Win", TRect{}), (TRect{-10, 20, 310, 220}));
  TMyWStrings values;
  ini.ReadSectionValues("S", values);
  EXPECT_EQ(Items(values), (QStringList{"text= padded ", "n=-42", "on=1", "Win_Left=-10",
                                        "Win_Top=20", "Win_Right=310", "Win_Bottom=220"}));
  EXPECT_TRUE(ini.SectionExists("S"));
  EXPECT_FALSE(QFile::exists(Path()));
  EXPECT_TRUE(ini.UpdateFile());
  EXPECT_FALSE(ini.UpdateFile());  // nothing changed since
  EXPECT_EQ(Stored(), Crlf({"[S]", "text= padded ", "n=-42", "on=1", "Win_Left=-10", "Win_Top=20",
                            "Win_Right=310", "Win_Bottom=220", ""}));
}

TEST_F(IniFileTest, ReadIntegerIsLenient) {
  struct Case {
    const char* stored;
    int expected;  // read with default 5
  };
  const Case cases[] = {
      {"", 5},  // empty value: the default
      {"123", 123},
      {"１２３", 123},  // full-width digits
      {"1,024", 1024},
      {"12,34 px", 1234},
      {"12 px", 12},
      {"1 2", 1},
      {"  -42  ", -42},
      {"－４２", -42},
      {"+7", 7},
      {"abc", 2748},  // hexadecimal letters switch to hexadecimal
      {"1E5", 0x1E5},
      {"1Fh", 31},
      {"x", 0},
      {"x1f", 31},
      {"$1F", 31},
      {"＄ｆｆ", 255},
      {"0x1F", 31},
      {"-$1F", -31},
      {"-1F", 0},  // "$" goes in front of the sign
      {"none", 0},
      {"   ", 0},  // present but no number
      {"- 5", 0},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"2147483648", 5},  // beyond 32 bits: the default
      {"-2147483649", 5},
      {"9,999,999,999", 5},
      {"$FFFFFFFF", 5},
      {"99999999999999999999", 5},  // beyond 64 bits too
      {"99999999999999999999 px", 5},
  };
  QByteArray file = "[N]\r\n";
  for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
    file += "k" + QByteArray::number(i) + "=" + QByteArray(cases[i].stored) + "\r\n";
  }
  Store(QByteArray("\xEF\xBB\xBF") + file);
  TMyIniFile ini(Path(), 0);
  for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
    EXPECT_EQ(ini.ReadInteger("N", "k" + QString::number(i), 5), cases[i].expected)
        << "stored \"" << cases[i].stored << "\"";
  }
  EXPECT_EQ(ini.ReadInteger("N", "missing", 5), 5);
  EXPECT_EQ(ini.ReadInteger("missing", "k1", -3), -3);
}

TEST(ParseIntLenient, SixtyFourBitRangeAndForcedHexadecimal) {
  EXPECT_EQ(ParseIntLenient("9223372036854775807"), LLONG_MAX);
  EXPECT_EQ(ParseIntLenient("-9223372036854775808"), LLONG_MIN);
  EXPECT_EQ(ParseIntLenient("9223372036854775808"), 0);
  EXPECT_EQ(ParseIntLenient("$7FFFFFFFFFFFFFFF"), LLONG_MAX);
  EXPECT_EQ(ParseIntLenient("10", true), 16);
  EXPECT_EQ(ParseIntLenient("ff", true), 255);
  EXPECT_EQ(ParseIntLenient("x10", true), 16);
  EXPECT_EQ(ParseIntLenient("", true), 0);
}

TEST_F(IniFileTest, BoolsAndFloats) {
  Store(Crlf({"[V]", "one=1", "zero=0", "two=2", "minus=-1", "yes=yes", "true=true",
              "empty=", "f1=1.5", "f2= -2.25e3 ", "comma=1,5", "junk=abc"}));
  TMyIniFile ini(Path(), 0);
  struct BoolCase {
    const char* key;
    bool withFalse;  // read with default false
    bool withTrue;   // read with default true
  };
  const BoolCase bools[] = {
      {"one", true, true},    {"zero", false, false},   {"two", true, true},
      {"minus", true, true},  {"yes", false, false},    {"true", false, false},
      {"empty", false, true}, {"missing", false, true},
  };
  for (const BoolCase& c : bools) {
    EXPECT_EQ(ini.ReadBool("V", c.key, false), c.withFalse) << c.key;
    EXPECT_EQ(ini.ReadBool("V", c.key, true), c.withTrue) << c.key;
  }

  // The decimal point is "." whatever the user's locale.
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_DOUBLE_EQ(ini.ReadFloat("V", "f1", 0), 1.5);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("V", "f2", 0), -2250.0);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("V", "comma", 7), 0.0);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("V", "junk", 7), 0.0);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("V", "missing", 0.125), 0.125);
  ini.WriteFloat("V", "f3", 0.1);
  ini.WriteFloat("V", "f4", -1e20);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("V", "f3", 0), 0.1);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("V", "f4", 0), -1e20);
  EXPECT_EQ(ini.ReadString("V", "f3", ""), "0.1");
  QLocale::setDefault(saved);
}

TEST_F(IniFileTest, EraseSectionDropsItAndItsPendingChanges) {
  Store(Crlf({"[A]", "a=1", "", "[B]", "b=1", "[a]", "a=2", "[C]", "c=1"}));
  {
    TMyIniFile ini(Path(), 0);
    ini.EraseSection("missing");
    EXPECT_FALSE(ini.UpdateFile());
    ini.WriteString("A", "new", "x");
    ini.EraseSection(" a ");
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_EQ(ini.ReadString("A", "new", "gone"), "gone");
    EXPECT_EQ(ini.ReadString("B", "b", "?"), "1");
  }
  EXPECT_EQ(Stored(), Crlf({"[B]", "b=1", "[C]", "c=1"}));
}

TEST_F(IniFileTest, WriteSectionValuesCleansAndKeepsOtherPendingChanges) {
  Store(Crlf({"[Keep]", "k=1", "[S]", "old=1"}));
  {
    TMyIniFile ini(Path(), 0);
    ini.WriteString("Keep", "k", "2");  // pending in another section
    TMyWStrings values;
    for (const char* v : {"b=1", "", "  ", "; note", "=x", "B=2", "c = 3 "}) values.Add(v);
    ini.WriteSectionValues("S", values);
    ini.ReadSectionValues("S", values);
    EXPECT_EQ(Items(values), (QStringList{"b=1", "c = 3 "}));  // the first line of a key wins
    EXPECT_EQ(ini.ReadString("Keep", "k", "?"), "2");
  }
  EXPECT_EQ(Stored(), Crlf({"[Keep]", "k=2", "", "[S]", "b=1", "c = 3 ", ""}));
}

TEST_F(IniFileTest, NamesAndValuesThatCannotBeStoredAreNotWritten) {
  Store(Crlf({"[A]", "k=1"}));
  const QByteArray before = Stored();
  {
    TMyIniFile ini(Path(), 0);
    ini.WriteString("A", "k", "two\r\nlines");  // would split into two lines
    ini.WriteString("A", "k", QString("nul") + QChar(0) + "inside");
    ini.WriteString("A", "a=b", "x");  // would be read back as the key "a"
    ini.WriteString("A", "[B]", "x");  // would be read back as a header
    ini.WriteString("A", " ", "x");
    ini.WriteString("", "k", "x");
    ini.WriteString("x]y", "k", "x");
    TMyWStrings lines;
    lines.Add("k=1");
    ini.WriteSectionValues("  ", lines);
    ini.WriteSectionLines("", lines);
    EXPECT_EQ(ini.ReadString("A", "k", "?"), "1");
    EXPECT_FALSE(ini.UpdateFile());
  }
  EXPECT_EQ(Stored(), before);
}

TEST_F(IniFileTest, AFailedSaveLeavesTheOldFileByteIdentical) {
  const QByteArray old = Crlf({"[A]", "k=old"});
  Store(old);

  // A file nobody may write.
  ASSERT_EQ(chmod(QFile::encodeName(Path()).constData(), 0444), 0);
  {
    TMyIniFile ini(Path(), 0);
    ini.WriteString("A", "k", "new");
    EXPECT_FALSE(ini.UpdateFile());
    EXPECT_EQ(ini.ReadString("A", "k", "?"), "new");  // still in memory
    EXPECT_FALSE(ini.UpdateFile());                   // and not retried
  }
  EXPECT_EQ(Stored(), old);
  ASSERT_EQ(chmod(QFile::encodeName(Path()).constData(), 0644), 0);

  // A disk that fills up while writing.
  {
    TMyIniFile ini(Path(), 0);
    ini.WriteString("A", "k", QString(20000, QLatin1Char('n')));
    const test::ScopedFileSizeLimit limit(4096);
    ASSERT_TRUE(limit.Active());
    EXPECT_FALSE(ini.UpdateFile());
  }
  EXPECT_EQ(Stored(), old);
  EXPECT_EQ(QDir(dir_.Path()).entryList(QDir::Files | QDir::Hidden), QStringList{"settings.ini"});

  // A device that is always full, and a folder that does not exist.
  for (const QString& path : {QStringLiteral("/dev/full"), dir_.File("missing/settings.ini")}) {
    TMyIniFile ini(path, 0);
    ini.WriteString("A", "k", "x");
    EXPECT_FALSE(ini.UpdateFile()) << path.toStdString();
  }
  EXPECT_FALSE(QFileInfo::exists(dir_.File("missing")));
}

TEST_F(IniFileTest, AFailedSaveInAReadOnlyFolderLeavesTheOldFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write into any folder";
  const QByteArray old = Crlf({"[A]", "k=old"});
  Store(old);
  ASSERT_EQ(chmod(QFile::encodeName(dir_.Path()).constData(), 0555), 0);
  bool written = true;
  {
    TMyIniFile ini(Path(), 0);
    ini.WriteString("A", "k", "new");
    written = ini.UpdateFile();
  }
  chmod(QFile::encodeName(dir_.Path()).constData(), 0755);
  EXPECT_FALSE(written);
  EXPECT_EQ(Stored(), old);
}

TEST_F(IniFileTest, FilesThatCannotBeLoadedLoadAsEmptyAndAreNotReplaced) {
  // Larger than any settings file: a sparse file just over the limit that starts
  // with a valid section.
  {
    QFile big(Path());
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write("[A]\r\nk=1\r\n");
    ASSERT_TRUE(big.resize(TMyWStrings::kMaxFileBytes + 1));
  }
  {
    TMyIniFile ini(Path(), 0);
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_EQ(ini.ReadString("A", "k", "def"), "def");
    ini.WriteString("A", "k", "2");
    EXPECT_FALSE(ini.UpdateFile());
  }
  EXPECT_EQ(QFileInfo(Path()).size(), TMyWStrings::kMaxFileBytes + 1);
  {
    QFile big(Path());
    ASSERT_TRUE(big.open(QIODevice::ReadOnly));
    EXPECT_EQ(big.read(10), QByteArray("[A]\r\nk=1\r\n"));
  }

  // A folder is no settings file and stays a folder.
  TMyIniFile folder(dir_.Path(), 0);
  folder.WriteString("A", "k", "x");
  EXPECT_FALSE(folder.UpdateFile());
  EXPECT_TRUE(QFileInfo(dir_.Path()).isDir());
}

TEST_F(IniFileTest, ReadBoundsOnScreenMovesTheStoredRectangleOntoItsMonitor) {
  // 1920 x 1080 with a 40-pixel panel at the bottom, and a second monitor to
  // the left.
  const std::vector<TScreenArea> screens = {
      {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
      {{-1280, 0, 0, 1024}, {-1280, 0, 0, 1024}},
  };
  const TRect current{100, 100, 604, 466};
  struct Case {
    const char* what;
    std::initializer_list<const char*> keys;
    TRect expected;
  };
  const Case cases[] = {
      {"nothing stored: the current rectangle", {}, {100, 100, 604, 466}},
      {"inside stays",
       {"Win_Left=10", "Win_Top=20", "Win_Right=510", "Win_Bottom=420"},
       {10, 20, 510, 420}},
      {"under the panel moves up",
       {"Win_Left=10", "Win_Top=900", "Win_Right=510", "Win_Bottom=1300"},
       {10, 640, 510, 1040}},
      {"mostly on the second monitor moves into it",
       {"Win_Left=-400", "Win_Top=100", "Win_Right=100", "Win_Bottom=500"},
       {-500, 100, 0, 500}},
      {"far off to the right comes back",
       {"Win_Left=9000", "Win_Top=-500", "Win_Right=9500", "Win_Bottom=-100"},
       {1420, 0, 1920, 400}},
      {"larger than the work area: its top-left corner",
       {"Win_Left=300", "Win_Top=300", "Win_Right=2500", "Win_Bottom=1500"},
       {0, 0, 2200, 1200}},
      {"written by hand",
       {"Win_Left= 1,800 ", "Win_Top=５０", "Win_Right=2300", "Win_Bottom=450px"},
       {1420, 50, 1920, 450}},
  };
  for (const Case& c : cases) {
    QByteArray file = "[Bounds]\r\n";
    for (const char* key : c.keys) file += QByteArray(key) + "\r\n";
    Store(file);
    TMyIniFile ini(Path(), 0);
    EXPECT_EQ(ini.ReadBoundsOnScreen("Bounds", "Win", current, screens), c.expected) << c.what;
  }
}

TEST(LocateSettings, BesideTheExecutableOrInTheUsersFolder) {
  TempDir dir;
  const QString config = dir.File("config");
  EXPECT_EQ(TMyIniFile::PathForExecutable("/opt/frivo/frivo"), "/opt/frivo/frivo.ini");
  EXPECT_EQ(TMyIniFile::PathForExecutable("/opt/v1.2/frivo"), "/opt/v1.2/frivo.ini");
  EXPECT_EQ(TMyIniFile::PathForExecutable("/opt/frivo/frivo.bin"), "/opt/frivo/frivo.ini");

  const QString exe = dir.File("frivo");
  const QString beside = dir.File("frivo.ini");
  const QString user = config + "/frivo/frivo.ini";
  auto expect = [](const TSettingsLocation& got, const QString& read, const QString& write) {
    EXPECT_EQ(got.readPath, read);
    EXPECT_EQ(got.writePath, write);
  };
  expect(LocateSettings(exe, config, true), beside, beside);
  // A folder that cannot be written: the user's copy, seeded by the file beside
  // the executable until the copy exists.
  expect(LocateSettings(exe, config, false), user, user);
  ASSERT_TRUE(WriteAll(beside, "[A]\r\n"));
  expect(LocateSettings(exe, config, false), beside, user);
  ASSERT_TRUE(QDir().mkpath(config + "/frivo"));
  ASSERT_TRUE(WriteAll(user, "[B]\r\n"));
  expect(LocateSettings(exe, config, false), user, user);
  expect(LocateSettings(exe, QString(), false), beside, beside);

  EXPECT_TRUE(BesideFolderWritable(exe));
  EXPECT_FALSE(BesideFolderWritable(dir.File("no/such/frivo")));
}

// Arbitrary bytes as a settings file: loading, reading and writing must neither
// crash nor lose what was written, and reading alone must not write.
TEST(IniFileRandomBytes, LoadReadAndWriteAnything) {
  TempDir dir;
  const QString path = dir.File("random.ini");
  std::mt19937 random(20260108);
  // Bytes that shape INI files turn up often, the rest is noise.
  const QByteArray shaping("[]=\r\n ;$\t,xX-", 14);
  auto randomBytes = [&](int length) {
    QByteArray bytes;
    for (int i = 0; i < length; ++i) {
      const unsigned r = random();
      bytes += (r & 1) ? shaping[static_cast<int>((r >> 1) % shaping.size())]
                       : static_cast<char>(r >> 8);
    }
    return bytes;
  };
  for (int round = 0; round < 3000; ++round) {
    const QByteArray bytes = randomBytes(static_cast<int>(random() % 400));
    ASSERT_TRUE(WriteAll(path, bytes));
    const uint8_t encoding = static_cast<uint8_t>(random() % 12);
    QStringList sections;
    {
      TMyIniFile ini(path, encoding);
      TMyWStrings names;
      ini.ReadSections(names);
      sections = Items(names);
      TMyWStrings lines;
      for (const QString& name : sections) {
        ini.ReadSectionValues(name, lines);
        ini.ReadSectionLines(name, lines);
        for (int i = 0; i < lines.Count(); ++i) {
          const QString key = lines.Get(i).section(QLatin1Char('='), 0, 0);
          (void)ini.ReadInteger(name, key, 0);
          (void)ini.ReadFloat(name, key, 0);
        }
      }
      EXPECT_FALSE(ini.UpdateFile());
    }
    ASSERT_EQ(ReadAll(path), bytes) << "round " << round;
    if (round % 3 != 0) continue;  // writing is slower (a synced save per round)

    {
      TMyIniFile ini(path, encoding);
      ini.WriteString("Fuzz", "value", "v" + QString::number(round));
      if (!sections.isEmpty()) {
        const QString other = sections[static_cast<int>(random() % sections.size())];
        TMyWStrings raw;
        raw.Add(QString::fromLatin1(randomBytes(20)));
        if (random() % 2) ini.WriteSectionLines(other, raw);
        if (random() % 2) ini.EraseSection(other);
        if (random() % 2) ini.WriteInteger(other, "n", round);
      }
      EXPECT_EQ(ini.ReadString("Fuzz", "value", "?"), "v" + QString::number(round));
    }
    // Read back in the encoding it was written in.
    uint8_t reload = encoding;
    if (encoding == kEncodingAuto) {
      reload = ReadAll(path).startsWith("\xEF\xBB\xBF") ? kEncodingUtf8 : kEncodingAnsi;
    } else if (encoding == kEncodingHexDump) {
      reload = kEncodingAnsi;  // a dump is written back as plain text
    }
    TMyIniFile again(path, reload);
    ASSERT_EQ(again.ReadString("Fuzz", "value", "?"), "v" + QString::number(round))
        << "round " << round << ", encoding " << int{encoding};
  }
}

}  // namespace
}  // namespace frivo
