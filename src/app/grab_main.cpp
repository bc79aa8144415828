// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// frivo-grab: captures a set of consecutive frames from a video without a
// window and writes them as image files. It runs the same graph, grabber
// callback and capture-run rules as the window.
#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "app/main_window.h"
#include "capture/capture_math.h"
#include "capture/frame_receiver.h"
#include "imaging/image_writers.h"
#include "platform/library_search.h"
#include "playback/playback_graph.h"
#include "playback/time_text.h"
#include "playback/transport_math.h"

namespace {

using namespace frivo;

int Fail(const QString& text, int code) {
  std::fprintf(stderr, "frivo-grab: %s\n",
               qPrintable(QString(text).replace(QLatin1Char('\r'), QStringLiteral(": "))));
  return code;
}

// "<video name>_<media time>.<ext>", the time as the labels show it with ":"
// made ".", so the names sort in time order within an hour.
QString OutputName(const QString& dir, const QString& video, double time, const QString& ext) {
  const QString stamp = FormatTime(3, time).replace(QLatin1Char(':'), QLatin1Char('.'));
  return QDir(dir).filePath(QFileInfo(video).completeBaseName() + QLatin1Char('_') + stamp +
                            QLatin1Char('.') + ext);
}

}  // namespace

int main(int argc, char** argv) {
  HardenLibrarySearch();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("frivo-grab"));
  QApplication::setApplicationVersion(QStringLiteral(FRIVO_VERSION));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Writes a set of consecutive frames of a video as image files."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption startOption(
      QStringLiteral("start"), QStringLiteral("Media time of the first frame (h:mm:ss.fff)."),
      QStringLiteral("TIME"), QStringLiteral("0"));
  const QCommandLineOption countOption(QStringLiteral("count"),
                                       QStringLiteral("Number of frames (default 5)."),
                                       QStringLiteral("N"), QStringLiteral("5"));
  const QCommandLineOption formatOption(QStringLiteral("format"),
                                        QStringLiteral("bmp, jpeg or gif (default bmp)."),
                                        QStringLiteral("FORMAT"), QStringLiteral("bmp"));
  const QCommandLineOption outputOption(QStringLiteral("output"),
                                        QStringLiteral("Folder for the files (default: current)."),
                                        QStringLiteral("DIR"), QStringLiteral("."));
  parser.addOptions({startOption, countOption, formatOption, outputOption});
  parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The video file."));
  parser.process(app);

  if (parser.positionalArguments().size() != 1)
    return Fail(QStringLiteral("one video file is needed (see --help)"), 64);
  const QString file = parser.positionalArguments().front();
  bool countOk = false;
  const int count = parser.value(countOption).toInt(&countOk);
  if (!countOk || count < 1 || count > 10000)
    return Fail(QStringLiteral("--count wants a number from 1 to 10000"), 64);
  const QString format = parser.value(formatOption).toLower();
  if (format != QLatin1String("bmp") && format != QLatin1String("jpeg") &&
      format != QLatin1String("gif"))
    return Fail(QStringLiteral("--format is bmp, jpeg or gif"), 64);
  const QString output = parser.value(outputOption);
  if (!QFileInfo(output).isDir())
    return Fail(output + QStringLiteral("\rフォルダがありません"), 73);
  const double start = ParseTimeText(parser.value(startOption));

  SetAudioOutput(AudioOutput::kSilent);
  if (!MediaPathExists(file)) return Fail(file + QStringLiteral("\rファイルが存在しません"), 66);
  TPlaybackGraph graph;
  (void)graph.CreateWithRenderer();
  (void)graph.AddSampleGrabber();
  if (!graph.RenderFile(file)) return Fail(file + QStringLiteral("\rは開けません"), 65);
  int width = 0, height = 0;
  graph.VideoSize(&width, &height);
  if (width < 1 || height < 1)
    return Fail(file + QStringLiteral("\rメディアにビデオ映像がありません"), 65);
  if (!graph.GrabberConnected()) return Fail(file + QStringLiteral("\rは開けません"), 65);
  graph.SetFrameTime(FrameRateFromAverageTime(graph.RendererAverageTimePerFrame()).frameTime);
  graph.TakePosition();

  TCaptureState state;
  PrepareHeadlessRun(state, graph, count);

  (void)graph.SetFrameHandler([&](double time, const std::uint8_t* rows, long length) {
    TGraphCaptureAdapter adapter(graph);
    (void)ReceiveFrame(state, adapter, time, rows, length);
  });

  // The same positioning as a capture run from a time: paused, armed, then the
  // seek a little before the threshold, then play.
  graph.Pause();
  (void)graph.IsRunning(5000);
  const TCaptureStart capture = CaptureStart(0, start, graph.FrameTime());
  state.CaptureStartTime = capture.threshold;
  state.CaptureIndex.store(0, std::memory_order_release);
  graph.PutPosition(ClampPosition(capture.seekTarget, graph.Duration(), graph.FrameTime()));
  graph.Run();

  // Until the set is full, or no frame has come for two seconds (the end).
  double lastSeen = -1;
  QDeadlineTimer quiet(2000);
  while (state.CaptureIndex.load(std::memory_order_acquire) != -1) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    if (state.LastSampleTime.load() != lastSeen) {
      lastSeen = state.LastSampleTime.load();
      quiet.setRemainingTime(2000);
    } else if (quiet.hasExpired()) {
      break;
    }
  }
  (void)graph.SetFrameHandler({});
  graph.Release();

  int written = 0;
  for (const auto& record : state.Frames) {
    if (record->Time < 0) continue;
    const QString ext = format == QLatin1String("jpeg") ? QStringLiteral("jpeg") : format;
    const QString name = OutputName(output, file, record->Time, ext);
    bool saved = false;
    if (format == QLatin1String("jpeg"))
      saved = SaveBitmapAsJpeg(*record, name, 80);
    else if (format == QLatin1String("gif"))
      saved = SaveBitmapAsGif(*record, name);
    else
      saved = SaveBitmapAsBmp(*record, name);
    if (!saved) return Fail(name + QStringLiteral("\r保存できませんでした"), 74);
    std::printf("%s\n", qPrintable(QDir::cleanPath(name)));
    ++written;
  }
  if (written == 0) return Fail(file + QStringLiteral("\rにはその時刻のフレームがありません"), 65);
  return 0;
}
