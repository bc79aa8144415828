// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// Helpers shared by the fuzz targets: the input as text, and as a file.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

namespace frivo::fuzz {

inline QByteArray Bytes(const std::uint8_t* data, std::size_t size) {
  return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Invalid UTF-8 becomes replacement characters, as any text from outside would.
inline QString Text(const std::uint8_t* data, std::size_t size) {
  return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// A private folder for the whole run; each input is written to `name` in it.
inline QString WriteInput(const std::uint8_t* data, std::size_t size, const QString& name) {
  static QTemporaryDir dir;
  const QString path = dir.filePath(name);
  QFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  return path;
}

}  // namespace frivo::fuzz
