// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "support/file_replace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>

#include "common/file_size_limit.h"
#include "common/temp_dir.h"

namespace frivo {
namespace {

using test::ReadAll;
using test::TempDir;
using test::WriteAll;

TEST(ReplaceFileContents, CreatesAndReplacesWholeContent) {
  TempDir dir;
  const QString path = dir.File(QStringLiteral("a.txt"));
  ASSERT_TRUE(ReplaceFileContents(path, "first version, long"));
  EXPECT_EQ(ReadAll(path), QByteArray("first version, long"));
  ASSERT_TRUE(ReplaceFileContents(path, "short"));
  EXPECT_EQ(ReadAll(path), QByteArray("short"));
  ASSERT_TRUE(ReplaceFileContents(path, QByteArray()));
  EXPECT_EQ(QFileInfo(path).size(), 0);
  // Nothing but the target is left in the folder.
  EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.txt"});
}

TEST(ReplaceFileContents, KeepsThePermissionsOfTheReplacedFile) {
  TempDir dir;
  const QString path = dir.File(QStringLiteral("p.ini"));
  ASSERT_TRUE(WriteAll(path, "old"));
  ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0640), 0);
  ASSERT_TRUE(ReplaceFileContents(path, "new"));
  struct stat st {};
  ASSERT_EQ(stat(QFile::encodeName(path).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(ReplaceFileContents, FailuresLeaveTheOldFileAsItWas) {
  TempDir dir;
  EXPECT_FALSE(ReplaceFileContents(dir.File(QStringLiteral("missing/a.txt")), "x"));
  EXPECT_FALSE(ReplaceFileContents(QString(), "x"));
  EXPECT_FALSE(ReplaceFileContents(dir.Path(), "x"));  // a folder

  const QString readOnly = dir.File(QStringLiteral("ro.txt"));
  ASSERT_TRUE(WriteAll(readOnly, "keep me"));
  ASSERT_EQ(chmod(QFile::encodeName(readOnly).constData(), 0444), 0);
  EXPECT_FALSE(ReplaceFileContents(readOnly, "overwritten"));
  EXPECT_EQ(ReadAll(readOnly), QByteArray("keep me"));
}

TEST(ReplaceFileContents, AFullDeviceFailsAndStaysADevice) {
  EXPECT_FALSE(ReplaceFileContents(QStringLiteral("/dev/full"), QByteArray(4096, 'x')));
  struct stat st {};
  ASSERT_EQ(stat("/dev/full", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST(ReplaceFileContents, AWriteCutShortLeavesTheOldBytesAndNoTemporaryFile) {
  TempDir dir;
  const QString path = dir.File(QStringLiteral("big.bin"));
  const QByteArray old(1000, 'o');
  ASSERT_TRUE(WriteAll(path, old));

  // A file size limit makes the write fail part-way, as a full disk would.
  bool ok = true;
  {
    const test::ScopedFileSizeLimit limit(4096);
    ASSERT_TRUE(limit.Active());
    ok = ReplaceFileContents(path, QByteArray(100000, 'n'));
  }

  EXPECT_FALSE(ok);
  EXPECT_EQ(ReadAll(path), old);
  EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden), QStringList{"big.bin"});
}

}  // namespace
}  // namespace frivo
