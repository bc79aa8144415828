// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QHash>
#include <QString>
#include <span>

class QAction;
class QActionGroup;
class QObject;

namespace frivo {

class TApp_TOOLBmpCaptureEx;

// A command handler of the main window. `sender` is the action or control that
// invoked it, or null when code calls it; shared handlers tell their actions
// apart by it.
using ActionHandler = void (TApp_TOOLBmpCaptureEx::*)(QObject* sender);

// One row of the window's action list. The texts are the program's own
// (UTF-8 here); the name becomes the QAction's objectName and is what the
// settings file and the rest of the program use to find an action.
struct TActionRow {
  const char* name;
  const char* category;
  const char* caption;
  const char* hint;
  const char* shortcut;  // QKeySequence text, or ""
  bool autoCheck;        // invoking the action toggles its check mark first
  bool checked;          // check state at design time
  int group;             // radio group; 0 for none
  ActionHandler handler;
};

// Every action of the window, in list order.
[[nodiscard]] std::span<const TActionRow> ActionRows();

// The window's actions by name, made from the rows. Actions of a radio group are
// exclusive; checkable actions are those that are auto-check or checked at design
// time (a checked non-auto-check action changes only by code).
struct TActionList {
  QHash<QString, QAction*> byName;
  QHash<const QAction*, const TActionRow*> rowOf;
  QAction* operator[](const char* name) const;
};

// Creates the actions as children of `window`; their triggered signals run the
// row's handler with the action as sender.
[[nodiscard]] TActionList CreateActions(TApp_TOOLBmpCaptureEx* window);

// A menu described as a flat list of tokens:
//   "Action_X"           the action's item
//   "-"                  a separator
//   "[Action_X|Name"     a submenu shown by the action, QMenu object name Name
//   "[Caption|Name"      a submenu with its own caption (not an action name)
//   "]"                  end of the innermost submenu
struct TMenuSpec {
  const char* name;     // objectName of the QMenu
  const char* caption;  // title in the menu bar ("" for pop-up menus)
  std::span<const char* const> items;
};

// The main menu's submenus, in menu-bar order.
[[nodiscard]] std::span<const TMenuSpec> MainMenuSpecs();
// The pop-up menus (drop-downs and context menus), by name.
[[nodiscard]] std::span<const TMenuSpec> PopupMenuSpecs();

// A toolbar: action names and "-" for separators. A "Action_X>Menu_Y" entry gets
// the pop-up menu Menu_Y as its drop-down; "Action_X>>Menu_Y" opens the menu
// at once (the action itself does nothing).
struct TToolBarSpec {
  const char* name;
  std::span<const char* const> items;
};
[[nodiscard]] std::span<const TToolBarSpec> ToolBarSpecs();

}  // namespace frivo
