// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

namespace frivo::test {

// A fresh folder for one test, removed with the object. Path() ends with "/".
class TempDir {
 public:
  TempDir() : dir_(QDir::tempPath() + QStringLiteral("/frivo-test-XXXXXX")) {}
  [[nodiscard]] QString Path() const { return dir_.path() + QLatin1Char('/'); }
  [[nodiscard]] QString File(const QString& name) const { return Path() + name; }

 private:
  QTemporaryDir dir_;
};

// Whole content of a file; empty when it cannot be read.
[[nodiscard]] QByteArray ReadAll(const QString& path);
// Replaces a file's content; false on failure.
bool WriteAll(const QString& path, const QByteArray& bytes);

}  // namespace frivo::test
