// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "platform/platform.h"

#include <QApplication>
#include <QMessageBox>

#include "support/system_hooks.h"

namespace frivo {

unsigned SetErrorMode(unsigned /*mode*/) {
  return 0;
}

void Beep() {
  QApplication::beep();
}

void InstallPlatformHooks() {
  Hooks().beep = [] { Beep(); };
  Hooks().process_events = [] { QCoreApplication::processEvents(); };
  Hooks().message = [](const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
  };
}

}  // namespace frivo
