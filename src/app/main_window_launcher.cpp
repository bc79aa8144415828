// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The window's settings steps, the launcher commands and file drop. The settings
// file's contents are settings.cpp's business; the program list, its menus, the
// history and the drop logic live in launcher/.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <memory>

#include "app/main_window.h"
#include "app/settings.h"
#include "launcher/drop_files.h"
#include "launcher/launcher_menus.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "support/ini_file.h"

namespace frivo {

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

// ---- Launcher commands (the launcher itself lives in launcher/) -----------------

void TApp_TOOLBmpCaptureEx::Action_ProgramAddExecute(QObject*) {
  launcher_->AddProgram(IsShiftDown());
}

void TApp_TOOLBmpCaptureEx::Action_ProgramDelExecute(QObject* sender) {
  launcher_->DeleteProgram(sender);
}

void TApp_TOOLBmpCaptureEx::Action_ProgramRunExecute(QObject* sender) {
  launcher_->RunProgram(sender);
}

void TApp_TOOLBmpCaptureEx::CreateLauncher() {
  TLauncherParts parts;
  parts.fileMenu = Menu(QStringLiteral("MenuItem_Program"));
  parts.runMenu = Menu(QStringLiteral("Menu_Program"));
  parts.deleteMenu = Menu(QStringLiteral("Menu_ProgramDel"));
  // The File menu's delete submenu is the delete pop-up itself.
  parts.deleteSubmenu = parts.deleteMenu;
  parts.historyMenu = Menu(QStringLiteral("Menu_OpenHistory"));
  parts.program = Action(ActionId::Program);
  parts.programDelete = Action(ActionId::ProgramDel);
  parts.foreground = Action(ActionId::ProgramForeground);
  launcher_ = new TLauncherMenus(parts, this, DisplayName());
  connect(launcher_, &TLauncherMenus::OpenRequested, this, &TApp_TOOLBmpCaptureEx::OpenMedia);
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
