// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "common/wait.h"

#include <QApplication>
#include <QDeadlineTimer>

namespace frivo::test {

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

}  // namespace frivo::test
