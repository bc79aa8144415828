// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "grab/frame_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QImage>
#include <csignal>

#include "common/temp_dir.h"

namespace frivo {
namespace {

QStringList AllEntries(const test::TempDir& dir) {
  return QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

TEST(CommitFile, KeepsAnExistingFileUnlessToldToReplaceIt) {
  const test::TempDir dir;
  const QString path = dir.File(QStringLiteral("frame.bmp"));
  QString error;
  EXPECT_EQ(CommitFile(path, "first", false, &error), TCommit::kWritten);
  EXPECT_EQ(CommitFile(path, "second", false, &error), TCommit::kKept);
  EXPECT_EQ(test::ReadAll(path), QByteArray("first"));
  EXPECT_EQ(CommitFile(path, "third", true, &error), TCommit::kWritten);
  EXPECT_EQ(test::ReadAll(path), QByteArray("third"));
  EXPECT_EQ(AllEntries(dir), QStringList{QStringLiteral("frame.bmp")});
}

TEST(CommitFile, AFailedWriteLeavesNoFile) {
  const test::TempDir dir;
  QString error;
  EXPECT_EQ(CommitFile(dir.File(QStringLiteral("none/frame.bmp")), "x", false, &error),
            TCommit::kFailed);
  EXPECT_FALSE(error.isEmpty());

  // A size limit stands in for a full disk: the write stops part way.
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit limited = saved;
  limited.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const TCommit commit =
      CommitFile(dir.File(QStringLiteral("big.bmp")), QByteArray(100000, 'x'), true, &error);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(commit, TCommit::kFailed);
  EXPECT_TRUE(AllEntries(dir).isEmpty()) << AllEntries(dir).join(u' ').toStdString();
}

TEST(FrameWriter, WritesInOrderWithABoundedPool) {
  const test::TempDir dir;
  QStringList written;
  TFrameWriter::TSettings settings;
  settings.format = TGrabFormat::kPng;
  settings.depth = 2;
  {
    TFrameWriter writer(settings, {[&](const QString& path) { written.append(path); }, {}});
    for (int i = 0; i < 6; ++i) {
      std::unique_ptr<TMyBitmap> bitmap = writer.Acquire(8, 4);
      ASSERT_TRUE(bitmap);
      bitmap->ScanLine(0)[0] = static_cast<uchar>(40 * i);  // blue of the top-left pixel
      writer.Submit(std::move(bitmap), dir.File(QStringLiteral("f%1.png").arg(i)));
    }
    writer.Drain();
    EXPECT_FALSE(writer.Failed());
  }
  ASSERT_EQ(written.size(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(written[i], dir.File(QStringLiteral("f%1.png").arg(i)));
    const QImage image(written[i]);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(qBlue(image.pixel(0, 0)), 40 * i) << "a pooled bitmap mixed up frames";
  }
}

TEST(FrameWriter, StopsAtTheFirstFailedWrite) {
  const test::TempDir dir;
  TFrameWriter writer({}, {});
  for (int i = 0; i < 3; ++i) {
    std::unique_ptr<TMyBitmap> bitmap = writer.Acquire(4, 4);
    if (!bitmap) break;
    writer.Submit(std::move(bitmap), dir.File(QStringLiteral("missing/f%1.bmp").arg(i)));
  }
  writer.Drain();
  EXPECT_TRUE(writer.Failed());
  EXPECT_TRUE(writer.Failure().contains(QStringLiteral("missing/f0.bmp")))
      << writer.Failure().toStdString();
  EXPECT_EQ(writer.Acquire(4, 4), nullptr);
}

}  // namespace
}  // namespace frivo
