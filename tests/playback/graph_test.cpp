// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers

// The graph-building routines on real elements, and the graph's behaviour that
// the open, transport and capture code rely on: result codes for bad files,
// the state mapping, stop keeping the position, rates, the packed image, and the
// grabber callback's threading rules.

#include <gst/gst.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "common/temp_dir.h"
#include "playback/frame_math.h"
#include "playback/gst_filters.h"
#include "playback/media_type.h"
#include "playback/player_harness.h"

namespace frivo::test {
namespace {

QString NameOf(IBaseFilter* filter) {
  FILTER_INFO info;
  return SUCCEEDED(filter->QueryFilterInfo(&info)) ? info.achName : QString();
}

ComPtr<IPin> PinOf(IBaseFilter* filter, PIN_DIRECTION dir) {
  ComPtr<IPin> pin;
  (void)FindUnconnectedPin(filter, dir, &pin);
  return pin;
}

TEST(GraphBuilder, CreateAndAddKeepTheirSlotsAndNames) {
  ComPtr<IGraphBuilder> graph;
  EXPECT_EQ(CreateFilterGraph(nullptr), E_POINTER);
  ASSERT_EQ(CreateFilterGraph(&graph), S_OK);
  IGraphBuilder* first = graph.Get();
  ASSERT_EQ(CreateFilterGraph(&graph), S_OK);
  EXPECT_EQ(graph.Get(), first);

  ComPtr<IBaseFilter> vmr7, vmr9, grabberFilter;
  ComPtr<ISampleGrabber> grabber;
  ASSERT_EQ(AddVideoRendererVmr7(&vmr7, graph.Get()), S_OK);
  ASSERT_EQ(AddVideoRendererVmr9(&vmr9, graph.Get()), S_OK);
  ASSERT_EQ(AddSampleGrabberWithInterface(&grabberFilter, &grabber, graph.Get()), S_OK);
  EXPECT_EQ(NameOf(vmr7.Get()), "VMR7");
  EXPECT_EQ(NameOf(vmr9.Get()), "VMR9");
  EXPECT_EQ(NameOf(grabberFilter.Get()), "Sample Grabber");
  EXPECT_TRUE(grabber);
  std::vector<ComPtr<IBaseFilter>> filters;
  ASSERT_EQ(graph->EnumFilters(&filters), S_OK);
  EXPECT_EQ(filters.size(), 3u);
  // The same name twice gets a number.
  ComPtr<IBaseFilter> another;
  ASSERT_EQ(CreateFilterByFriendlyName(&another, CLSID_LegacyAmFilterCategory,
                                       QStringLiteral("Video colorspace converter")),
            S_OK);
  EXPECT_EQ(graph->AddFilter(another.Get(), QStringLiteral("VMR9")), VFW_S_DUPLICATE_NAME);
  EXPECT_EQ(NameOf(another.Get()), "VMR9 0001");
}

TEST(GraphBuilder, CreateFilterByFriendlyName) {
  struct Case {
    GUID category;
    const char* name;
    HRESULT result;
  };
  const Case cases[] = {
      {CLSID_LegacyAmFilterCategory, "VIDEO COLORSPACE CONVERTER", S_OK},
      {CLSID_VideoDecoderCategory, "on2 vp8 decoder", S_OK},
      {CLSID_VideoDecoderCategory, "Video colorspace converter", E_FAIL},  // not a decoder
      {CLSID_LegacyAmFilterCategory, "ffdshow Video Decoder", E_FAIL},
      {GUID{1, 2, 3, {}}, "Video colorspace converter", S_FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(CreateFilterByFriendlyName(&filter, c.category, QString::fromLatin1(c.name)),
              c.result);
    EXPECT_EQ(static_cast<bool>(filter), c.result == S_OK);
  }
  // A slot that already holds a filter is left alone when nothing matches.
  ComPtr<IBaseFilter> kept;
  ASSERT_EQ(CreateFilterByFriendlyName(&kept, CLSID_LegacyAmFilterCategory,
                                       QStringLiteral("Video colorspace converter")),
            S_OK);
  IBaseFilter* before = kept.Get();
  EXPECT_EQ(CreateFilterByFriendlyName(&kept, CLSID_LegacyAmFilterCategory, QStringLiteral("x")),
            E_FAIL);
  EXPECT_EQ(kept.Get(), before);
}

TEST(GraphBuilder, PinsConnectAndDisconnect) {
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(CreateFilterGraph(&graph), S_OK);
  ComPtr<IBaseFilter> a, b;
  const QString convert = QStringLiteral("Video colorspace converter");
  ASSERT_EQ(CreateFilterByFriendlyName(&a, CLSID_LegacyAmFilterCategory, convert), S_OK);
  ASSERT_EQ(CreateFilterByFriendlyName(&b, CLSID_LegacyAmFilterCategory, convert), S_OK);
  ASSERT_TRUE(SUCCEEDED(graph->AddFilter(a.Get(), QStringLiteral("A"))));
  ASSERT_TRUE(SUCCEEDED(graph->AddFilter(b.Get(), QStringLiteral("B"))));

  ComPtr<IPin> pin = PinOf(a.Get(), PINDIR_OUTPUT);
  EXPECT_EQ(FindUnconnectedPin(nullptr, PINDIR_OUTPUT, &pin), E_POINTER);
  EXPECT_FALSE(pin);  // cleared first
  EXPECT_EQ(ConnectPinToFilter(graph.Get(), nullptr, b.Get()), E_POINTER);
  // An input pin passed as the output: refused, nothing linked.
  EXPECT_EQ(ConnectPinToFilter(graph.Get(), PinOf(b.Get(), PINDIR_INPUT).Get(), a.Get()), E_FAIL);
  EXPECT_TRUE(PinOf(a.Get(), PINDIR_INPUT));

  ASSERT_EQ(ConnectFilters(graph.Get(), a.Get(), b.Get()), S_OK);
  EXPECT_FALSE(PinOf(b.Get(), PINDIR_INPUT));  // its only input is taken
  EXPECT_EQ(FindUnconnectedPin(b.Get(), PINDIR_INPUT, &pin), E_FAIL);
  EXPECT_EQ(ConnectFilters(graph.Get(), a.Get(), b.Get()), E_FAIL);
  ComPtr<IPin> out = PinOf(b.Get(), PINDIR_OUTPUT);
  ASSERT_TRUE(out);
  IPin* peer = nullptr;
  EXPECT_EQ(out->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);

  EXPECT_EQ(GetGraphState(nullptr), State_Stopped);
  EXPECT_EQ(GetGraphState(graph.Get()), State_Stopped);
  DisconnectAll(graph.Get());
  EXPECT_TRUE(PinOf(b.Get(), PINDIR_INPUT));
  EXPECT_TRUE(PinOf(a.Get(), PINDIR_OUTPUT));
  std::vector<ComPtr<IBaseFilter>> filters;
  ASSERT_EQ(graph->EnumFilters(&filters), S_OK);
  EXPECT_EQ(filters.size(), 2u);  // filters stay
}

TEST(MediaGraph, FilesThatCannotBePlayedFailTheRender) {
  struct Case {
    QString path;
    HRESULT result;
  };
  // A pipe nobody writes to would block the open for ever.
  const TempDir dir;
  const QString pipe = dir.File(QStringLiteral("pipe.mp4"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  const Case cases[] = {
      {FixtureDir() + "no such file.mp4", VFW_E_NOT_FOUND},
      {QDir::tempPath(), VFW_E_NOT_FOUND},  // a folder
      {pipe, VFW_E_UNKNOWN_FILE_TYPE},
      {QStringLiteral("/dev/zero"), VFW_E_UNKNOWN_FILE_TYPE},
      {FixturePath(kEmptyAvi), E_FAIL},
      {FixturePath(kGarbageMp4), E_FAIL},
      {FixturePath(kTextAvi), E_FAIL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    Player player;
    player.Open(c.path);
    if (c.result == E_FAIL) {
      EXPECT_TRUE(FAILED(player.renderResult)) << std::hex << player.renderResult;
    } else {
      EXPECT_EQ(player.renderResult, c.result);
    }
  }
}

TEST(MediaGraph, AudioOnlyRendersWithoutVideo) {
  Player player;
  player.Open(FixturePath(kAudioOnly));
  ASSERT_TRUE(SUCCEEDED(player.renderResult));
  LONG width = 0;
  EXPECT_TRUE(FAILED(player.video->get_VideoWidth(&width)));
  EXPECT_EQ(width, 0);
  AM_MEDIA_TYPE type;
  EXPECT_TRUE(FAILED(player.grabber->GetConnectedMediaType(&type)));
  double duration = 0;
  EXPECT_EQ(player.position->get_Duration(&duration), S_OK);
  EXPECT_NEAR(duration, kAudioOnlySeconds, 0.05);
}

TEST(MediaGraph, AGraphWithoutSoundParsesAndDecodesNoAudio) {
  // A batch graph plays no sound; decoding the audio streams only cost time.
  for (const char* name : {kH264Mp4, kVp9Mkv, kMpeg4Avi, kAudioFirstMp4}) {
    SCOPED_TRACE(name);
    Player player;
    player.Open(FixturePath(name), true, AudioOutput::kNone);
    SetAudioOutput(AudioOutput::kSilent);
    ASSERT_EQ(player.renderResult, S_OK);
    auto* renderer = dynamic_cast<gst::RendererFilter*>(player.renderer.Get());
    ASSERT_NE(renderer, nullptr);
    GstObject* top = GST_OBJECT(renderer->Element());
    while (GST_OBJECT_PARENT(top)) top = GST_OBJECT_PARENT(top);
    std::string audioElements;
    gst::IteratorPtr it(gst_bin_iterate_recurse(GST_BIN(top)));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(it.get(), &item) == GST_ITERATOR_OK) {
      GstElementFactory* factory = gst_element_get_factory(GST_ELEMENT(g_value_get_object(&item)));
      const char* klass =
          factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : "";
      if (klass && std::strstr(klass, "Audio") &&
          (std::strstr(klass, "Decoder") || std::strstr(klass, "Parser")))
        audioElements += std::string(GST_OBJECT_NAME(factory)) + ' ';
      g_value_reset(&item);
    }
    g_value_unset(&item);
    EXPECT_EQ(audioElements, "");
    // The video plays as before.
    ASSERT_EQ(player.control->Run(), S_OK);
    EXPECT_TRUE(player.recorder.WaitUntil(
        [](const std::vector<GrabbedFrame>& frames) { return frames.size() >= 3; }));
    player.PauseAndSettle();
  }
}

TEST(MediaGraph, MissingVideoDecoderIsARenderFailure) {
  // Hide every JPEG decoder from autoplugging for the length of the test.
  SetAudioOutput(AudioOutput::kSilent);
  ComPtr<IGraphBuilder> probe;
  ASSERT_EQ(CreateFilterGraph(&probe), S_OK);
  std::vector<std::pair<GstPluginFeature*, guint>> hidden;
  for (const char* name : {"jpegdec", "avdec_mjpeg", "vajpegdec", "v4l2jpegdec"}) {
    if (GstPluginFeature* f = gst_registry_lookup_feature(gst_registry_get(), name)) {
      hidden.emplace_back(f, gst_plugin_feature_get_rank(f));
      gst_plugin_feature_set_rank(f, GST_RANK_NONE);
    }
  }
  Player player;
  player.Open(FixturePath(kMjpegAvi));
  for (auto& [feature, rank] : hidden) {
    gst_plugin_feature_set_rank(feature, rank);
    gst_object_unref(feature);
  }
  EXPECT_EQ(player.renderResult, VFW_E_NO_DECOMPRESSOR);
}

TEST(MediaGraph, StatesStopAndRate) {
  const FixtureInfo& info = *FindFixture(kH264Mp4);
  Player player;
  player.Open(FixturePath(kH264Mp4));
  ASSERT_EQ(player.renderResult, S_OK);
  OAFilterState state = -1;
  EXPECT_EQ(player.control->GetState(20000, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);  // opened, not yet played
  (void)player.control->Run();
  EXPECT_EQ(player.control->GetState(20000, &state), S_OK);
  EXPECT_EQ(state, State_Running);
  EXPECT_EQ(GetGraphState(player.graph.Get()), State_Running);
  player.PauseAndSettle();
  EXPECT_EQ(player.control->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Paused);

  // Stop keeps the position and the frame on screen.
  ASSERT_EQ(player.position->put_CurrentPosition(FrameStart(info, 50)), S_OK);
  ASSERT_EQ(player.control->Stop(), S_OK);
  EXPECT_EQ(player.control->GetState(20000, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);
  EXPECT_NEAR(player.Position(), FrameStart(info, 50), kTimeTolerance);
  EXPECT_EQ(player.ShownCode(), 50);
  EXPECT_EQ(player.control->StopWhenReady(), S_OK);
  EXPECT_EQ(player.ShownCode(), 50);

  // Every offered rate keeps the position and the media times of the frames.
  for (double rate : {0.9, 0.7, 0.5, 0.1, 1.0}) {
    SCOPED_TRACE(rate);
    player.PauseAndSettle();
    ASSERT_EQ(player.position->put_CurrentPosition(FrameStart(info, 20)), S_OK);
    ASSERT_EQ(player.position->put_Rate(rate), S_OK);
    double got = 0;
    EXPECT_EQ(player.position->get_Rate(&got), S_OK);
    EXPECT_EQ(got, rate);
    EXPECT_EQ(player.ShownCode(), 20);
    player.recorder.Clear();
    (void)player.control->Run();
    ASSERT_TRUE(player.recorder.WaitUntil(
        [](const std::vector<GrabbedFrame>& frames) { return frames.size() >= 3; }));
    player.PauseAndSettle();
    const std::vector<GrabbedFrame> frames = player.recorder.Frames();
    EXPECT_EQ(WrongTimes(info, frames), "");
    for (size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i].code, frames[i - 1].code + 1);
  }
  EXPECT_EQ(player.position->put_Rate(0), E_INVALIDARG);
}

TEST(MediaGraph, AChangeStillPendingIsIntermediateAndReportsItsTarget) {
  // Declared before the player: the streaming thread may call the callback until
  // the player is gone.
  std::atomic<bool> blocked{false};
  std::atomic<bool> release{false};
  Player player;
  player.Open(FixturePath(kH264Mp4));
  ASSERT_EQ(player.renderResult, S_OK);
  player.PauseAndSettle();
  // The frame a seek prerolls is held in the callback, so the change cannot end.
  player.recorder.onFrame = [&] {
    blocked = true;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  std::thread seeker([&] { (void)player.position->put_CurrentPosition(1.0); });
  const auto deadline = std::chrono::steady_clock::now() + kDeadline;
  while (!blocked && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  OAFilterState state = -1;
  const HRESULT pausing = player.control->GetState(0, &state);
  const OAFilterState pausingState = state;
  // A run asked for meanwhile is reported as the state the graph is going to.
  (void)player.control->Run();
  const HRESULT starting = player.control->GetState(0, &state);
  const OAFilterState startingState = state;
  const OAFilterState graphState = GetGraphState(player.graph.Get());
  release = true;
  seeker.join();
  ASSERT_TRUE(blocked);
  EXPECT_EQ(pausing, VFW_S_STATE_INTERMEDIATE);
  EXPECT_EQ(pausingState, State_Paused);
  EXPECT_EQ(starting, VFW_S_STATE_INTERMEDIATE);
  EXPECT_EQ(startingState, State_Running);
  EXPECT_EQ(graphState, State_Running);
  EXPECT_EQ(player.control->GetState(20000, &state), S_OK);
  EXPECT_EQ(state, State_Running);
}

TEST(MediaGraph, TheScreenGetsAPictureThePanelsSizeAndCapturesTheWholeFrame) {
  const FixtureInfo& info = *FindFixture(kH264Mp4);
  Player player;
  player.Open(FixturePath(kH264Mp4));
  ASSERT_EQ(player.renderResult, S_OK);
  auto* renderer = dynamic_cast<gst::RendererFilter*>(player.renderer.Get());
  ASSERT_NE(renderer, nullptr);
  QWidget panel;
  ASSERT_EQ(renderer->PutOwner(&panel), S_OK);
  ASSERT_EQ(renderer->SetWindowPosition(0, 0, 160, 100), S_OK);
  ASSERT_EQ(player.position->put_CurrentPosition(FrameStart(info, 9)), S_OK);
  EXPECT_EQ(renderer->ShownFrame().image.size(), QSize(133, 100));
  // A panel resized while paused gets the same frame at its new size.
  ASSERT_EQ(renderer->SetWindowPosition(0, 0, 80, 200), S_OK);
  EXPECT_EQ(renderer->ShownFrame().image.size(), QSize(80, 60));
  // Larger than the frame: the frame as it is, the widget enlarges it.
  ASSERT_EQ(renderer->SetWindowPosition(0, 0, 1000, 1000), S_OK);
  EXPECT_EQ(renderer->ShownFrame().image.size(), QSize(320, 240));
  ASSERT_EQ(renderer->SetWindowPosition(0, 0, 160, 100), S_OK);
  EXPECT_EQ(player.ShownCode(), 9);  // read from the whole frame
  const QImage whole = renderer->ShownPicture();
  EXPECT_EQ(whole.size(), QSize(320, 240));
}

TEST(MediaGraph, TheRendererTakesTheDecodersOwnBuffers) {
  // Frames are read through their video meta downstream of the decoder; a
  // sink that did not say so made the decoder copy every frame it decoded.
  gst::EnsureInitialized();
  auto renderer = ComPtr<IBaseFilter>::Attach(new gst::RendererFilter);
  auto* filter = dynamic_cast<gst::RendererFilter*>(renderer.Get());
  ASSERT_NE(filter, nullptr);
  gst::PadPtr sink(gst_element_get_static_pad(filter->Element(), "sink"));
  gst::CapsPtr caps(gst_caps_from_string("video/x-raw,format=I420,width=1920,height=1080"));
  GstQuery* query = gst_query_new_allocation(caps.get(), TRUE);
  EXPECT_TRUE(gst_pad_query(sink.get(), query));
  EXPECT_TRUE(gst_query_find_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr));
  gst_query_unref(query);
}

TEST(MediaGraph, AReleasedGraphFreesItsPipeline) {
  // Every message the pipeline posts holds it; one left unfreed kept each
  // file's pipeline, decoder and frame buffers for the rest of the run.
  gpointer pipeline = nullptr;
  {
    Player player;
    player.Open(FixturePath(kH264Mp4));
    ASSERT_EQ(player.renderResult, S_OK);
    ASSERT_EQ(player.control->Run(), S_OK);
    ASSERT_TRUE(player.recorder.WaitUntil(
        [](const std::vector<GrabbedFrame>& frames) { return frames.size() >= 3; }));
    player.PauseAndSettle();
    auto* renderer = dynamic_cast<gst::RendererFilter*>(player.renderer.Get());
    ASSERT_NE(renderer, nullptr);
    GstObject* top = GST_OBJECT(renderer->Element());
    while (GST_OBJECT_PARENT(top)) top = GST_OBJECT_PARENT(top);
    pipeline = top;
    g_object_add_weak_pointer(G_OBJECT(top), &pipeline);
  }
  EXPECT_EQ(pipeline, nullptr);
}

TEST(MediaGraph, CurrentImageIsAPackedBottomUpDibWithPaddedRows) {
  const FixtureInfo& info = *FindFixture(kMjpegAviWidth101);
  Player player;
  player.Open(FixturePath(kMjpegAviWidth101));
  ASSERT_EQ(player.renderResult, S_OK);
  ASSERT_EQ(player.position->put_CurrentPosition(FrameStart(info, 7)), S_OK);
  LONG size = 0;
  ASSERT_EQ(player.video->GetCurrentImage(&size, nullptr), S_OK);
  EXPECT_EQ(size, 40 + 304 * 76);
  std::vector<BYTE> dib(static_cast<size_t>(size), 0xAB);
  LONG small = size - 1;
  EXPECT_EQ(player.video->GetCurrentImage(&small, dib.data()), E_OUTOFMEMORY);
  ASSERT_EQ(player.video->GetCurrentImage(&size, dib.data()), S_OK);
  BITMAPINFOHEADER header;
  std::memcpy(&header, dib.data(), sizeof header);
  EXPECT_EQ(header.biSize, 40u);
  EXPECT_EQ(header.biWidth, 101);
  EXPECT_EQ(header.biHeight, 76);
  EXPECT_EQ(header.biPlanes, 1);
  EXPECT_EQ(header.biBitCount, 24);
  EXPECT_EQ(header.biCompression, BI_RGB);
  EXPECT_EQ(ReadFrameCode(dib.data() + 40, 101, 76, 304, 3, true), 7);
  for (int row = 0; row < 76; ++row)
    EXPECT_EQ(dib[static_cast<size_t>(40 + row * 304 + 303)], 0) << "row " << row;
  // The grabber hands out the same layout.
  const std::vector<GrabbedFrame> frames = player.recorder.Frames();
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.back().length, 304 * 76);
}

TEST(MediaGraph, SleepingCallbackLosesNoFrameAndDetachWaitsForIt) {
  Player player;
  player.Open(FixturePath(kH264Mp4));
  ASSERT_EQ(player.renderResult, S_OK);
  // The program's hold-back: sleep 100 ms in the callback.
  player.recorder.onFrame = [] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); };
  ASSERT_EQ(player.position->put_CurrentPosition(0), S_OK);
  (void)player.control->Run();
  ASSERT_TRUE(player.recorder.WaitUntil(
      [](const std::vector<GrabbedFrame>& frames) { return frames.size() >= 12; }));
  const std::vector<GrabbedFrame> frames = player.recorder.Frames();
  for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(frames[i].code, static_cast<int>(i));

  // Detaching returns only when no call is in progress, and no call follows.
  ASSERT_TRUE(player.recorder.WaitUntil(
      [&](const std::vector<GrabbedFrame>&) { return player.recorder.CallsInProgress() > 0; }));
  ASSERT_EQ(player.grabber->SetCallback(nullptr, 1), S_OK);
  EXPECT_EQ(player.recorder.CallsInProgress(), 0);
  const long calls = player.recorder.Calls();
  player.PauseAndSettle();
  ASSERT_EQ(player.position->put_CurrentPosition(1.0), S_OK);
  EXPECT_EQ(player.recorder.Calls(), calls);
}

}  // namespace
}  // namespace frivo::test
