// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// Desktop entries (.desktop files) in the program list: what the launcher reads
// from their [Desktop Entry] group.

#include <QByteArray>
#include <QIcon>
#include <QString>
#include <QStringList>

namespace frivo {

struct TDesktopEntry {
  // Exec=: the program and its arguments, field codes such as %f and %U dropped,
  // "%%" kept as "%", quoted words unquoted. Empty program when there is no
  // usable Exec= line (or the file is no desktop entry).
  QString program;
  QStringList arguments;
  // Icon=: a theme icon name or an absolute path.
  QString icon;
  // Terminal=true: the program runs inside a terminal window.
  bool terminal = false;
  // Path=: the folder the program runs in.
  QString workingFolder;
};

[[nodiscard]] TDesktopEntry ReadDesktopEntry(const QString& desktopFile);
// The same from the file's contents.
[[nodiscard]] TDesktopEntry ParseDesktopEntry(const QByteArray& contents);
// Larger files are not read as desktop entries.
inline constexpr qint64 kMaxDesktopEntryBytes = 1024 * 1024;

[[nodiscard]] bool IsDesktopEntry(const QString& path);

// The icon an Icon= value names: an absolute path is that image file; a name is
// looked up in the icon theme, then among the desktop's stand-alone pixmaps. A
// null icon when nothing is found.
[[nodiscard]] QIcon DesktopEntryIcon(const QString& iconValue);

}  // namespace frivo
