// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QImage;

namespace frivo {

// ---- Modifier keys ---------------------------------------------------------------
// The state of Shift and Ctrl at the moment a command runs (not when its event was
// queued): commands read it to choose their larger variant.
struct ModifierState {
  bool shift = false;
  bool ctrl = false;
};
[[nodiscard]] ModifierState QueryModifiers();
[[nodiscard]] inline bool IsShiftDown() {
  return QueryModifiers().shift;
}
[[nodiscard]] inline bool IsCtrlDown() {
  return QueryModifiers().ctrl;
}
// Tests hold keys down here; an empty function restores the real keyboard.
using ModifierHook = std::function<ModifierState()>;
ModifierHook SetModifierHook(ModifierHook hook);

// ---- Special folders -------------------------------------------------------------
// Each ends with "/", or is empty when the desktop has no such folder.
[[nodiscard]] QString VideoFolder();
[[nodiscard]] QString PicturesFolder();
[[nodiscard]] QString ProgramFilesFolder();
// A folder path with exactly one trailing "/" (empty stays empty).
[[nodiscard]] QString WithTrailingSlash(const QString& folder);

// ---- URL handler -----------------------------------------------------------------
// Hands a URL (a web address, or a local file as a file: URL) to the desktop's
// handler for its type: the default browser for a web page or an HTML file.
// False when no handler took it.
bool OpenUrl(const QUrl& url);
// Tests see the URL here instead of a handler being started; the hook's result is
// OpenUrl's. An empty function restores the desktop's handler.
using OpenUrlHook = std::function<bool(const QUrl& url)>;
OpenUrlHook SetOpenUrlHook(OpenUrlHook hook);

// ---- Clipboard -------------------------------------------------------------------
// Puts `image` on the system clipboard and checks that the clipboard holds it
// (on X11: that the program owns the clipboard selection with it). False when
// the clipboard refused it.
bool PutImageOnClipboard(const QImage& image);
// Tests decide the outcome here instead; the hook's result is the function's.
using ClipboardHook = std::function<bool(const QImage& image)>;
ClipboardHook SetClipboardHook(ClipboardHook hook);

}  // namespace frivo
