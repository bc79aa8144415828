// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The launcher's logic without a window: history order, the program list,
// desktop entries, what starting a program comes down to, and drops.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>
#include <algorithm>

#include "common/temp_dir.h"
#include "common/wait.h"
#include "launcher/drop_files.h"
#include "launcher/launcher_paths.h"
#include "launcher/open_history.h"
#include "launcher/program_list.h"
#include "launcher/program_menus.h"
#include "launcher/program_start.h"

namespace frivo {
namespace {

QStringList Numbered(int first, int last) {
  QStringList paths;
  for (int i = first; i <= last; ++i) paths.append(QStringLiteral("/v/%1.mp4").arg(i));
  return paths;
}

TEST(OpenHistoryTest, AddPutsOnTopRemovesTheEqualEntryAndKeepsTen) {
  QStringList history;
  for (const QString& path : Numbered(1, 11)) AddToHistory(history, path);
  QStringList newestFirst = Numbered(2, 11);
  std::reverse(newestFirst.begin(), newestFirst.end());
  EXPECT_EQ(history, newestFirst) << "the first file opened drops out";

  AddToHistory(history, QStringLiteral("/v/5.mp4"));
  EXPECT_EQ(history.size(), 10);
  EXPECT_EQ(history.first(), QStringLiteral("/v/5.mp4"));
  EXPECT_EQ(history.count(QStringLiteral("/v/5.mp4")), 1);

  AddToHistory(history, QString());
  EXPECT_EQ(history.first(), QStringLiteral("/v/5.mp4"));
  // Letter case tells files apart on this file system.
  AddToHistory(history, QStringLiteral("/V/5.MP4"));
  EXPECT_EQ(history.mid(0, 2), (QStringList{"/V/5.MP4", "/v/5.mp4"}));
}

TEST(OpenHistoryTest, LinesLoadLastToFirst) {
  const struct {
    QStringList lines;
    QStringList history;
  } cases[] = {
      {{}, {}},
      {{"", ""}, {}},
      {Numbered(1, 12), Numbered(1, 10)},
      {{"/a", "", "/b", "/a", "/c", "/b"}, {"/a", "/b", "/c"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HistoryFromLines(c.lines), c.history) << c.lines.join(u',').toStdString();
  }
}

TEST(ProgramListTest, NoDuplicatesNoEmptyEntries) {
  TProgramList list;
  EXPECT_TRUE(list.Add(QStringLiteral("/usr/bin/gimp")));
  EXPECT_FALSE(list.Add(QStringLiteral("/usr/bin/gimp")));
  EXPECT_FALSE(list.Add(QString()));
  EXPECT_TRUE(list.Add(QStringLiteral("/usr/bin/GIMP")));
  EXPECT_EQ(list.IndexOf(QStringLiteral("/usr/bin/GIMP")), 1);
  EXPECT_TRUE(list.Remove(QStringLiteral("/usr/bin/gimp")));
  EXPECT_FALSE(list.Remove(QStringLiteral("/usr/bin/gimp")));
  EXPECT_EQ(list.Paths(), QStringList{"/usr/bin/GIMP"});

  list.Assign({"/b", "", "/a", "/b"});
  EXPECT_EQ(list.Paths(), (QStringList{"/b", "/a"}));
  EXPECT_EQ(FileNamePart(QStringLiteral("/opt/a b/viewer.sh")), QStringLiteral("viewer.sh"));
  EXPECT_EQ(FileNamePart(QStringLiteral("viewer")), QStringLiteral("viewer"));
}

TEST(DesktopEntryTest, ExecLineGivesProgramAndArguments) {
  test::TempDir dir;
  const struct {
    const char* content;
    QString program;
    QStringList arguments;
  } cases[] = {
      {"[Desktop Entry]\nName=Gimp\nExec=gimp-2.10 %U\n", "gimp-2.10", {}},
      {"[Desktop Entry]\nExec=\"/opt/My App/run\" --flag \"%f\" x%%y\n",
       "/opt/My App/run",
       {"--flag", "x%y"}},
      {"[Desktop Entry]\nExec=\"/opt/q\\\"uote\" a;b\n", "/opt/q\"uote", {"a;b"}},
      {"[Desktop Entry]\nExec=env\\sLANG=C prog\n", "env", {"LANG=C", "prog"}},
      {"[Desktop Action new]\nExec=other\n", "", {}},
      {"[Desktop Entry]\nName=No command\n", "", {}},
      {"", "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content);
    const QString file = dir.File(QStringLiteral("entry.desktop"));
    ASSERT_TRUE(test::WriteAll(file, c.content));
    const TStartRequest request = DesktopEntryCommand(file);
    EXPECT_EQ(request.program, c.program);
    EXPECT_EQ(request.arguments, c.arguments);
  }
}

TEST(ProgramTargetTest, ResolvesLinksAndDesktopEntries) {
  test::TempDir dir;
  const QString script = dir.File(QStringLiteral("viewer.sh"));
  ASSERT_TRUE(test::WriteAll(script, "#!/bin/sh\n"));
  QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  const QString link = dir.File(QStringLiteral("link"));
  ASSERT_TRUE(QFile::link(script, link));
  const QString entry = dir.File(QStringLiteral("viewer.desktop"));
  ASSERT_TRUE(test::WriteAll(entry, ("[Desktop Entry]\nExec=" + link + " %f\n").toUtf8()));
  const QString byName = dir.File(QStringLiteral("sh.desktop"));
  ASSERT_TRUE(test::WriteAll(byName, "[Desktop Entry]\nExec=sh -c true\n"));
  const QString broken = dir.File(QStringLiteral("broken.desktop"));
  ASSERT_TRUE(test::WriteAll(broken, "[Desktop Entry]\nExec=no-such-program-here\n"));
  const QString canonicalScript = QFileInfo(script).canonicalFilePath();

  EXPECT_EQ(ProgramTarget(script), canonicalScript);
  EXPECT_EQ(ProgramTarget(link), canonicalScript);
  EXPECT_EQ(ProgramTarget(entry), canonicalScript);
  EXPECT_EQ(ProgramTarget(byName),
            QFileInfo(QStandardPaths::findExecutable(QStringLiteral("sh"))).canonicalFilePath());
  EXPECT_EQ(ProgramTarget(broken), QFileInfo(broken).canonicalFilePath());

  // How each is started: never through a shell.
  EXPECT_EQ(StartRequestFor(script).program, script);
  EXPECT_FALSE(StartRequestFor(script).openWithDesktop);
  EXPECT_EQ(StartRequestFor(entry).program, link);
  EXPECT_TRUE(StartRequestFor(entry).arguments.isEmpty());
  const QString text = dir.File(QStringLiteral("notes.txt"));
  ASSERT_TRUE(test::WriteAll(text, "hello"));
  EXPECT_TRUE(StartRequestFor(text).openWithDesktop);
}

TEST(ProcessExecutableTest, ReadsTheRunningExecutable) {
  EXPECT_EQ(ProcessExecutable(QCoreApplication::applicationPid()),
            QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
  EXPECT_TRUE(ProcessExecutable(0).isEmpty());
}

TEST(ProcessExecutableTest, ScriptsAreFoundUnderTheirInterpreter) {
  test::TempDir dir;
  const QString script = dir.File(QStringLiteral("long wait.sh"));
  const QString other = dir.File(QStringLiteral("other.sh"));
  for (const QString& path : {script, other}) {
    ASSERT_TRUE(test::WriteAll(path, "#!/bin/sh -e\nsleep 30\n"));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  // Started through its "#!" line (with its option), and by a relative name.
  QProcess direct;
  direct.start(script, {});
  QProcess relative;
  relative.setWorkingDirectory(dir.Path());
  relative.start(QStringLiteral("/bin/sh"), {QStringLiteral("long wait.sh")});
  ASSERT_TRUE(direct.waitForStarted());
  ASSERT_TRUE(relative.waitForStarted());
  const QString target = QFileInfo(script).canonicalFilePath();
  for (QProcess* process : {&direct, &relative}) {
    // The kernel has replaced the forked image once the interpreter runs.
    EXPECT_TRUE(test::WaitFor([&] { return ProcessRunsProgram(process->processId(), target); }));
    EXPECT_FALSE(ProcessRunsProgram(process->processId(), QFileInfo(other).canonicalFilePath()));
    process->kill();
    process->waitForFinished();
  }
  EXPECT_TRUE(ProcessRunsProgram(QCoreApplication::applicationPid(),
                                 QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()));
  EXPECT_FALSE(ProcessRunsProgram(QCoreApplication::applicationPid(), target));
  EXPECT_FALSE(ProcessRunsProgram(0, target));
}

// The darkest grey level of the item's text, as the menu draws it.
int DarkestInItem(QMenu& menu, QAction* item) {
  const QImage picture = menu.grab().toImage();
  const QRect rect = menu.actionGeometry(item).intersected(picture.rect());
  int darkest = 255;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x)
      darkest = std::min(darkest, qGray(picture.pixel(x, y)));
  return darkest;
}

TEST(ProgramMenusTest, AMissingProgramIsGreyButStaysEnabled) {
  test::TempDir dir;
  const QString present = dir.File(QStringLiteral("present & here"));
  ASSERT_TRUE(test::WriteAll(present, "#!/bin/sh\n"));
  QMenu menu;
  UseProgramMenuStyle(&menu);
  UseProgramMenuStyle(&menu);  // a second call changes nothing
  QAction* shown = AddProgramItem(&menu, present);
  QAction* missing = AddProgramItem(&menu, dir.File(QStringLiteral("gone & away")));
  menu.adjustSize();
  EXPECT_EQ(shown->text(), QStringLiteral("present && here"));
  EXPECT_EQ(ItemPath(missing), dir.File(QStringLiteral("gone & away")));
  EXPECT_TRUE(missing->isEnabled());
  const int normal = DarkestInItem(menu, shown);
  const int grey = DarkestInItem(menu, missing);
  EXPECT_LT(normal, 60);
  EXPECT_GT(grey, normal + 60);
  // Deleted while the menu was closed: grey the next time it opens.
  ASSERT_TRUE(QFile::remove(present));
  Q_EMIT menu.aboutToShow();
  EXPECT_GT(DarkestInItem(menu, shown), normal + 60);
}

TEST(DropFilesTest, LocalPathsInOrderAndDropsRefusedWhileTheObjectLives) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QStringLiteral("/v/b.mp4")),
                QUrl(QStringLiteral("https://example.com/a.mp4")),
                QUrl::fromLocalFile(QStringLiteral("/v/a 動画.mp4")),
                QUrl::fromLocalFile(QStringLiteral("/v/folder/"))});
  QWidget window;
  window.resize(200, 100);
  window.setAcceptDrops(true);
  {
    TMyDropFiles drop(&data, &window, QPoint(10, 10));
    EXPECT_EQ(drop.Files(), (QStringList{"/v/b.mp4", "/v/a 動画.mp4", "/v/folder"}));
    EXPECT_TRUE(drop.InClientArea());
    EXPECT_FALSE(window.acceptDrops());
  }
  EXPECT_TRUE(window.acceptDrops());
  EXPECT_FALSE(TMyDropFiles(&data, &window, QPoint(500, 10)).InClientArea());
  QMimeData text;
  text.setText(QStringLiteral("/v/b.mp4"));
  EXPECT_TRUE(DroppedLocalFiles(&text).isEmpty());
}

}  // namespace
}  // namespace frivo
