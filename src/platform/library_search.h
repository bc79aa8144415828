// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QByteArray>

namespace frivo {

// Keeps only the absolute entries of a ":"-separated search path. Empty and
// relative entries would make the loader look in the current directory, which may
// be any folder the user started the program from (a download folder holding a
// planted plugin). Returns an empty text when nothing is left.
[[nodiscard]] QByteArray KeepAbsoluteSearchEntries(const QByteArray& searchPath);

// Hardens the library search of the process before any plug-in is loaded: the
// media framework's plug-in paths lose their empty and relative entries (a
// variable left with none is removed, so the built-in default applies). Call it
// first thing in main, before the media framework initialises.
void HardenLibrarySearch();

}  // namespace frivo
