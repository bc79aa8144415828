// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace frivo {

// ---- Message boxes ---------------------------------------------------------------
// Every message to the user goes through here: an application-modal box owned by
// `owner`, captioned `caption`, raised to the front. "\r" in `text` is a line break.

// OK only, no icon.
void ShowMessage(QWidget* owner, const QString& caption, const QString& text);
// Yes/No question; true for Yes.
[[nodiscard]] bool AskYesNo(QWidget* owner, const QString& caption, const QString& text);

// Tests answer message boxes here instead of a user. The hook gets the caption,
// the text as the program wrote it ("\r" kept) and whether it is a question; for a
// question it returns the answer (true = Yes).
using MessageBoxHook =
    std::function<bool(const QString& caption, const QString& text, bool question)>;
// Installs a hook (an empty one restores real boxes); returns the previous one.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// "\r" line breaks of the Windows texts as Qt shows them.
[[nodiscard]] QString MessageText(const QString& text);

// ---- File dialogs ----------------------------------------------------------------
// The state a file dialog keeps between uses, as the settings store it.
struct TFileDialog {
  QString title;
  // Windows form: "BMP (*.bmp)|*.bmp|JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg".
  QString filter;
  // 1-based index of the chosen filter (0 counts as 1).
  int filterIndex = 1;
  // Folder path ending with "/" (or empty).
  QString initialDir;
  // In: proposed name (file name or full path). Out: the chosen full path.
  QString fileName;
  // Default extension added to a typed name without one (save dialogs), without ".".
  QString defaultExt;
};

// Runs an open or save dialog; false when cancelled. On success `fileName` holds
// the chosen path and `filterIndex` the filter in use.
[[nodiscard]] bool ExecuteOpenDialog(QWidget* owner, TFileDialog& dialog);
[[nodiscard]] bool ExecuteSaveDialog(QWidget* owner, TFileDialog& dialog);

// Tests answer file dialogs here. The hook sees the dialog as it would be shown
// and fills in the answer; it returns false to cancel.
using FileDialogHook = std::function<bool(TFileDialog& dialog, bool save)>;
FileDialogHook SetFileDialogHook(FileDialogHook hook);

// Qt's name filters for a Windows filter text: each "description|patterns" pair
// becomes "description (p1 p2)", the description's own "(...)" replaced.
[[nodiscard]] QStringList QtNameFilters(const QString& windowsFilter);

}  // namespace frivo
