// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "launcher/program_list.h"

#include <QSet>

#include "launcher/launcher_paths.h"

namespace frivo {

int TProgramList::IndexOf(const QString& path) const {
  for (int i = 0; i < Count(); ++i) {
    if (SamePath(paths_.at(i), path)) return i;
  }
  return -1;
}

bool TProgramList::Add(const QString& path) {
  if (path.isEmpty() || IndexOf(path) >= 0) return false;
  paths_.append(path);
  return true;
}

bool TProgramList::Remove(const QString& path) {
  const int index = IndexOf(path);
  if (index < 0) return false;
  paths_.removeAt(index);
  return true;
}

void TProgramList::Assign(const QStringList& paths) {
  paths_.clear();
  // One pass with a set: a list of many thousand lines must not take a search
  // of the list so far per line.
  QSet<QString> listed;
  listed.reserve(paths.size());
  for (const QString& path : paths) {
    if (path.isEmpty()) continue;
    const QString key = PathKey(path);
    if (listed.contains(key)) continue;
    listed.insert(key);
    paths_.append(path);
  }
}

}  // namespace frivo
