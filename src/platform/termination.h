// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

class QWidget;

namespace frivo {

// SIGTERM, SIGINT and SIGHUP (a desktop session that ends, Ctrl+C in a
// terminal, a terminal that goes away) end the program the way the window's
// close box does, so its close and destroy steps run and the settings are
// written. The signal handler only sets a flag and writes a byte to a socket;
// the UI thread does the rest.

// Installs the handlers. Call first thing in main: from then on none of these
// signals ends the process at once, whatever it is doing (starting up, opening
// the file named on the command line, showing a message). Calling it again does
// nothing.
void InstallTerminationSignals();

// Whether one of the signals has arrived. From then on message boxes and file
// dialogs are no longer shown (a message is answered with No, a dialog
// cancelled): the program is closing.
[[nodiscard]] bool TerminationRequested();

// Starts reacting on the UI thread: a modal dialog that is up is dismissed, and
// once the dialogs' loops have returned, `window` (may be null: only the
// dialogs) is closed as by its close box. A signal that came earlier closes it
// as soon as the event loop runs. Call after the QApplication exists; installs
// the handlers if that has not been done.
void CloseOnTerminationSignals(QWidget* window);

}  // namespace frivo
