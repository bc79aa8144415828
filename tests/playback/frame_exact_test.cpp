// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers

// Frame exactness on every generated video: the time a grabbed frame comes with
// is the true start of the frame its barcode names, after plain playback, after
// the seeks a capture run and a back-step make, and after frame steps.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>

#include "playback/frame_math.h"
#include "playback/gst_filters.h"
#include "playback/player_harness.h"

namespace frivo::test {
namespace {

std::vector<FixtureInfo> VideoFixtures() {
  std::vector<FixtureInfo> list;
  for (const FixtureInfo& info : AllFixtures())
    if (info.playable && info.hasVideo) list.push_back(info);
  return list;
}

class FrameExact : public ::testing::TestWithParam<FixtureInfo> {
 protected:
  void SetUp() override {
    player_.Open(FixturePath(GetParam().name));
    ASSERT_TRUE(SUCCEEDED(player_.renderResult)) << std::hex << player_.renderResult;
  }
  const FixtureInfo& Info() const { return GetParam(); }
  double F() const { return FrameLength(Info()); }

  // A capture run as the program makes one: pause, seek just inside the frame
  // at the threshold (a millisecond, or a quarter frame, after it), play, keep
  // the frames at or after the threshold.
  std::vector<GrabbedFrame> CaptureFrom(int first, int count) {
    const double threshold = FrameStart(Info(), first);
    player_.PauseAndSettle();
    player_.recorder.Clear();
    EXPECT_EQ(player_.position->put_CurrentPosition(threshold + std::min(F() / 4, 0.0011)), S_OK);
    (void)player_.control->Run();
    std::vector<GrabbedFrame> kept;
    player_.recorder.WaitUntil([&](const std::vector<GrabbedFrame>& frames) {
      kept.clear();
      for (const GrabbedFrame& frame : frames)
        if (frame.time >= threshold - kTimeTolerance) kept.push_back(frame);
      return static_cast<int>(kept.size()) >= count;
    });
    player_.PauseAndSettle();
    kept.resize(std::min<size_t>(kept.size(), static_cast<size_t>(count)));
    return kept;
  }

  Player player_;
};

TEST_P(FrameExact, SizeFrameRateAndDuration) {
  EXPECT_EQ(player_.width, Info().width);
  EXPECT_EQ(player_.height, Info().height);
  // The renderer's input type carries the frame duration at byte offset 40 in
  // 100 ns units; a stream without a rate gives 0 (the caller then assumes 29.97).
  std::vector<ComPtr<IPin>> pins;
  ASSERT_EQ(player_.renderer->EnumPins(&pins), S_OK);
  ASSERT_FALSE(pins.empty());
  AM_MEDIA_TYPE type;
  ASSERT_EQ(pins[0]->ConnectionMediaType(&type), S_OK);
  ASSERT_NE(type.VideoInfo(), nullptr);
  if (Info().intervalsNs.empty()) {
    const REFERENCE_TIME expected =
        Info().declaresFrameRate ? AvgTimePerFrameFromRate(Info().fpsNum, Info().fpsDen) : 0;
    EXPECT_EQ(type.VideoInfo()->AvgTimePerFrame, expected);
  } else {
    // Unevenly spaced frames: the stream's stated rate is the demuxer's guess
    // (a tick of the track's clock at worst); the frame duration the graph
    // works with is the average one.
    const auto* renderer = dynamic_cast<gst::RendererFilter*>(player_.renderer.Get());
    ASSERT_NE(renderer, nullptr);
    EXPECT_TRUE(renderer->VariableRate());
    const double average = FixtureDurationSeconds(Info()) / Info().frameCount;
    EXPECT_NEAR(renderer->FrameDurationNs() / 1e9, average, average * 0.01);
  }

  double duration = 0;
  ASSERT_EQ(player_.position->get_Duration(&duration), S_OK);
  // The timeline runs to the end of the last frame; audio tracks may run a few
  // milliseconds past it.
  EXPECT_NEAR(duration, FrameStart(Info(), 0) + FixtureDurationSeconds(Info()), 0.05);
}

TEST_P(FrameExact, PlaybackDeliversEveryFrameAtItsTime) {
  // Thirty frames cover at least two key frames of every file.
  const int wanted = std::min(30, Info().frameCount);
  // From the start, as a replay does: the seek hands frame 0 to the grabber again.
  player_.PauseAndSettle();
  ASSERT_EQ(player_.position->put_CurrentPosition(0), S_OK);
  (void)player_.control->Run();
  ASSERT_TRUE(player_.recorder.WaitUntil([&](const std::vector<GrabbedFrame>& frames) {
    return frames.size() >= size_t(wanted) + 1;
  }));
  player_.PauseAndSettle();
  const std::vector<GrabbedFrame> frames = player_.recorder.Frames();
  for (int n = 0; n < wanted; ++n) ASSERT_EQ(frames.at(static_cast<size_t>(n)).code, n);
  EXPECT_EQ(WrongTimes(Info(), frames), "");
}

TEST_P(FrameExact, CaptureRunTakesTheFirstFrameAtTheThresholdAndTheFourAfterIt) {
  // Mid-GOP, the frames just before and at a key frame (the B-frames that
  // follow a key frame in decode order are shown before it).
  for (int first : {Info().frameCount / 2 + 3, 10, 11, 12}) {
    SCOPED_TRACE("first frame " + std::to_string(first));
    const std::vector<GrabbedFrame> kept = CaptureFrom(first, 5);
    ASSERT_EQ(kept.size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(kept[size_t(i)].code, first + i);
    EXPECT_EQ(WrongTimes(Info(), kept), "");
  }
}

TEST_P(FrameExact, BackStepShowsThePreviousFrame) {
  const int shown = Info().frameCount / 2;
  player_.PauseAndSettle();
  ASSERT_EQ(player_.position->put_CurrentPosition(FrameStart(Info(), shown)), S_OK);
  ASSERT_EQ(player_.ShownCode(), shown);
  for (int expected = shown - 1; expected >= shown - 3; --expected) {
    const double x = player_.Position() - 1.5 * F();
    ASSERT_EQ(player_.position->put_CurrentPosition(x), S_OK);
    EXPECT_EQ(player_.ShownCode(), expected);
    EXPECT_NEAR(player_.Position(), FrameStart(Info(), expected), kTimeTolerance);
  }
}

TEST_P(FrameExact, BackStepsThroughFramesJustPlayedComeFromMemoryExactly) {
  // Play a stretch from mid-file, pause, and step back through it: every frame
  // comes from memory, is the one a seek to the same position shows and has its
  // own time. The frame the stretch started on has no shown frame before it.
  const int first = Info().frameCount / 2;
  const int last = std::min(first + 8, Info().frameCount - 2);
  auto* renderer = dynamic_cast<gst::RendererFilter*>(player_.renderer.Get());
  ASSERT_NE(renderer, nullptr);
  player_.PauseAndSettle();
  ASSERT_EQ(player_.position->put_CurrentPosition(FrameStart(Info(), first)), S_OK);
  player_.recorder.Clear();
  (void)player_.control->Run();
  ASSERT_TRUE(player_.recorder.WaitUntil([&](const std::vector<GrabbedFrame>& frames) {
    return !frames.empty() && frames.back().code >= last + 1;
  }));
  player_.PauseAndSettle();
  const int shown = player_.ShownCode();
  ASSERT_GE(shown, last);
  // A position inside the frame before `n`: a paused seek there shows frame n.
  auto before = [&](int n) { return (FrameStart(Info(), n - 1) + FrameStart(Info(), n)) / 2; };
  // MPEG system streams and reordered AVI have their times rewritten after each
  // seek; steps there always decode.
  const std::string_view name = Info().name;
  if (name.ends_with(".ts") || name.ends_with(".mpg") ||
      (Info().bFrames && name.ends_with(".avi"))) {
    EXPECT_FALSE(renderer->KeptFrameFrom(std::llround(before(shown - 1) * 1e9)).has_value());
    return;
  }
  for (int expected = shown - 1; expected > first; --expected) {
    SCOPED_TRACE("frame " + std::to_string(expected));
    const std::optional<gst::RendererFilter::Shown> kept =
        renderer->KeptFrameFrom(std::llround(before(expected) * 1e9));
    ASSERT_TRUE(kept.has_value());
    renderer->ShowKept(*kept);
    EXPECT_EQ(player_.ShownCode(), expected);
    EXPECT_NEAR(player_.Position(), FrameStart(Info(), expected), kTimeTolerance);
  }
  EXPECT_FALSE(renderer->KeptFrameFrom(std::llround(before(first) * 1e9)).has_value());
  // The decoder agrees with memory.
  ASSERT_EQ(player_.position->put_CurrentPosition(before(first + 1)), S_OK);
  EXPECT_EQ(player_.ShownCode(), first + 1);
}

TEST_P(FrameExact, StepShowsTheNextFrames) {
  const int start = 5;
  player_.PauseAndSettle();
  ASSERT_EQ(player_.position->put_CurrentPosition(FrameStart(Info(), start)), S_OK);
  ASSERT_EQ(player_.step->CanStep(1, nullptr), S_OK);
  ASSERT_EQ(player_.step->Step(1, nullptr), S_OK);
  EXPECT_EQ(player_.ShownCode(), start + 1);
  EXPECT_NEAR(player_.Position(), FrameStart(Info(), start + 1), kTimeTolerance);
  ASSERT_EQ(player_.step->Step(3, nullptr), S_OK);
  EXPECT_EQ(player_.ShownCode(), start + 4);
  EXPECT_NEAR(player_.Position(), FrameStart(Info(), start + 4), kTimeTolerance);
  OAFilterState state = State_Running;
  EXPECT_EQ(player_.control->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Paused);
}

TEST_P(FrameExact, PausedSeekDeliversTheFrameContainingThePosition) {
  const int target = Info().frameCount / 3;
  player_.PauseAndSettle();
  player_.recorder.Clear();
  ASSERT_EQ(player_.position->put_CurrentPosition(FrameStart(Info(), target) + 0.3 * F()), S_OK);
  ASSERT_TRUE(player_.recorder.WaitUntil(
      [&](const std::vector<GrabbedFrame>& frames) { return !frames.empty(); }));
  const GrabbedFrame first = player_.recorder.Frames().front();
  EXPECT_EQ(first.code, target);
  EXPECT_NEAR(first.time, FrameStart(Info(), target), kTimeTolerance);
  // The screen shows the first frame starting at or after the position.
  EXPECT_EQ(player_.ShownCode(), target + 1);
}

TEST_P(FrameExact, SeekPastTheEndShowsTheLastFrame) {
  player_.PauseAndSettle();
  player_.recorder.Clear();
  ASSERT_EQ(player_.position->put_CurrentPosition(FixtureDurationSeconds(Info()) + 5), S_OK);
  EXPECT_EQ(player_.ShownCode(), Info().frameCount - 1);
  EXPECT_NEAR(player_.Position(), FrameStart(Info(), Info().frameCount - 1), kTimeTolerance);
  ASSERT_TRUE(player_.recorder.WaitUntil(
      [&](const std::vector<GrabbedFrame>& frames) { return !frames.empty(); }));
  EXPECT_EQ(player_.recorder.Frames().back().code, Info().frameCount - 1);
}

std::string FixtureName(const ::testing::TestParamInfo<FixtureInfo>& param) {
  std::string name = param.param.name;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Fixture, FrameExact, ::testing::ValuesIn(VideoFixtures()), FixtureName);

}  // namespace
}  // namespace frivo::test
