// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Start and exit with a large settings file: writes a file of about 10 MB whose
// program list holds 100,000 lines (with a few repeated paths) beside the usual
// sections and one section the program does not know, then times the window's
// creation (which reads the file), showing it, closing it and destroying it
// (which writes the file back). Prints each step, the total and what came back.
//
//   settings_bench [PROGRAM_LINES]
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/main_window.h"
#include "app/settings.h"
#include "launcher/launcher_menus.h"
#include "playback/playback_graph.h"

namespace {

// One program path of about 100 bytes; every 97th line repeats an earlier one.
QByteArray ProgramLine(int i) {
  const int n = i % 97 == 96 ? i - 50 : i;
  return QByteArray("/opt/tools/suite-") + QByteArray::number(n % 1000) +
         "/bin/a-program-with-a-rather-long-descriptive-name-for-the-menu-" +
         QByteArray::number(n).rightJustified(8, '0') + "-viewer";
}

QByteArray SettingsText(int programLines) {
  QByteArray text;
  text.reserve(programLines * 110 + 4096);
  text +=
      "[CAPTURE_Bounds]\r\nApp_TOOLBmpCaptureEx_Left=40\r\nApp_TOOLBmpCaptureEx_Top=40\r\n"
      "App_TOOLBmpCaptureEx_Right=640\r\nApp_TOOLBmpCaptureEx_Bottom=480\r\n\r\n"
      "[CAPTURE_Play]\r\nMute=1\r\n\r\n[CAPTURE_Program]\r\nForeground=0\r\n\r\n";
  text += "[CAPTURE_ProgramList]\r\n";
  for (int i = 0; i < programLines; ++i) text += ProgramLine(i) + "\r\n";
  text +=
      "[CAPTURE_Dialog]\r\nOpenPath=/v/\r\nSavePath=/p/\r\n\r\n"
      "[CAPTURE_Option]\r\nTimeVerbose=1\r\n\r\n[CAPTURE_OpenHistory]\r\n";
  for (int i = 0; i < 20; ++i) text += "/v/clip-" + QByteArray::number(i) + ".mp4\r\n";
  text += "[SomeoneElse]\r\nkept=yes\r\n";
  return text;
}

double Ms(const QElapsedTimer& clock) {
  return clock.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  frivo::SetAudioOutput(frivo::AudioOutput::kSilent);
  const int programLines = argc > 1 ? std::atoi(argv[1]) : 100000;

  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("frivo.ini"));
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(SettingsText(programLines)) < 0) {
      std::fprintf(stderr, "settings_bench: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  const qint64 sizeBefore = QFileInfo(path).size();
  frivo::SetSettingsPathHook([path] { return path; });

  QElapsedTimer total;
  total.start();
  QElapsedTimer step;
  step.start();
  auto window = std::make_unique<frivo::TApp_TOOLBmpCaptureEx>();
  const double created = Ms(step);
  const int programs = window->Launcher().Programs().Count();

  step.restart();
  window->show();
  QApplication::processEvents();
  const double shown = Ms(step);

  step.restart();
  window->close();
  QApplication::processEvents();
  const double closed = Ms(step);

  step.restart();
  window.reset();
  const double destroyed = Ms(step);
  const double all = Ms(total);

  const QByteArray written = [&] {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }();
  std::printf("settings file %.1f MB, %d program lines, %d programs listed\n", sizeBefore / 1e6,
              programLines, programs);
  std::printf("create (load) %.1f ms, show %.1f ms, close %.1f ms, destroy (save) %.1f ms\n",
              created, shown, closed, destroyed);
  std::printf("total %.1f ms; written back %.1f MB, unknown section %s\n", all,
              written.size() / 1e6,
              written.contains("[SomeoneElse]\r\nkept=yes") ? "kept" : "LOST");
  return 0;
}
