// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Desktop entries in the program list: their icon in the menus, terminal
// programs, the working folder, and which processes count as a script running.
#include "launcher/desktop_entry.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>

#include "common/temp_dir.h"
#include "common/wait.h"
#include "launcher/program_menus.h"
#include "launcher/program_start.h"

namespace frivo {
namespace {

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QByteArray& value)
      : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    qputenv(name, value);
  }
  ~ScopedEnv() {
    if (had_)
      qputenv(name_, old_);
    else
      qunsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

bool WriteExecutable(const QString& path, const QByteArray& text) {
  return test::WriteAll(path, text) &&
         QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool WriteImage(const QString& path, QColor colour) {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(colour);
  return QDir().mkpath(QFileInfo(path).absolutePath()) && image.save(path, "PNG");
}

QColor IconCentre(const QIcon& icon) {
  return icon.pixmap(16, 16).toImage().pixelColor(8, 8);
}

TEST(DesktopEntryTest, KeysOfTheEntryGroupOnly) {
  test::TempDir dir;
  const struct {
    const char* content;
    const char* icon;
    bool terminal;
    const char* folder;
  } cases[] = {
      {"[Desktop Entry]\nExec=vi\nIcon=accessories-text-editor\nTerminal=true\nPath=/srv/a\\sb\n",
       "accessories-text-editor", true, "/srv/a b"},
      {"[Desktop Entry]\nIcon[ja]=localised\nIcon = /opt/app/icon.png\nTerminal=false\n",
       "/opt/app/icon.png", false, ""},
      {"[Desktop Entry]\nTerminal=True\n[Desktop Action new]\nIcon=other\nPath=/tmp\n", "", true,
       ""},
      {"[Desktop Entry]\nTerminal=yes\n", "", false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content);
    const QString file = dir.File(QStringLiteral("entry.desktop"));
    ASSERT_TRUE(test::WriteAll(file, c.content));
    const TDesktopEntry entry = ReadDesktopEntry(file);
    EXPECT_EQ(entry.icon, QString::fromUtf8(c.icon));
    EXPECT_EQ(entry.terminal, c.terminal);
    EXPECT_EQ(entry.workingFolder, QString::fromUtf8(c.folder));
  }
}

// A small icon theme of its own, so the test does not depend on the machine's.
class ThemeIconTest : public testing::Test {
 protected:
  void SetUp() override {
    oldPaths_ = QIcon::themeSearchPaths();
    oldTheme_ = QIcon::themeName();
    const QString theme = dir_.File(QStringLiteral("icons/frivo-test-theme/"));
    ASSERT_TRUE(QDir().mkpath(theme));
    ASSERT_TRUE(test::WriteAll(theme + QStringLiteral("index.theme"),
                               "[Icon Theme]\nName=frivo-test-theme\nDirectories=16x16/apps\n\n"
                               "[16x16/apps]\nSize=16\nType=Fixed\n"));
    ASSERT_TRUE(WriteImage(theme + QStringLiteral("16x16/apps/frivo-test-green.png"), Qt::green));
    QIcon::setThemeSearchPaths({dir_.File(QStringLiteral("icons"))});
    QIcon::setThemeName(QStringLiteral("frivo-test-theme"));
  }
  void TearDown() override {
    QIcon::setThemeSearchPaths(oldPaths_);
    QIcon::setThemeName(oldTheme_);
  }

  test::TempDir dir_;
  QStringList oldPaths_;
  QString oldTheme_;
};

TEST_F(ThemeIconTest, AnEntrysMenuItemShowsTheIconItNames) {
  const QString red = dir_.File(QStringLiteral("art/red.png"));
  ASSERT_TRUE(WriteImage(red, Qt::red));
  // A program that installs its icon only as a pixmap of the desktop.
  const QString data = dir_.File(QStringLiteral("data"));
  ASSERT_TRUE(WriteImage(data + QStringLiteral("/pixmaps/frivo-test-blue.png"), Qt::blue));
  const ScopedEnv dataDirs("XDG_DATA_DIRS", QFile::encodeName(data));
  const struct {
    const char* icon;
    QColor colour;
  } cases[] = {
      {"ABSOLUTE", Qt::red},
      {"frivo-test-green", Qt::green},
      {"frivo-test-green.png", Qt::green},
      {"frivo-test-blue", Qt::blue},
  };
  QMenu menu;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.icon);
    const QString icon = qstrcmp(c.icon, "ABSOLUTE") == 0 ? red : QString::fromUtf8(c.icon);
    const QString entry = dir_.File(QStringLiteral("%1.desktop").arg(menu.actions().size()));
    ASSERT_TRUE(
        test::WriteAll(entry, ("[Desktop Entry]\nExec=true\nIcon=" + icon + "\n").toUtf8()));
    QAction* item = AddProgramItem(&menu, entry);
    ASSERT_FALSE(item->icon().isNull());
    EXPECT_EQ(IconCentre(item->icon()), c.colour);
  }
  // An icon that is nowhere, and a plain program, show the desktop's file icon.
  const QString unknown = dir_.File(QStringLiteral("unknown.desktop"));
  ASSERT_TRUE(test::WriteAll(unknown, "[Desktop Entry]\nExec=true\nIcon=no-such-icon-here\n"));
  for (const QString& path : {unknown, QStringLiteral("/bin/sh")}) {
    const QIcon icon = AddProgramItem(&menu, path)->icon();
    EXPECT_FALSE(icon.isNull()) << path.toStdString();
    for (const QColor colour : {QColor(Qt::red), QColor(Qt::green), QColor(Qt::blue)})
      EXPECT_NE(IconCentre(icon), colour) << path.toStdString();
  }
}

TEST(TerminalTest, TerminalProgramsRunInTheDesktopsTerminalInTheirFolder) {
  test::TempDir dir;
  const QString bin = dir.File(QStringLiteral("bin"));
  const QString work = dir.File(QStringLiteral("work folder"));
  ASSERT_TRUE(QDir().mkpath(bin));
  ASSERT_TRUE(QDir().mkpath(work));
  // The terminal records where it runs and what it was asked to run.
  const QString log = dir.File(QStringLiteral("terminal.log"));
  ASSERT_TRUE(WriteExecutable(bin + QStringLiteral("/x-terminal-emulator"),
                              "#!/bin/sh\n{ pwd; printf '%s\\n' \"$@\"; } > '" +
                                  QFile::encodeName(log) + "'.part\nmv '" + QFile::encodeName(log) +
                                  "'.part '" + QFile::encodeName(log) + "'\n"));
  const QString entry = dir.File(QStringLiteral("top.desktop"));
  ASSERT_TRUE(test::WriteAll(entry, ("[Desktop Entry]\nExec=\"/opt/my tool\" --watch %F\n"
                                     "Terminal=true\nPath=" +
                                     work + "\n")
                                        .toUtf8()));
  const QString plain = dir.File(QStringLiteral("plain.desktop"));
  ASSERT_TRUE(test::WriteAll(plain,
                             "[Desktop Entry]\nExec=/opt/gui\nTerminal=false\n"
                             "Path=/no/such/folder\n"));
  const QString realTerminal = QFileInfo(bin + QStringLiteral("/x-terminal-emulator")).filePath();
  {
    // Ours first, so it stands for the terminal the user chose.
    const ScopedEnv path("PATH", QFile::encodeName(bin) + ':' + qgetenv("PATH"));
    ASSERT_TRUE(FindTerminal().has_value());
    EXPECT_EQ(QFileInfo(FindTerminal()->program).canonicalFilePath(),
              QFileInfo(realTerminal).canonicalFilePath());
    const TStartRequest request = StartRequestFor(entry);
    EXPECT_EQ(request.arguments, (QStringList{"-e", "/opt/my tool", "--watch"}));
    EXPECT_EQ(request.workingFolder, work);
    // Not a terminal program, and a folder that is gone: started directly, here.
    const TStartRequest direct = StartRequestFor(plain);
    EXPECT_EQ(direct.program, QStringLiteral("/opt/gui"));
    EXPECT_TRUE(direct.arguments.isEmpty());
    EXPECT_TRUE(direct.workingFolder.isEmpty());

    // Really started: the terminal runs in the entry's folder with the command.
    ASSERT_TRUE(StartProgram(entry));
  }
  ASSERT_TRUE(test::WaitFor([&] { return QFileInfo::exists(log); }));
  const QStringList lines = QString::fromUtf8(test::ReadAll(log)).split(u'\n', Qt::SkipEmptyParts);
  EXPECT_EQ(lines, (QStringList{QDir(work).canonicalPath(), "-e", "/opt/my tool", "--watch"}));

  // No terminal anywhere: the program still starts, directly, in its folder.
  const ScopedEnv path("PATH", QFile::encodeName(dir.File(QStringLiteral("empty"))));
  EXPECT_FALSE(FindTerminal().has_value());
  const TStartRequest request = StartRequestFor(entry);
  EXPECT_EQ(request.program, QStringLiteral("/opt/my tool"));
  EXPECT_EQ(request.arguments, QStringList{"--watch"});
  EXPECT_EQ(request.workingFolder, work);
}

TEST(ScriptInterpreterTest, TheInterpreterOfTheHashBangLine) {
  test::TempDir dir;
  const QString sh =
      QFileInfo(QStandardPaths::findExecutable(QStringLiteral("sh"))).canonicalFilePath();
  ASSERT_FALSE(sh.isEmpty());
  const struct {
    const char* text;
    bool found;
    QStringList arguments;
  } cases[] = {
      {"#!/bin/sh\necho\n", true, {}},
      {"#! /bin/sh -e\n", true, {"-e"}},
      {"#!/bin/sh -e -u  \n", true, {"-e -u"}},  // the rest of the line is one argument
      {"#!/usr/bin/env sh\n", true, {}},
      {"#!/usr/bin/env -S sh -e -u\n", true, {"-e", "-u"}},
      {"#!/usr/bin/env LANG=C sh\n", false, {}},  // one word: a setting, no program
      {"#!/no/such/interpreter\n", false, {}},
      {"echo no line\n", false, {}},
      {"\x7f"
       "ELF\x02\x01",
       false,
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const QString script = dir.File(QStringLiteral("script"));
    ASSERT_TRUE(WriteExecutable(script, c.text));
    const std::optional<TScriptInterpreter> interpreter = ScriptInterpreter(script);
    ASSERT_EQ(interpreter.has_value(), c.found);
    if (!interpreter) continue;
    EXPECT_EQ(interpreter->executable, sh);
    EXPECT_EQ(interpreter->arguments, c.arguments);
  }
  EXPECT_FALSE(ScriptInterpreter(dir.File(QStringLiteral("missing"))).has_value());
}

TEST(ScriptInterpreterTest, AnEditorHoldingTheScriptIsNotTheScriptRunning) {
  test::TempDir dir;
  const QString script = dir.File(QStringLiteral("viewer.sh"));
  ASSERT_TRUE(WriteExecutable(script, "#!/usr/bin/env -S sh -e\nsleep 30\n"));
  const QString target = ProgramTarget(script);
  // The script itself, started through its line (env -S, then "sh -e script").
  QProcess running;
  running.start(script, {});
  // Programs that hold the script as their argument, the way an editor does,
  // after an option word as "vi -R script" has it.
  QProcess viewer;
  viewer.start(QStringLiteral("tail"), {QStringLiteral("-f"), script});
  // The same interpreter running another script that is handed this one.
  const QString other = dir.File(QStringLiteral("other.sh"));
  ASSERT_TRUE(WriteExecutable(other, "#!/bin/sh\nsleep 30\n"));
  QProcess otherScript;
  otherScript.setWorkingDirectory(dir.Path());
  otherScript.start(QStringLiteral("sh"), {QStringLiteral("-e"), QStringLiteral("other.sh"),
                                           QStringLiteral("viewer.sh")});
  for (QProcess* process : {&running, &viewer, &otherScript})
    ASSERT_TRUE(process->waitForStarted());

  // Once the kernel has replaced the forked images, only the script runs it.
  ASSERT_TRUE(test::WaitFor([&] {
    return ProcessExecutable(running.processId()) !=
               QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath() &&
           ProcessRunsProgram(running.processId(), target);
  }));
  ASSERT_TRUE(test::WaitFor([&] {
    return ProcessExecutable(viewer.processId()).endsWith(QStringLiteral("/tail")) &&
           ProcessExecutable(otherScript.processId()) == ProcessExecutable(running.processId());
  }));
  EXPECT_FALSE(ProcessRunsProgram(viewer.processId(), target));
  EXPECT_FALSE(ProcessRunsProgram(otherScript.processId(), target));
  EXPECT_TRUE(ProcessRunsProgram(otherScript.processId(), ProgramTarget(other)))
      << "started by hand: the interpreter's first word that is no option";
  for (QProcess* process : {&running, &viewer, &otherScript}) {
    process->kill();
    process->waitForFinished();
  }
}

}  // namespace
}  // namespace frivo
