// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// frivo-grab run as a program on the barcoded fixtures.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>

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

Result Grab(const QStringList& arguments) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  process.setProcessEnvironment(environment);
  process.start(QStringLiteral(FRIVO_GRAB_PATH), arguments);
  Result result;
  if (!process.waitForFinished(60000)) return result;
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
    for (const double start : {1.0, 2.5, 4.2}) {
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
  };
  for (const auto& c : cases) {
    const Result result = Grab(c.arguments);
    EXPECT_NE(result.exitCode, 0) << c.message;
    EXPECT_TRUE(result.errors.contains(QString::fromUtf8(c.message)))
        << result.errors.toStdString();
    EXPECT_TRUE(result.lines.isEmpty());
  }
  EXPECT_EQ(Grab({QStringLiteral("--version")}).exitCode, 0);
}

}  // namespace
}  // namespace frivo
