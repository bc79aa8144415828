// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// frivo-grab: writes frames of videos as image files without a window. The
// graph runs as fast as it decodes and each frame goes to the writer threads as
// soon as it is taken; the frames are chosen by the same threshold rules as a
// capture run of the window.
#include <unistd.h>

#include <QCoreApplication>
#include <csignal>
#include <cstdio>

#include "grab/grab_options.h"
#include "grab/grab_run.h"
#include "platform/library_search.h"
#include "playback/playback_graph.h"

int main(int argc, char** argv) {
  using namespace frivo;
  HardenLibrarySearch();
  // A size limit (ulimit -f) must fail the write, which then leaves no partial
  // file, rather than end the process in the middle of it.
  std::signal(SIGXFSZ, SIG_IGN);
  // No window and no widgets: the core application is all a batch needs, and it
  // starts without loading a platform plugin.
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("frivo-grab"));
  QCoreApplication::setApplicationVersion(QStringLiteral(FRIVO_VERSION));

  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();
  const TGrabCommandLine line = ParseGrabCommandLine(arguments);
  if (!line.error.isEmpty()) {
    std::fprintf(stderr, "frivo-grab: %s\n", qPrintable(line.error));
    return kExitUsage;
  }
  if (line.help) {
    std::fputs(qPrintable(GrabHelpText()), stdout);
    return kExitOk;
  }
  if (line.version) {
    std::printf("frivo-grab %s\n", FRIVO_VERSION);
    return kExitOk;
  }
  const TDecoderWarmUp warmUp(DecoderSet::kBatch);
  return RunGrab(line.options, isatty(STDERR_FILENO) == 1);
}
