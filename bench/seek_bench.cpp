// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Seek and capture timings of the playback layer next to ffmpeg:
//   seek_bench FILE [SECONDS]
// For each file: the time from a paused seek to the first grabbed frame and to
// five grabbed frames at mid-file (the capture run of the window), a back-step
// (seek to the shown frame - 1.5 frames) and a forward step, each until the
// frame is on screen; then `ffmpeg -ss T -i FILE -frames:v 5` in the same run.
// Files longer than 70 s also get captures from 60 s and 65 s (a key frame and
// the middle of a group on the 10-second-GOP bench file). Every file gets five
// back-steps from the end of its first group of pictures, cold and after
// playing into it (from the frames the player keeps in memory).
// Figures are reported, never asserted.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <tuple>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "capture/capture_math.h"
#include "capture/frame_receiver.h"
#include "playback/transport_math.h"

namespace {

using namespace frivo;

// Processes events until `done` or 20 s; the elapsed milliseconds, or -1.
template <class F>
double TimeUntil(F done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > 20000) return -1;
    QApplication::processEvents(QEventLoop::AllEvents, 1);
  }
  return clock.nsecsElapsed() / 1e6;
}

void Measure(const QString& file) {
  TPlaybackGraph graph;
  (void)graph.CreateWithRenderer();
  (void)graph.AddSampleGrabber();
  if (!graph.RenderFile(file) || !graph.GrabberConnected()) {
    std::printf("%s: cannot be opened\n", qPrintable(file));
    return;
  }
  // A video panel of the window's usual size: the screen's pictures, and what
  // memory keeps of them, are that size.
  QWidget panel;
  panel.resize(640, 360);
  (void)graph.AttachVideoWindow(&panel);
  (void)graph.SetVideoPosition(0, 0, 640, 360);
  graph.SetFrameTime(FrameRateFromAverageTime(graph.RendererAverageTimePerFrame()).frameTime);
  graph.TakePosition();
  int width = 0, height = 0;
  graph.VideoSize(&width, &height);
  TCaptureState state;
  PrepareHeadlessRun(state, graph, 5);
  std::atomic<int> delivered{0};
  (void)graph.SetFrameHandler([&](double time, const std::uint8_t* rows, long length) {
    TGraphCaptureAdapter adapter(graph);
    (void)ReceiveFrame(state, adapter, time, rows, length);
    ++delivered;
  });
  graph.Pause();
  (void)graph.IsRunning(5000);

  // A capture run of five frames from `at`, as the window makes one; the
  // milliseconds to the first and to the fifth frame.
  auto capture = [&](double at) {
    for (auto& record : state.Frames) record->Time = -1;
    graph.Pause();
    (void)graph.IsRunning(5000);
    const TCaptureStart start = CaptureStart(0, at, graph.FrameTime());
    state.CaptureStartTime = start.threshold;
    QElapsedTimer clock;
    clock.start();
    state.CaptureIndex.store(0);
    graph.PutPosition(ClampPosition(start.seekTarget, graph.Duration(), graph.FrameTime()));
    graph.Run();
    // Both from the start of the seek.
    const double first = TimeUntil([&] { return state.Frames[0]->Time >= 0; });
    const double firstMs = first < 0 ? -1 : clock.nsecsElapsed() / 1e6;
    const double five = TimeUntil([&] { return state.CaptureIndex.load() == -1; });
    return std::pair{firstMs, five < 0 ? -1 : clock.nsecsElapsed() / 1e6};
  };
  // On a file with key frames every 10 s (a_h264_1080p25_gop250.mp4): from a
  // key frame and from the middle of a group, next to ffmpeg from the same times.
  std::vector<std::pair<double, const char*>> extra;
  if (graph.Duration() > 70) extra = {{60.0, "key frame"}, {65.0, "mid-group"}};
  std::vector<std::pair<double, double>> extraTimes;
  for (const auto& [at, what] : extra) extraTimes.push_back(capture(at));

  const double mid = graph.Duration() / 2;
  const auto [firstMs, fiveMs] = capture(mid);
  // Let the pause settle: frames in flight reach the grabber first.
  (void)graph.IsRunning(5000);
  double settled = -1;
  while (settled != state.LastSampleTime.load()) {
    settled = state.LastSampleTime.load();
    (void)TimeUntil([&, since = QElapsedTimer()]() mutable {
      if (!since.isValid()) since.start();
      return since.elapsed() > 200;
    });
  }

  // A step is timed from the seek until the grabber has the first frame after it
  // (the seek itself returns once the new frame is on screen).
  auto stepTo = [&](double target) {
    const int before = delivered.load();
    QElapsedTimer step;
    step.start();
    graph.PutPosition(ClampPosition(target, graph.Duration(), graph.FrameTime()));
    if (TimeUntil([&] { return delivered.load() != before; }) < 0) return -1.0;
    return step.nsecsElapsed() / 1e6;
  };
  const double shown = state.LastSampleTime.load();
  const double back = stepTo(shown - 1.5 * graph.FrameTime());
  const double forward = stepTo(shown + 0.5 * graph.FrameTime());

  // Back-steps at the end of the first group of pictures (the bench files have
  // a key frame every 250 frames), where a seek decodes the most: cold (only
  // sought there) and warm (played into it), five steps each; the slowest and
  // the mean, each until the frame is on screen.
  const double frameTime = graph.FrameTime();
  const double groupEnd = 249 * frameTime;
  auto backSteps = [&](bool played) {
    graph.Pause();
    (void)graph.IsRunning(5000);
    if (played) {
      graph.PutPosition(groupEnd - 25 * frameTime);
      graph.Run();
      (void)TimeUntil([&] { return graph.ShownFrameTime() >= groupEnd - frameTime / 2; });
      graph.Pause();
      (void)graph.IsRunning(5000);
    } else {
      graph.PutPosition(groupEnd);
    }
    double slowest = 0, total = 0;
    int fromMemory = 0;
    for (int i = 0; i < 5; ++i) {
      const double target = graph.ShownFrameTime() - 1.5 * frameTime;
      QElapsedTimer step;
      step.start();
      if (graph.ShowKeptFrame(target))
        ++fromMemory;
      else
        graph.PutPosition(target);
      const double ms = step.nsecsElapsed() / 1e6;
      slowest = std::max(slowest, ms);
      total += ms;
    }
    return std::tuple{slowest, total / 5, fromMemory};
  };
  const auto [coldMax, coldMean, coldKept] = backSteps(false);
  const auto [warmMax, warmMean, warmKept] = backSteps(true);
  (void)graph.SetFrameHandler({});
  graph.Release();

  // ffmpeg writing the same five frames, as a whole process.
  auto ffmpegFive = [&](double at) {
    QTemporaryDir dir;
    QElapsedTimer clock;
    clock.start();
    QProcess ffmpeg;
    ffmpeg.start(
        QStringLiteral("ffmpeg"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-ss"),
         QString::number(at, 'f', 3), QStringLiteral("-i"), file, QStringLiteral("-frames:v"),
         QStringLiteral("5"), dir.filePath(QStringLiteral("f%d.bmp"))});
    const bool ran = ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
    return ran ? clock.nsecsElapsed() / 1e6 : -1.0;
  };

  std::printf("%s (%dx%d, seek to %.3f s)\n", qPrintable(QFileInfo(file).fileName()), width, height,
              mid);
  std::printf(
      "  first frame %.1f ms, five frames %.1f ms, back-step %.1f ms, forward step %.1f ms\n",
      firstMs, fiveMs, back, forward);
  std::printf(
      "  back-steps from %.3f s (end of a group): cold slowest %.1f ms, mean %.1f ms; "
      "after playing into it slowest %.1f ms, mean %.1f ms (%d of 5 from memory)\n",
      groupEnd, coldMax, coldMean, warmMax, warmMean, warmKept);
  (void)coldKept;
  std::printf("  ffmpeg -ss %.3f -frames:v 5 (whole process) %.1f ms\n", mid, ffmpegFive(mid));
  for (size_t i = 0; i < extra.size(); ++i) {
    std::printf(
        "  capture from %.3f s (%s): first frame %.1f ms, five frames %.1f ms; "
        "ffmpeg %.1f ms\n",
        extra[i].first, extra[i].second, extraTimes[i].first, extraTimes[i].second,
        ffmpegFive(extra[i].first));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  SetAudioOutput(AudioOutput::kSilent);
  if (argc < 2) {
    std::fprintf(stderr, "usage: seek_bench FILE [FILE...]\n");
    return 64;
  }
  for (int i = 1; i < argc; ++i) Measure(QString::fromLocal8Bit(argv[i]));
  return 0;
}
