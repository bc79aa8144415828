// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The launcher, the history and file drop through the main window: the program
// menus, the add and delete commands with their messages, starting programs
// (harmless scripts of the test's own), and dropping files.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

#include "app/main_window.h"
#include "app/settings.h"
#include "common/scoped_hook.h"
#include "common/temp_dir.h"
#include "common/wait.h"
#include "fixtures/fixtures.h"
#include "launcher/program_start.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "playback/playback_graph.h"

namespace frivo {
namespace {

using test::WaitFor;

// A small script that appends a line to `marker` each time it runs.
QString MakeScript(const QString& path, const QString& marker) {
  test::WriteAll(path, ("#!/bin/sh\necho run >> '" + marker + "'\n").toUtf8());
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return path;
}

// The window's drop handler, reached the way the toolkit reaches it.
class DropTarget : public TApp_TOOLBmpCaptureEx {
 public:
  void Deliver(QDropEvent* event) { dropEvent(event); }
};

class LauncherWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pathHook_.emplace(&SetSettingsPathHook,
                      [this] { return dir_.File(QStringLiteral("frivo.ini")); });
    modifierHook_.emplace(&SetModifierHook, [] { return ModifierState{}; });
    messageHook_.emplace(&SetMessageBoxHook, [this](const QString&, const QString& text, bool) {
      messages_.append(text);
      return answer_;
    });
    dialogHook_.emplace(&SetFileDialogHook, [this](TFileDialog& dialog, bool) {
      dialogTitle_ = dialog.title;
      if (dialogAnswer_.isEmpty()) return false;
      dialog.fileName = dialogAnswer_;
      return true;
    });
    startHook_.emplace(&SetStartProgramHook, [this](const TStartRequest& request) {
      started_.append(request.program);
      return true;
    });
    window_ = std::make_unique<DropTarget>();
    window_->show();
  }
  // The window goes first: its destruction writes the settings.
  void TearDown() override { window_.reset(); }
  void Add(const QString& path) {
    dialogAnswer_ = path;
    window_->Action(ActionId::ProgramAdd)->trigger();
  }
  QList<QAction*> Items(const char* menu) const {
    return window_->Menu(QString::fromLatin1(menu))->actions();
  }
  // The generated items of the File menu's program submenu.
  QList<QAction*> FileMenuItems() const {
    const QList<QAction*> all = Items("MenuItem_Program");
    int separators = 0;
    for (int i = 0; i < all.size(); ++i) {
      if (all.at(i)->isSeparator() && ++separators == 2) return all.mid(i + 1);
    }
    return {};
  }
  void Drop(const QStringList& paths, bool* accepted = nullptr) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) urls.append(QUrl::fromLocalFile(path));
    data.setUrls(urls);
    QDropEvent event(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // What the window's platform window hands over when files are dropped on it.
    static_cast<DropTarget*>(window_.get())->Deliver(&event);
    if (accepted) *accepted = event.isAccepted();
  }

  test::TempDir dir_;
  QStringList messages_;
  bool answer_ = false;
  QString dialogTitle_;
  QString dialogAnswer_;
  QStringList started_;
  std::unique_ptr<TApp_TOOLBmpCaptureEx> window_;
  std::optional<test::ScopedHook<SettingsPathHook>> pathHook_;
  std::optional<test::ScopedHook<ModifierHook>> modifierHook_;
  std::optional<test::ScopedHook<MessageBoxHook>> messageHook_;
  std::optional<test::ScopedHook<FileDialogHook>> dialogHook_;
  std::optional<test::ScopedHook<StartProgramHook>> startHook_;
};

TEST_F(LauncherWindowTest, AddingFillsEveryMenuAndADuplicateIsRefused) {
  EXPECT_FALSE(window_->Action(ActionId::Program)->isEnabled());
  EXPECT_FALSE(window_->Action(ActionId::ProgramDel)->isEnabled());
  const QString viewer = MakeScript(dir_.File(QStringLiteral("Viewer & co")), dir_.File("m"));
  Add(viewer);
  EXPECT_EQ(dialogTitle_, QStringLiteral("プログラムを追加..."));
  EXPECT_EQ(window_->Dialog_Program.initialDir, dir_.Path());
  EXPECT_TRUE(window_->Action(ActionId::Program)->isEnabled());
  EXPECT_TRUE(window_->Action(ActionId::ProgramDel)->isEnabled());
  for (const QList<QAction*>& items :
       {Items("Menu_Program"), Items("Menu_ProgramDel"), FileMenuItems()}) {
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.first()->text(), QStringLiteral("Viewer && co"));
    EXPECT_EQ(items.first()->statusTip(), viewer);
  }

  Add(viewer);
  EXPECT_EQ(messages_, QStringList{"Viewer & co\rは登録済みです"});
  EXPECT_EQ(window_->ProgramList().Count(), 1);
  EXPECT_EQ(Items("Menu_Program").size(), 1);

  // Cancelling adds nothing and keeps the menus.
  dialogAnswer_.clear();
  window_->Action(ActionId::ProgramAdd)->trigger();
  EXPECT_EQ(FileMenuItems().size(), 1);
}

TEST_F(LauncherWindowTest, DeleteAsksAndNoKeepsTheList) {
  const QString a = MakeScript(dir_.File(QStringLiteral("a")), dir_.File("m"));
  const QString b = MakeScript(dir_.File(QStringLiteral("b")), dir_.File("m"));
  Add(a);
  Add(b);
  answer_ = false;
  Items("Menu_ProgramDel").at(0)->trigger();
  EXPECT_EQ(messages_, QStringList{"a\rをリストから削除しますか"});
  QApplication::processEvents();
  EXPECT_EQ(window_->ProgramList().Paths(), (QStringList{a, b}));
  EXPECT_EQ(Items("Menu_Program").size(), 2);

  answer_ = true;
  Items("Menu_ProgramDel").at(0)->trigger();
  Items("Menu_ProgramDel").at(0)->trigger();
  QApplication::processEvents();
  EXPECT_TRUE(window_->ProgramList().IsEmpty());
  EXPECT_TRUE(Items("Menu_Program").isEmpty());
  EXPECT_TRUE(FileMenuItems().isEmpty());
  EXPECT_FALSE(window_->Action(ActionId::Program)->isEnabled());
  EXPECT_FALSE(window_->Action(ActionId::ProgramDel)->isEnabled());
}

TEST_F(LauncherWindowTest, RunStartsTheChosenProgramAndIgnoresAMissingOne) {
  const QString a = MakeScript(dir_.File(QStringLiteral("a")), dir_.File("m"));
  const QString gone = dir_.File(QStringLiteral("gone"));
  MakeScript(gone, dir_.File("m"));
  Add(a);
  Add(gone);
  QFile::remove(gone);
  window_->RebuildProgramMenus();
  Items("Menu_Program").at(1)->trigger();
  EXPECT_TRUE(started_.isEmpty());
  FileMenuItems().at(0)->trigger();
  EXPECT_EQ(started_, QStringList{a});

  // The run command itself uses the list's selection, and nothing without one.
  started_.clear();
  window_->ProgramComboBox()->setCurrentIndex(-1);
  window_->Action(ActionId::ProgramRun)->trigger();
  EXPECT_TRUE(started_.isEmpty());
  window_->ProgramComboBox()->setCurrentIndex(0);
  window_->Action(ActionId::ProgramRun)->trigger();
  EXPECT_EQ(started_, QStringList{a});
}

TEST_F(LauncherWindowTest, APathWithBlanksQuotesAndSemicolonStartsThatProgramOnly) {
  SetStartProgramHook({});
  const QString marker = dir_.File(QStringLiteral("marker"));
  const QString odd = dir_.File(QStringLiteral("run me \"now\"; touch INJECTED"));
  MakeScript(odd, marker);
  Add(odd);
  // Option off: each run starts another instance.
  Items("Menu_Program").at(0)->trigger();
  Items("Menu_Program").at(0)->trigger();
  EXPECT_TRUE(WaitFor([&] { return test::ReadAll(marker) == "run\nrun\n"; }))
      << test::ReadAll(marker).toStdString();
  EXPECT_FALSE(QFile::exists(QDir::current().filePath(QStringLiteral("INJECTED"))));
  EXPECT_FALSE(QFile::exists(dir_.File(QStringLiteral("INJECTED"))));
}

TEST_F(LauncherWindowTest, DroppingThreeFilesOpensTheFirst) {
  const QString first = test::FixturePath(test::kMjpegAvi);
  bool accepted = false;
  Drop({first, test::FixturePath(test::kH264Mp4), test::FixturePath(test::kVp8Webm)}, &accepted);
  EXPECT_TRUE(accepted);
  EXPECT_TRUE(window_->DropPending());
  EXPECT_FALSE(window_->acceptDrops());
  // A second drop while the first one is being opened is refused.
  bool second = true;
  Drop({test::FixturePath(test::kH264Mp4)}, &second);
  EXPECT_FALSE(second);
  ASSERT_TRUE(WaitFor([this] { return !window_->DropPending(); }));
  EXPECT_TRUE(messages_.isEmpty()) << messages_.join(u'|').toStdString();
  EXPECT_TRUE(window_->Playback().IsOpen());
  EXPECT_EQ(window_->OpenHistory(), QStringList{first});
  EXPECT_TRUE(window_->acceptDrops());
}

TEST_F(LauncherWindowTest, DroppingAFolderReportsThatTheFileDoesNotExist) {
  const QString folder = dir_.Path().chopped(1);
  Drop({folder});
  ASSERT_TRUE(WaitFor([this] { return !window_->DropPending(); }));
  EXPECT_EQ(messages_, QStringList{folder + "\rファイルが存在しません"});
  EXPECT_FALSE(window_->Playback().IsOpen());
  EXPECT_TRUE(window_->OpenHistory().isEmpty());
}

TEST_F(LauncherWindowTest, HistoryItemReopensItsFileAndMovesToTheTop) {
  const QString a = test::FixturePath(test::kMjpegAvi);
  const QString b = test::FixturePath(test::kH264Mp4);
  window_->OpenMedia(a);
  window_->OpenMedia(b);
  ASSERT_EQ(window_->OpenHistory(), (QStringList{b, a}));
  Items("Menu_OpenHistory").at(1)->trigger();
  QApplication::processEvents();
  EXPECT_EQ(window_->OpenHistory(), (QStringList{a, b}));
  EXPECT_EQ(Items("Menu_OpenHistory").at(0)->text(), QString::fromLatin1(test::kMjpegAvi));
}

}  // namespace
}  // namespace frivo
