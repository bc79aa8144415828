// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The window's settings steps, the open history, the program launcher and file
// drop. The settings file's contents are settings.cpp's business; the program
// list, history and drop logic live in launcher/.
#include <QAction>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

#include "app/main_window.h"
#include "app/settings.h"
#include "launcher/drop_files.h"
#include "launcher/launcher_paths.h"
#include "launcher/open_history.h"
#include "launcher/program_menus.h"
#include "launcher/program_start.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "support/ini_file.h"

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

QComboBox* TApp_TOOLBmpCaptureEx::CreateLauncherParts() {
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("Panel_Program"));
  panel->hide();
  auto* box = new QComboBox(panel);
  box->setObjectName(QStringLiteral("ComboBox_Program"));
  return box;
}

// ---- Settings --------------------------------------------------------------------

void TApp_TOOLBmpCaptureEx::LoadSettings() {
  // Read only: the object is dropped without writing.
  const std::unique_ptr<TMyIniFile> ini = OpenSettingsFile();
  LoadWindowSettings(*ini, *this, IsShiftDown());
}

void TApp_TOOLBmpCaptureEx::SaveSettings() {
  const std::unique_ptr<TMyIniFile> ini = OpenSettingsFile();
  SaveWindowSettings(*ini, *this, IsShiftDown());
  // A failed write leaves the old file; nothing is reported at exit.
  (void)ini->UpdateFile();
}

// ---- Open history ----------------------------------------------------------------

void TApp_TOOLBmpCaptureEx::AddToOpenHistory(const QString& path) {
  if (path.isEmpty()) return;
  AddToHistory(openHistory_, path);
  RebuildOpenHistoryMenu();
}

void TApp_TOOLBmpCaptureEx::SetOpenHistory(const QStringList& history) {
  openHistory_.clear();
  for (qsizetype i = history.size() - 1; i >= 0; --i) AddToHistory(openHistory_, history.at(i));
  RebuildOpenHistoryMenu();
}

void TApp_TOOLBmpCaptureEx::RebuildOpenHistoryMenu() {
  QMenu* menu = Menu(QStringLiteral("Menu_OpenHistory"));
  RemoveItems(menu, 0);
  for (const QString& path : openHistory_) {
    QAction* item = menu->addAction(LiteralCaption(FileNamePart(path)));
    item->setData(path);
    item->setStatusTip(path);
    item->setToolTip(path);
    connect(item, &QAction::triggered, this, [this, item] { MenuItem_OpenHistoryClick(item); });
  }
}

void TApp_TOOLBmpCaptureEx::MenuItem_OpenHistoryClick(QObject* sender) {
  const QString path = ItemPath(sender);
  if (!path.isEmpty()) OpenMedia(path);
}

// ---- Program launcher ------------------------------------------------------------

void TApp_TOOLBmpCaptureEx::RebuildProgramMenus() {
  QMenu* fileMenu = Menu(QStringLiteral("MenuItem_Program"));
  QMenu* runMenu = Menu(QStringLiteral("Menu_Program"));
  QMenu* delMenu = Menu(QStringLiteral("Menu_ProgramDel"));
  // The delete submenu of the File menu may be a menu of its own.
  QMenu* delSubmenu = Menu(QStringLiteral("MenuItem_ProgramDel"));
  std::vector<QMenu*> delMenus{delMenu};
  if (delSubmenu != delMenu) delMenus.push_back(delSubmenu);
  if (fileMenu) RemoveItems(fileMenu, FixedProgramItems(fileMenu));
  if (runMenu) RemoveItems(runMenu, 0);
  for (QMenu* menu : delMenus) {
    if (menu) RemoveItems(menu, 0);
  }
  const QStringList& paths = programs_.Paths();
  for (const QString& path : paths) {
    for (QMenu* menu : {fileMenu, runMenu}) {
      if (!menu) continue;
      UseProgramMenuStyle(menu);
      QAction* item = AddProgramItem(menu, path);
      connect(item, &QAction::triggered, this, [this, item] { Action_ProgramRunExecute(item); });
    }
    for (QMenu* menu : delMenus) {
      if (!menu) continue;
      UseProgramMenuStyle(menu);
      QAction* item = AddProgramItem(menu, path);
      connect(item, &QAction::triggered, this, [this, item] { Action_ProgramDelExecute(item); });
    }
  }
  const QString current = comboBoxProgram_->currentText();
  comboBoxProgram_->clear();
  comboBoxProgram_->addItems(paths);
  comboBoxProgram_->setCurrentIndex(programs_.IndexOf(current));

  const bool any = !programs_.IsEmpty();
  Action(ActionId::Program)->setEnabled(any);
  Action(ActionId::ProgramDel)->setEnabled(any);
}

void TApp_TOOLBmpCaptureEx::Action_ProgramAddExecute(QObject*) {
  if (IsShiftDown()) Dialog_Program.initialDir = ProgramFilesFolder();
  Dialog_Program.title = QString::fromUtf8(kProgramDialogTitle);
  Dialog_Program.filter = QString::fromUtf8(kProgramFilter);
  Dialog_Program.fileName.clear();
  if (ExecuteOpenDialog(this, Dialog_Program)) {
    const QString path = Dialog_Program.fileName;
    Dialog_Program.initialDir = WithTrailingSlash(QFileInfo(path).absolutePath());
    if (programs_.IndexOf(path) >= 0) {
      Message(FileNamePart(path) + QStringLiteral("\rは登録済みです"));
      return;
    }
    programs_.Add(path);
  }
  RebuildProgramMenus();
}

void TApp_TOOLBmpCaptureEx::Action_ProgramDelExecute(QObject* sender) {
  const QString path = ItemPath(sender);
  if (path.isEmpty()) return;
  const int index = programs_.IndexOf(path);
  if (index >= 0) {
    const QString entry = programs_.Paths().at(index);
    if (AskYesNo(this, DisplayName(),
                 FileNamePart(entry) + QStringLiteral("\rをリストから削除しますか")))
      programs_.Remove(entry);
  }
  RebuildProgramMenus();
}

void TApp_TOOLBmpCaptureEx::Action_ProgramRunExecute(QObject* sender) {
  QString path = ItemPath(sender);
  if (path.isEmpty()) {
    if (comboBoxProgram_->currentIndex() < 0) return;
    path = comboBoxProgram_->currentText();
  }
  // A program that is gone is greyed in the menus; choosing it does nothing.
  if (!QFileInfo::exists(path)) return;
  if (Action(ActionId::ProgramForeground)->isChecked()) {
    if (const std::optional<TProgramWindow> running = FindProgramWindow(ProgramTarget(path))) {
      BringToFront(*running);
      return;
    }
  }
  StartProgram(path);
}

// ---- File drop -------------------------------------------------------------------

void TApp_TOOLBmpCaptureEx::dragEnterEvent(QDragEnterEvent* event) {
  if (!dropPending_ && !DroppedLocalFiles(event->mimeData()).isEmpty()) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TApp_TOOLBmpCaptureEx::dropEvent(QDropEvent* event) {
  if (dropPending_) return event->ignore();
  auto drop = std::make_shared<TMyDropFiles>(event->mimeData(), this, event->position().toPoint());
  if (drop->Files().isEmpty()) return event->ignore();
  event->acceptProposedAction();
  // The file is opened once the drop has ended, so its messages do not appear
  // while the source still waits for the drop's answer; until then, and until
  // the open has finished, no further drop is accepted.
  dropPending_ = true;
  QTimer::singleShot(0, this, [this, drop] {
    struct Done {
      bool& pending;
      ~Done() { pending = false; }
    } done{dropPending_};
    OpenMedia(drop->Files().first());
  });
}

}  // namespace frivo
