// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "launcher/program_list.h"

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
  for (const QString& path : paths) Add(path);
}

}  // namespace frivo
