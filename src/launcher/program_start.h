// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// Starting the launcher's programs and finding an instance that already runs.
// Programs are started directly, never through a shell, so a path holding blanks,
// quotes or ";" names one program and nothing else.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

namespace frivo {

// What starting a program comes down to: a program with its arguments started
// detached, or (for anything that is not an executable) a file handed to the
// desktop's default application.
struct TStartRequest {
  QString program;
  QStringList arguments;
  // Empty: the program inherits this program's current folder.
  QString workingFolder;
  bool openWithDesktop = false;
};

// The program and arguments of a desktop entry's Exec= line (field codes such as
// %f and %U dropped, "%%" kept as "%", quoted words unquoted). Empty program
// when the file is no desktop entry or has no usable Exec= line.
[[nodiscard]] TStartRequest DesktopEntryCommand(const QString& desktopFile);

// The executable a launcher entry stands for, as a running process reports it:
// a desktop entry's program (looked up in PATH when given by name), symbolic
// links resolved. An entry that cannot be resolved stands for itself.
[[nodiscard]] QString ProgramTarget(const QString& path);

// The desktop's terminal: its program and the words after which it takes the
// command to run in its window ("x-terminal-emulator -e prog args" on Debian).
struct TTerminal {
  QString program;
  QStringList executeOption;
};
// The first terminal found in PATH: the x-terminal-emulator alternative, else a
// well-known terminal. Nothing when there is none.
[[nodiscard]] std::optional<TTerminal> FindTerminal();

// The interpreter a script's "#!" line names, as a running process reports its
// executable (found in PATH for "#!/usr/bin/env name", links resolved), and the
// arguments of the line that come before the script's path when the script is
// started through that line. Nothing for a file without a "#!" line or whose
// interpreter does not exist.
struct TScriptInterpreter {
  QString executable;
  QStringList arguments;
};
[[nodiscard]] std::optional<TScriptInterpreter> ScriptInterpreter(const QString& script);

// How a launcher entry is started: a desktop entry through its Exec= line (in its
// Path= folder when that exists; with Terminal=true inside the desktop's
// terminal, or directly when there is none), an executable file directly,
// anything else through the desktop.
[[nodiscard]] TStartRequest StartRequestFor(const QString& path);

// Starts the program of a launcher entry. Failures are not reported (false).
bool StartProgram(const QString& path);

// Tests see the request here instead of a program being started; the hook's
// result is StartProgram's. An empty hook restores real starting.
using StartProgramHook = std::function<bool(const TStartRequest& request)>;
StartProgramHook SetStartProgramHook(StartProgramHook hook);

// A top-level window of a running program.
struct TProgramWindow {
  uint32_t window = 0;
  bool minimized = false;
};

// The window to bring forward for the program `target` (a ProgramTarget): among
// the top-level windows whose process (_NET_WM_PID) runs `target`, the first
// minimized one, or when none is minimized the last one met (see ProcessRunsProgram). Nothing
// without an X11 display.
[[nodiscard]] std::optional<TProgramWindow> FindProgramWindow(const QString& target);

// Restores a minimized window, raises it and asks the window manager to make it
// the active window. False without an X11 display.
bool BringToFront(const TProgramWindow& window);

// The executable a process runs (/proc/<pid>/exe), empty when unreadable.
[[nodiscard]] QString ProcessExecutable(int64_t pid);

// Whether a process runs the program `target` (a ProgramTarget): its executable
// is `target`, or it is the interpreter of the script `target` (ScriptInterpreter)
// running that script. A script started through its "#!" line runs as its
// interpreter with the line's arguments and then the script's path; started by
// hand, the script is the interpreter's first argument that is no option. Paths
// are taken relative to the process's working folder.
[[nodiscard]] bool ProcessRunsProgram(int64_t pid, const QString& target);

}  // namespace frivo
