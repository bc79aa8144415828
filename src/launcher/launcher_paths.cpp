// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "launcher/launcher_paths.h"

namespace frivo {

bool SamePath(const QString& a, const QString& b) {
  return PathKey(a) == PathKey(b);
}

QString PathKey(const QString& path) {
  return path;
}

QString FileNamePart(const QString& path) {
  const qsizetype slash = path.lastIndexOf(u'/');
  return slash < 0 ? path : path.mid(slash + 1);
}

}  // namespace frivo
