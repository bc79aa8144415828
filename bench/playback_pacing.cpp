// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Frame pacing of playback in the real window: plays a video for a few seconds
// and reports the time between frames shown (mean, spread, longest gap) and how
// many frames did not reach the screen, and the processor time the whole
// program used per second of playback. The grabber's hold-back (the callback
// sleeps 100 ms whenever a frame is ahead of the polled position) runs as built.
//
//   playback_pacing VIDEO [SECONDS]
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <vector>

#include "app/main_window.h"
#include "playback/playback_graph.h"
#include "playback/video_widget.h"

namespace {

// Processor time of the whole program so far, all threads, user and system.
double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: playback_pacing VIDEO [SECONDS]\n");
    return 64;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  frivo::SetAudioOutput(frivo::AudioOutput::kSilent);
  const double seconds = argc > 2 ? std::atof(argv[2]) : 8.0;

  frivo::TApp_TOOLBmpCaptureEx window;
  window.show();
  window.OpenMedia(QString::fromLocal8Bit(argv[1]));
  if (!window.Playback().IsOpen()) return 1;
  const double frameTime = window.Playback().FrameTime();

  frivo::TVideoWidget* video = nullptr;
  QElapsedTimer clock;
  clock.start();
  std::vector<double> shownAt;
  quint64 lastCount = 0;
  const double cpuBefore = CpuSeconds();
  while (clock.elapsed() < seconds * 1000) {
    // Every frame shown arrives as an event, and the position timer wakes the
    // loop at least every 60 ms; waiting keeps the loop's own time out of the
    // processor figure.
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!video) {
      // The video widget has no meta-object of its own: look for it by type.
      for (QWidget* child : window.findChildren<QWidget*>()) {
        if (auto* candidate = dynamic_cast<frivo::TVideoWidget*>(child)) video = candidate;
      }
    }
    if (video && video->FramesShown() != lastCount) {
      lastCount = video->FramesShown();
      shownAt.push_back(clock.nsecsElapsed() / 1e6);
    }
  }
  const double cpu = CpuSeconds() - cpuBefore;
  const double wall = clock.nsecsElapsed() / 1e9;
  if (shownAt.size() < 3) {
    std::fprintf(stderr, "playback_pacing: too few frames shown (%zu)\n", shownAt.size());
    return 1;
  }
  std::vector<double> gaps;
  for (std::size_t i = 1; i < shownAt.size(); ++i) gaps.push_back(shownAt[i] - shownAt[i - 1]);
  const double mean = std::accumulate(gaps.begin(), gaps.end(), 0.0) / gaps.size();
  double variance = 0;
  for (double gap : gaps) variance += (gap - mean) * (gap - mean);
  const double spread = std::sqrt(variance / gaps.size());
  const double longest = *std::max_element(gaps.begin(), gaps.end());
  const auto late =
      std::count_if(gaps.begin(), gaps.end(), [&](double g) { return g > 1.5 * frameTime * 1000; });
  const double span = (shownAt.back() - shownAt.front()) / 1000.0;
  const double expected = span / frameTime;
  std::printf("frame %.1f ms; shown %zu frames in %.2f s (expected %.0f, missing %.0f)\n",
              frameTime * 1000, shownAt.size(), span, expected,
              std::max(0.0, expected - (shownAt.size() - 1)));
  std::printf("gap mean %.1f ms, spread %.1f ms, longest %.1f ms, gaps over 1.5 frames: %td\n",
              mean, spread, longest, late);
  std::printf("cpu %.2f s per second of playback (%.1f s in %.1f s)\n", cpu / wall, cpu, wall);
  return 0;
}
