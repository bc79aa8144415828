// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "platform/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <cstdio>

#include "platform/termination.h"

namespace frivo {

namespace {

MessageBoxHook& MessageHook() {
  static MessageBoxHook hook;
  return hook;
}

FileDialogHook& FileHook() {
  static FileDialogHook hook;
  return hook;
}

void RaiseOwner(QWidget* owner) {
  QWidget* window = owner ? owner->window() : QApplication::activeWindow();
  if (window && window->isVisible()) {
    window->raise();
    window->activateWindow();
  }
}

// What the user is told also goes to standard error, as one line: a program
// started from a terminal or a script says there why it did nothing.
void LogMessage(const QString& text) {
  QString line = MessageText(text);
  line.replace(u'\n', u' ');
  std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()),
               qPrintable(line));
  std::fflush(stderr);
}

bool RunMessageBox(QWidget* owner, const QString& caption, const QString& text, bool question) {
  if (MessageHook()) return MessageHook()(caption, text, question);
  LogMessage(text);
  // The program is closing: nobody is there to answer, and No is the safe answer.
  if (TerminationRequested()) return false;
  RaiseOwner(owner);
  QMessageBox box(question ? QMessageBox::Question : QMessageBox::NoIcon, caption,
                  MessageText(text),
                  question ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, owner);
  box.setWindowModality(Qt::ApplicationModal);
  if (question) box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

bool RunFileDialog(QWidget* owner, TFileDialog& dialog, bool save) {
  if (FileHook()) return FileHook()(dialog, save);
  if (TerminationRequested()) return false;
  QFileDialog box(owner, dialog.title);
  box.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  box.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  const QStringList filters = QtNameFilters(dialog.filter);
  box.setNameFilters(filters);
  const int index =
      qBound(1, dialog.filterIndex, static_cast<int>(qMax<qsizetype>(1, filters.size())));
  if (!filters.isEmpty()) box.selectNameFilter(filters[index - 1]);
  if (!dialog.defaultExt.isEmpty()) box.setDefaultSuffix(dialog.defaultExt);
  // A folder that is gone is not offered; the dialog then picks its own.
  if (!dialog.initialDir.isEmpty() && QFileInfo(dialog.initialDir).isDir())
    box.setDirectory(dialog.initialDir);
  // The program asks about replacing a file itself, for the name it will write.
  if (save) box.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (!dialog.fileName.isEmpty()) box.selectFile(dialog.fileName);
  if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return false;
  dialog.fileName = box.selectedFiles().first();
  const qsizetype chosen = filters.indexOf(box.selectedNameFilter());
  dialog.filterIndex = chosen < 0 ? index : static_cast<int>(chosen) + 1;
  return true;
}

}  // namespace

QString MessageText(const QString& text) {
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(u'\r', u'\n');
  return shown;
}

void ShowMessage(QWidget* owner, const QString& caption, const QString& text) {
  RunMessageBox(owner, caption, text, false);
}

bool AskYesNo(QWidget* owner, const QString& caption, const QString& text) {
  return RunMessageBox(owner, caption, text, true);
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  return std::exchange(MessageHook(), std::move(hook));
}

bool ExecuteOpenDialog(QWidget* owner, TFileDialog& dialog) {
  return RunFileDialog(owner, dialog, false);
}

bool ExecuteSaveDialog(QWidget* owner, TFileDialog& dialog) {
  return RunFileDialog(owner, dialog, true);
}

FileDialogHook SetFileDialogHook(FileDialogHook hook) {
  return std::exchange(FileHook(), std::move(hook));
}

QStringList QtNameFilters(const QString& windowsFilter) {
  static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
  const QStringList parts = windowsFilter.split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    description.remove(trailingPatterns);
    QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
      pattern = pattern.trimmed();
      if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
    }
    filters.append(QStringLiteral("%1 (%2)").arg(description.trimmed(), patterns.join(u' ')));
  }
  return filters;
}

}  // namespace frivo
