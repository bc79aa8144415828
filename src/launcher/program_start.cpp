// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "launcher/program_start.h"

#include <xcb/xcb.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "launcher/desktop_entry.h"
#include "launcher/launcher_paths.h"
#include "platform/desktop.h"

namespace frivo {

namespace {

StartProgramHook& Hook() {
  static StartProgramHook hook;
  return hook;
}

bool IsExecutableFile(const QString& path) {
  const QFileInfo info(path);
  return info.isFile() && info.isExecutable();
}

// Terminals and the option after which each takes the command to run, as its
// words. The Debian alternative comes first: it is the terminal the user chose.
struct TKnownTerminal {
  const char* name;
  const char* executeOption;  // empty: the command follows the terminal's name
};
constexpr TKnownTerminal kTerminals[] = {
    {"x-terminal-emulator", "-e"},
    {"gnome-terminal", "--"},
    {"konsole", "-e"},
    {"xfce4-terminal", "-x"},
    {"mate-terminal", "-x"},
    {"lxterminal", "-e"},
    {"qterminal", "-e"},
    {"terminator", "-x"},
    {"alacritty", "-e"},
    {"kitty", ""},
    {"foot", ""},
    {"xterm", "-e"},
};

// The words of a "#!" line after the interpreter's path: the kernel hands the
// rest of the line to the interpreter as one argument.
QString ShebangLine(const QString& script) {
  QFile file(script);
  if (!file.open(QIODevice::ReadOnly)) return {};
  // The kernel reads at most this much of the line.
  const QByteArray head = file.read(256);
  if (!head.startsWith("#!")) return {};
  const qsizetype end = head.indexOf('\n');
  return QFile::decodeName(head.mid(2, end < 0 ? -1 : end - 2)).trimmed();
}

QString CanonicalExecutable(const QString& program) {
  const QString found = program.contains(u'/') ? program : QStandardPaths::findExecutable(program);
  if (found.isEmpty()) return {};
  return QFileInfo(found).canonicalFilePath();
}

// ---- X11 ---------------------------------------------------------------------------

struct XcbDisconnect {
  void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using XcbConnection = std::unique_ptr<xcb_connection_t, XcbDisconnect>;

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

// A connection to the display and its first screen's root window.
struct Display {
  XcbConnection connection;
  xcb_window_t root = 0;
};

std::optional<Display> OpenDisplay() {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) return std::nullopt;
  int screenNumber = 0;
  XcbConnection connection(xcb_connect(nullptr, &screenNumber));
  if (!connection || xcb_connection_has_error(connection.get())) return std::nullopt;
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection.get()));
  for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
  if (!it.rem) return std::nullopt;
  const xcb_window_t root = it.data->root;
  return Display{std::move(connection), root};
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(strlen(name)), name),
      nullptr));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The 32-bit items of a window property (empty when it is missing).
std::vector<uint32_t> Property32(xcb_connection_t* connection, xcb_window_t window,
                                 xcb_atom_t property) {
  std::vector<uint32_t> values;
  if (property == XCB_ATOM_NONE) return values;
  const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      connection,
      xcb_get_property(connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
      nullptr));
  if (!reply || reply->format != 32) return values;
  const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
  const int count = xcb_get_property_value_length(reply.get()) / 4;
  values.assign(data, data + count);
  return values;
}

// The window manager's list of client windows; without a window manager the
// root's children, which then are the top-level windows themselves.
std::vector<xcb_window_t> TopLevelWindows(xcb_connection_t* connection, xcb_window_t root) {
  std::vector<uint32_t> clients =
      Property32(connection, root, Atom(connection, "_NET_CLIENT_LIST"));
  if (!clients.empty()) return clients;
  const Reply<xcb_query_tree_reply_t> tree(
      xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
  if (!tree) return {};
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  return {children, children + xcb_query_tree_children_length(tree.get())};
}

bool IsMinimized(xcb_connection_t* connection, xcb_window_t window) {
  constexpr uint32_t kIconicState = 3;
  const std::vector<uint32_t> wmState =
      Property32(connection, window, Atom(connection, "WM_STATE"));
  if (!wmState.empty() && wmState.front() == kIconicState) return true;
  const xcb_atom_t hidden = Atom(connection, "_NET_WM_STATE_HIDDEN");
  for (uint32_t state : Property32(connection, window, Atom(connection, "_NET_WM_STATE"))) {
    if (hidden != XCB_ATOM_NONE && state == hidden) return true;
  }
  return false;
}

}  // namespace

TStartRequest DesktopEntryCommand(const QString& desktopFile) {
  const TDesktopEntry entry = ReadDesktopEntry(desktopFile);
  TStartRequest request;
  request.program = entry.program;
  request.arguments = entry.arguments;
  return request;
}

std::optional<TTerminal> FindTerminal() {
  for (const TKnownTerminal& known : kTerminals) {
    const QString program = QStandardPaths::findExecutable(QString::fromLatin1(known.name));
    if (program.isEmpty()) continue;
    TTerminal terminal{program, {}};
    if (*known.executeOption)
      terminal.executeOption.append(QString::fromLatin1(known.executeOption));
    return terminal;
  }
  return std::nullopt;
}

std::optional<TScriptInterpreter> ScriptInterpreter(const QString& script) {
  const QString line = ShebangLine(script);
  if (line.isEmpty()) return std::nullopt;
  const qsizetype blank = line.indexOf(QRegularExpression(QStringLiteral("[ \\t]")));
  const QString interpreter = blank < 0 ? line : line.left(blank);
  const QString argument = blank < 0 ? QString() : line.mid(blank + 1).trimmed();
  TScriptInterpreter result;
  if (QFileInfo(interpreter).fileName() == QLatin1String("env")) {
    // env runs the program its argument names; with -S the argument is split
    // into the program and its own arguments first.
    QStringList words{argument};
    if (argument.startsWith(QLatin1String("-S"))) {
      words =
          argument.mid(2).split(QRegularExpression(QStringLiteral("[ \\t]+")), Qt::SkipEmptyParts);
    }
    // Variable settings (NAME=value) come before the program.
    while (!words.isEmpty() && words.first().contains(u'=')) words.removeFirst();
    if (words.isEmpty() || words.first().isEmpty()) return std::nullopt;
    result.executable = CanonicalExecutable(words.takeFirst());
    result.arguments = words;
  } else {
    result.executable = CanonicalExecutable(interpreter);
    if (!argument.isEmpty()) result.arguments.append(argument);
  }
  if (result.executable.isEmpty()) return std::nullopt;
  return result;
}

QString ProgramTarget(const QString& path) {
  QString target = path;
  if (IsDesktopEntry(path)) {
    const QString program = DesktopEntryCommand(path).program;
    if (!program.isEmpty()) {
      target = program.contains(u'/') ? program : QStandardPaths::findExecutable(program);
      if (target.isEmpty()) target = path;
    }
  }
  const QString canonical = QFileInfo(target).canonicalFilePath();
  return canonical.isEmpty() ? target : canonical;
}

TStartRequest StartRequestFor(const QString& path) {
  if (IsDesktopEntry(path)) {
    const TDesktopEntry entry = ReadDesktopEntry(path);
    if (!entry.program.isEmpty()) {
      TStartRequest request;
      request.program = entry.program;
      request.arguments = entry.arguments;
      // A folder that is gone would keep the program from starting at all.
      if (QFileInfo(entry.workingFolder).isDir()) request.workingFolder = entry.workingFolder;
      // Without any terminal the program still starts, only without a window.
      if (entry.terminal) {
        if (const std::optional<TTerminal> terminal = FindTerminal()) {
          request.arguments =
              terminal->executeOption + QStringList{request.program} + request.arguments;
          request.program = terminal->program;
        }
      }
      return request;
    }
  }
  TStartRequest request;
  request.program = path;
  request.openWithDesktop = !IsExecutableFile(path);
  return request;
}

bool StartProgram(const QString& path) {
  const TStartRequest request = StartRequestFor(path);
  if (Hook()) return Hook()(request);
  if (request.openWithDesktop) return OpenUrl(QUrl::fromLocalFile(path));
  return QProcess::startDetached(request.program, request.arguments, request.workingFolder);
}

StartProgramHook SetStartProgramHook(StartProgramHook hook) {
  return std::exchange(Hook(), std::move(hook));
}

QString ProcessExecutable(int64_t pid) {
  if (pid <= 0) return {};
  return QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
}

bool ProcessRunsProgram(int64_t pid, const QString& target) {
  const QString executable = ProcessExecutable(pid);
  if (executable.isEmpty() || target.isEmpty()) return false;
  if (SamePath(executable, target)) return true;
  // Any other process counts only as the interpreter of the script `target`: an
  // editor or viewer holding the script open is not the program running.
  const std::optional<TScriptInterpreter> interpreter = ScriptInterpreter(target);
  if (!interpreter || !SamePath(executable, interpreter->executable)) return false;
  QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
  if (!cmdline.open(QIODevice::ReadOnly)) return false;
  const QList<QByteArray> words = cmdline.read(64 * 1024).split('\0');
  const QString cwd = QFileInfo(QStringLiteral("/proc/%1/cwd").arg(pid)).symLinkTarget();
  const auto isTarget = [&](qsizetype i) {
    if (i >= words.size() || words.at(i).isEmpty()) return false;
    const QString script = QFileInfo(QDir(cwd), QFile::decodeName(words.at(i))).canonicalFilePath();
    return !script.isEmpty() && SamePath(script, target);
  };
  // Started through its "#!" line: the line's own arguments, then the script.
  const QStringList& lineArguments = interpreter->arguments;
  bool throughLine = words.size() > lineArguments.size() + 1;
  for (qsizetype i = 0; throughLine && i < lineArguments.size(); ++i)
    throughLine = QFile::decodeName(words.at(i + 1)) == lineArguments.at(i);
  if (throughLine && isTarget(lineArguments.size() + 1)) return true;
  // Started as "interpreter [options] script": the first word that is no option.
  constexpr qsizetype kMaxOptions = 8;
  for (qsizetype i = 1; i < words.size() && i <= kMaxOptions + 1; ++i) {
    if (words.at(i).startsWith('-')) continue;
    return isTarget(i);
  }
  return false;
}

std::optional<TProgramWindow> FindProgramWindow(const QString& target) {
  std::optional<Display> display = OpenDisplay();
  if (!display || target.isEmpty()) return std::nullopt;
  xcb_connection_t* connection = display->connection.get();
  const xcb_atom_t pidAtom = Atom(connection, "_NET_WM_PID");
  std::optional<TProgramWindow> found;
  for (xcb_window_t window : TopLevelWindows(connection, display->root)) {
    const std::vector<uint32_t> pid = Property32(connection, window, pidAtom);
    if (pid.empty() || !ProcessRunsProgram(pid.front(), target)) continue;
    found = TProgramWindow{window, IsMinimized(connection, window)};
    if (found->minimized) break;
  }
  return found;
}

bool BringToFront(const TProgramWindow& target) {
  std::optional<Display> display = OpenDisplay();
  if (!display || target.window == 0) return false;
  xcb_connection_t* connection = display->connection.get();
  // Mapping an iconic window is how a client asks for it to be restored.
  if (target.minimized) xcb_map_window(connection, target.window);
  const uint32_t above = XCB_STACK_MODE_ABOVE;
  xcb_configure_window(connection, target.window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = target.window;
  event.type = Atom(connection, "_NET_ACTIVE_WINDOW");
  event.data.data32[0] = 2;  // source: a pager-like tool acting for the user
  event.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(connection, 0, display->root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
  // A round trip, so every request has reached the server when this returns.
  const Reply<xcb_get_input_focus_reply_t> sync(
      xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
  return sync != nullptr;
}

}  // namespace frivo
