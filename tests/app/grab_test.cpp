// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// frivo-grab run as a program on the barcoded fixtures.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <cstdio>
#include <vector>

#include "common/temp_dir.h"
#include "fixtures/barcode.h"
#include "fixtures/fixtures.h"
#include "playback/time_text.h"

namespace frivo {
namespace {

struct Result {
  int exitCode = -1;
  QStringList lines;
  QString errors;
};

// The barcoded frame number in each written file, in the order written.
std::vector<int> FrameCodes(const QStringList& files) {
  std::vector<int> codes;
  for (const QString& file : files) codes.push_back(test::ReadFrameCode(QImage(file)));
  return codes;
}

// The first frame at or after `seconds` on the players' timeline.
int FirstFrameFrom(const test::FixtureInfo& info, double seconds) {
  int n = 0;
  while (n < info.frameCount &&
         test::FrameStartNs(info, n) < std::llround(seconds * 1e9) - 1'000'000)
    ++n;
  return n;
}

struct Result;
Result Finish(QProcess& process);

Result Grab(const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral(FRIVO_GRAB_PATH), arguments);
  return Finish(process);
}

// The same under a shell that sets a file size limit first (in blocks of 512 or
// 1024 bytes, as the shell counts them).
Result GrabWithSizeLimit(int blocks, const QStringList& arguments) {
  QProcess process;
  process.start(QStringLiteral("/bin/sh"),
                QStringList{QStringLiteral("-c"),
                            QStringLiteral("ulimit -f %1; exec \"$0\" \"$@\"").arg(blocks),
                            QStringLiteral(FRIVO_GRAB_PATH)} +
                    arguments);
  return Finish(process);
}

// Peak resident memory of a run (VmHWM from /proc while it runs), in KiB.
struct MemoryResult {
  int exitCode = -1;
  long lines = 0;
  long peakKib = 0;
};
MemoryResult GrabMeasured(const QStringList& arguments) {
  QProcess process;
  // Under AddressSanitizer freed memory waits in a quarantine of up to 256 MiB,
  // which a long run fills and a short one does not: keep it small, so the
  // figures are the program's own.
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  const QString asan = environment.value(QStringLiteral("ASAN_OPTIONS"));
  environment.insert(QStringLiteral("ASAN_OPTIONS"),
                     asan + (asan.isEmpty() ? "" : ":") + QStringLiteral("quarantine_size_mb=4"));
  process.setProcessEnvironment(environment);
  process.start(QStringLiteral(FRIVO_GRAB_PATH), arguments);
  MemoryResult result;
  if (!process.waitForStarted(10000)) return result;
  const QString status = QStringLiteral("/proc/%1/status").arg(process.processId());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(4);
  while (!process.waitForFinished(20) && std::chrono::steady_clock::now() < deadline) {
    QFile file(status);
    if (!file.open(QIODevice::ReadOnly)) continue;
    for (const QByteArray& line : file.readAll().split('\n')) {
      if (line.startsWith("VmHWM:"))
        result.peakKib =
            std::max(result.peakKib, line.mid(6).trimmed().split(' ').front().toLong());
    }
  }
  result.exitCode = process.exitCode();
  result.lines = QString::fromUtf8(process.readAllStandardOutput()).count(QLatin1Char('\n'));
  return result;
}

Result Finish(QProcess& process) {
  Result result;
  if (!process.waitForFinished(120000)) return result;
  result.exitCode = process.exitCode();
  result.lines = QString::fromUtf8(process.readAllStandardOutput())
                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  result.errors = QString::fromUtf8(process.readAllStandardError());
  return result;
}

TEST(FrivoGrab, WritesTheExactFramesNamedByTheirTimes) {
  struct Case {
    const char* fixture;
    const char* start;
    const char* format;
    int firstFrame;
    const char* firstName;
  };
  const Case cases[] = {
      {test::kH264Mp4, "1.2", "bmp", 30, "h264_bframes_25fps_1.200.bmp"},
      {test::kMjpegAvi, "0:02", "jpeg", 50, "mjpeg_25fps_2.000.jpeg"},
      {test::kVp9Mkv, "0", "gif", 0, "vp9_25fps_0.000.gif"},
  };
  for (const Case& c : cases) {
    const test::TempDir dir;
    const Result result =
        Grab({QStringLiteral("--start"), QString::fromLatin1(c.start), QStringLiteral("--count"),
              QStringLiteral("4"), QStringLiteral("--format"), QString::fromLatin1(c.format),
              QStringLiteral("--output"), dir.Path(), test::FixturePath(c.fixture)});
    ASSERT_EQ(result.exitCode, 0) << c.fixture << " " << result.errors.toStdString();
    ASSERT_EQ(result.lines.size(), 4) << c.fixture;
    EXPECT_TRUE(result.lines[0].endsWith(QString::fromLatin1(c.firstName)))
        << result.lines[0].toStdString();
    for (int i = 0; i < 4; ++i) {
      const QImage image(result.lines[i]);
      ASSERT_FALSE(image.isNull()) << result.lines[i].toStdString();
      EXPECT_EQ(test::ReadFrameCode(image), c.firstFrame + i) << result.lines[i].toStdString();
    }
  }
}

// From any time, on every container: the first frame written is the first at
// or after that time on the players' timeline, and each name carries the time
// players show for its frame.
TEST(FrivoGrabTimeline, StartsAtTheTimelineTimeOnEveryContainer) {
  for (const test::FixtureInfo& info : test::AllFixtures()) {
    if (!info.playable || !info.hasVideo) continue;
    for (const double start : {0.0, 1.0, 2.5, 4.2}) {
      int first = 0;
      while (first < info.frameCount && test::FrameStartNs(info, first) < std::llround(start * 1e9))
        ++first;
      const int count = std::min(3, info.frameCount - first);
      if (count <= 0) continue;  // the file ends before that time
      SCOPED_TRACE(std::string(info.name) + " from " + std::to_string(start));
      const test::TempDir dir;
      const Result result =
          Grab({QStringLiteral("--start"), QString::number(start), QStringLiteral("--count"),
                QString::number(count), QStringLiteral("--format"), QStringLiteral("bmp"),
                QStringLiteral("--output"), dir.Path(), test::FixturePath(info.name)});
      ASSERT_EQ(result.exitCode, 0) << result.errors.toStdString();
      ASSERT_EQ(result.lines.size(), count);
      const QString stem = QFileInfo(QString::fromUtf8(info.name)).completeBaseName();
      for (int i = 0; i < count; ++i) {
        const QImage image(result.lines[i]);
        EXPECT_EQ(test::ReadFrameCode(image), first + i) << result.lines[i].toStdString();
        const double time = static_cast<double>(test::FrameStartNs(info, first + i)) / 1e9;
        const QString name = stem + QLatin1Char('_') +
                             FormatTime(3, time).replace(QLatin1Char(':'), QLatin1Char('.')) +
                             QStringLiteral(".bmp");
        EXPECT_TRUE(result.lines[i].endsWith(QLatin1Char('/') + name))
            << result.lines[i].toStdString() << " is not named " << name.toStdString();
      }
    }
  }
}

TEST(FrivoGrab, RefusesWhatItCannotCapture) {
  const test::TempDir dir;
  const struct {
    QStringList arguments;
    const char* message;
  } cases[] = {
      {{dir.File(QStringLiteral("none.mp4"))}, "ファイルが存在しません"},
      {{test::FixturePath(test::kGarbageMp4)}, "は開けません"},
      {{test::FixturePath(test::kAudioOnly)}, "メディアにビデオ映像がありません"},
      {{QStringLiteral("--format"), QStringLiteral("tiff"), test::FixturePath(test::kH264Mp4)},
       "--format"},
      {{QStringLiteral("--count"), QStringLiteral("0"), test::FixturePath(test::kH264Mp4)},
       "--count"},
      {{}, "video files are needed"},
      {{QStringLiteral("--start"), QStringLiteral("1:2x"), test::FixturePath(test::kH264Mp4)},
       "--start"},
  };
  for (const auto& c : cases) {
    const Result result = Grab(c.arguments);
    EXPECT_NE(result.exitCode, 0) << c.message;
    EXPECT_TRUE(result.errors.contains(QString::fromUtf8(c.message)))
        << result.errors.toStdString();
    EXPECT_TRUE(result.lines.isEmpty());
  }
  EXPECT_EQ(Grab({QStringLiteral("--version")}).exitCode, 0);
  const Result help = Grab({QStringLiteral("--help")});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.lines.join(u'\n').contains(QStringLiteral("Exit codes")));
}

// Several starts and spaced frames, in the lossless and the lossy formats: the
// barcodes say which frames were written.
TEST(FrivoGrab, WritesTheFramesOfSeveralStartsAndOfAnInterval) {
  const test::FixtureInfo& h264 = *test::FindFixture(test::kH264Mp4);
  const test::FixtureInfo& vp9 = *test::FindFixture(test::kVp9Mkv);
  auto spaced = [](const test::FixtureInfo& info, double start, double every, double end) {
    std::vector<int> frames;
    for (int k = 0; start + k * every <= end + 1e-9; ++k) {
      const int n = FirstFrameFrom(info, start + k * every);
      if (n >= info.frameCount) break;
      if (frames.empty() || frames.back() != n) frames.push_back(n);
    }
    return frames;
  };
  const struct {
    const test::FixtureInfo* info;
    const char* arguments;
    std::vector<int> expected;
  } cases[] = {
      {&h264, "--format png --count 3 --start 0.4 --start 2", {10, 11, 12, 50, 51, 52}},
      {&h264, "--format bmp --count 2 --start 3.5 --start 0.08", {88, 89, 2, 3}},
      {&h264, "--format jpeg --every 0.5 --start 1 --end 3", spaced(h264, 1, 0.5, 3)},
      {&vp9, "--format png --every 1.3", spaced(vp9, 0, 1.3, 4)},
      {&vp9, "--format bmp --every 0.03 --end 0.2", spaced(vp9, 0, 0.03, 0.2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.info->name) + " " + c.arguments);
    const test::TempDir dir;
    QStringList arguments = QString::fromUtf8(c.arguments).split(u' ');
    arguments << QStringLiteral("--output") << dir.Path() << test::FixturePath(c.info->name);
    const Result result = Grab(arguments);
    ASSERT_EQ(result.exitCode, 0) << result.errors.toStdString();
    EXPECT_EQ(FrameCodes(result.lines), c.expected);
  }
}

TEST(FrivoGrab, JpegQualityAndSeveralFilesWithOneMissing) {
  const test::TempDir low, high;
  const QString video = test::FixturePath(test::kH264Mp4);
  const Result small =
      Grab({QStringLiteral("--format"), QStringLiteral("jpeg"), QStringLiteral("--quality"),
            QStringLiteral("20"), QStringLiteral("--count"), QStringLiteral("1"),
            QStringLiteral("--output"), low.Path(), video});
  const Result large =
      Grab({QStringLiteral("--format"), QStringLiteral("jpeg"), QStringLiteral("--quality"),
            QStringLiteral("95"), QStringLiteral("--count"), QStringLiteral("1"),
            QStringLiteral("--output"), high.Path(), video});
  ASSERT_EQ(small.lines.size(), 1);
  ASSERT_EQ(large.lines.size(), 1);
  EXPECT_LT(QFileInfo(small.lines[0]).size() * 2, QFileInfo(large.lines[0]).size());

  // A missing file among others: the rest is written, the failure named.
  const test::TempDir dir;
  const QString missing = dir.File(QStringLiteral("gone.mp4"));
  const Result mixed =
      Grab({QStringLiteral("--count"), QStringLiteral("2"), QStringLiteral("--output"), dir.Path(),
            missing, video, test::FixturePath(test::kMjpegAvi)});
  EXPECT_EQ(mixed.exitCode, 66);
  EXPECT_TRUE(mixed.errors.contains(missing)) << mixed.errors.toStdString();
  EXPECT_EQ(FrameCodes(mixed.lines), (std::vector<int>{0, 1, 0, 1}));
}

TEST(FrivoGrab, KeepsExistingFilesUnlessToldToOverwrite) {
  const test::TempDir dir;
  const QString video = test::FixturePath(test::kH264Mp4);
  const QStringList arguments{QStringLiteral("--start"),
                              QStringLiteral("1"),
                              QStringLiteral("--count"),
                              QStringLiteral("2"),
                              QStringLiteral("--output"),
                              dir.Path(),
                              video};
  const QString first = dir.File(QStringLiteral("h264_bframes_25fps_1.000.bmp"));
  ASSERT_TRUE(test::WriteAll(first, "mine"));

  const Result kept = Grab(arguments);
  EXPECT_EQ(kept.exitCode, 1);
  EXPECT_TRUE(kept.errors.contains(first)) << kept.errors.toStdString();
  EXPECT_EQ(test::ReadAll(first), QByteArray("mine"));
  EXPECT_EQ(FrameCodes(kept.lines), std::vector<int>{26});

  const Result replaced = Grab(QStringList{QStringLiteral("--overwrite")} + arguments);
  EXPECT_EQ(replaced.exitCode, 0) << replaced.errors.toStdString();
  EXPECT_EQ(FrameCodes(replaced.lines), (std::vector<int>{25, 26}));
}

// A write that runs out of room (a file size limit, as a full disk would) stops
// the run with the file's name and leaves nothing half written behind.
TEST(FrivoGrab, AFailedWriteStopsAndLeavesNoPartialFile) {
  const test::TempDir dir;
  const Result result = GrabWithSizeLimit(
      64, {QStringLiteral("--count"), QStringLiteral("20"), QStringLiteral("--output"), dir.Path(),
           test::FixturePath(test::kH264Mp4)});
  EXPECT_EQ(result.exitCode, 74) << result.errors.toStdString();
  EXPECT_TRUE(result.errors.contains(QStringLiteral("h264_bframes_25fps_0.000.bmp")))
      << result.errors.toStdString();
  EXPECT_TRUE(result.lines.isEmpty());
  const QStringList left =
      QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
  EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();
}

// Frames are written as they come: a run of many frames peaks where a run of
// a few does. (Keeping them until the end would add 225 KiB a frame.) Both
// runs open the same 20 files, so only the number of frames differs.
TEST(FrivoGrab, PeakMemoryDoesNotGrowWithTheCount) {
  const test::TempDir dir;
  const QString video = test::FixturePath(test::kH264Mp4);
  auto run = [&](int perFile) {
    QStringList arguments{QStringLiteral("--overwrite"), QStringLiteral("--count"),
                          QString::number(perFile), QStringLiteral("--output"), dir.Path()};
    for (int i = 0; i < 20; ++i) arguments << video;
    return GrabMeasured(arguments);
  };
  const MemoryResult few = run(5);
  const MemoryResult many = run(100);
  ASSERT_EQ(few.exitCode, 0);
  ASSERT_EQ(many.exitCode, 0);
  EXPECT_EQ(few.lines, 100);
  EXPECT_EQ(many.lines, 2000);
  std::printf("peak RSS: %ld KiB for %ld frames, %ld KiB for %ld frames\n", few.peakKib, few.lines,
              many.peakKib, many.lines);
  RecordProperty("PeakKibFew", static_cast<int>(few.peakKib));
  RecordProperty("PeakKibMany", static_cast<int>(many.peakKib));
  // 1900 frames more would be over 400 MiB more if they were kept.
  EXPECT_LT(many.peakKib, few.peakKib + 40 * 1024);
}

}  // namespace
}  // namespace frivo
