// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

class QWidget;

namespace frivo {

// SIGTERM and SIGINT (what a desktop session sends when the user logs off, and
// Ctrl+C in a terminal) close `window` the way its close box does, on the UI
// thread, so its close and destroy steps run and the settings are written. The
// signal handler only writes a byte to a pipe; a socket notifier does the rest.
// Call once, after the QApplication exists.
void CloseOnTerminationSignals(QWidget* window);

}  // namespace frivo
