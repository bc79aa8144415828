// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "grab/grab_run.h"

#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>

#include "capture/capture_math.h"
#include "grab/frame_picker.h"
#include "grab/frame_writer.h"
#include "playback/playback_graph.h"
#include "playback/transport_math.h"

namespace frivo {

namespace {

using Clock = std::chrono::steady_clock;

// A set that gets no frame for this long has stalled (a damaged file).
constexpr auto kQuietLimit = std::chrono::seconds(10);

// Standard output and error, shared by the writer threads and the main thread.
// The progress line is taken off before any other text goes to the terminal.
class TConsole {
 public:
  explicit TConsole(bool progress) : progress_(progress), started_(Clock::now()) {}
  ~TConsole() { EndProgress(); }

  void Written(const QString& path) {
    std::lock_guard lock(mutex_);
    std::fprintf(stdout, "%s\n", qPrintable(path));
    std::fflush(stdout);
    ++written_;
    ShowProgress();
  }
  void Error(const QString& text) {
    std::lock_guard lock(mutex_);
    ClearProgress();
    std::fprintf(stderr, "frivo-grab: %s\n", qPrintable(text));
    std::fflush(stderr);
    ShowProgress();
  }
  void AddExpected(long long frames) {
    std::lock_guard lock(mutex_);
    expected_ = frames < 0 || expected_ < 0 ? -1 : expected_ + frames;
  }
  void EndProgress() {
    std::lock_guard lock(mutex_);
    if (shown_) std::fprintf(stderr, "\n");
    shown_ = false;
  }

 private:
  void ClearProgress() {
    if (shown_) std::fprintf(stderr, "\r\033[K");
  }
  void ShowProgress() {
    if (!progress_) return;
    const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
    const QString of = expected_ >= 0 ? QStringLiteral(" of %1").arg(expected_) : QString();
    std::fprintf(stderr, "\r\033[K%lld%s frames written, %.1f frames/s", written_, qPrintable(of),
                 seconds > 0 ? static_cast<double>(written_) / seconds : 0.0);
    std::fflush(stderr);
    shown_ = true;
  }

  std::mutex mutex_;  // guards everything below and the two streams
  const bool progress_;
  const Clock::time_point started_;
  long long written_ = 0;
  long long expected_ = 0;  // -1 when not known ahead
  bool shown_ = false;
};

// What the streaming thread and the main thread share during one file.
struct TFileRun {
  std::mutex mutex;  // guards picker
  std::condition_variable changed;
  std::optional<TFramePicker> picker;
  std::atomic<double> lastSeen{-1};  // streaming thread writes, main thread polls
  std::atomic<long> frames{0};       // frames delivered so far
};

struct TOutcome {
  int code = kExitOk;
  bool stop = false;  // a write failed: nothing more is done
};

void Worse(int* code, int other) {
  *code = std::max(*code, other);
}

// The frames one start asks for, when it can be told ahead; -1 when not.
long long ExpectedFrames(const TGrabOptions& options, double start, double duration) {
  if (options.every <= 0) return options.count;
  const double end = options.end >= 0 ? options.end : duration;
  if (!(end >= start)) return 0;
  const auto spaced = static_cast<long long>(std::floor((end - start) / options.every)) + 1;
  return options.countGiven ? std::min<long long>(spaced, options.count) : spaced;
}

TOutcome GrabFile(const QString& file, const TGrabOptions& options, TFrameWriter& writer,
                  TConsole& console) {
  TOutcome outcome;
  const QFileInfo info(file);
  if (!info.exists() || info.isDir()) {
    console.Error(file + QStringLiteral(": ファイルが存在しません"));
    outcome.code = kExitNoInput;
    return outcome;
  }
  TPlaybackGraph graph;
  if (!graph.CreateWithRenderer() || !graph.MakeHeadless() || !graph.AddSampleGrabber() ||
      !graph.RenderFile(file)) {
    // A headless graph plays no sound, so a file with nothing but sound may
    // fail to open at all; a graph with sound tells that case apart.
    const AudioOutput headless = CurrentAudioOutput();
    SetAudioOutput(AudioOutput::kSilent);
    TPlaybackGraph probe;
    int width = 0, height = 0;
    const bool soundOnly = probe.CreateWithRenderer() && probe.RenderFile(file) &&
                           (probe.VideoSize(&width, &height), width < 1 || height < 1);
    probe.Release();
    SetAudioOutput(headless);
    console.Error(file + (soundOnly ? QStringLiteral(": メディアにビデオ映像がありません")
                                    : QStringLiteral(": は開けません")));
    outcome.code = kExitBadMedia;
    return outcome;
  }
  int width = 0, height = 0;
  graph.VideoSize(&width, &height);
  if (width < 1 || height < 1) {
    console.Error(file + QStringLiteral(": メディアにビデオ映像がありません"));
    outcome.code = kExitBadMedia;
    return outcome;
  }
  if (!graph.GrabberConnected()) {
    console.Error(file + QStringLiteral(": は開けません"));
    outcome.code = kExitBadMedia;
    return outcome;
  }
  graph.SetFrameTime(FrameRateFromAverageTime(graph.RendererAverageTimePerFrame()).frameTime);
  (void)graph.TakePosition();
  (void)graph.SkipRunUpFrames();
  const double frameTime = graph.FrameTime();
  const double duration = graph.Duration();

  for (const double start : options.starts)
    console.AddExpected(ExpectedFrames(options, start, duration));

  writer.Reserve(width, height);
  TFileRun run;
  // Only the frames taken are made into pictures, on a writer thread; the
  // rest pass with their times.
  auto wanted = [&](double time) {
    std::lock_guard lock(run.mutex);
    return run.picker && run.picker->WouldTake(time);
  };
  (void)graph.SetDecodedFrameHandler(
      [&](double time, const TDecodedFrame& frame) {
        run.lastSeen.store(time);
        run.frames.fetch_add(1);
        bool done = false;
        {
          std::lock_guard lock(run.mutex);
          if (!run.picker || !run.picker->Offer(time)) return;
          done = run.picker->Done();
        }
        if (!frame.Empty()) {
          TFrameToWrite picture{frame.Width(), frame.Height(),
                                [frame](uchar* rows, qsizetype stride, bool bottomUp) {
                                  return frame.ToBgrRows(rows, stride, bottomUp);
                                }};
          (void)writer.Submit(std::move(picture),
                              GrabOutputName(options.output, file, time, options.format));
        }
        if (done) run.changed.notify_all();
      },
      wanted);

  const int perStart = options.every > 0 && !options.countGiven ? INT_MAX : options.count;
  for (const double start : options.starts) {
    // Once the pause has settled no frame passes the grabber until the seek:
    // a set started now sees only frames from its own start, none still on
    // their way from the set before.
    graph.Pause();
    (void)graph.IsRunning(5000);
    {
      std::lock_guard lock(run.mutex);
      run.picker.emplace(start, perStart, options.every, options.end, frameTime);
    }
    double soughtThreshold = start;
    (void)graph.PutPosition(
        ClampPosition(CaptureStart(0, start, frameTime).seekTarget, duration, frameTime));
    graph.Run();
    long seenFrames = run.frames.load();
    auto lastProgress = Clock::now();
    for (;;) {
      double next = 0;
      bool spaced = false;
      {
        std::unique_lock lock(run.mutex);
        if (run.changed.wait_for(lock, std::chrono::milliseconds(5),
                                 [&] { return run.picker->Done(); }))
          break;
        next = run.picker->NextThreshold();
        spaced = run.picker->Spaced();
      }
      if (writer.Failed() || graph.AtEnd()) break;
      if (const long frames = run.frames.load(); frames != seenFrames) {
        seenFrames = frames;
        lastProgress = Clock::now();
      } else if (Clock::now() - lastProgress > kQuietLimit) {
        break;
      }
      // Far to the next threshold of a spaced set: seek there rather than
      // decode everything in between. Frames still on their way from before the
      // seek are offered as well; they lie before the threshold.
      if (spaced && next > soughtThreshold &&
          SeekPays(next - run.lastSeen.load(), graph.KeyFrameSpacing())) {
        soughtThreshold = next;
        (void)graph.PutPosition(
            ClampPosition(CaptureStart(0, next, frameTime).seekTarget, duration, frameTime));
        lastProgress = Clock::now();
      }
    }
    graph.Pause();
    int taken = 0;
    {
      std::lock_guard lock(run.mutex);
      taken = run.picker->Taken();
    }
    if (writer.Failed()) break;
    if (taken == 0) {
      console.Error(file + QStringLiteral(": にはその時刻のフレームがありません (") +
                    QString::number(start, 'f', 3) + QLatin1Char(')'));
      Worse(&outcome.code, kExitBadMedia);
    }
  }
  (void)graph.SetDecodedFrameHandler({});
  graph.Release();
  if (writer.Failed()) outcome.stop = true;
  return outcome;
}

}  // namespace

int RunGrab(const TGrabOptions& options, bool progress) {
  TConsole console(progress);
  if (!QFileInfo(options.output).isDir()) {
    console.Error(options.output + QStringLiteral(": フォルダがありません"));
    return kExitNoOutputDir;
  }
  // The graphs carry no sound: nothing to keep time with, and nothing to decode.
  SetAudioOutput(AudioOutput::kNone);
  std::atomic<bool> kept{false};
  TFrameWriter::TSettings settings;
  settings.format = options.format;
  settings.quality = options.quality;
  settings.overwrite = options.overwrite;
  TFrameWriter writer(settings,
                      {[&](const QString& path) { console.Written(path); },
                       [&](const QString& path) {
                         kept = true;
                         console.Error(path + QStringLiteral(": exists; kept (--overwrite "
                                                             "replaces it)"));
                       }});
  int code = kExitOk;
  for (const QString& file : options.files) {
    const TOutcome outcome = GrabFile(file, options, writer, console);
    Worse(&code, outcome.code);
    if (outcome.stop) break;
  }
  writer.Drain();
  if (writer.Failed()) {
    console.Error(writer.Failure() + QStringLiteral(": 保存できませんでした"));
    Worse(&code, kExitWriteFailed);
  }
  if (kept) Worse(&code, kExitNotReplaced);
  console.EndProgress();
  return code;
}

}  // namespace frivo
