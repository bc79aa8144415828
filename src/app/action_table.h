// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <span>

class QAction;
class QActionGroup;
class QObject;

namespace frivo {

class TApp_TOOLBmpCaptureEx;

// Every action of the window, one per row of the action table and in its order.
// The enumerator is the action's name without "Action_".
enum class ActionId : int {
  FileOpen,
  FileSaveAs,
  FileSaveFormat,
  FileSaveBmp,
  FileSaveGif,
  FileSaveJpeg,
  FileSavePng,
  FileSaveTiff,
  FileClose,
  FileExit,
  ProgramRun,
  Program,
  ProgramAdd,
  ProgramDel,
  ProgramForeground,
  EditCopy,
  Capture,
  CaptureNow,
  CaptureBack,
  CaptureNext,
  CaptureSampleGrabber,
  PlayPlay,
  PlayPause,
  PlayStop,
  PlayPlayPause,
  PlayReplay,
  PlayHome,
  PlayEnd,
  PlaySkipBack,
  PlaySkipNext,
  PlaySkip1minBack,
  PlaySkip1minNext,
  PlayFrameBack,
  PlayFrameNext,
  PlayRate,
  PlayRate_10,
  PlayRate_09,
  PlayRate_07,
  PlayRate_05,
  PlayRate_01,
  PlayMute,
  ZoomUp,
  ZoomDown,
  Zoom100,
  ZoomAlwaysFit,
  ShowToolBar,
  ShowStatusBar,
  ShowHintPopup,
  ShowTimeVerbose,
  HelpVersionInfo,
  FrameBack,
  FrameNext,
  kCount
};
inline constexpr int kActionCount = static_cast<int>(ActionId::kCount);

// A command handler of the main window. `sender` is the action or control that
// invoked it, or null when code calls it; shared handlers read their parameter
// from the invoking action's row.
using ActionHandler = void (TApp_TOOLBmpCaptureEx::*)(QObject* sender);

// What a shared handler's row tells it: how far to move, which file type, which
// rate. The meaning of `value` is the handler's: seconds for the skips, frames
// for the steps and the set commands (-1 back, 0 now, 1 next), the save
// dialog's filter index, the playback rate.
struct TActionParam {
  // Where a skip counts from.
  enum class From {
    kShownFrame,   // the frame on screen
    kPausedFrame,  // the frame a pause leaves on screen (the player pauses first)
    kStart,        // the start of the media
    kEnd,          // the end of the media
  };
  double value = 0;
  double shiftValue = 0;  // the value with Shift held, where it differs
  From from = From::kShownFrame;
};

// One row of the window's action list. The texts are the program's own
// (UTF-8 here); the name becomes the QAction's objectName and is what the
// settings file stores check states under.
struct TActionRow {
  ActionId id;
  const char* name;
  const char* category;
  const char* caption;
  const char* hint;
  const char* shortcut;  // QKeySequence text, or ""
  bool autoCheck;        // invoking the action toggles its check mark first
  bool checked;          // check state at design time
  int group;             // radio group; 0 for none
  ActionHandler handler;
  TActionParam param = {};
};

// Every action of the window, in list order (row i has id i).
[[nodiscard]] std::span<const TActionRow> ActionRows();
// The row of an action; the row of `sender` when it is one of the window's
// actions, else null.
[[nodiscard]] const TActionRow& RowOf(ActionId id);
[[nodiscard]] const TActionRow* RowOf(const QObject* sender);

// The window's actions by id, made from the rows. Actions of a radio group are
// exclusive; checkable actions are those that are auto-check or checked at design
// time (a checked non-auto-check action changes only by code).
struct TActionList {
  std::array<QAction*, kActionCount> actions{};
  [[nodiscard]] QAction* operator[](ActionId id) const {
    return actions[static_cast<std::size_t>(id)];
  }
};

// Creates the actions as children of `window`; their triggered signals run the
// row's handler with the action as sender.
[[nodiscard]] TActionList CreateActions(TApp_TOOLBmpCaptureEx* window);

// One entry of a menu: an action's item, a separator, the start of a submenu
// (shown by an action, or with a caption of its own) or the end of the
// innermost submenu.
struct TMenuItem {
  enum class Kind { kAction, kSeparator, kSubmenu, kEnd };
  Kind kind = Kind::kSeparator;
  ActionId action = ActionId::kCount;  // kCount: none
  const char* name = nullptr;          // a submenu's QMenu object name
  const char* caption = nullptr;       // a submenu's caption when no action shows it
};
[[nodiscard]] constexpr TMenuItem Item(ActionId action) {
  return {TMenuItem::Kind::kAction, action, nullptr, nullptr};
}
[[nodiscard]] constexpr TMenuItem Submenu(ActionId action, const char* name) {
  return {TMenuItem::Kind::kSubmenu, action, name, nullptr};
}
[[nodiscard]] constexpr TMenuItem Submenu(const char* caption, const char* name) {
  return {TMenuItem::Kind::kSubmenu, ActionId::kCount, name, caption};
}
inline constexpr TMenuItem kMenuSeparator{TMenuItem::Kind::kSeparator};
inline constexpr TMenuItem kEndSubmenu{TMenuItem::Kind::kEnd};

struct TMenuSpec {
  const char* name;     // objectName of the QMenu
  const char* caption;  // title in the menu bar ("" for pop-up menus)
  std::span<const TMenuItem> items;
};

// The main menu's submenus, in menu-bar order.
[[nodiscard]] std::span<const TMenuSpec> MainMenuSpecs();
// The pop-up menus (drop-downs and context menus), by name.
[[nodiscard]] std::span<const TMenuSpec> PopupMenuSpecs();

// A toolbar button: an action, with the pop-up menu `menu` as its drop-down
// when not null ("instant": the button opens the menu at once and the action
// itself does nothing). An entry without action is a separator.
struct TToolItem {
  ActionId action = ActionId::kCount;
  const char* menu = nullptr;
  bool instant = false;
};
inline constexpr TToolItem kToolSeparator{};
struct TToolBarSpec {
  const char* name;
  std::span<const TToolItem> items;
};
[[nodiscard]] std::span<const TToolBarSpec> ToolBarSpecs();

}  // namespace frivo
