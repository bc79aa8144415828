// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The capture run driven through a fake player: arming before the seek,
// collection, the end at the end of the media, cancelling, renderer-copy mode
// and the hand-over with a streaming thread.
#include "capture/capture_run.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <atomic>
#include <cmath>
#include <thread>

#include "capture/capture_math.h"
#include "capture/frame_receiver.h"
#include "capture/thumbnail_strip.h"
#include "common/wait.h"
#include "imaging/bmp_format.h"
#include "imaging/my_bitmap.h"
#include "playback/time_text.h"

namespace frivo {
namespace {

using test::WaitFor;

constexpr int kWidth = 4, kHeight = 2;
constexpr double kFrame = 0.04;

// A bottom-up 24-bit frame whose every byte is `value`.
std::vector<std::uint8_t> Rows(int value) {
  return std::vector<std::uint8_t>(static_cast<std::size_t>(kHeight * Rgb24Stride(kWidth)),
                                   static_cast<std::uint8_t>(value));
}

class FakePlayer : public ICapturePlayer {
 public:
  bool IsOpen() const override { return true; }
  bool UsesSampleGrabber() const override { return grabber; }
  bool IsPlaying() const override { return playing; }
  double Duration() const override { return duration; }
  double FrameTime() const override { return kFrame; }
  std::span<const double> FrameTimes() const override { return frameTimes; }
  void PlayForRun() override {
    playing = true;
    ++plays;
  }
  void PauseForRun() override { playing = false; }
  void PauseFromStream() override { ++streamPauses; }
  void SeekTo(double seconds, const std::function<void()>& beforeFrames) override {
    armedBeforeSeek = false;
    if (beforeFrames) {
      beforeFrames();
      armedBeforeSeek = run && run->State().CaptureIndex.load() == 0;
    }
    seeks.push_back(seconds);
  }
  // As the window's position timer: the run hears of the position.
  void PollPosition() override {
    ++polls;
    if (run) run->OnPositionPolled(polledAt);
  }
  double ClockPosition() const override { return clock; }
  bool RendererPicture(std::vector<std::uint8_t>* dib, double* pictureTime) override {
    QImage image(kWidth, kHeight, QImage::Format_BGR888);
    image.fill(QColor(pictureValue, pictureValue, pictureValue));
    QByteArray file;
    if (!EncodeBmp(TMyBitmap(image), &file)) return false;
    dib->assign(file.begin() + 14, file.end());
    *pictureTime = pictureTimeNow;
    return true;
  }

  TCaptureRun* run = nullptr;
  std::vector<double> frameTimes;
  bool grabber = true;
  bool playing = false;
  double duration = 10.0;
  double clock = 0;
  double polledAt = 1e6;  // far ahead: no hold-back
  int plays = 0;
  int polls = 0;
  std::atomic<int> streamPauses{0};
  bool armedBeforeSeek = false;
  std::vector<double> seeks;
  int pictureValue = 0;
  double pictureTimeNow = -1;
};

class CaptureRunTest : public ::testing::Test {
 protected:
  CaptureRunTest()
      : back_(QStringLiteral("back")),
        next_(QStringLiteral("next")),
        strip_(&back_, &next_),
        run_(player_, strip_) {
    player_.run = &run_;
    QObject::connect(&run_, &TCaptureRun::LockChanged,
                     [this](bool locked) { locks_.push_back(locked); });
    QObject::connect(&run_, &TCaptureRun::SetReady, [this] { ++ready_; });
    run_.SetThumbnailCount(5);
    run_.SizeRecords(kWidth, kHeight);
    run_.MediaOpened();
    run_.OnPositionPolled(1e6);  // no hold-back
  }
  // Frames n, n+1, ... as the grabber delivers them.
  void Deliver(int first, int count) {
    for (int n = first; n < first + count; ++n) {
      const std::vector<std::uint8_t> rows = Rows(n);
      run_.OnFrame(n * kFrame, rows.data(), static_cast<long>(rows.size()));
    }
  }
  std::vector<QString> Labels() const {
    std::vector<QString> labels;
    for (int i = 0; i < run_.FrameCount(); ++i) labels.push_back(strip_.Label(i)->text());
    return labels;
  }
  static std::vector<QString> LabelsOf(int first) {
    std::vector<QString> labels;
    for (int n = first; n < first + 5; ++n) labels.push_back(FormatTime(3, n * kFrame));
    return labels;
  }
  int PixelOf(int slot) { return strip_.Image(slot)->Picture().constScanLine(0)[0]; }

  QAction back_;
  QAction next_;
  TThumbnailStrip strip_;
  FakePlayer player_;
  TCaptureRun run_;
  std::vector<bool> locks_;
  int ready_ = 0;
};

TEST_F(CaptureRunTest, ArmsBeforeTheSeekAndCollectsTheSetOnThePoll) {
  Deliver(10, 1);  // the paused player shows frame 10
  run_.SetPausedByUser(true);
  run_.Capture(TCaptureCommand::kNow, false);
  // Paused: the run seeks just inside the frame on screen, armed before the seek.
  ASSERT_EQ(player_.seeks.size(), 1u);
  EXPECT_EQ(player_.seeks[0], CaptureStart(0, 10 * kFrame, kFrame).seekTarget);
  EXPECT_TRUE(player_.armedBeforeSeek);
  EXPECT_EQ(locks_, std::vector<bool>{true});
  EXPECT_FALSE(strip_.isEnabled());
  EXPECT_EQ(player_.plays, 1);  // plays for the run
  Deliver(10, 7);
  // The set is complete; it shows once the position is polled.
  EXPECT_EQ(player_.streamPauses.load(), 1);
  EXPECT_EQ(ready_, 0);
  run_.OnPositionPolled(17 * kFrame);
  EXPECT_EQ(ready_, 1);
  EXPECT_EQ(locks_, (std::vector<bool>{true, false}));
  EXPECT_FALSE(run_.Pending());
  EXPECT_TRUE(run_.HasSet());
  EXPECT_EQ(Labels(), LabelsOf(10));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(PixelOf(i), 10 + i) << i;
}

TEST_F(CaptureRunTest, SetCommandsCountFromTheCapturedSet) {
  Deliver(20, 1);
  run_.Capture(TCaptureCommand::kNow, false);
  Deliver(20, 5);
  run_.OnPositionPolled(1e6);
  ASSERT_EQ(Labels(), LabelsOf(20));
  struct Case {
    TCaptureCommand command;
    bool shift;
    int firstFrame;
  };
  // Next: right after the last frame (with Shift, five more later); previous:
  // six frames before the first one (with Shift, twelve).
  const Case cases[] = {{TCaptureCommand::kNext, false, 25},
                        {TCaptureCommand::kNext, true, 36},
                        {TCaptureCommand::kPrevious, false, 30},
                        {TCaptureCommand::kPrevious, true, 18}};
  for (const Case& c : cases) {
    const int before = std::lround(run_.FrameTimeOf(0) / kFrame);
    run_.Capture(c.command, c.shift);
    const double threshold = run_.State().CaptureStartTime.load();
    EXPECT_NEAR(threshold, c.firstFrame * kFrame, 1e-9) << before;
    Deliver(c.firstFrame - 2, 8);
    run_.OnPositionPolled(1e6);
    EXPECT_EQ(Labels(), LabelsOf(c.firstFrame)) << before;
  }
  // A thumbnail's double click: from its frame on; with Shift, the set before it.
  run_.CaptureFromThumbnail(2, false);
  Deliver(18, 10);
  run_.OnPositionPolled(1e6);
  EXPECT_EQ(Labels(), LabelsOf(20));
  run_.CaptureFromThumbnail(0, true);
  Deliver(13, 10);
  run_.OnPositionPolled(1e6);
  EXPECT_EQ(Labels(), LabelsOf(15));
}

TEST_F(CaptureRunTest, EndsARunTheMediaEndLeavesShort) {
  player_.duration = 100 * kFrame + 0.3;  // the sound runs on after frame 99
  run_.MediaOpened();
  run_.SetPausedByUser(true);
  Deliver(97, 1);
  run_.Capture(TCaptureCommand::kNow, false);
  Deliver(97, 3);  // the last three frames
  ASSERT_TRUE(run_.Pending());
  // The clock runs to the end; half a second without a new frame ends the run.
  ASSERT_TRUE(WaitFor([&] {
    run_.OnPositionPolled(player_.duration);
    return !run_.Pending();
  }));
  EXPECT_EQ(ready_, 1);
  EXPECT_EQ(player_.streamPauses.load(), 1);
  const std::vector<QString> labels = Labels();
  EXPECT_EQ(labels[2], FormatTime(3, 99 * kFrame));
  EXPECT_EQ(labels[3], QString());  // never filled
  Deliver(100, 1);                  // a late frame stores nothing
  EXPECT_EQ(run_.FrameTimeOf(3), -1.0);
}

TEST_F(CaptureRunTest, CancelLiftsTheLocksAndAppliesAPutOffRebuild) {
  Deliver(10, 1);
  run_.Capture(TCaptureCommand::kNow, false);
  Deliver(10, 2);
  // The window grows during the run; the strip waits for the run to end.
  run_.SetThumbnailCount(8);
  EXPECT_EQ(run_.FrameCount(), 5);
  // Closing, opening or the grabber toggle cancel the run where it stands.
  run_.Cancel();
  EXPECT_FALSE(run_.Pending());
  EXPECT_EQ(locks_, (std::vector<bool>{true, false}));
  EXPECT_EQ(ready_, 0);
  EXPECT_FALSE(run_.HasSet());
  EXPECT_TRUE(strip_.isEnabled());
  EXPECT_EQ(run_.FrameCount(), 8);
  EXPECT_EQ(strip_.Count(), 8);
  Deliver(12, 5);  // frames after the cancel are not stored
  run_.OnPositionPolled(1e6);
  EXPECT_EQ(run_.FrameTimeOf(2), -1.0);
  EXPECT_EQ(ready_, 0);
  // A cancel without a run changes nothing.
  run_.Cancel();
  EXPECT_EQ(locks_.size(), 2u);
}

TEST_F(CaptureRunTest, RendererCopyTakesASlotOnlyForANewerPicture) {
  player_.grabber = false;
  player_.playing = true;
  player_.pictureTimeNow = 1.0;
  player_.pictureValue = 1;
  player_.clock = 1.0;
  player_.polledAt = 1.0;
  run_.OnPositionPolled(1.0);
  run_.Capture(TCaptureCommand::kNow, false);
  ASSERT_TRUE(run_.CaptureTimer().isActive());
  // A graph just starting shows the same picture for many ticks.
  ASSERT_TRUE(WaitFor([&] { return run_.State().CaptureIndex.load() == 1; }));
  ASSERT_FALSE(WaitFor([&] { return run_.State().CaptureIndex.load() != 1; }, 200));
  for (int n = 1; n <= 4; ++n) {
    player_.pictureTimeNow = 1.0 + n * kFrame;
    player_.pictureValue = 1 + n;
    player_.clock = 1.0 + n * kFrame;
    ASSERT_TRUE(WaitFor([&] { return run_.State().CaptureIndex.load() != n; })) << n;
  }
  ASSERT_TRUE(WaitFor([&] { return !run_.Pending(); }));
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(PixelOf(i), 1 + i) << i;
    EXPECT_EQ(strip_.Label(i)->text(), FormatTime(3, 1.0 + i * kFrame)) << i;
  }
}

// A streaming thread delivers frames without pause while the UI thread resizes
// the strip, starts runs and cancels them at any point, and reads every set it
// gets. Under the thread sanitizer this checks the whole hand-over.
TEST_F(CaptureRunTest, StripResizesAndEarlyEndsRaceNoFrameInFlight) {
  player_.duration = 1e9;
  run_.MediaOpened();
  player_.playing = true;
  std::atomic<bool> stop{false};
  std::atomic<long> delivered{0};
  std::thread streaming([&] {
    for (long k = 0; !stop.load(); ++k) {
      const std::vector<std::uint8_t> rows = Rows(static_cast<int>(k % 251));
      run_.OnFrame(k * kFrame, rows.data(), static_cast<long>(rows.size()));
      delivered.store(k);
    }
  });
  for (int round = 0; round < 150; ++round) {
    // Ordinary playback: the strip follows the window's width.
    run_.SetThumbnailCount(5 + round % 4);
    run_.SizeRecords(kWidth, kHeight);
    run_.Capture(TCaptureCommand::kNow, false);  // playing: armed at once
    if (round % 3 == 0) {
      // Ended from the UI thread while frames arrive, then the records go.
      const long until = delivered.load() + round % 4;
      while (delivered.load() < until) std::this_thread::yield();
      run_.Cancel();
      run_.SetThumbnailCount(5 + (round + 1) % 4);
      continue;
    }
    ASSERT_TRUE(WaitFor([&] {
      run_.OnPositionPolled(1e6);
      return !run_.Pending();
    })) << round;
    const long first = std::lround(run_.FrameTimeOf(0) / kFrame);
    for (int i = 0; i < run_.FrameCount(); ++i) {
      ASSERT_EQ(std::lround(run_.FrameTimeOf(i) / kFrame), first + i) << round;
      ASSERT_EQ(PixelOf(i), (first + i) % 251) << round;
    }
  }
  stop = true;
  streaming.join();
}

}  // namespace
}  // namespace frivo
