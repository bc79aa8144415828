// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// The main window's settings: which section and key holds what, read once while
// the window is created and written once while it is destroyed. The section and
// key names are the file format and must stay as they are.

#include <QString>
#include <functional>
#include <memory>

namespace frivo {

class TApp_TOOLBmpCaptureEx;
class TMyIniFile;

// The settings file of this run: the program's own (beside the executable, or in
// the user's configuration folder) unless a test has chosen one.
[[nodiscard]] std::unique_ptr<TMyIniFile> OpenSettingsFile();
// Tests keep their settings in a private file: the hook returns its path. An empty
// hook restores the program's own file. Returns the previous hook.
using SettingsPathHook = std::function<QString()>;
SettingsPathHook SetSettingsPathHook(SettingsPathHook hook);

// Reads every setting and applies it to the window's actions, dialogs, program
// list, history and (unless `keepBounds`) its position and size.
void LoadWindowSettings(TMyIniFile& ini, TApp_TOOLBmpCaptureEx& window, bool keepBounds);
// Writes every setting; with `keepBounds` the stored window rectangle stays as it
// was. The caller writes the file (UpdateFile).
void SaveWindowSettings(TMyIniFile& ini, TApp_TOOLBmpCaptureEx& window, bool keepBounds);

}  // namespace frivo
