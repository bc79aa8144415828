// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Capture runs on real files: every captured frame must be the frame whose time
// its label shows. The frame number is read from the barcode each frame carries.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QLabel>
#include <cmath>
#include <functional>
#include <optional>

#include "app/command_line.h"
#include "app/main_window.h"
#include "capture/thumbnail_strip.h"
#include "common/scoped_hook.h"
#include "common/temp_dir.h"
#include "common/wait.h"
#include "fixtures/barcode.h"
#include "fixtures/fixtures.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "playback/time_text.h"
#include "playback/track_bar.h"

namespace frivo {
namespace {

using test::WaitFor;

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    messageHook_.emplace(&SetMessageBoxHook,
                         [this](const QString&, const QString& text, bool question) {
                           messages_.push_back(text);
                           return question && answerYes_;
                         });
    dialogHook_.emplace(&SetFileDialogHook, [this](TFileDialog& dialog, bool) {
      proposed_ = dialog.fileName;
      if (answer_.isEmpty()) return false;
      dialog.fileName = answer_;
      dialog.filterIndex = answerFilter_;
      return true;
    });
    modifierHook_.emplace(&SetModifierHook, [this] { return modifiers_; });
    window_ = std::make_unique<TApp_TOOLBmpCaptureEx>();
    window_->show();
  }
  // The window goes first: its destruction may still ask the hooks.
  void TearDown() override { window_.reset(); }

  void Open(const char* fixture, bool grabber = true) {
    if (window_->Action(ActionId::CaptureSampleGrabber)->isChecked() != grabber)
      window_->Action(ActionId::CaptureSampleGrabber)->trigger();
    info_ = test::FindFixture(fixture);
    window_->OpenMedia(test::FixturePath(fixture));
    ASSERT_TRUE(window_->Playback().IsOpen()) << fixture;
    frame_ = window_->Playback().FrameTime();
  }
  void PauseAt(double seconds) {
    window_->Action_PlayPauseExecute(nullptr);
    window_->SeekTo(seconds);
    ASSERT_TRUE(WaitFor([&] {
      window_->Timer_TimeTimer(nullptr);
      return window_->Playback().State() == TGraphState::kPaused &&
             std::abs(window_->LastSampleTime() - seconds) < frame_ / 2;
    })) << "asked for "
        << seconds << ", on screen " << window_->LastSampleTime();
  }
  // Runs a capture command and waits until its set is shown.
  void Capture(ActionId action) {
    window_->Action(action)->trigger();
    ASSERT_TRUE(WaitFor([&] { return !window_->Capture().CapturePending; })) << RowOf(action).name;
  }
  // The frame numbers the thumbnails show, by their barcodes, and by their labels.
  std::vector<int> ShownFrames() const {
    std::vector<int> frames;
    for (int i = 0; i < window_->FrameCount(); ++i)
      frames.push_back(test::ReadFrameCode(window_->Strip()->Image(i)->Picture()));
    return frames;
  }
  std::vector<int> LabelledFrames() const {
    std::vector<int> frames;
    for (int i = 0; i < window_->FrameCount(); ++i) {
      const double time = ParseTimeText(window_->Strip()->Label(i)->text());
      const double first = info_->firstFrameNs / 1e9;
      frames.push_back(static_cast<int>(std::lround((time - first) / frame_)));
    }
    return frames;
  }
  static std::vector<int> Run(int first, int count = 5) {
    std::vector<int> frames;
    for (int i = 0; i < count; ++i) frames.push_back(first + i);
    return frames;
  }

  std::optional<test::ScopedHook<MessageBoxHook>> messageHook_;
  std::optional<test::ScopedHook<FileDialogHook>> dialogHook_;
  std::optional<test::ScopedHook<ModifierHook>> modifierHook_;
  std::unique_ptr<TApp_TOOLBmpCaptureEx> window_;
  const test::FixtureInfo* info_ = nullptr;
  double frame_ = 0;
  std::vector<QString> messages_;
  bool answerYes_ = false;
  QString answer_;
  QString proposed_;
  int answerFilter_ = 1;
  ModifierState modifiers_;
};

TEST_F(CaptureTest, SetsAreConsecutiveFramesLabelledWithTheirTimes) {
  for (const char* fixture : {test::kH264Mp4, test::kMjpegAvi, test::kVp8Webm}) {
    SCOPED_TRACE(fixture);
    Open(fixture);
    PauseAt(40 * frame_);
    Capture(ActionId::CaptureNow);
    EXPECT_EQ(ShownFrames(), Run(40));
    EXPECT_EQ(LabelledFrames(), Run(40));
    // The player pauses again after a run started from a paused player.
    EXPECT_TRUE(WaitFor([&] { return window_->Playback().State() == TGraphState::kPaused; }));
    Capture(ActionId::CaptureNext);
    EXPECT_EQ(ShownFrames(), Run(45));
    EXPECT_EQ(LabelledFrames(), Run(45));
    // The previous set starts six frames before the first captured one.
    Capture(ActionId::CaptureBack);
    EXPECT_EQ(ShownFrames(), Run(39));
    EXPECT_EQ(LabelledFrames(), Run(39));
    modifiers_.shift = true;
    Capture(ActionId::CaptureNext);  // seven frames after the last captured one
    modifiers_.shift = false;
    EXPECT_EQ(ShownFrames(), Run(50));
    // A finished run selects the first frame, shows it and puts it on the clipboard.
    EXPECT_EQ(test::ReadFrameCode(window_->PreviewBitmap()), 50);
    EXPECT_EQ(test::ReadFrameCode(QGuiApplication::clipboard()->image()), 50);
    EXPECT_TRUE(window_->Action(ActionId::FileSaveAs)->isEnabled());
    EXPECT_TRUE(window_->Action(ActionId::EditCopy)->isEnabled());
    EXPECT_TRUE(window_->Action(ActionId::CaptureNow)->isEnabled());
  }
}

TEST_F(CaptureTest, CommandLineCapturesFromItsTimeAndModeSwitchKeepsTheSet) {
  window_.reset();
  const TMyParam param(CommandLineFromArguments(
      {QStringLiteral("frivo"), test::FixturePath(test::kH264Mp4), QStringLiteral("/T:0:01.2")}));
  window_ = std::make_unique<TApp_TOOLBmpCaptureEx>(&param);
  info_ = test::FindFixture(test::kH264Mp4);
  frame_ = window_->Playback().FrameTime();
  ASSERT_TRUE(window_->Playback().IsOpen());
  ASSERT_TRUE(WaitFor([&] { return !window_->Capture().CapturePending; }));
  EXPECT_EQ(ShownFrames(), Run(30));
  EXPECT_EQ(LabelledFrames(), Run(30));
  // Switching to renderer-copy mode re-opens the file and keeps the captured set.
  window_->Action(ActionId::CaptureSampleGrabber)->trigger();
  ASSERT_FALSE(window_->Playback().UseSampleGrabber());
  EXPECT_EQ(ShownFrames(), Run(30));
  EXPECT_EQ(LabelledFrames(), Run(30));
  EXPECT_EQ(test::ReadFrameCode(window_->PreviewBitmap()), 30);
}

TEST_F(CaptureTest, NearTheEndTheLastSetIsTaken) {
  Open(test::kH264Mp4);
  const int last = info_->frameCount - 1;
  PauseAt((last - 2) * frame_);
  // The next-set command is enabled only after a first set; its handler guards itself.
  window_->Action_CaptureBackExecute(window_->Action(ActionId::CaptureNext));
  ASSERT_TRUE(WaitFor([&] { return !window_->Capture().CapturePending; }));
  // Fewer than five frames are left: the run takes the last ones of the media
  // and ends with the last frame, even though the sound runs a little longer.
  const std::vector<int> frames = ShownFrames();
  ASSERT_GE(frames[0], last - 4) << ::testing::PrintToString(frames)
                                 << ::testing::PrintToString(LabelledFrames());
  int stored = 0;
  while (stored < 5 && frames[stored] >= 0 && (stored == 0 || frames[stored] == frames[0] + stored))
    ++stored;
  EXPECT_EQ(frames[stored - 1], last);
  EXPECT_EQ(LabelledFrames()[stored - 1], last);
}

// The window's sets on every kind of file the open dialog offers: capture now,
// next, previous, both Shift variants, a thumbnail's double click with and
// without Shift, and the last set near the end, every
// thumbnail the frame its label names on the players' timeline. Files that
// state no frame rate step by a guessed frame time and are left out.
class CaptureOnEveryFile : public CaptureTest,
                           public ::testing::WithParamInterface<test::FixtureInfo> {
 protected:
  double StartOf(int n) const {
    return static_cast<double>(test::FrameStartNs(GetParam(), n)) / 1e9;
  }
  // Thumbnails whose label is not the time of the frame they show, as
  // "frame@label" items.
  std::string WrongLabels() const {
    std::string wrong;
    const std::vector<int> frames = ShownFrames();
    for (int i = 0; i < window_->FrameCount(); ++i) {
      const QString label = window_->Strip()->Label(i)->text();
      if (frames[i] < 0 || label != FormatTime(3, StartOf(frames[i])))
        wrong += std::to_string(frames[i]) + "@" + label.toStdString() + " ";
    }
    return wrong;
  }
};

TEST_P(CaptureOnEveryFile, SetsAreTheFramesTheirLabelsName) {
  const test::FixtureInfo& info = GetParam();
  Open(info.name);
  const int mid = info.frameCount / 2;
  PauseAt(StartOf(mid));
  Capture(ActionId::CaptureNow);
  EXPECT_EQ(ShownFrames(), Run(mid));
  EXPECT_EQ(WrongLabels(), "");
  Capture(ActionId::CaptureNext);
  EXPECT_EQ(ShownFrames(), Run(mid + 5));
  EXPECT_EQ(WrongLabels(), "");
  Capture(ActionId::CaptureBack);  // six frames before the first captured one
  EXPECT_EQ(ShownFrames(), Run(mid - 1));
  EXPECT_EQ(WrongLabels(), "");
  modifiers_.shift = true;
  Capture(ActionId::CaptureNext);  // seven frames after the last captured one
  EXPECT_EQ(ShownFrames(), Run(mid + 10));
  Capture(ActionId::CaptureBack);  // twelve frames before the first captured one
  modifiers_.shift = false;
  EXPECT_EQ(ShownFrames(), Run(mid - 2));
  EXPECT_EQ(WrongLabels(), "");
  // A double click captures from that thumbnail's frame on; with Shift, the
  // set that ends just before it.
  window_->Image_0DblClick(window_->Strip()->Image(3));
  ASSERT_TRUE(WaitFor([&] { return !window_->Capture().CapturePending; }));
  EXPECT_EQ(ShownFrames(), Run(mid + 1));
  modifiers_.shift = true;
  window_->Image_0DblClick(window_->Strip()->Image(0));
  modifiers_.shift = false;
  ASSERT_TRUE(WaitFor([&] { return !window_->Capture().CapturePending; }));
  EXPECT_EQ(ShownFrames(), Run(mid - 4));
  EXPECT_EQ(WrongLabels(), "");

  // Near the end the run takes the last frames and ends with the last one.
  const int last = info.frameCount - 1;
  PauseAt(StartOf(last - 2));
  window_->Action_CaptureBackExecute(window_->Action(ActionId::CaptureNext));
  ASSERT_TRUE(WaitFor([&] { return !window_->Capture().CapturePending; }));
  const std::vector<int> frames = ShownFrames();
  int stored = 0;
  while (stored < 5 && frames[stored] >= 0 && (stored == 0 || frames[stored] == frames[0] + stored))
    ++stored;
  ASSERT_GT(stored, 0) << ::testing::PrintToString(frames);
  EXPECT_EQ(frames[stored - 1], last) << ::testing::PrintToString(frames);
  EXPECT_EQ(window_->Strip()->Label(stored - 1)->text(), FormatTime(3, StartOf(last)));
}

std::vector<test::FixtureInfo> FilesWithAFrameRate() {
  std::vector<test::FixtureInfo> list;
  for (const test::FixtureInfo& info : test::AllFixtures())
    if (info.playable && info.hasVideo && info.declaresFrameRate) list.push_back(info);
  return list;
}

std::string FixtureName(const ::testing::TestParamInfo<test::FixtureInfo>& param) {
  std::string name = param.param.name;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Fixture, CaptureOnEveryFile, ::testing::ValuesIn(FilesWithAFrameRate()),
                         FixtureName);

// Phone recordings: frames 43, 43, 13 ms (90 kHz MP4) or 45, 45, 10 ms (600 Hz
// MOV) apart. From a frame of each phase of the pattern, steps go one frame
// back and forth and every set holds consecutive frames counted from the
// captured ones, each labelled with its own time.
TEST_F(CaptureTest, UnevenlySpacedFramesStepAndCaptureFrameByFrame) {
  for (const char* fixture : {test::kVfrMp4, test::kVfrMov}) {
    SCOPED_TRACE(fixture);
    Open(fixture);
    const test::FixtureInfo& info = *info_;
    auto startOf = [&](int n) { return static_cast<double>(test::FrameStartNs(info, n)) / 1e9; };
    auto labels = [&] {
      std::vector<QString> texts;
      for (int i = 0; i < window_->FrameCount(); ++i)
        texts.push_back(window_->Strip()->Label(i)->text());
      return texts;
    };
    auto labelsOf = [&](int first) {
      std::vector<QString> texts;
      for (int n = first; n < first + window_->FrameCount(); ++n)
        texts.push_back(FormatTime(3, startOf(n)));
      return texts;
    };
    auto onScreen = [&](int n) {
      return WaitFor([&] {
        window_->Timer_TimeTimer(nullptr);
        return std::abs(window_->LastSampleTime() - startOf(n)) < 1e-6;
      });
    };
    for (const int start : {30, 31, 32}) {
      SCOPED_TRACE(start);
      PauseAt(startOf(start));
      window_->Action(ActionId::PlayFrameBack)->trigger();
      EXPECT_TRUE(onScreen(start - 1)) << window_->LastSampleTime();
      window_->Action(ActionId::PlayFrameBack)->trigger();
      EXPECT_TRUE(onScreen(start - 2)) << window_->LastSampleTime();
      window_->Action(ActionId::PlayFrameNext)->trigger();
      EXPECT_TRUE(onScreen(start - 1)) << window_->LastSampleTime();
      window_->Action(ActionId::PlayFrameNext)->trigger();
      EXPECT_TRUE(onScreen(start)) << window_->LastSampleTime();
      Capture(ActionId::CaptureNow);
      EXPECT_EQ(ShownFrames(), Run(start));
      EXPECT_EQ(labels(), labelsOf(start));
      Capture(ActionId::CaptureNext);
      EXPECT_EQ(ShownFrames(), Run(start + 5));
      EXPECT_EQ(labels(), labelsOf(start + 5));
      Capture(ActionId::CaptureBack);  // six frames before the first captured one
      EXPECT_EQ(ShownFrames(), Run(start - 1));
      EXPECT_EQ(labels(), labelsOf(start - 1));
      modifiers_.shift = true;
      Capture(ActionId::CaptureNext);  // seven frames after the last captured one
      EXPECT_EQ(ShownFrames(), Run(start + 10));
      Capture(ActionId::CaptureBack);  // twelve frames before the first captured one
      modifiers_.shift = false;
      EXPECT_EQ(ShownFrames(), Run(start - 2));
      EXPECT_EQ(labels(), labelsOf(start - 2));
    }
  }
}

TEST_F(CaptureTest, BackStepsThroughWhatJustPlayedAndTheNextCommandsGoOnFromThere) {
  Open(test::kH264Mp4);
  PauseAt(20 * frame_);
  window_->Action_PlayPlayExecute(nullptr);
  ASSERT_TRUE(WaitFor([&] {
    window_->Timer_TimeTimer(nullptr);
    return window_->LastSampleTime() > 30 * frame_;
  }));
  window_->Action_PlayPauseExecute(nullptr);
  ASSERT_TRUE(window_->Playback().IsRunning(5000) == false);
  const int shown = static_cast<int>(std::lround(window_->Playback().ShownFrameTime() / frame_));
  for (int back = 1; back <= 3; ++back) {
    window_->Action(ActionId::PlayFrameBack)->trigger();
    EXPECT_NEAR(window_->Playback().ShownFrameTime(), (shown - back) * frame_, 1e-6);
    EXPECT_NEAR(window_->LastSampleTime(), (shown - back) * frame_, 1e-6);
  }
  // A step forward and a set start from the frame on screen.
  window_->Action(ActionId::PlayFrameNext)->trigger();
  EXPECT_NEAR(window_->Playback().ShownFrameTime(), (shown - 2) * frame_, 1e-6);
  Capture(ActionId::CaptureNow);
  EXPECT_EQ(ShownFrames(), Run(shown - 2));
}

TEST_F(CaptureTest, DoubleClickAndArrowsWorkOnTheThumbnails) {
  Open(test::kH264Mp4);
  PauseAt(20 * frame_);
  Capture(ActionId::CaptureNow);
  ASSERT_EQ(ShownFrames(), Run(20));
  // Arrow keys move the selection within the set and stop at its ends.
  window_->Action_FrameBackExecute(window_->Action(ActionId::FrameNext));
  EXPECT_EQ(test::ReadFrameCode(window_->PreviewBitmap()), 21);
  for (int i = 0; i < 6; ++i)
    window_->Action_FrameBackExecute(window_->Action(ActionId::FrameNext));
  EXPECT_EQ(test::ReadFrameCode(window_->PreviewBitmap()), 24);
  // Clicking a label selects its thumbnail.
  window_->Image_0Click(window_->Strip()->Label(2));
  EXPECT_EQ(test::ReadFrameCode(window_->PreviewBitmap()), 22);
  // A double click captures from that thumbnail's frame on.
  window_->Image_0DblClick(window_->Strip()->Image(3));
  ASSERT_TRUE(WaitFor([&] { return !window_->Capture().CapturePending; }));
  EXPECT_EQ(ShownFrames(), Run(23));
  // Closing empties the strip and the preview and disables saving.
  window_->Action_FileCloseExecute(nullptr);
  EXPECT_TRUE(window_->Strip()->Image(0)->Picture().isNull());
  EXPECT_EQ(window_->Strip()->Label(0)->text(), QString());
  EXPECT_TRUE(window_->PreviewBitmap().isNull());
  EXPECT_FALSE(window_->Action(ActionId::FileSaveAs)->isEnabled());
}

TEST_F(CaptureTest, RendererCopyModeFillsEverySlotWithANewerFrame) {
  Open(test::kH264Mp4);
  PauseAt(30 * frame_);
  Capture(ActionId::CaptureNow);
  ASSERT_EQ(ShownFrames(), Run(30));
  // Renderer-copy mode on a graph that is just starting: the double click plays
  // from the second thumbnail while the renderer still shows the old picture.
  window_->Action(ActionId::CaptureSampleGrabber)->trigger();
  ASSERT_FALSE(window_->Playback().UseSampleGrabber());
  window_->Image_0DblClick(window_->Strip()->Image(1));
  ASSERT_TRUE(WaitFor([&] { return !window_->Capture().CapturePending; }));
  // Frames come from the renderer as it plays, so they need not be
  // consecutive, but each slot holds a newer frame than the one before, with
  // the position polled when it was taken.
  const std::vector<int> frames = ShownFrames();
  double previous = -1;
  for (int i = 0; i < window_->FrameCount(); ++i) {
    EXPECT_GE(frames[i], 31) << ::testing::PrintToString(frames);
    if (i > 0) {
      EXPECT_GT(frames[i], frames[i - 1]) << ::testing::PrintToString(frames);
    }
    const double label = ParseTimeText(window_->Strip()->Label(i)->text());
    EXPECT_GE(label, previous) << i;
    previous = label;
  }
}

TEST_F(CaptureTest, ARunEndedByCloseOpenOrToggleGivesTheControlsBack) {
  auto enabled = [&](ActionId id) { return window_->Action(id)->isEnabled(); };
  Open(test::kH264Mp4);
  PauseAt(10 * frame_);
  Capture(ActionId::CaptureNow);
  // The zoom label shows the zoom after a zoom step, and the toggle keeps it.
  window_->Action(ActionId::ZoomUp)->trigger();
  auto* zoom = window_->findChild<QLabel*>(QStringLiteral("Label_Stretch"));
  const QString zoomText = zoom->text();
  ASSERT_FALSE(zoomText.isEmpty());

  // The grabber toggle during a run: the set stays, and so do its commands.
  window_->Action(ActionId::CaptureNext)->trigger();
  ASSERT_TRUE(window_->Capture().CapturePending);
  window_->Action(ActionId::CaptureSampleGrabber)->trigger();
  ASSERT_TRUE(window_->Playback().IsOpen());
  EXPECT_FALSE(window_->Capture().CapturePending);
  for (const ActionId id : {ActionId::PlayPlayPause, ActionId::CaptureNow, ActionId::CaptureBack,
                            ActionId::CaptureNext, ActionId::PlayFrameNext, ActionId::PlayHome})
    EXPECT_TRUE(enabled(id)) << RowOf(id).name;
  EXPECT_TRUE(window_->Strip()->isEnabled());
  EXPECT_TRUE(window_->TrackBar()->isEnabled());
  EXPECT_EQ(zoom->text(), zoomText);

  // An open during a run: the new file starts without a set.
  window_->Action(ActionId::CaptureNow)->trigger();
  ASSERT_TRUE(window_->Capture().CapturePending);
  window_->OpenMedia(test::FixturePath(test::kMjpegAvi));
  ASSERT_TRUE(window_->Playback().IsOpen());
  EXPECT_FALSE(window_->Capture().CapturePending);
  for (const ActionId id : {ActionId::PlayPlayPause, ActionId::CaptureNow, ActionId::PlayFrameNext})
    EXPECT_TRUE(enabled(id)) << RowOf(id).name;
  EXPECT_FALSE(enabled(ActionId::CaptureBack));
  EXPECT_FALSE(enabled(ActionId::CaptureNext));
  EXPECT_TRUE(window_->TrackBar()->isEnabled());

  // A close during a run: the window without media, play/pause still there.
  window_->Action(ActionId::CaptureNow)->trigger();
  ASSERT_TRUE(window_->Capture().CapturePending);
  window_->Action_FileCloseExecute(nullptr);
  EXPECT_FALSE(window_->Capture().CapturePending);
  EXPECT_TRUE(enabled(ActionId::PlayPlayPause));
  for (const ActionId id : {ActionId::CaptureNow, ActionId::CaptureBack, ActionId::PlayFrameNext})
    EXPECT_FALSE(enabled(id)) << RowOf(id).name;
  EXPECT_FALSE(window_->TrackBar()->isEnabled());
  // And the next file captures as ever.
  Open(test::kH264Mp4);
  PauseAt(40 * frame_);
  Capture(ActionId::CaptureNow);
  EXPECT_EQ(ShownFrames(), Run(40));
}

TEST_F(CaptureTest, AClipboardThatRefusesTheFrameIsReported) {
  Open(test::kH264Mp4);
  PauseAt(10 * frame_);
  Capture(ActionId::CaptureNow);
  EXPECT_TRUE(messages_.empty());
  QImage offered;
  const test::ScopedHook<ClipboardHook> refuse(&SetClipboardHook, [&](const QImage& image) {
    offered = image;
    return false;
  });
  window_->Action(ActionId::EditCopy)->trigger();
  EXPECT_EQ(test::ReadFrameCode(offered), 10);
  EXPECT_EQ(messages_,
            std::vector<QString>{QStringLiteral("クリップボードへコピーできませんでした")});
}

TEST_F(CaptureTest, SavingFollowsTheChosenTypeAndAsksBeforeReplacing) {
  Open(test::kH264Mp4);
  PauseAt(10 * frame_);
  Capture(ActionId::CaptureNow);
  const test::TempDir dir;
  struct Case {
    ActionId action;
    int filter;
    const char* typed;
    const char* written;
    const char* format;
  };
  const Case cases[] = {
      {ActionId::FileSaveBmp, 1, "shot", "shot.bmp", "BMP"},
      {ActionId::FileSaveGif, 2, "shot.jpg", "shot.jpg.gif", "GIF"},
      {ActionId::FileSaveJpeg, 3, "photo", "photo.jpeg", "JPEG"},
      {ActionId::FileSaveAs, 4, "any.gif", "any.gif.bmp", "BMP"},
  };
  for (const Case& c : cases) {
    answer_ = dir.File(QString::fromLatin1(c.typed));
    answerFilter_ = c.filter;
    window_->Action(c.action)->trigger();
    const QString written = dir.File(QString::fromLatin1(c.written));
    const QImage image(written, c.format);
    ASSERT_FALSE(image.isNull()) << c.written;
    EXPECT_EQ(test::ReadFrameCode(image), 10) << c.written;
    EXPECT_EQ(window_->Dialog_SaveAs.initialDir, dir.Path());
  }
  EXPECT_TRUE(messages_.empty());
  // The next dialog proposes only the last name; an existing file needs a yes.
  answer_ = dir.File(QStringLiteral("shot.bmp"));
  answerFilter_ = 1;
  const QByteArray before = test::ReadAll(answer_);
  test::WriteAll(answer_, "old");
  window_->Action(ActionId::FileSaveAs)->trigger();
  EXPECT_EQ(proposed_, QStringLiteral("any.gif"));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], answer_ + QStringLiteral("\rは既に存在します。上書きしますか?"));
  EXPECT_EQ(test::ReadAll(answer_), QByteArray("old"));
  answerYes_ = true;
  window_->Action(ActionId::FileSaveAs)->trigger();
  EXPECT_EQ(test::ReadAll(answer_), before);
  // A folder that does not exist gives the failure message with the final name.
  messages_.clear();
  answer_ = dir.File(QStringLiteral("none/photo.jpg"));
  answerFilter_ = 3;
  window_->Action(ActionId::FileSaveAs)->trigger();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0],
            dir.File(QStringLiteral("none/photo.jpeg")) + QStringLiteral("\r保存できませんでした"));
}

}  // namespace
}  // namespace frivo
