// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "grab/frame_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QImage>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

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

// A frame of one colour, whose top-left pixel's blue is `blue`.
TFrameToWrite Plain(int width, int height, int blue, std::atomic<int>* filled = nullptr) {
  return {width, height, [=](uchar* rows, qsizetype stride, bool bottomUp) {
            for (int y = 0; y < height; ++y) std::memset(rows + y * stride, 0x20, width * 3);
            rows[(bottomUp ? height - 1 : 0) * stride] = static_cast<uchar>(blue);
            if (filled) ++*filled;
            return true;
          }};
}

TEST(FrameWriter, WritesInOrderWithABoundedQueue) {
  const test::TempDir dir;
  QStringList written;
  TFrameWriter::TSettings settings;
  settings.format = TGrabFormat::kPng;
  settings.depth = 2;
  {
    TFrameWriter writer(settings, {[&](const QString& path) { written.append(path); }, {}});
    for (int i = 0; i < 6; ++i)
      ASSERT_TRUE(writer.Submit(Plain(8, 4, 40 * i), dir.File(QStringLiteral("f%1.png").arg(i))));
    writer.Drain();
    EXPECT_FALSE(writer.Failed());
  }
  ASSERT_EQ(written.size(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(written[i], dir.File(QStringLiteral("f%1.png").arg(i)));
    const QImage image(written[i]);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(qBlue(image.pixel(0, 0)), 40 * i) << "the reused bitmap mixed up frames";
    EXPECT_EQ(qBlue(image.pixel(1, 0)), 0x20);
  }
}

TEST(FrameWriter, ReportsInSubmissionOrderWhenALaterFrameIsDoneFirst) {
  const test::TempDir dir;
  QStringList written;
  TFrameWriter::TSettings settings;
  settings.threads = 2;
  {
    TFrameWriter writer(settings, {[&](const QString& path) { written.append(path); }, {}});
    TFrameToWrite slow = Plain(4, 4, 1);
    slow.fill = [inner = slow.fill](uchar* rows, qsizetype stride, bool bottomUp) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      return inner(rows, stride, bottomUp);
    };
    ASSERT_TRUE(writer.Submit(std::move(slow), dir.File(QStringLiteral("slow.bmp"))));
    ASSERT_TRUE(writer.Submit(Plain(4, 4, 2), dir.File(QStringLiteral("quick.bmp"))));
    writer.Drain();
  }
  EXPECT_EQ(written, QStringList({dir.File(QStringLiteral("slow.bmp")),
                                  dir.File(QStringLiteral("quick.bmp"))}));
}

TEST(FrameWriter, BmpRowsAreLaidOutBottomUpWithZeroPadding) {
  const test::TempDir dir;
  QStringList written;
  {
    TFrameWriter writer({}, {[&](const QString& path) { written.append(path); }, {}});
    // A 6-pixel frame fills 18 bytes of each 20-byte row; the 5-pixel one
    // after it, 15 of 16, in the same bytes: its padding must not keep them.
    for (int i = 0; i < 2; ++i) {
      const int width = 6 - i;
      TFrameToWrite frame{width, 3, [i, width](uchar* rows, qsizetype stride, bool bottomUp) {
                            EXPECT_TRUE(bottomUp);
                            EXPECT_EQ(stride, (width * 3 + 3) / 4 * 4);
                            for (int y = 0; y < 3; ++y)
                              std::memset(rows + y * stride, y + i, width * 3);
                            return true;
                          }};
      ASSERT_TRUE(writer.Submit(std::move(frame), dir.File(QStringLiteral("f%1.bmp").arg(i))));
    }
    writer.Drain();
  }
  ASSERT_EQ(written.size(), 2);
  for (int i = 0; i < 2; ++i) {
    const QByteArray bytes = test::ReadAll(written[i]);
    const int stride = i == 0 ? 20 : 16;
    ASSERT_EQ(bytes.size(), 54 + stride * 3);
    TMyBitmap decoded;
    ASSERT_TRUE(decoded.LoadFromBmpData(bytes));
    EXPECT_EQ(qBlue(decoded.Pixel(0, 2)), i) << "the first row in the file is the bottom one";
    EXPECT_EQ(qBlue(decoded.Pixel(0, 0)), 2 + i);
    for (int y = 0; y < 3; ++y)
      EXPECT_EQ(bytes[54 + y * stride + stride - 1], '\0') << "padding of row " << y;
  }
}

TEST(FrameWriter, StopsAtTheFirstFailedWrite) {
  const test::TempDir dir;
  std::atomic<int> filled{0};
  TFrameWriter writer({}, {});
  for (int i = 0; i < 3; ++i) {
    if (!writer.Submit(Plain(4, 4, 0, &filled), dir.File(QStringLiteral("missing/f%1.bmp").arg(i))))
      break;
  }
  writer.Drain();
  EXPECT_TRUE(writer.Failed());
  EXPECT_TRUE(writer.Failure().contains(QStringLiteral("missing/f0.bmp")))
      << writer.Failure().toStdString();
  EXPECT_FALSE(writer.Submit(Plain(4, 4, 0, &filled), dir.File(QStringLiteral("f.bmp"))));
  EXPECT_LE(filled.load(), 3);
  EXPECT_TRUE(AllEntries(dir).isEmpty());
}

TEST(FrameWriter, AFrameWithoutPictureFailsTheWrite) {
  const test::TempDir dir;
  TFrameWriter writer({}, {});
  TFrameToWrite broken{4, 4, [](uchar*, qsizetype, bool) { return false; }};
  ASSERT_TRUE(writer.Submit(std::move(broken), dir.File(QStringLiteral("f.bmp"))));
  writer.Drain();
  EXPECT_TRUE(writer.Failed());
  EXPECT_TRUE(AllEntries(dir).isEmpty()) << "no partial file";
}

}  // namespace
}  // namespace frivo
