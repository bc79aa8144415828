// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The real programs on damaged media, and the window ended by a signal at any
// moment: frivo-grab and the window (a capture from the command line) are given
// damaged copies of the test media and must answer with a message or with
// frames, never crash or hang; the window, ended by SIGTERM, SIGINT or SIGHUP,
// closes as its close box does and writes its settings, also while the start-up
// open runs or its failure message is up.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <functional>
#include <memory>
#include <vector>

#include "common/temp_dir.h"
#include "fixtures/fixtures.h"

namespace frivo {
namespace {

// Generous: the runs go in parallel, and in CI under the address sanitizer.
constexpr int kRunTimeoutMs = 120000;
// How long the window is left to open and capture before it is told to end,
// unless its failure message comes first. Any moment must do; this one lets
// most runs get as far as their capture.
constexpr int kSettleMs = 1000;
constexpr int kParallelRuns = 3;

// Whether the process has a handler for `signal` (its caught-signals mask).
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

// One run of a program with its output in files (so that nothing has to read
// pipes while several run at once).
struct ProgramRun {
  QString input;  // the damaged file, for messages
  QString folder;
  std::unique_ptr<QProcess> process;
  QDeadlineTimer deadline;
  QDeadlineTimer settle;
  bool signalled = false;
  bool timedOut = false;

  [[nodiscard]] QString Errors() const {
    return QString::fromUtf8(test::ReadAll(folder + QStringLiteral("stderr")));
  }
  [[nodiscard]] QString Output() const {
    return QString::fromUtf8(test::ReadAll(folder + QStringLiteral("stdout")));
  }
  [[nodiscard]] bool Crashed() const {
    return process->exitStatus() == QProcess::CrashExit && !timedOut;
  }
  [[nodiscard]] QString Describe() const {
    return input + QStringLiteral(": exit ") + QString::number(process->exitCode()) +
           (process->exitStatus() == QProcess::CrashExit ? QStringLiteral(" (crashed)")
                                                         : QString()) +
           (timedOut ? QStringLiteral(" (hung)") : QString()) + QStringLiteral("\n") + Errors();
  }
};

QProcessEnvironment ProgramEnvironment(const QString& folder) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("FRIVO_AUDIO_OUTPUT"), QStringLiteral("silent"));
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("config"));
  return environment;
}

void Start(ProgramRun& run, const QString& program, const QStringList& arguments) {
  QFile::remove(run.folder + QStringLiteral("frivo.ini"));
  run.process = std::make_unique<QProcess>();
  run.process->setProcessEnvironment(ProgramEnvironment(run.folder));
  run.process->setStandardOutputFile(run.folder + QStringLiteral("stdout"));
  run.process->setStandardErrorFile(run.folder + QStringLiteral("stderr"));
  run.process->start(program, arguments);
  run.deadline.setRemainingTime(kRunTimeoutMs);
  run.settle.setRemainingTime(kSettleMs);
  run.signalled = false;
  run.timedOut = false;
}

// Copies of the window program, one per folder: each keeps its settings file
// beside itself, so runs in parallel do not share one.
std::vector<QString> ProgramCopies(const test::TempDir& dir, int count) {
  std::vector<QString> folders;
  for (int i = 0; i < count; ++i) {
    const QString folder = dir.File(QStringLiteral("window-%1/").arg(i));
    QDir().mkpath(folder);
    if (!QFile::copy(QStringLiteral(FRIVO_PROGRAM_DIR "/frivo"), folder + QStringLiteral("frivo")))
      return {};
    folders.push_back(folder);
  }
  return folders;
}

// A message the window showed (it also goes to standard error).
bool ShowedMessage(const ProgramRun& run) {
  return run.Errors().contains(QStringLiteral("frivo: "));
}

bool SettingsWritten(const ProgramRun& run) {
  return test::ReadAll(run.folder + QStringLiteral("frivo.ini")).contains("[CAPTURE_Option]");
}

// Each signal, at the moments a session or a terminal sends it: while the
// failure message of the start-up open is up, and as soon as the program has
// its handler (while it starts or opens).
TEST(TerminationSignals, CloseTheWindowFromTheStartAndWriteTheSettings) {
  const test::TempDir dir;
  const std::vector<QString> folders = ProgramCopies(dir, 1);
  ASSERT_FALSE(folders.empty());
  const QString damaged = test::FixturePath(test::kGarbageMp4);
  const struct {
    int signal;
    bool atMessage;
  } cases[] = {{SIGTERM, true}, {SIGINT, true}, {SIGHUP, true}, {SIGTERM, false}, {SIGHUP, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "signal " << c.signal << (c.atMessage ? " at the message" : " at once"));
    ProgramRun run;
    run.input = damaged;
    run.folder = folders.front();
    Start(run, run.folder + QStringLiteral("frivo"), {damaged, QStringLiteral("/T:0:01")});
    ASSERT_TRUE(run.process->waitForStarted(20000));
    QDeadlineTimer deadline(60000);
    while (!(CatchesSignal(run.process->processId(), c.signal) &&
             (!c.atMessage || ShowedMessage(run))) &&
           !deadline.hasExpired() && !run.process->waitForFinished(20)) {
    }
    ASSERT_EQ(run.process->state(), QProcess::Running) << run.Describe().toStdString();
    ::kill(static_cast<pid_t>(run.process->processId()), c.signal);
    ASSERT_TRUE(run.process->waitForFinished(60000));
    EXPECT_EQ(run.process->exitStatus(), QProcess::NormalExit) << run.Describe().toStdString();
    EXPECT_EQ(run.process->exitCode(), 0);
    EXPECT_TRUE(SettingsWritten(run));
    if (c.atMessage) {
      EXPECT_TRUE(run.Errors().contains(QStringLiteral("は開けません")));
    }
  }
}

}  // namespace
}  // namespace frivo
