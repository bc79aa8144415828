// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "capture/frame_receiver.h"

#include <gtest/gtest.h>

#include <QtEndian>
#include <atomic>
#include <cmath>
#include <functional>
#include <thread>

#include "capture/capture_math.h"
#include "imaging/bmp_format.h"

namespace frivo {
namespace {

// A graph that records pauses.
class FakeGraph : public ICaptureGraph {
 public:
  void Pause() override { ++pauses; }
  std::atomic<int> pauses{0};
};

constexpr int kWidth = 3, kHeight = 2;

// A bottom-up 24-bit frame whose every byte is `value`.
std::vector<std::uint8_t> Frame(std::uint8_t value) {
  return std::vector<std::uint8_t>(static_cast<std::size_t>(kHeight * Rgb24Stride(kWidth)), value);
}

class FrameReceiverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 5; ++i) {
      auto record = std::make_unique<T_TimeBitmap>();
      record->SetSize(kWidth, kHeight);
      state.Frames.push_back(std::move(record));
    }
    state.Duration = 10.0;
    state.FrameTime = 0.04;
    state.CurrentPosition = 100.0;  // never ahead: no hold-back
  }
  bool Deliver(double time, std::uint8_t value) {
    const std::vector<std::uint8_t> frame = Frame(value);
    return ReceiveFrame(state, graph, time, frame.data(), static_cast<long>(frame.size()));
  }
  int PixelOf(int slot) const { return state.Frames[slot]->ConstScanLine(0)[0]; }

  TCaptureState state;
  FakeGraph graph;
};

TEST_F(FrameReceiverTest, StoresFramesFromTheThresholdOnUntilTheSetIsFull) {
  state.CaptureStartTime = 1.0;
  state.CaptureIndex = 0;
  EXPECT_FALSE(Deliver(0.96, 1));  // before the threshold: seen, not stored
  EXPECT_DOUBLE_EQ(state.LastSampleTime.load(), 0.96);
  EXPECT_EQ(state.CaptureIndex.load(), 0);
  EXPECT_EQ(state.Frames[0]->Time, -1.0);
  for (int i = 0; i < 5; ++i) (void)Deliver(1.0 + i * 0.04, static_cast<std::uint8_t>(10 + i));
  EXPECT_EQ(state.CaptureIndex.load(), -1);
  for (int i = 0; i < 5; ++i) {
    EXPECT_DOUBLE_EQ(state.Frames[i]->Time, 1.0 + i * 0.04) << i;
    EXPECT_EQ(PixelOf(i), 10 + i) << i;
  }
  EXPECT_EQ(graph.pauses, 0);  // the user had not paused
  // Once the run is over, frames only move the time on.
  (void)Deliver(2.0, 99);
  EXPECT_EQ(PixelOf(0), 10);
  EXPECT_DOUBLE_EQ(state.LastSampleTime.load(), 2.0);
}

TEST_F(FrameReceiverTest, TakesFramesWhoseTimesTheContainerRoundedBelowTheThreshold) {
  // 29.97 fps in Matroska: frames at whole milliseconds, 33 or 34 ms apart. The
  // next set after the frame at 0.067 s starts one frame time later, at
  // 0.10037, and its first frame is stored at 0.100.
  state.FrameTime = 1.001 / 30;
  state.CaptureStartTime = 0.067 + state.FrameTime.load();
  state.CaptureIndex = 0;
  (void)Deliver(0.067, 1);  // the last frame of the previous set
  EXPECT_EQ(state.CaptureIndex.load(), 0);
  for (const double time : {0.100, 0.133, 0.167, 0.200, 0.234}) (void)Deliver(time, 2);
  EXPECT_EQ(state.CaptureIndex.load(), -1);
  EXPECT_DOUBLE_EQ(state.Frames[0]->Time, 0.100);
  EXPECT_DOUBLE_EQ(state.Frames[4]->Time, 0.234);
}

TEST_F(FrameReceiverTest, EndsEarlyNearTheEndAndPausesForAPausedUser) {
  state.PausedByUser = true;
  state.CaptureStartTime = 9.9;
  state.CaptureIndex = 0;
  (void)Deliver(9.92, 5);
  EXPECT_EQ(state.CaptureIndex.load(), 1);  // 9.92 is not past 10 - 1.5 frames
  (void)Deliver(9.96, 6);
  EXPECT_EQ(state.CaptureIndex.load(), -1);
  EXPECT_EQ(graph.pauses, 1);
  EXPECT_EQ(state.Frames[2]->Time, -1.0);  // the rest keep what they had
}

TEST_F(FrameReceiverTest, AFrameWithoutRowsKeepsThePictureAndTakesItsSlot) {
  state.CaptureStartTime = 0;
  state.CaptureIndex = 0;
  (void)Deliver(0.5, 42);
  state.Frames[1]->AssignPicture(*state.Frames[0]);
  (void)ReceiveFrame(state, graph, 0.54, nullptr, 0);
  EXPECT_EQ(PixelOf(1), 42);                      // old picture
  EXPECT_DOUBLE_EQ(state.Frames[1]->Time, 0.54);  // new time, and the run goes on
  EXPECT_EQ(state.CaptureIndex.load(), 2);
}

TEST_F(FrameReceiverTest, HoldsBackOnlyFramesWellAheadOfThePolledPosition) {
  state.CurrentPosition = 1.0;
  EXPECT_TRUE(Deliver(1.2, 0));
  EXPECT_TRUE(Deliver(1.11, 0));
  // The next frame or two ahead of the clock is the normal lead of playback.
  EXPECT_FALSE(Deliver(1.04, 0));
  EXPECT_FALSE(Deliver(1.08, 0));
  EXPECT_FALSE(Deliver(1.0, 0));
  EXPECT_FALSE(Deliver(0.5, 0));
}

TEST_F(FrameReceiverTest, ARunEndedByTheUiThreadStaysEnded) {
  state.CaptureStartTime = 0;
  EXPECT_FALSE(EndRunEarly(state));  // nothing armed
  state.CaptureIndex = 2;
  EXPECT_TRUE(EndRunEarly(state));
  EXPECT_EQ(state.CaptureIndex.load(), -1);
  (void)Deliver(0.54, 7);
  EXPECT_EQ(state.Frames[2]->Time, -1.0);
  EXPECT_EQ(state.CaptureIndex.load(), -1);
}

// The hand-over between a streaming thread that delivers frames without pause
// and a UI thread that arms runs and reads the finished sets. Under the thread
// sanitizer this also checks the ordering the records rely on.
TEST_F(FrameReceiverTest, SetsHandedOverBetweenThreadsAreWholeAndConsecutive) {
  constexpr double kFrame = 0.04;
  state.Duration = 1e9;
  std::atomic<bool> stop{false};
  std::thread streaming([&] {
    for (long k = 0; !stop.load(); ++k) {
      const std::vector<std::uint8_t> frame = Frame(static_cast<std::uint8_t>(k % 251));
      (void)ReceiveFrame(state, graph, k * kFrame, frame.data(), static_cast<long>(frame.size()));
      std::this_thread::yield();
    }
  });
  for (int round = 0; round < 200; ++round) {
    state.CaptureStartTime = state.LastSampleTime.load() + 2.5 * kFrame;
    state.CaptureIndex.store(0, std::memory_order_release);
    while (state.CaptureIndex.load(std::memory_order_acquire) != -1) std::this_thread::yield();
    const long first = std::lround(state.Frames[0]->Time / kFrame);
    for (int i = 0; i < 5; ++i) {
      T_TimeBitmap& record = *state.Frames[i];
      const std::lock_guard<std::mutex> lock(record.Canvas());
      ASSERT_EQ(std::lround(record.Time / kFrame), first + i) << round;
      ASSERT_EQ(record.ConstScanLine(kHeight - 1)[kWidth * 3 - 1], (first + i) % 251) << round;
    }
  }
  stop = true;
  streaming.join();
}

TEST(BmpFileFromPackedDib, PutsTheFileHeaderInFront) {
  struct Case {
    quint16 bitCount;
    quint32 colorsUsed;
    quint32 offBits;
  };
  const Case cases[] = {{24, 0, 54},      {32, 0, 54},     {8, 0, 54 + 1024},
                        {8, 16, 54 + 64}, {4, 0, 54 + 64}, {1, 0, 54 + 8}};
  for (const Case& c : cases) {
    std::vector<std::uint8_t> dib(40 + 1024 + 16, 0);
    qToLittleEndian<quint32>(40, dib.data());
    qToLittleEndian<quint16>(c.bitCount, dib.data() + 14);
    qToLittleEndian<quint32>(c.colorsUsed, dib.data() + 32);
    const QByteArray file = BmpFileFromPackedDib(dib.data(), static_cast<qsizetype>(dib.size()));
    ASSERT_EQ(file.size(), static_cast<qsizetype>(dib.size() + 14)) << c.bitCount;
    const auto* bytes = reinterpret_cast<const uchar*>(file.constData());
    EXPECT_EQ(qFromLittleEndian<quint16>(bytes), 0x4D42);
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes + 2), dib.size() + 14);
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes + 6), 0u);
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes + 10), c.offBits) << c.bitCount;
  }
  // Too short, or a header size past the data: nothing.
  std::vector<std::uint8_t> small(20, 0);
  EXPECT_TRUE(BmpFileFromPackedDib(small.data(), 20).isEmpty());
  std::vector<std::uint8_t> lying(40, 0);
  qToLittleEndian<quint32>(4000, lying.data());
  EXPECT_TRUE(BmpFileFromPackedDib(lying.data(), 40).isEmpty());
  EXPECT_TRUE(BmpFileFromPackedDib(nullptr, 100).isEmpty());
}

// Unevenly spaced frames (10, 43, 13 ms apart): every set is counted in frames,
// and the player is sought to the wanted frame's own time.
TEST(CaptureMath, UnevenFramesAreCountedInFrames) {
  const std::vector<double> times{0.0, 0.010, 0.053, 0.066, 0.109, 0.122, 0.165, 0.178};
  struct Case {
    int n;
    double base;
    int frame;
  };
  const Case cases[] = {
      {1, 0.053, 3},      // next set: the frame right after the last captured one
      {3, 0.053, 5},      // with Shift
      {-2, 0.122, 3},     // previous set: counted back from the first captured one
      {0, 0.066, 3},      // from the frame on screen
      {-3, 1.0, 5},       // near the end: the last frames
      {-9, 0.122, 0},     // never before the first frame
      {9, 0.122, 7},      // nor after the last
      {0, 0.0659999, 3},  // a time rounded below a frame's start is that frame
  };
  for (const Case& c : cases) {
    const TCaptureStart start = CaptureStart(c.n, c.base, 0.033, times);
    EXPECT_DOUBLE_EQ(start.threshold, times[static_cast<std::size_t>(c.frame)])
        << c.n << " " << c.base;
    EXPECT_DOUBLE_EQ(start.seekTarget, start.threshold);
  }
  // Without frame times the constant-rate rules hold.
  EXPECT_DOUBLE_EQ(CaptureStart(1, 1.0, 0.04, {}).threshold, CaptureStart(1, 1.0, 0.04).threshold);
}

TEST(CaptureMath, ThresholdsAndSeekTargets) {
  const double d = 0.04, t = 10.0;
  struct Case {
    int n;
    double base, threshold, seek;
  };
  const Case cases[] = {
      // Going back or from a time: just inside the wanted frame (the slack of a
      // container clock), never in the frame before it.
      {-6, t, t - 6 * d, t - 6 * d + 0.0011},     // previous set
      {-12, t, t - 12 * d, t - 12 * d + 0.0011},  // previous set with Shift
      {1, t, t + d, t + 1.4 * d},                 // next set
      {7, t, t + 7 * d, t + 7.4 * d},             // next set with Shift
      {0, t, t, t + 0.0011},                      // from a time (command line)
      {1, -1.0, d - 1.0, d - 1.0 + 0.4 * d},      // empty set: from the start
  };
  for (const Case& c : cases) {
    const TCaptureStart start = CaptureStart(c.n, c.base, d);
    EXPECT_NEAR(start.threshold, c.threshold, 1e-12) << c.n;
    EXPECT_NEAR(start.seekTarget, c.seek, 1e-12) << c.n;
  }
  EXPECT_EQ(TrailingIndex(QStringLiteral("Image_12")), 12);
  EXPECT_EQ(TrailingIndex(QStringLiteral("Panel_0")), 0);
  EXPECT_EQ(TrailingIndex(QStringLiteral("Image_")), 0);
  EXPECT_EQ(TrailingIndex(QStringLiteral("Panel_Frame")), 0);
  EXPECT_DOUBLE_EQ(NextSetBase(std::vector<double>{1.0, 1.04, 1.08, -1.0, -1.0}), 1.08);
  EXPECT_DOUBLE_EQ(NextSetBase(std::vector<double>{-1.0, -1.0}), -1.0);
  EXPECT_DOUBLE_EQ(NextSetBase(std::vector<double>{0.0, -1.0}), 0.0);
  // A millisecond of slack below a threshold, never the frame before nor a
  // frame visibly earlier than the time asked for.
  EXPECT_TRUE(AtOrAfterThreshold(1.0, 1.0, d));
  EXPECT_TRUE(AtOrAfterThreshold(0.999, 1.0, d));
  EXPECT_FALSE(AtOrAfterThreshold(0.99, 1.0, d));
  EXPECT_FALSE(AtOrAfterThreshold(1.0 - d, 1.0, d));
  EXPECT_FALSE(AtOrAfterThreshold(0.999, 1.0, 0.002));  // a quarter frame at most
  EXPECT_FALSE(AtOrAfterThreshold(0.9999, 1.0, 0.0));
  EXPECT_TRUE(NearEnd(10.0, 5, 0.04, 9.81));
  EXPECT_TRUE(NearEnd(10.0, 5, 0.04, 9.8));
  EXPECT_FALSE(NearEnd(10.0, 5, 0.04, 9.79));
}

}  // namespace
}  // namespace frivo
