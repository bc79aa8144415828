// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include <QApplication>
#include <cstdio>

#include "platform/platform.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  frivo::InstallPlatformHooks();
  std::puts("frivo: the main window arrives with the main-window work");
  return 0;
}
