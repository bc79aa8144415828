// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "support/file_replace.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace frivo {

namespace {

// Devices and pipes cannot be replaced by a rename (and must not be: a rename
// would put a plain file where /dev/full was). They are written in place.
bool WriteInPlace(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
  if (file.write(bytes) != bytes.size()) return false;
  return file.flush();
}

}  // namespace

bool ReplaceFileContents(const QString& path, const QByteArray& bytes) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  if (info.isDir()) return false;
  if (info.exists()) {
    if (!info.isFile()) return WriteInPlace(path, bytes);
    // A file nobody may write is read-only, even for root, who could otherwise
    // rename over it.
    constexpr QFile::Permissions kAnyWrite =
        QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (!(info.permissions() & kAnyWrite)) return false;
  }

  QSaveFile file(path);
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace frivo
