// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "launcher/launcher_menus.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QMenu>
#include <QWidget>
#include <optional>
#include <vector>

#include "launcher/launcher_paths.h"
#include "launcher/open_history.h"
#include "launcher/program_menus.h"
#include "launcher/program_start.h"
#include "platform/desktop.h"

namespace frivo {

namespace {

// The add-program dialog. Executables on this system carry no extension, so the
// first filter shows every file, the second only desktop entries.
constexpr char kProgramDialogTitle[] = "プログラムを追加...";
constexpr char kProgramFilter[] =
    "プログラム (*;*.desktop)|*;*.desktop|デスクトップエントリ (*.desktop)|*.desktop|"
    "すべてのファイル (*)|*";

// Removes generated items. They are deleted later, not at once: the item whose
// click led here may still be delivering its triggered signal.
void RemoveItems(QMenu* menu, int keep) {
  const QList<QAction*> items = menu->actions();
  for (int i = keep; i < items.size(); ++i) {
    menu->removeAction(items.at(i));
    if (items.at(i)->parent() == menu) items.at(i)->deleteLater();
  }
}

// The number of items of the File menu's program submenu that are its own: up to
// and including its second separator.
int FixedProgramItems(const QMenu* menu) {
  int separators = 0;
  const QList<QAction*> items = menu->actions();
  for (int i = 0; i < items.size(); ++i) {
    if (items.at(i)->isSeparator() && ++separators == 2) return i + 1;
  }
  return static_cast<int>(items.size());
}

}  // namespace

TLauncherMenus::TLauncherMenus(const TLauncherParts& parts, QWidget* window, QString caption)
    : QObject(window), parts_(parts), window_(window), caption_(std::move(caption)) {
  auto* panel = new QWidget(window);
  panel->setObjectName(QStringLiteral("Panel_Program"));
  panel->hide();
  comboBox_ = new QComboBox(panel);
  comboBox_->setObjectName(QStringLiteral("ComboBox_Program"));
  Dialog_Program.initialDir = ProgramFilesFolder();
  for (QMenu* menu : ProgramMenus()) {
    // The style's own refresh of the items comes first, then the filling of a
    // menu whose items were removed: new items are made fresh.
    UseProgramMenuStyle(menu);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { FillProgramMenu(menu); });
  }
}

std::vector<QMenu*> TLauncherMenus::ProgramMenus() const {
  std::vector<QMenu*> menus{parts_.fileMenu, parts_.runMenu, parts_.deleteMenu};
  if (parts_.deleteSubmenu != parts_.deleteMenu) menus.push_back(parts_.deleteSubmenu);
  return menus;
}

bool TLauncherMenus::IsDeleteMenu(const QMenu* menu) const {
  return menu == parts_.deleteMenu || menu == parts_.deleteSubmenu;
}

// ---- Open history ----------------------------------------------------------------

void TLauncherMenus::AddToHistory(const QString& path) {
  if (path.isEmpty()) return;
  frivo::AddToHistory(history_, path);
  RebuildHistoryMenu();
}

void TLauncherMenus::SetHistory(const QStringList& history) {
  history_.clear();
  for (qsizetype i = history.size() - 1; i >= 0; --i) frivo::AddToHistory(history_, history.at(i));
  RebuildHistoryMenu();
}

void TLauncherMenus::RebuildHistoryMenu() {
  QMenu* menu = parts_.historyMenu;
  RemoveItems(menu, 0);
  for (const QString& path : history_) {
    QAction* item = menu->addAction(LiteralCaption(FileNamePart(path)));
    item->setData(path);
    item->setStatusTip(path);
    item->setToolTip(path);
    connect(item, &QAction::triggered, this, [this, item] {
      const QString chosen = ItemPath(item);
      if (!chosen.isEmpty()) Q_EMIT OpenRequested(chosen);
    });
  }
}

// ---- Program launcher ------------------------------------------------------------

void TLauncherMenus::RebuildProgramMenus() {
  RemoveItems(parts_.fileMenu, FixedProgramItems(parts_.fileMenu));
  RemoveItems(parts_.runMenu, 0);
  RemoveItems(parts_.deleteMenu, 0);
  if (parts_.deleteSubmenu != parts_.deleteMenu) RemoveItems(parts_.deleteSubmenu, 0);
  // Each menu gets its items when it opens: a long list would otherwise cost an
  // item and an icon look-up per entry in each of the four menus at start-up.
  for (QMenu* menu : ProgramMenus()) staleMenus_.insert(menu);

  const QStringList& paths = programs_.Paths();
  const QString current = comboBox_->currentText();
  comboBox_->clear();
  comboBox_->addItems(paths);
  comboBox_->setCurrentIndex(programs_.IndexOf(current));

  const bool any = !programs_.IsEmpty();
  parts_.program->setEnabled(any);
  parts_.programDelete->setEnabled(any);
}

void TLauncherMenus::FillProgramMenu(QMenu* menu) {
  if (!staleMenus_.remove(menu)) return;
  const bool deletes = IsDeleteMenu(menu);
  for (const QString& path : programs_.Paths()) {
    QAction* item = AddProgramItem(menu, path);
    if (deletes) {
      connect(item, &QAction::triggered, this, [this, item] { DeleteProgram(item); });
    } else {
      connect(item, &QAction::triggered, this, [this, item] { RunProgram(item); });
    }
  }
}

void TLauncherMenus::AddProgram(bool shift) {
  if (shift) Dialog_Program.initialDir = ProgramFilesFolder();
  Dialog_Program.title = QString::fromUtf8(kProgramDialogTitle);
  Dialog_Program.filter = QString::fromUtf8(kProgramFilter);
  Dialog_Program.fileName.clear();
  if (ExecuteOpenDialog(window_, Dialog_Program)) {
    const QString path = Dialog_Program.fileName;
    Dialog_Program.initialDir = WithTrailingSlash(QFileInfo(path).absolutePath());
    if (programs_.IndexOf(path) >= 0) {
      ShowMessage(window_, caption_, FileNamePart(path) + QStringLiteral("\rは登録済みです"));
      return;
    }
    programs_.Add(path);
  }
  RebuildProgramMenus();
}

void TLauncherMenus::DeleteProgram(const QObject* item) {
  const QString path = ItemPath(item);
  if (path.isEmpty()) return;
  const int index = programs_.IndexOf(path);
  if (index >= 0) {
    const QString entry = programs_.Paths().at(index);
    if (AskYesNo(window_, caption_,
                 FileNamePart(entry) + QStringLiteral("\rをリストから削除しますか")))
      programs_.Remove(entry);
  }
  RebuildProgramMenus();
}

void TLauncherMenus::RunProgram(const QObject* item) {
  QString path = ItemPath(item);
  if (path.isEmpty()) {
    if (comboBox_->currentIndex() < 0) return;
    path = comboBox_->currentText();
  }
  // A program that is gone is greyed in the menus; choosing it does nothing.
  if (!QFileInfo::exists(path)) return;
  if (parts_.foreground->isChecked()) {
    if (const std::optional<TProgramWindow> running = FindProgramWindow(ProgramTarget(path))) {
      BringToFront(*running);
      return;
    }
  }
  StartProgram(path);
}

}  // namespace frivo
