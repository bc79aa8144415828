// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "launcher/open_history.h"

#include "launcher/launcher_paths.h"

namespace frivo {

void AddToHistory(QStringList& history, const QString& path) {
  if (path.isEmpty()) return;
  for (qsizetype i = history.size() - 1; i >= 0; --i) {
    if (SamePath(history.at(i), path)) history.removeAt(i);
  }
  history.prepend(path);
  while (history.size() > kMaxOpenHistory) history.removeLast();
}

QStringList HistoryFromLines(const QStringList& lines) {
  QStringList history;
  for (qsizetype i = lines.size() - 1; i >= 0; --i) AddToHistory(history, lines.at(i));
  return history;
}

}  // namespace frivo
