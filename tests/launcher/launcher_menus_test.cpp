// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The launcher over menus and actions of its own: the program menus, the add and
// delete commands with their messages, starting programs (harmless scripts of
// the test's own) and the history menu.
#include "launcher/launcher_menus.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <functional>
#include <memory>
#include <optional>

#include "common/scoped_hook.h"
#include "common/temp_dir.h"
#include "common/wait.h"
#include "launcher/program_start.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"

namespace frivo {
namespace {

using test::WaitFor;

// A small script that appends a line to `marker` each time it runs.
QString MakeScript(const QString& path, const QString& marker) {
  test::WriteAll(path, ("#!/bin/sh\necho run >> '" + marker + "'\n").toUtf8());
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return path;
}

class LauncherMenusTest : public ::testing::Test {
 protected:
  void SetUp() override {
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
    // The File menu's program submenu has items of its own, up to its second
    // separator; the delete submenu there is a menu of its own.
    fileMenu_.addAction(QStringLiteral("add"));
    fileMenu_.addMenu(&deleteSubmenu_);
    fileMenu_.addSeparator();
    fileMenu_.addAction(QStringLiteral("foreground"));
    fileMenu_.addSeparator();
    foreground_.setCheckable(true);
    TLauncherParts parts;
    parts.fileMenu = &fileMenu_;
    parts.runMenu = &runMenu_;
    parts.deleteMenu = &deleteMenu_;
    parts.deleteSubmenu = &deleteSubmenu_;
    parts.historyMenu = &historyMenu_;
    parts.program = &program_;
    parts.programDelete = &programDelete_;
    parts.foreground = &foreground_;
    program_.setEnabled(false);
    programDelete_.setEnabled(false);
    launcher_ = std::make_unique<TLauncherMenus>(parts, &window_, QStringLiteral("frivo"));
    QObject::connect(launcher_.get(), &TLauncherMenus::OpenRequested,
                     [this](const QString& path) { opened_.append(path); });
  }
  void Add(const QString& path) {
    dialogAnswer_ = path;
    launcher_->AddProgram(false);
  }
  // A menu's items as it shows them: the program menus are filled when they open.
  QList<QAction*> Items(QMenu& menu) const {
    Q_EMIT menu.aboutToShow();
    return menu.actions();
  }
  // The generated items of the File menu's program submenu.
  QList<QAction*> FileMenuItems() {
    const QList<QAction*> all = Items(fileMenu_);
    int separators = 0;
    for (int i = 0; i < all.size(); ++i) {
      if (all.at(i)->isSeparator() && ++separators == 2) return all.mid(i + 1);
    }
    return {};
  }
  test::TempDir dir_;
  QStringList messages_;
  bool answer_ = false;
  QString dialogTitle_;
  QString dialogAnswer_;
  QStringList started_;
  QStringList opened_;
  QWidget window_;
  QMenu fileMenu_, runMenu_, deleteMenu_, deleteSubmenu_, historyMenu_;
  QAction program_, programDelete_, foreground_;
  std::unique_ptr<TLauncherMenus> launcher_;
  std::optional<test::ScopedHook<ModifierHook>> modifierHook_;
  std::optional<test::ScopedHook<MessageBoxHook>> messageHook_;
  std::optional<test::ScopedHook<FileDialogHook>> dialogHook_;
  std::optional<test::ScopedHook<StartProgramHook>> startHook_;
};

TEST_F(LauncherMenusTest, AddingFillsEveryMenuAndADuplicateIsRefused) {
  EXPECT_FALSE((&program_)->isEnabled());
  EXPECT_FALSE((&programDelete_)->isEnabled());
  const QString viewer = MakeScript(dir_.File(QStringLiteral("Viewer & co")), dir_.File("m"));
  Add(viewer);
  EXPECT_EQ(dialogTitle_, QStringLiteral("プログラムを追加..."));
  EXPECT_EQ(launcher_->Dialog_Program.initialDir, dir_.Path());
  EXPECT_TRUE((&program_)->isEnabled());
  EXPECT_TRUE((&programDelete_)->isEnabled());
  for (const QList<QAction*>& items : {Items(runMenu_), Items(deleteMenu_), FileMenuItems()}) {
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.first()->text(), QStringLiteral("Viewer && co"));
    EXPECT_EQ(items.first()->statusTip(), viewer);
  }

  Add(viewer);
  EXPECT_EQ(messages_, QStringList{"Viewer & co\rは登録済みです"});
  EXPECT_EQ(launcher_->Programs().Count(), 1);
  EXPECT_EQ(Items(runMenu_).size(), 1);

  // Cancelling adds nothing and keeps the menus.
  dialogAnswer_.clear();
  launcher_->AddProgram(false);
  EXPECT_EQ(FileMenuItems().size(), 1);
}

TEST_F(LauncherMenusTest, DeleteAsksAndNoKeepsTheList) {
  const QString a = MakeScript(dir_.File(QStringLiteral("a")), dir_.File("m"));
  const QString b = MakeScript(dir_.File(QStringLiteral("b")), dir_.File("m"));
  Add(a);
  Add(b);
  answer_ = false;
  Items(deleteMenu_).at(0)->trigger();
  EXPECT_EQ(messages_, QStringList{"a\rをリストから削除しますか"});
  QApplication::processEvents();
  EXPECT_EQ(launcher_->Programs().Paths(), (QStringList{a, b}));
  EXPECT_EQ(Items(runMenu_).size(), 2);

  answer_ = true;
  Items(deleteMenu_).at(0)->trigger();
  Items(deleteMenu_).at(0)->trigger();
  QApplication::processEvents();
  EXPECT_TRUE(launcher_->Programs().IsEmpty());
  EXPECT_TRUE(Items(runMenu_).isEmpty());
  EXPECT_TRUE(FileMenuItems().isEmpty());
  EXPECT_FALSE((&program_)->isEnabled());
  EXPECT_FALSE((&programDelete_)->isEnabled());
}

TEST_F(LauncherMenusTest, RunStartsTheChosenProgramAndIgnoresAMissingOne) {
  const QString a = MakeScript(dir_.File(QStringLiteral("a")), dir_.File("m"));
  const QString gone = dir_.File(QStringLiteral("gone"));
  MakeScript(gone, dir_.File("m"));
  Add(a);
  Add(gone);
  QFile::remove(gone);
  launcher_->RebuildProgramMenus();
  Items(runMenu_).at(1)->trigger();
  EXPECT_TRUE(started_.isEmpty());
  FileMenuItems().at(0)->trigger();
  EXPECT_EQ(started_, QStringList{a});

  // The run command itself uses the list's selection, and nothing without one.
  started_.clear();
  launcher_->ComboBox()->setCurrentIndex(-1);
  launcher_->RunProgram(nullptr);
  EXPECT_TRUE(started_.isEmpty());
  launcher_->ComboBox()->setCurrentIndex(0);
  launcher_->RunProgram(nullptr);
  EXPECT_EQ(started_, QStringList{a});
}

TEST_F(LauncherMenusTest, APathWithBlanksQuotesAndSemicolonStartsThatProgramOnly) {
  SetStartProgramHook({});
  const QString marker = dir_.File(QStringLiteral("marker"));
  const QString odd = dir_.File(QStringLiteral("run me \"now\"; touch INJECTED"));
  MakeScript(odd, marker);
  Add(odd);
  // Option off: each run starts another instance.
  Items(runMenu_).at(0)->trigger();
  Items(runMenu_).at(0)->trigger();
  EXPECT_TRUE(WaitFor([&] { return test::ReadAll(marker) == "run\nrun\n"; }))
      << test::ReadAll(marker).toStdString();
  EXPECT_FALSE(QFile::exists(QDir::current().filePath(QStringLiteral("INJECTED"))));
  EXPECT_FALSE(QFile::exists(dir_.File(QStringLiteral("INJECTED"))));
}

TEST_F(LauncherMenusTest, HistoryKeepsTheMostRecentFirstAndItsItemsAskForTheirFile) {
  const QString a = dir_.File(QStringLiteral("a & b.avi"));
  const QString b = dir_.File(QStringLiteral("c.mp4"));
  launcher_->SetHistory({b, a});  // as the settings file lists them
  EXPECT_EQ(launcher_->History(), (QStringList{b, a}));
  launcher_->AddToHistory(a);
  ASSERT_EQ(launcher_->History(), (QStringList{a, b}));
  const QList<QAction*> items = Items(historyMenu_);
  ASSERT_EQ(items.size(), 2);
  EXPECT_EQ(items.at(0)->text(), QStringLiteral("a && b.avi"));
  EXPECT_EQ(items.at(0)->statusTip(), a);
  items.at(1)->trigger();
  EXPECT_EQ(opened_, QStringList{b});
}

}  // namespace
}  // namespace frivo
