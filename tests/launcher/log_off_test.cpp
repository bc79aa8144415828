// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Logging off ends the program with SIGTERM: the real program then closes its
// window as the close box does and writes its settings before it ends.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <csignal>

#include "common/process_status.h"
#include "common/temp_dir.h"

namespace frivo {
namespace {

using test::CatchesSignal;

TEST(LogOffTest, SigtermWritesTheSettingsOfARunningProgram) {
  test::TempDir dir;
  // A copy of the program keeps its settings file beside it, in the test's folder.
  const QString program = dir.File(QStringLiteral("frivo"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(FRIVO_EXECUTABLE), program));
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.File(QStringLiteral("config")));
  environment.insert(QStringLiteral("FRIVO_AUDIO_OUTPUT"), QStringLiteral("silent"));
  process.setProcessEnvironment(environment);
  process.start(program, {});
  ASSERT_TRUE(process.waitForStarted(20000));
  QDeadlineTimer deadline(30000);
  while (!CatchesSignal(process.processId(), SIGTERM) && !deadline.hasExpired())
    process.waitForFinished(20);
  ASSERT_TRUE(CatchesSignal(process.processId(), SIGTERM));
  ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
  ASSERT_TRUE(process.waitForFinished(30000));
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process.exitCode(), 0);
  const QByteArray settings = test::ReadAll(dir.File(QStringLiteral("frivo.ini")));
  EXPECT_TRUE(settings.contains("[CAPTURE_Option]")) << settings.toStdString();
  EXPECT_TRUE(settings.contains("[CAPTURE_OpenHistory]"));
}

}  // namespace
}  // namespace frivo
