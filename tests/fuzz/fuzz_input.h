// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// Helpers shared by the fuzz targets: the input as text, and as a file.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>
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

// Whether this input goes through the disk: one in `every`, chosen by its first
// byte, so that the many runs of a fuzzer stay in memory and the file paths are
// still taken often.
inline bool ThroughFile(const std::uint8_t* data, std::size_t size, int every) {
  return size > 0 && data[0] % every == 0;
}

// A private folder for the whole run, in memory where the system has such a file
// system: saving a file there costs no flush to a disk.
inline QString RunFolder() {
  static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                               ? QStringLiteral("/dev/shm/frivo-fuzz-XXXXXX")
                               : QDir::tempPath() + QStringLiteral("/frivo-fuzz-XXXXXX"));
  return dir.path();
}

// Writes the input to `name` in the run's folder and returns its path.
inline QString WriteInput(const std::uint8_t* data, std::size_t size, const QString& name) {
  const QString path = RunFolder() + QLatin1Char('/') + name;
  QFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  return path;
}

}  // namespace frivo::fuzz

// Run by libFuzzer once, before the first input (each target is one source file
// including this header). Qt's warnings about the odd names the inputs hold
// ("Broken filename passed to function" for a path with a NUL) would fill the
// log, a write per input; fatal messages still end the run.
extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  return 0;
}
