// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QHash>
#include <QString>

#include "app/action_table.h"

class QMainWindow;
class QMenu;
class QMenuBar;
class QToolBar;
class QToolButton;
class QWidget;

namespace frivo {

// The window's menus by object name: the menu bar's submenus, the pop-ups and
// every nested submenu.
using TMenuMap = QHash<QString, QMenu*>;

// Makes the pop-up menus and the menu bar's submenus from the menu tables, with
// the window's actions; the menus belong to the menu bar's window.
[[nodiscard]] TMenuMap BuildMenus(QMenuBar* bar, const TActionList& actions);

// The toolbars made from the toolbar tables.
struct TToolBars {
  QToolBar* main = nullptr;     // "ToolBar_Main", a child of the window (not yet added)
  QToolBar* control = nullptr;  // "ToolBar_Control", a child of the control panel
  QToolButton* playPause = nullptr;
};
// Gives the toolbar actions their icons and makes both toolbars; a button with
// a drop-down gets its menu from `menus`.
[[nodiscard]] TToolBars BuildToolBars(QMainWindow* window, QWidget* controlParent,
                                      const TActionList& actions, const TMenuMap& menus);

}  // namespace frivo
