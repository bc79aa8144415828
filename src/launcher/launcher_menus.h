// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

#include "launcher/program_list.h"
#include "platform/dialogs.h"

class QAction;
class QComboBox;
class QMenu;
class QWidget;

namespace frivo {

// The menus and actions of the window that the launcher fills and follows. The
// window owns them; every pointer must be set.
struct TLauncherParts {
  QMenu* fileMenu = nullptr;       // the File menu's program submenu
  QMenu* runMenu = nullptr;        // "Menu_Program"
  QMenu* deleteMenu = nullptr;     // "Menu_ProgramDel"
  QMenu* deleteSubmenu = nullptr;  // the File menu's delete submenu (may be deleteMenu)
  QMenu* historyMenu = nullptr;    // "Menu_OpenHistory"
  QAction* program = nullptr;      // Action_Program: enabled with a non-empty list
  QAction* programDelete = nullptr;
  QAction* foreground = nullptr;  // Action_ProgramForeground: raise a running program
};

// The program launcher and the open history: the program list with its four
// menus and the hidden list box ("Panel_Program" with "ComboBox_Program"), the
// add, delete and run commands with their dialog and messages, and the history
// menu, most recent first.
class TLauncherMenus : public QObject {
  Q_OBJECT

 public:
  // `window` parents the hidden list and the dialogs; `caption` titles the
  // message boxes.
  TLauncherMenus(const TLauncherParts& parts, QWidget* window, QString caption);

  [[nodiscard]] TProgramList& Programs() { return programs_; }
  [[nodiscard]] const QStringList& History() const { return history_; }
  // Replaces the history (the settings file's lines are added last to first).
  void SetHistory(const QStringList& history);
  // Puts `path` at the top of the history.
  void AddToHistory(const QString& path);
  // Regenerates the four program menus and the hidden list from the program list,
  // and enables Action_Program and Action_ProgramDel when it is not empty. A
  // menu's items are made when it is next about to show.
  void RebuildProgramMenus();
  // The hidden list box; its current item is the one RunProgram starts when it
  // is not invoked from a program menu item.
  [[nodiscard]] QComboBox* ComboBox() const { return comboBox_; }

  // ---- Commands ----------------------------------------------------------------
  // Asks for a program and adds it; a program already listed is refused with a
  // message. Shift starts the dialog in the programs folder.
  void AddProgram(bool shift);
  // Deletes the entry of a clicked delete-menu item after asking.
  void DeleteProgram(const QObject* item);
  // Starts the program of a clicked item, or the list's current one; with the
  // foreground option, a program that runs already is raised instead.
  void RunProgram(const QObject* item);

  TFileDialog Dialog_Program;

 Q_SIGNALS:
  // A history item was chosen: the window opens its file.
  void OpenRequested(const QString& path);

 private:
  void RebuildHistoryMenu();
  // The four program menus (three when the delete submenu is the delete menu).
  [[nodiscard]] std::vector<QMenu*> ProgramMenus() const;
  [[nodiscard]] bool IsDeleteMenu(const QMenu* menu) const;
  // Makes a menu's items from the list if they were removed since it last showed.
  void FillProgramMenu(QMenu* menu);

  TLauncherParts parts_;
  QWidget* window_;
  QString caption_;
  QComboBox* comboBox_ = nullptr;
  TProgramList programs_;
  QStringList history_;
  // Program menus whose items are to be made when they next show.
  QSet<QMenu*> staleMenus_;
};

}  // namespace frivo
