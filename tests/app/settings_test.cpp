// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The settings file as the main window reads it at start and writes it at exit:
// the keys and layout of a first run, the Shift rules, lists and unreadable files.
#include "app/settings.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <csignal>
#include <functional>
#include <memory>
#include <optional>

#include "app/main_window.h"
#include "common/scoped_hook.h"
#include "common/temp_dir.h"
#include "common/wait.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/termination.h"

namespace frivo {
namespace {

// Every window of this test binary keeps its settings out of the real file: each
// load and each save sees a fresh, missing file, so no test leaves settings behind
// for the next. Tests that look at the file install their own path.
class PrivateSettings : public ::testing::Environment {
 public:
  void SetUp() override {
    SetSettingsPathHook(
        [this] { return dir_.path() + QStringLiteral("/run-%1.ini").arg(++counter_); });
  }

 private:
  QTemporaryDir dir_;
  int counter_ = 0;
};
[[maybe_unused]] ::testing::Environment* const kPrivateSettings =
    ::testing::AddGlobalTestEnvironment(new PrivateSettings);

using test::WaitFor;

// The sections of a file in order, each with its lines (the header excluded).
struct Section {
  QString name;
  QStringList lines;
};
std::vector<Section> Sections(const QByteArray& bytes) {
  std::vector<Section> sections;
  QString text = QString::fromUtf8(bytes);
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  QStringList lines = text.split(QStringLiteral("\r\n"));
  if (lines.size() == 1) lines = text.split(u'\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  for (const QString& line : lines) {
    if (line.startsWith(u'[') && line.endsWith(u']')) {
      sections.push_back({line.mid(1, line.size() - 2), {}});
    } else if (!sections.empty()) {
      sections.back().lines.append(line);
    }
  }
  return sections;
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pathHook_.emplace(&SetSettingsPathHook, [this] { return Ini(); });
    modifierHook_.emplace(&SetModifierHook, [this] { return modifiers_; });
    messageHook_.emplace(&SetMessageBoxHook,
                         [](const QString&, const QString&, bool) { return false; });
  }
  // The window goes first: its destruction writes the settings.
  void TearDown() override { window_.reset(); }
  [[nodiscard]] QString Ini() const { return dir_.File(QStringLiteral("frivo.ini")); }
  void Start() {
    window_ = std::make_unique<TApp_TOOLBmpCaptureEx>();
    window_->show();
  }
  void Exit() { window_.reset(); }
  QAction* Action(ActionId id) const { return window_->Action(id); }

  test::TempDir dir_;
  ModifierState modifiers_;
  std::unique_ptr<TApp_TOOLBmpCaptureEx> window_;
  std::optional<test::ScopedHook<SettingsPathHook>> pathHook_;
  std::optional<test::ScopedHook<ModifierHook>> modifierHook_;
  std::optional<test::ScopedHook<MessageBoxHook>> messageHook_;
};

TEST_F(SettingsTest, FirstRunWritesEveryKeyInTheDocumentedLayout) {
  Start();
  EXPECT_TRUE(Action(ActionId::ShowToolBar)->isChecked());
  EXPECT_TRUE(Action(ActionId::ShowStatusBar)->isChecked());
  EXPECT_TRUE(Action(ActionId::ShowHintPopup)->isChecked());
  EXPECT_TRUE(Action(ActionId::CaptureSampleGrabber)->isChecked());
  EXPECT_FALSE(Action(ActionId::PlayMute)->isChecked());
  EXPECT_FALSE(Action(ActionId::ProgramDel)->isEnabled());
  Exit();

  const std::vector<Section> sections = Sections(test::ReadAll(Ini()));
  const QString prefix = QStringLiteral("App_TOOLBmpCaptureEx_");
  const std::vector<std::pair<QString, QStringList>> expected = {
      {"CAPTURE_Bounds",
       {prefix + "Left", prefix + "Top", prefix + "Right", prefix + "Bottom", ""}},
      {"CAPTURE_Play", {"Mute=0", ""}},
      {"CAPTURE_Program", {"Foreground=0", ""}},
      {"CAPTURE_ProgramList", {}},
      {"CAPTURE_Dialog",
       {"OpenPath=" + VideoFolder(), "SavePath=" + PicturesFolder(),
        "SelProgramPath=" + ProgramFilesFolder(), "OpenFilterIndex=1", "SaveFilterIndex=1", ""}},
      {"CAPTURE_Option",
       {"TimeVerbose=0", "ToolBar=1", "StatusBar=1", "HintPopup=1", "SampleGrabber=1", ""}},
      {"CAPTURE_OpenHistory", {}},
  };
  ASSERT_EQ(sections.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].first.toStdString());
    EXPECT_EQ(sections[i].name, expected[i].first);
    ASSERT_EQ(sections[i].lines.size(), expected[i].second.size());
    for (qsizetype j = 0; j < sections[i].lines.size(); ++j) {
      const QString& want = expected[i].second.at(j);
      // The bounds keys carry numbers that depend on the screen.
      if (i == 0 && !want.isEmpty()) {
        EXPECT_TRUE(sections[i].lines.at(j).startsWith(want + u'='))
            << sections[i].lines.at(j).toStdString();
      } else {
        EXPECT_EQ(sections[i].lines.at(j), want);
      }
    }
  }
}

TEST_F(SettingsTest, ToolBarOffHidesTheToolBarAndTheLayoutClosesTheGap) {
  Start();
  const int topWithBar = window_->centralWidget()->geometry().top();
  Exit();
  test::WriteAll(Ini(), "[CAPTURE_Option]\r\nToolBar=0\r\n");
  Start();
  QApplication::processEvents();
  auto* bar = window_->findChild<QToolBar*>(QStringLiteral("ToolBar_Main"));
  ASSERT_NE(bar, nullptr);
  EXPECT_FALSE(Action(ActionId::ShowToolBar)->isChecked());
  EXPECT_FALSE(bar->isVisible());
  EXPECT_LT(window_->centralWidget()->geometry().top(), topWithBar);
  // The other options keep their defaults.
  EXPECT_TRUE(Action(ActionId::ShowStatusBar)->isChecked());
}

TEST_F(SettingsTest, ShiftAtExitKeepsTheStoredBoundsAndWritesTheRest) {
  const QByteArray bounds =
      "[CAPTURE_Bounds]\r\nApp_TOOLBmpCaptureEx_Left=50\r\nApp_TOOLBmpCaptureEx_Top=60\r\n"
      "App_TOOLBmpCaptureEx_Right=650\r\nApp_TOOLBmpCaptureEx_Bottom=500\r\n\r\n";
  test::WriteAll(Ini(), bounds + "[CAPTURE_Play]\r\nMute=0\r\n\r\n");
  // Shift at start ignores the stored rectangle: the window keeps its own size.
  modifiers_.shift = true;
  Start();
  EXPECT_NE(window_->frameGeometry().topLeft(), QPoint(50, 60));
  EXPECT_LT(window_->width(), 590);
  modifiers_.shift = false;
  Action(ActionId::PlayMute)->setChecked(true);
  modifiers_.shift = true;
  Exit();
  const QByteArray written = test::ReadAll(Ini());
  EXPECT_TRUE(written.startsWith(bounds)) << written.toStdString();
  EXPECT_TRUE(written.contains("Mute=1"));

  // Without Shift the stored rectangle is the window's, and the window's is stored.
  modifiers_.shift = false;
  Start();
  // The stored rectangle is the outer one, frame included.
  EXPECT_TRUE(test::WaitFor([&] { return window_->frameGeometry() == QRect(50, 60, 600, 440); }))
      << window_->frameGeometry().width() << "x" << window_->frameGeometry().height();
  Exit();
  EXPECT_TRUE(test::ReadAll(Ini()).startsWith(bounds));
}

TEST_F(SettingsTest, ShiftAndCtrlSkipReadingAndWriting) {
  const QByteArray stored =
      "[CAPTURE_Play]\r\nMute=1\r\n\r\n[CAPTURE_ProgramList]\r\n/bin/true\r\n";
  test::WriteAll(Ini(), stored);
  modifiers_ = {true, true};
  Start();
  EXPECT_FALSE(Action(ActionId::PlayMute)->isChecked());
  EXPECT_TRUE(window_->Launcher().Programs().IsEmpty());
  EXPECT_FALSE(Action(ActionId::ProgramDel)->isEnabled());
  Action(ActionId::ShowToolBar)->setChecked(false);
  Exit();
  EXPECT_EQ(test::ReadAll(Ini()), stored);

  // Read normally, the same file gives its settings.
  modifiers_ = {};
  Start();
  EXPECT_TRUE(Action(ActionId::PlayMute)->isChecked());
  EXPECT_EQ(window_->Launcher().Programs().Paths(), QStringList{"/bin/true"});
  EXPECT_TRUE(Action(ActionId::ProgramDel)->isEnabled());
}

TEST_F(SettingsTest, HistoryLoadsTheFirstTenLinesAndSavesTopToBottom) {
  const struct {
    QStringList lines;
    QStringList history;
  } cases[] = {
      {{"/v/1", "/v/2", "/v/3", "/v/4", "/v/5", "/v/6", "/v/7", "/v/8", "/v/9", "/v/10", "/v/11"},
       {"/v/1", "/v/2", "/v/3", "/v/4", "/v/5", "/v/6", "/v/7", "/v/8", "/v/9", "/v/10"}},
      {{"/v/1", "/v/2", "/v/3", "/v/4", "/v/5", "/v/6", "/v/7", "/v/8", "/v/9", "/v/10", "/v/11",
        "/v/12"},
       {"/v/1", "/v/2", "/v/3", "/v/4", "/v/5", "/v/6", "/v/7", "/v/8", "/v/9", "/v/10"}},
      {{"/v/a.mp4", "", "/v/b.mp4", "/v/a.mp4", "", "/v/c.mp4"},
       {"/v/a.mp4", "/v/b.mp4", "/v/c.mp4"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines.join(u',').toStdString());
    test::WriteAll(Ini(), ("[CAPTURE_OpenHistory]\r\n" + c.lines.join("\r\n") + "\r\n").toUtf8());
    Start();
    EXPECT_EQ(window_->Launcher().History(), c.history);
    const QList<QAction*> items = window_->Menu(QStringLiteral("Menu_OpenHistory"))->actions();
    ASSERT_EQ(items.size(), c.history.size());
    EXPECT_EQ(items.first()->text(), c.history.first().mid(3));
    EXPECT_EQ(items.first()->data().toString(), c.history.first());
    Exit();
    EXPECT_EQ(Sections(test::ReadAll(Ini())).back().lines, c.history);
  }
}

TEST_F(SettingsTest, PathsOutsideCp932SurviveASaveAndALoad) {
  const QString program = QStringLiteral("/opt/빛 & ß/😀viewer");
  const QString media = QStringLiteral("/v/동영상.mp4");
  test::WriteAll(Ini(), ("[CAPTURE_ProgramList]\r\n" + program + "\r\n[CAPTURE_OpenHistory]\r\n" +
                         media + "\r\n")
                            .toUtf8());
  Start();
  EXPECT_EQ(window_->Launcher().Programs().Paths(), QStringList{program});
  Exit();
  const QByteArray written = test::ReadAll(Ini());
  EXPECT_TRUE(written.startsWith("\xEF\xBB\xBF")) << "UTF-8 with a byte-order mark";
  Start();
  EXPECT_EQ(window_->Launcher().Programs().Paths(), QStringList{program});
  EXPECT_EQ(window_->Launcher().History(), QStringList{media});
  // Captions show the real name, "&" as itself.
  QMenu* runMenu = window_->Menu(QStringLiteral("Menu_Program"));
  Q_EMIT runMenu->aboutToShow();  // program menus are filled when they open
  const QList<QAction*> run = runMenu->actions();
  ASSERT_EQ(run.size(), 1);
  EXPECT_EQ(run.first()->text(), QStringLiteral("😀viewer"));
  EXPECT_EQ(window_->Menu(QStringLiteral("Menu_OpenHistory"))->actions().first()->text(),
            QStringLiteral("동영상.mp4"));
}

// A list of many thousand programs, as a settings file edited or merged by
// hand may hold: it comes back in its order, each path once (the first of
// repeated lines, empty lines dropped), and nothing else of the file is lost.
TEST_F(SettingsTest, ALongProgramListRoundTripsIntact) {
  QStringList lines;
  QStringList expected;
  for (int i = 0; i < 20000; ++i) {
    const QString path = QStringLiteral("/opt/tools-%1/viewer %2").arg(i % 7).arg(i);
    lines.append(path);
    expected.append(path);
    if (i % 13 == 0)
      lines.append(QStringLiteral("/opt/tools-%1/viewer %2").arg(i / 2 % 7).arg(i / 2));
    if (i % 101 == 0) lines.append(QString());
  }
  QStringList history;
  for (int i = 0; i < 12; ++i) history.append(QStringLiteral("/v/%1.mp4").arg(i));
  test::WriteAll(Ini(), ("[CAPTURE_ProgramList]\r\n" + lines.join("\r\n") +
                         "\r\n[Other]\r\nkept=1\r\n\r\n[CAPTURE_OpenHistory]\r\n" +
                         history.join("\r\n") + "\r\n")
                            .toUtf8());
  Start();
  EXPECT_EQ(window_->Launcher().Programs().Paths(), expected);
  Exit();

  const std::vector<Section> sections = Sections(test::ReadAll(Ini()));
  ASSERT_FALSE(sections.empty());
  EXPECT_EQ(sections.front().name, QStringLiteral("Other"));
  EXPECT_EQ(sections.front().lines, (QStringList{"kept=1", ""}));
  const auto list = std::find_if(sections.begin(), sections.end(), [](const Section& section) {
    return section.name == QStringLiteral("CAPTURE_ProgramList");
  });
  ASSERT_NE(list, sections.end());
  EXPECT_EQ(list->lines, expected);
  EXPECT_EQ(sections.back().lines, history.mid(0, 10));
}

TEST_F(SettingsTest, RandomBytesGiveTheDefaults) {
  for (quint32 seed : {1u, 2u, 3u}) {
    QByteArray noise(8192, '\0');
    QRandomGenerator random(seed);
    for (char& byte : noise) byte = static_cast<char>(random.bounded(256));
    test::WriteAll(Ini(), noise);
    Start();
    EXPECT_TRUE(Action(ActionId::ShowToolBar)->isChecked());
    EXPECT_TRUE(Action(ActionId::CaptureSampleGrabber)->isChecked());
    EXPECT_FALSE(Action(ActionId::PlayMute)->isChecked());
    EXPECT_LE(window_->Launcher().History().size(), 10);
    Exit();
  }
}

TEST_F(SettingsTest, TerminationSignalClosesTheWindowAndTheSettingsAreWritten) {
  Start();
  CloseOnTerminationSignals(window_.get());
  Action(ActionId::PlayMute)->setChecked(true);
  // The signal comes while a menu and a message box run their loops: both are
  // dismissed, and the window closes only once the code that opened the box
  // has carried on.
  {
    QMenu menu(window_.get());
    menu.addAction(QStringLiteral("item"));
    QTimer::singleShot(0, &menu, [&menu] { menu.popup(QPoint(10, 10)); });
    QTimer::singleShot(50, [] { std::raise(SIGTERM); });
    QMessageBox box(QMessageBox::Question, QStringLiteral("frivo"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No, window_.get());
    EXPECT_NE(box.exec(), QMessageBox::Yes);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_TRUE(WaitFor([this] { return !window_->isVisible(); }));
    EXPECT_FALSE(menu.isVisible());
  }
  Exit();
  EXPECT_TRUE(test::ReadAll(Ini()).contains("Mute=1"));
}

}  // namespace
}  // namespace frivo
