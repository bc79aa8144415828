// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers

// The main of every test binary: a QApplication on the offscreen platform, so
// tests can make widgets, pixmaps and queued calls without a display.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                  : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
