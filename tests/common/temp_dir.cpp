// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "common/temp_dir.h"

#include <QFile>

namespace frivo::test {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(bytes) == bytes.size();
}

}  // namespace frivo::test
