// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include <QApplication>
#include <QFont>
#include <QStringList>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/termination.h"
#include "platform/library_search.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
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

  const frivo::TMyParam param(frivo::CommandLineFromArguments(QApplication::arguments()));
  frivo::TApp_TOOLBmpCaptureEx window(&param);
  window.show();
  // Logging off closes the window as its close box does, so the settings are written.
  frivo::CloseOnTerminationSignals(&window);
  return QApplication::exec();
}
