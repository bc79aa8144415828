// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The main window on real media: its states, the open failures, the labels and
// the transport commands. Dialogs and message boxes are answered by hooks.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <cmath>
#include <functional>
#include <optional>

#include "capture/thumbnail_strip.h"
#include "common/scoped_hook.h"
#include "common/temp_dir.h"
#include "common/wait.h"
#include "fixtures/fixtures.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "playback/time_text.h"
#include "playback/track_bar.h"

namespace frivo {
namespace {

using test::FixturePath;

// Processes events until `done` holds or 20 s have passed.
using test::WaitFor;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    messageHook_.emplace(&SetMessageBoxHook, [this](const QString&, const QString& text, bool) {
      messages_.push_back(text);
      return false;
    });
    dialogHook_.emplace(&SetFileDialogHook, [this](TFileDialog& dialog, bool) {
      ++dialogs_;
      dialogTitle_ = dialog.title;
      if (dialogAnswer_.isEmpty()) return false;
      dialog.fileName = dialogAnswer_;
      return true;
    });
    modifierHook_.emplace(&SetModifierHook, [this] { return modifiers_; });
    window_ = std::make_unique<TApp_TOOLBmpCaptureEx>();
    window_->show();
  }
  // The window goes first: its destruction may still ask the hooks.
  void TearDown() override { window_.reset(); }

  // Found by name: every action carries its name as objectName.
  bool Enabled(const char* name) const {
    const auto* action = window_->findChild<QAction*>(QString::fromLatin1(name));
    return action && action->isEnabled();
  }
  QString LabelText(const char* name) const {
    return window_->findChild<QLabel*>(QString::fromLatin1(name))->text();
  }
  void Release(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(window_.get(), &event);
  }
  // Opens a fixture and waits until its first frame is on screen, paused.
  void OpenPaused(const char* fixture) {
    window_->OpenMedia(FixturePath(fixture));
    ASSERT_TRUE(window_->Playback().IsOpen()) << fixture;
    window_->Action_PlayPauseExecute(nullptr);
    ASSERT_TRUE(WaitFor([&] { return window_->Playback().State() == TGraphState::kPaused; }));
  }
  // Waits until the frame on screen starts at `seconds` (within a microsecond).
  bool WaitForFrameAt(double seconds) {
    return WaitFor([&] {
      window_->Timer_TimeTimer(nullptr);
      return std::abs(window_->LastSampleTime() - seconds) < 1e-6;
    });
  }

  std::optional<test::ScopedHook<MessageBoxHook>> messageHook_;
  std::optional<test::ScopedHook<FileDialogHook>> dialogHook_;
  std::optional<test::ScopedHook<ModifierHook>> modifierHook_;
  std::unique_ptr<TApp_TOOLBmpCaptureEx> window_;
  std::vector<QString> messages_;
  int dialogs_ = 0;
  QString dialogTitle_;
  QString dialogAnswer_;
  ModifierState modifiers_;
};

constexpr const char* kNeedMedia[] = {
    "Action_FileClose",        "Action_PlayReplay",       "Action_PlayHome",
    "Action_PlayEnd",          "Action_PlaySkipBack",     "Action_PlaySkipNext",
    "Action_PlaySkip1minBack", "Action_PlaySkip1minNext", "Action_PlayFrameBack",
    "Action_PlayFrameNext",    "Action_CaptureNow",       "Action_Zoom100",
    "Action_ZoomUp",           "Action_ZoomDown"};
constexpr const char* kNeedFrames[] = {
    "Action_FileSaveAs",   "Action_FileSaveFormat", "Action_FileSaveBmp", "Action_FileSaveGif",
    "Action_FileSaveJpeg", "Action_EditCopy",       "Action_CaptureBack", "Action_CaptureNext"};
constexpr const char* kAlways[] = {
    "Action_FileOpen",      "Action_FileExit",        "Action_ProgramAdd",
    "Action_PlayPlayPause", "Action_PlayMute",        "Action_ShowToolBar",
    "Action_ShowStatusBar", "Action_ShowTimeVerbose", "Action_HelpVersionInfo",
    "Action_FrameBack",     "Action_FrameNext",       "Action_CaptureSampleGrabber"};

TEST_F(MainWindowTest, StartsWithoutMediaAndTheDesignedWindow) {
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Frivo"));
  EXPECT_EQ(window_->objectName(), QStringLiteral("App_TOOLBmpCaptureEx"));
  for (const char* name : kNeedMedia) EXPECT_FALSE(Enabled(name)) << name;
  for (const char* name : kNeedFrames) EXPECT_FALSE(Enabled(name)) << name;
  for (const char* name : kAlways) EXPECT_TRUE(Enabled(name)) << name;
  EXPECT_FALSE(window_->TrackBar()->isEnabled());
  EXPECT_FALSE(window_->Strip()->isEnabled());
  // Hidden formats, the seek bar's ticks, the narrowest window.
  EXPECT_FALSE(window_->Action(ActionId::FileSavePng)->isVisible());
  EXPECT_FALSE(window_->Action(ActionId::FileSaveTiff)->isVisible());
  EXPECT_EQ(window_->TrackBar()->tickInterval(), 300);
  EXPECT_EQ(window_->minimumWidth(), 474);
  EXPECT_EQ(window_->centralWidget()->width(), 504);
  EXPECT_EQ(window_->Strip()->Count(), 5);
  EXPECT_EQ(LabelText("Label_Time"), QString());
  EXPECT_EQ(LabelText("Label_Duration"), QString());
  // Every action is in the window's list under its design name with its hint.
  EXPECT_EQ(window_->Action(ActionId::PlaySkipBack)->statusTip(), QStringLiteral("30秒戻る"));
  EXPECT_EQ(window_->Action(ActionId::FileExit)->shortcut(),
            QKeySequence(QStringLiteral("Alt+F4")));
  ASSERT_NE(window_->Menu(QStringLiteral("MenuItem_Rate")), nullptr);
  EXPECT_EQ(window_->Menu(QStringLiteral("MenuItem_Rate"))->actions().size(), 4);
  EXPECT_EQ(window_->menuBar()->actions().size(), 6);
}

TEST_F(MainWindowTest, EveryActionIdResolvesToItsRowAndItsNamedAction) {
  for (const TActionRow& row : ActionRows()) {
    QAction* action = window_->Action(row.id);
    ASSERT_NE(action, nullptr) << row.name;
    EXPECT_EQ(action->objectName(), QString::fromLatin1(row.name));
    EXPECT_EQ(RowOf(action), &row) << row.name;
    EXPECT_EQ(window_->findChild<QAction*>(QString::fromLatin1(row.name)), action);
  }
  EXPECT_EQ(RowOf(window_.get()), nullptr);
  EXPECT_EQ(RowOf(nullptr), nullptr);
  // Every menu and toolbar entry is an action of the window.
  for (const auto specs : {MainMenuSpecs(), PopupMenuSpecs()}) {
    for (const TMenuSpec& menu : specs) {
      for (const TMenuItem& item : menu.items) {
        if (item.kind == TMenuItem::Kind::kAction) {
          EXPECT_NE(window_->Action(item.action), nullptr) << menu.name;
        }
      }
    }
  }
  for (const TToolBarSpec& bar : ToolBarSpecs()) {
    for (const TToolItem& item : bar.items) {
      if (item.menu) {
        EXPECT_NE(window_->Menu(QString::fromLatin1(item.menu)), nullptr) << item.menu;
      }
    }
  }
}

TEST_F(MainWindowTest, ThumbnailStripFollowsTheWidthWhenAResizeEnds) {
  // Five thumbnails need 474 pixels; each further 86 pixels add one.
  EXPECT_EQ(ThumbnailCapacity(474), 5);
  EXPECT_EQ(ThumbnailCapacity(300), 5);
  EXPECT_EQ(ThumbnailCapacity(474 + 85), 5);
  EXPECT_EQ(ThumbnailCapacity(474 + 86 * 2), 7);
  // The window system's resize rebuilds the strip once it ends.
  window_->resize(474 + 86 * 2, window_->height());
  ASSERT_TRUE(WaitFor([&] { return window_->Strip()->Count() == 7; }));
  EXPECT_NE(window_->findChild<QWidget*>(QStringLiteral("Image_6")), nullptr);
  EXPECT_EQ(window_->Action(ActionId::CaptureBack)->text(),
            QStringLiteral("前の7フレームをキャプチャ(&B)"));
  EXPECT_EQ(
      window_->Action(ActionId::CaptureNext)->statusTip(),
      QStringLiteral(
          "取得フレームの次の7フレームをキャプチャ ([Shift]キー併用で14フレーム後からキャプチャ)"));
  window_->resize(504, window_->height());
  ASSERT_TRUE(WaitFor([&] { return window_->Strip()->Count() == 5; }));
  // Maximize and restore rebuild it too.
  window_->showMaximized();
  ASSERT_TRUE(WaitFor([&] {
    const int wide = ThumbnailCapacity(window_->centralWidget()->width());
    return wide > 5 && window_->Strip()->Count() == wide;
  })) << window_->centralWidget()->width();
  window_->showNormal();
  ASSERT_TRUE(WaitFor([&] { return window_->Strip()->Count() == 5; }));
  EXPECT_EQ(window_->findChild<QWidget*>(QStringLiteral("Image_5")), nullptr);
  EXPECT_EQ(window_->Action(ActionId::CaptureBack)->text(),
            QStringLiteral("前の5フレームをキャプチャ(&B)"));
}

TEST_F(MainWindowTest, KeysWithoutMedia) {
  // Space opens the open dialog when nothing is open; cancelling it opens nothing.
  Release(Qt::Key_Space);
  EXPECT_EQ(dialogs_, 1);
  EXPECT_EQ(dialogTitle_, QStringLiteral("ファイルを開く"));
  // The others reach handlers that ignore them; an auto-repeat release is not a press.
  Release(Qt::Key_PageUp);
  Release(Qt::Key_End);
  Release(Qt::Key_Up);
  QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QString(), true);
  QApplication::sendEvent(window_.get(), &repeat);
  EXPECT_EQ(dialogs_, 1);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(MainWindowTest, OpenFailuresAreToldAndLeaveNoMedia) {
  const test::TempDir dir;
  struct Case {
    QString path;
    QString message;
    QString caption;
  };
  const QString missing = dir.File(QStringLiteral("none.mp4"));
  const QString garbage = FixturePath(test::kGarbageMp4);
  const QString text = FixturePath(test::kTextAvi);
  const Case cases[] = {
      {missing, missing + QStringLiteral("\rファイルが存在しません"), QStringLiteral("Frivo")},
      {dir.Path(), dir.Path() + QStringLiteral("\rファイルが存在しません"),
       QStringLiteral("Frivo")},
      {garbage, garbage + QStringLiteral("\rは開けません"), QStringLiteral("garbage.mp4")},
      {text, text + QStringLiteral("\rは開けません"), QStringLiteral("text.avi")},
      {FixturePath(test::kAudioOnly), QStringLiteral("メディアにビデオ映像がありません"),
       QStringLiteral("audio_only.m4a")},
  };
  for (const Case& c : cases) {
    messages_.clear();
    window_->OpenMedia(c.path);
    ASSERT_EQ(messages_.size(), 1u) << c.path.toStdString();
    EXPECT_EQ(messages_[0], c.message);
    EXPECT_EQ(window_->windowTitle(), c.caption);
    EXPECT_FALSE(Enabled("Action_FileClose"));
    EXPECT_FALSE(window_->TrackBar()->isEnabled());
    EXPECT_EQ(LabelText("Label_Size"), QString());
  }
  // A pattern opens only when its folder has a match.
  EXPECT_TRUE(MediaPathExists(test::FixtureDir() + QStringLiteral("/*.mp4")));
  EXPECT_FALSE(MediaPathExists(dir.Path() + QStringLiteral("*.mp4")));
  EXPECT_FALSE(MediaPathExists(QStringLiteral("/no/such/folder/*.mp4")));
}

TEST_F(MainWindowTest, OpenShowsSizeRateAndLengthThenCloseResets) {
  struct Case {
    const char* fixture;
    const char* label;
    int interval;
  };
  const Case cases[] = {
      {test::kH264Mp4, "[ 320x240 25fps 40ミリ秒 ]", 30},
      {test::kH264Mp460, "[ 320x240 60fps 17ミリ秒 ]", 16},
      {test::kH264Mp4Ntsc, "[ 320x240 29.97fps 33ミリ秒 ]", 30},
      // Unevenly spaced frames show their average rate (the track's frames over
      // its length), never one tick of the track's clock.
      {test::kVfrMp4, "[ 320x240 30.15fps 33ミリ秒 ]", 30},
      {test::kVfrMov, "[ 320x240 29.83fps 34ミリ秒 ]", 30},
  };
  for (const Case& c : cases) {
    const test::FixtureInfo& info = *test::FindFixture(c.fixture);
    window_->OpenMedia(FixturePath(c.fixture));
    EXPECT_TRUE(messages_.empty()) << (messages_.empty() ? "" : messages_[0].toStdString());
    ASSERT_TRUE(window_->Playback().IsOpen()) << c.fixture;
    EXPECT_EQ(
        LabelText("Label_Size"),
        QString::fromUtf8(c.label).replace(
            QStringLiteral("320x240"), QStringLiteral("%1x%2").arg(info.width).arg(info.height)))
        << c.fixture;
    EXPECT_EQ(window_->TimeTimer().interval(), c.interval) << c.fixture;
    EXPECT_EQ(window_->windowTitle(), QString::fromLatin1(c.fixture));
    EXPECT_EQ(window_->TrackBar()->maximum(),
              static_cast<int>(window_->Playback().Duration() * 10));
    EXPECT_TRUE(LabelText("Label_Duration").startsWith(QLatin1Char('/')));
    for (const char* name : kNeedMedia) EXPECT_TRUE(Enabled(name)) << name;
    for (const char* name : kNeedFrames) EXPECT_FALSE(Enabled(name)) << name;
    EXPECT_TRUE(window_->TrackBar()->isEnabled());
    // Playing from the start.
    EXPECT_TRUE(WaitFor([&] { return window_->Playback().State() == TGraphState::kRunning; }));
  }
  window_->Action_FileCloseExecute(nullptr);
  window_->Action_FileCloseExecute(nullptr);  // closing twice is harmless
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Frivo"));
  for (const char* name : kNeedMedia) EXPECT_FALSE(Enabled(name)) << name;
  EXPECT_FALSE(window_->TimeTimer().isActive());
  EXPECT_EQ(LabelText("Label_Size"), QString());
  EXPECT_EQ(LabelText("Label_Duration"), QString());
}

TEST_F(MainWindowTest, TransportMovesByFramesAndClampsAtTheEnds) {
  OpenPaused(test::kH264Mp4);
  const double frame = 0.04;
  ASSERT_NEAR(window_->Playback().FrameTime(), frame, 1e-9);
  const double duration = window_->Playback().Duration();

  window_->SeekTo(2.0);
  ASSERT_TRUE(WaitForFrameAt(2.0));
  window_->Action_PlayFrameBackExecute(window_->Action(ActionId::PlayFrameNext));
  EXPECT_TRUE(WaitForFrameAt(2.04));
  window_->Action_PlayFrameBackExecute(window_->Action(ActionId::PlayFrameBack));
  EXPECT_TRUE(WaitForFrameAt(2.0));
  modifiers_.shift = true;  // five frames with five thumbnails
  window_->Action_PlayFrameBackExecute(window_->Action(ActionId::PlayFrameBack));
  EXPECT_TRUE(WaitForFrameAt(1.8));
  modifiers_.shift = false;

  // "30秒戻る" near the start lands on 0; the end lands one frame before Duration.
  window_->Action_PlaySkipBackExecute(window_->Action(ActionId::PlaySkipBack));
  EXPECT_TRUE(WaitForFrameAt(0.0));
  window_->Action_PlaySkipBackExecute(window_->Action(ActionId::PlayEnd));
  // The sound runs a little longer than the pictures: the end shows the last frame.
  const int last = test::FindFixture(test::kH264Mp4)->frameCount - 1;
  EXPECT_TRUE(
      WaitForFrameAt(std::min(last * frame, std::floor((duration - frame) / frame) * frame)))
      << "duration " << duration << " shown " << window_->LastSampleTime();
  window_->Action_PlaySkipBackExecute(window_->Action(ActionId::PlayHome));
  EXPECT_TRUE(WaitForFrameAt(0.0));
  EXPECT_TRUE(window_->Capture().PausedByUser.load());
  EXPECT_FALSE(window_->SeekBusy());
  EXPECT_EQ(LabelText("Label_Time"), QStringLiteral("0.000"));

  // The verbose time shows the frame, the clock and their difference.
  window_->Action(ActionId::ShowTimeVerbose)->trigger();
  EXPECT_TRUE(LabelText("Label_Time").startsWith(QStringLiteral("[映像0.000][音声")));
  window_->Action(ActionId::ShowTimeVerbose)->trigger();
  EXPECT_EQ(LabelText("Label_Time"), QStringLiteral("0.000"));
}

TEST_F(MainWindowTest, SeekBarHintsAndClicks) {
  TMyTrackBar* bar = window_->TrackBar();
  // With nothing open the bar shows no hint.
  QMouseEvent hoverEmpty(QEvent::MouseMove, QPointF(10, 5), QPointF(10, 5), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(bar, &hoverEmpty);
  EXPECT_EQ(bar->toolTip(), QString());

  OpenPaused(test::kH264Mp4);
  const double duration = window_->Playback().Duration();
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), static_cast<int>(duration * 10));
  const QRect channel = bar->ChannelRect();
  const int middle = channel.center().x();
  const int y = channel.center().y();
  auto send = [&](QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(x, y), bar->mapToGlobal(QPointF(x, y)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(bar, &event);
  };
  send(QEvent::MouseMove, middle, Qt::NoButton, Qt::NoButton);
  const QString hint = FormatTime(1, bar->ValueAt(middle) / 10.0) + QStringLiteral("秒");
  EXPECT_EQ(bar->toolTip(), hint);
  EXPECT_NEAR(bar->ValueAt(middle), bar->maximum() / 2.0, 1.0);
  EXPECT_EQ(bar->ValueAt(channel.left() - 5), 0);
  EXPECT_EQ(bar->ValueAt(channel.right() + 5), bar->maximum());
  // A click in the channel seeks there; the thumb goes to the whole second.
  const double seconds = bar->SecondsAt(middle + 1);
  send(QEvent::MouseButtonPress, middle + 1, Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, middle + 1, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(bar->Touched());
  EXPECT_EQ(bar->value(), static_cast<int>(seconds) * 10);
  EXPECT_TRUE(WaitFor([&] {
    window_->Timer_TimeTimer(nullptr);
    return std::abs(window_->LastSampleTime() - seconds) < 0.04;
  })) << seconds
      << " " << window_->LastSampleTime();

  // Beside the channel the bar offers the 30-second skips; the status bar
  // follows the hint as the mouse moves.
  ASSERT_GT(channel.left(), 2);
  send(QEvent::MouseMove, 2, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(bar->toolTip(), QStringLiteral("30秒戻る"));
  EXPECT_EQ(window_->statusBar()->currentMessage(), QStringLiteral("30秒戻る"));
  send(QEvent::MouseMove, bar->width() - 2, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(window_->statusBar()->currentMessage(), QStringLiteral("30秒進む"));
  send(QEvent::MouseMove, middle, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(window_->statusBar()->currentMessage(), hint);
  send(QEvent::MouseButtonPress, 2, Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, 2, Qt::LeftButton, Qt::NoButton);
  EXPECT_TRUE(WaitFor([&] {
    window_->Timer_TimeTimer(nullptr);
    return window_->LastSampleTime() < 0.04;
  })) << window_->LastSampleTime();
  // Closing takes the hint away.
  window_->Action_FileCloseExecute(nullptr);
  EXPECT_EQ(bar->toolTip(), QString());
}

TEST_F(MainWindowTest, GrabberToggleReopensAtTheSamePositionAndState) {
  OpenPaused(test::kH264Mp4);
  ASSERT_TRUE(window_->Playback().UseSampleGrabber());
  window_->SeekTo(1.2);
  ASSERT_TRUE(WaitForFrameAt(1.2));
  window_->Action(ActionId::CaptureSampleGrabber)->trigger();  // off: renderer-copy mode
  EXPECT_TRUE(messages_.empty());
  ASSERT_TRUE(window_->Playback().IsOpen());
  EXPECT_FALSE(window_->Playback().UseSampleGrabber());
  EXPECT_TRUE(WaitFor([&] { return window_->Playback().State() != TGraphState::kRunning; }));
  EXPECT_TRUE(WaitForFrameAt(1.2));
  window_->Action(ActionId::CaptureSampleGrabber)->trigger();  // and on again
  EXPECT_TRUE(window_->Playback().UseSampleGrabber());
  EXPECT_TRUE(WaitForFrameAt(1.2));
  // With nothing open only the check mark changes.
  window_->Action_FileCloseExecute(nullptr);
  window_->Action(ActionId::CaptureSampleGrabber)->trigger();
  EXPECT_FALSE(window_->Action(ActionId::CaptureSampleGrabber)->isChecked());
  EXPECT_FALSE(window_->Playback().IsOpen());
}

TEST_F(MainWindowTest, RateAndMuteCarryOverToTheNextFile) {
  window_->Action(ActionId::PlayMute)->trigger();
  window_->Action(ActionId::PlayRate_05)->trigger();
  OpenPaused(test::kH264Mp4);
  EXPECT_TRUE(window_->Action(ActionId::PlayMute)->isChecked());
  EXPECT_TRUE(window_->Action(ActionId::PlayRate_05)->isChecked());
  EXPECT_FALSE(window_->Action(ActionId::PlayRate_10)->isChecked());
  // And the new graph plays at that rate, silent.
  EXPECT_DOUBLE_EQ(window_->Playback().Rate(), 0.5);
  EXPECT_EQ(window_->Playback().Volume(), -10000);
  window_->Action(ActionId::PlayMute)->trigger();
  window_->Action(ActionId::PlayRate_10)->trigger();
  EXPECT_DOUBLE_EQ(window_->Playback().Rate(), 1.0);
  EXPECT_EQ(window_->Playback().Volume(), 0);
}

TEST_F(MainWindowTest, ViewOptionsKeepTheBandsInPlace) {
  QToolBar* bar = window_->findChild<QToolBar*>(QStringLiteral("ToolBar_Main"));
  ASSERT_NE(bar, nullptr);
  auto* strip = window_->Strip();
  auto* bottom = window_->findChild<QWidget*>(QStringLiteral("Panel_Bottom"));
  auto* video = window_->findChild<QWidget*>(QStringLiteral("Panel_VideoBase"));
  window_->Action(ActionId::ShowToolBar)->trigger();
  window_->Action(ActionId::ShowStatusBar)->trigger();
  QApplication::processEvents();
  EXPECT_FALSE(bar->isVisible());
  // Panes start 8 pixels from the top and end 8 above the strip, which sits on
  // the control panel at the bottom edge.
  EXPECT_EQ(video->mapTo(window_.get(), QPoint(0, 0)).y(),
            window_->centralWidget()->mapTo(window_.get(), QPoint(0, 0)).y() + 8);
  EXPECT_EQ(video->geometry().bottom() + 1 + 8, strip->geometry().top());
  EXPECT_EQ(strip->geometry().bottom() + 1, bottom->geometry().top());
  EXPECT_EQ(bottom->geometry().bottom() + 1, window_->centralWidget()->height());
  window_->Action(ActionId::ShowStatusBar)->trigger();
  window_->Action(ActionId::ShowToolBar)->trigger();
  QApplication::processEvents();
  EXPECT_TRUE(bar->isVisible());
  EXPECT_EQ(strip->geometry().bottom() + 1, bottom->geometry().top());
  EXPECT_EQ(bottom->geometry().bottom() + 1, window_->centralWidget()->height());
}

}  // namespace
}  // namespace frivo
