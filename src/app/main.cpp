// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include <QApplication>
#include <QFont>
#include <QStringList>
#include <optional>

#include "app/command_line.h"
#include "app/main_window.h"
#include "platform/library_search.h"
#include "platform/platform.h"
#include "platform/termination.h"
#include "playback/playback_graph.h"

int main(int argc, char** argv) {
  // Logging off, Ctrl+C or a closed terminal, at any moment from here on, close
  // the window as its close box does, so the settings are written.
  frivo::InstallTerminationSignals();
  // Before anything loads plug-ins: nothing may come from the current folder.
  frivo::HardenLibrarySearch();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("frivo"));
  frivo::InstallPlatformHooks();
  // The window's texts are Japanese; a Japanese Gothic face at 9 points, the
  // design's own face where it is installed.
  QFont font(QStringList{QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                         QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                         QStringLiteral("Noto Sans CJK JP")},
             9);
  QApplication::setFont(font);

  // A signal while the window is made (the file named on the command line opens
  // then, and may show a message) dismisses that message at once.
  frivo::CloseOnTerminationSignals(nullptr);
  const frivo::TMyParam param(frivo::CommandLineFromArguments(QApplication::arguments()));
  // A file named on the command line opens while the window is made; its
  // decoders load meanwhile on a thread of their own.
  std::optional<frivo::TDecoderWarmUp> warmUp;
  if (!frivo::ReadStartRequest(param).file.isEmpty()) warmUp.emplace();
  frivo::TApp_TOOLBmpCaptureEx window(&param);
  frivo::CloseOnTerminationSignals(&window);
  // Asked to end before the window was up: it is never shown, and its
  // destruction writes the settings.
  if (frivo::TerminationRequested()) return 0;
  window.show();
  return QApplication::exec();
}
