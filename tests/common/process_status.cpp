// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "common/process_status.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace frivo::test {

bool CatchesSignal(qint64 pid, int signal) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return false;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (!line.startsWith("SigCgt:")) continue;
    const quint64 mask = line.mid(7).trimmed().toULongLong(nullptr, 16);
    return mask & (quint64{1} << (signal - 1));
  }
  return false;
}

}  // namespace frivo::test
