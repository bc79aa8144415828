// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The real programs on damaged media, and the window ended by a signal at any
// moment: frivo-grab and the window (a capture from the command line) are given
// damaged copies of the test media and must answer with a message or with
// frames, never crash or hang; the window, ended by SIGTERM, SIGINT or SIGHUP,
// closes as its close box does and writes its settings, also while the start-up
// open runs or its failure message is up.
#include "fixtures/damaged_media.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <csignal>
#include <functional>
#include <memory>
#include <vector>

#include "common/process_status.h"
#include "common/temp_dir.h"
#include "fixtures/fixtures.h"

namespace frivo {
namespace {

// Generous: the runs go in parallel, and in CI under the address sanitizer.
constexpr int kRunTimeoutMs = 120000;
// How long the window is left to open and capture before it is told to end,
// unless its failure message comes first. Any moment must do; this one lets
// most runs get as far as their capture: three windows starting at once under
// the address sanitizer on two cores take 1 to 1.5 s to open a sound file.
constexpr int kSettleMs = 2500;
constexpr int kParallelRuns = 3;

using test::CatchesSignal;

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

// Runs `arguments(input)` of the program in each folder over every input, up
// to one run per folder at a time. `poll` is called for each running run (it
// may send a signal); `finished` for each run that has ended or timed out.
void RunAll(const std::vector<QString>& folders, const QStringList& inputs,
            const std::function<QString(const QString& folder)>& program,
            const std::function<QStringList(const QString& input)>& arguments,
            const std::function<void(ProgramRun&)>& poll,
            const std::function<void(const ProgramRun&)>& finished) {
  std::vector<ProgramRun> runs(folders.size());
  for (size_t i = 0; i < folders.size(); ++i) runs[i].folder = folders[i];
  qsizetype next = 0;
  for (;;) {
    bool busy = false;
    for (ProgramRun& run : runs) {
      if (run.process && run.process->state() != QProcess::NotRunning) {
        if (run.process->waitForFinished(0)) {
        } else if (run.deadline.hasExpired()) {
          run.timedOut = true;
          run.process->kill();
          run.process->waitForFinished(10000);
        } else {
          poll(run);
          busy = true;
          continue;
        }
      }
      if (run.process) {
        finished(run);
        run.process.reset();
      }
      if (next < inputs.size()) {
        run.input = inputs.at(next++);
        Start(run, program(run.folder), arguments(run.input));
        busy = true;
      }
    }
    if (!busy) return;
    QThread::msleep(20);
  }
}

// A message the window showed (it also goes to standard error).
bool ShowedMessage(const ProgramRun& run) {
  return run.Errors().contains(QStringLiteral("frivo: "));
}

bool SettingsWritten(const ProgramRun& run) {
  return test::ReadAll(run.folder + QStringLiteral("frivo.ini")).contains("[CAPTURE_Option]");
}

// The window's open history lists the file: it was opened.
bool Opened(const ProgramRun& run) {
  return QString::fromUtf8(test::ReadAll(run.folder + QStringLiteral("frivo.ini")))
      .contains(run.input);
}

class DamagedMediaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const test::DamagedFile& file : test::MakeDamagedCopies(dir_.Path()))
      files_.append(file.path);
    ASSERT_GE(files_.size(), 30) << "the fixtures are missing";
  }
  test::TempDir dir_;
  QStringList files_;
};

TEST_F(DamagedMediaTest, FrivoGrabWritesFramesOrSaysWhyNot) {
  std::vector<QString> folders;
  for (int i = 0; i < kParallelRuns; ++i) {
    folders.push_back(dir_.File(QStringLiteral("grab-%1/").arg(i)));
    QDir().mkpath(folders.back());
  }
  const QString output = dir_.File(QStringLiteral("frames/"));
  QDir().mkpath(output);
  int withFrames = 0;
  RunAll(
      folders, files_, [](const QString&) { return QStringLiteral(FRIVO_GRAB_PATH); },
      [&](const QString& input) {
        return QStringList{QStringLiteral("--start"),
                           QStringLiteral("0:01"),
                           QStringLiteral("--count"),
                           QStringLiteral("5"),
                           QStringLiteral("--output"),
                           output,
                           input};
      },
      [](ProgramRun&) {},
      [&](const ProgramRun& run) {
        SCOPED_TRACE(run.Describe().toStdString());
        EXPECT_FALSE(run.timedOut);
        EXPECT_FALSE(run.Crashed());
        const int code = run.process->exitCode();
        if (code == 0) {
          EXPECT_FALSE(run.Output().isEmpty());
          ++withFrames;
        } else {
          // A video that cannot be read, or has no frame at that time, with a
          // message naming the file.
          EXPECT_EQ(code, 65);
          EXPECT_TRUE(run.Errors().contains(QFileInfo(run.input).fileName()));
        }
      });
  // Files cut just before their end still have frames at one second.
  EXPECT_GT(withFrames, 0);
}

TEST_F(DamagedMediaTest, TheWindowCapturesOrSaysWhyNotAndClosesOnSigterm) {
  const std::vector<QString> folders = ProgramCopies(dir_, kParallelRuns);
  ASSERT_FALSE(folders.empty());
  int opened = 0;
  RunAll(
      folders, files_, [](const QString& folder) { return folder + QStringLiteral("frivo"); },
      [](const QString& input) {
        return QStringList{input, QStringLiteral("/T:0:01")};
      },
      [](ProgramRun& run) {
        // Ended once its failure message is up, or after a while of capturing.
        if (!run.signalled && CatchesSignal(run.process->processId(), SIGTERM) &&
            (ShowedMessage(run) || run.settle.hasExpired())) {
          ::kill(static_cast<pid_t>(run.process->processId()), SIGTERM);
          run.signalled = true;
        }
      },
      [&](const ProgramRun& run) {
        SCOPED_TRACE(run.Describe().toStdString());
        EXPECT_FALSE(run.timedOut);
        EXPECT_FALSE(run.Crashed());
        EXPECT_EQ(run.process->exitCode(), 0);
        EXPECT_TRUE(SettingsWritten(run));
        EXPECT_TRUE(ShowedMessage(run) || Opened(run));
        if (Opened(run)) ++opened;
      });
  EXPECT_GT(opened, 0);
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
