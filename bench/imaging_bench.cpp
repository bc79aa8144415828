// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers

// The image writers on a 1920 x 1080 frame, next to the usual command-line
// tools doing the same job: cjpeg (float DCT, quality 80) and ImageMagick's
// convert (256 colours, no dithering). Each benchmark reports the file size as
// the counter "bytes". The external tools are timed as whole processes, reading
// the frame from a PPM file in a temporary folder; a missing tool skips its row.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "imaging/gif_encoder.h"
#include "imaging/image_writers.h"
#include "imaging/jpeg_encoder.h"
#include "imaging/my_bitmap.h"

extern char** environ;

namespace frivo {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// Colour bars over a grey ramp with a moving-zone plate corner: flat areas, hard
// edges and fine detail, like a video test signal.
QImage TestPattern() {
  static const QRgb bars[] = {qRgb(192, 192, 192), qRgb(192, 192, 0), qRgb(0, 192, 192),
                              qRgb(0, 192, 0),     qRgb(192, 0, 192), qRgb(192, 0, 0),
                              qRgb(0, 0, 192)};
  QImage image(kWidth, kHeight, QImage::Format_BGR888);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      QRgb c;
      if (y < kHeight * 2 / 3) {
        c = bars[x * 7 / kWidth];
      } else if (x < kWidth / 2) {
        const int v = x * 255 / (kWidth / 2);
        c = qRgb(v, v, v);
      } else {
        const double dx = x - kWidth * 0.75, dy = y - kHeight * 0.83;
        const int v = int(127.5 + 127.5 * std::cos((dx * dx + dy * dy) / 900.0));
        c = qRgb(v, v, 255 - v);
      }
      image.setPixel(x, y, c);
    }
  }
  return image;
}

// Smooth shading in many hues with a little sensor noise: what a film frame
// gives the colour reduction.
QImage PhotoLike() {
  std::mt19937 random(1);
  std::normal_distribution<double> noise(0.0, 3.0);
  QImage image(kWidth, kHeight, QImage::Format_BGR888);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double u = x / double(kWidth), v = y / double(kHeight);
      auto channel = [&](double base) { return std::clamp(int(base + noise(random)), 0, 255); };
      const double r = 128 + 100 * std::sin(6.0 * u + 2.0 * v);
      const double g = 110 + 90 * std::sin(4.0 * v - 3.0 * u + 1.0);
      const double b = 90 + 80 * std::cos(5.0 * u * v + 2.5 * v);
      image.setPixel(x, y, qRgb(channel(r), channel(g), channel(b)));
    }
  }
  return image;
}

const QImage& Frame(int which) {
  static const QImage pattern = TestPattern();
  static const QImage photo = PhotoLike();
  return which == 0 ? pattern : photo;
}

const char* FrameName(int which) {
  return which == 0 ? "pattern" : "photo";
}

// Runs a program with arguments and waits; false if it could not run or failed.
bool Run(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void JpegWriter(benchmark::State& state) {
  const TMyBitmap bitmap(Frame(int(state.range(0))));
  state.SetLabel(FrameName(int(state.range(0))));
  QTemporaryDir dir;
  const QString name = dir.filePath("frame.jpeg");
  for (auto _ : state) {
    if (!SaveBitmapAsJpeg(bitmap, name, 80)) state.SkipWithError("write failed");
  }
  state.counters["bytes"] = double(QFileInfo(name).size());
}

void GifWriter(benchmark::State& state) {
  const TMyBitmap bitmap(Frame(int(state.range(0))));
  state.SetLabel(FrameName(int(state.range(0))));
  QTemporaryDir dir;
  const QString name = dir.filePath("frame.gif");
  for (auto _ : state) {
    if (!SaveBitmapAsGif(bitmap, name)) state.SkipWithError("write failed");
  }
  state.counters["bytes"] = double(QFileInfo(name).size());
}

// The two halves of the GIF writer, to see where the time goes.
void GifColourReduction(benchmark::State& state) {
  const TMyBitmap bitmap(Frame(int(state.range(0))));
  state.SetLabel(FrameName(int(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(BuildGifImage(bitmap));
}

void GifLzw(benchmark::State& state) {
  const TMyGIFImage gif = BuildGifImage(TMyBitmap(Frame(int(state.range(0)))));
  state.SetLabel(FrameName(int(state.range(0))));
  for (auto _ : state)
    benchmark::DoNotOptimize(LzwCompress(gif.indices.data(), gif.indices.size()));
}

// One external command per iteration on the frame stored as PPM; "IN" and
// "OUT" in the arguments stand for the PPM file and the output file.
void ExternalTool(benchmark::State& state, std::vector<std::string> argv, const char* extension) {
  state.SetLabel(FrameName(int(state.range(0))));
  if (!QFileInfo(QString::fromStdString(argv[0])).isExecutable()) {
    state.SkipWithError((argv[0] + " not installed").c_str());
    return;
  }
  QTemporaryDir dir;
  const QString ppm = dir.filePath("frame.ppm");
  const QString out = dir.filePath(QString("frame.") + extension);
  if (!Frame(int(state.range(0))).save(ppm, "PPM")) {
    state.SkipWithError("cannot write the PPM frame");
    return;
  }
  for (std::string& a : argv) {
    if (a == "IN") a = ppm.toStdString();
    if (a == "OUT") a = out.toStdString();
  }
  for (auto _ : state) {
    if (!Run(argv)) state.SkipWithError((argv[0] + " failed").c_str());
  }
  state.counters["bytes"] = double(QFileInfo(out).size());
}

void Cjpeg(benchmark::State& state) {
  ExternalTool(state,
               {"/usr/bin/cjpeg", "-quality", "80", "-dct", "float", "-outfile", "OUT", "IN"},
               "jpeg");
}

void Convert(benchmark::State& state) {
  ExternalTool(state, {"/usr/bin/convert", "IN", "+dither", "-colors", "256", "OUT"}, "gif");
}

}  // namespace
}  // namespace frivo

BENCHMARK(frivo::JpegWriter)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(frivo::Cjpeg)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(frivo::GifWriter)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(frivo::GifColourReduction)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(frivo::GifLzw)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(frivo::Convert)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
