// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/playback_graph.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <optional>

#include "playback/graph_builder.h"
#include "playback/gst_filters.h"
#include "playback/gst_h264_decoder.h"
#include "playback/gst_run_up.h"
#include "playback/interfaces.h"
#include "playback/sample_grabber_cb.h"

namespace frivo {

namespace {

// The average time per frame of a video format block: all four video header
// layouts keep it at byte offset 40.
std::int64_t AverageTimePerFrame(const AM_MEDIA_TYPE& type) {
  const bool known = type.formattype == FORMAT_VideoInfo || type.formattype == FORMAT_VideoInfo2 ||
                     type.formattype == FORMAT_MPEGVideo || type.formattype == FORMAT_MPEG2Video;
  if (!known || type.format.size() < 48) return 0;
  std::int64_t value = 0;
  std::memcpy(&value, type.format.data() + 40, sizeof value);
  return value;
}

template <class I>
ComPtr<I> Query(const ComPtr<IGraphBuilder>& graph) {
  ComPtr<I> result;
  if (graph) (void)QueryInterface<I>(graph, &result);
  return result;
}

}  // namespace

struct TPlaybackGraph::TParts {
  ComPtr<IGraphBuilder> Graph;
  ComPtr<IBaseFilter> Renderer;
  ComPtr<IBaseFilter> Decoder;
  ComPtr<IBaseFilter> GrabberFilter;
  ComPtr<ISampleGrabber> Grabber;
  ComPtr<IMediaPosition> Position;
  std::shared_ptr<gst::RunUpState> RunUp;  // set by SkipRunUpFrames
  // The position of a frame shown from memory: the graph still stands where it
  // was and seeks there before it plays or steps. UI thread only.
  std::optional<double> Follow;
  // The grabber's callback object; it lives as long as the graph object, and a
  // graph only borrows it.
  T_MySampleGrabberCB callback{{}};

  template <class I>
  [[nodiscard]] ComPtr<I> Query() const {
    return frivo::Query<I>(Graph);
  }
};

TDecoderWarmUp::TDecoderWarmUp(DecoderSet set) {
  if (set == DecoderSet::kFull) {
    thread_ = std::thread([] { gst::LoadDecoders(); });
    return;
  }
  // Registered before any graph is built, so that every open picks it; its
  // library is waited for when a decoder starts.
  gst::EnsureInitialized();
  (void)gst::RegisterLeanH264Decoder(gst::H264DecoderOpen::kFirstPicture);
  // The small plugins first, as the open needs them first.
  thread_ = std::thread([] {
    gst::LoadOpenPlugins();
    (void)gst::LoadH264CodecLibrary();
  });
}

TDecoderWarmUp::~TDecoderWarmUp() {
  thread_.join();
}

TPlaybackGraph::TPlaybackGraph() : parts_(std::make_unique<TParts>()) {}

TPlaybackGraph::~TPlaybackGraph() {
  Release();
}

bool TPlaybackGraph::CreateWithRenderer() {
  TParts& p = *parts_;
  if (FAILED(CreateFilterGraph(&p.Graph))) return false;
  // Both renderer kinds are the same widget renderer here; the newer is asked for.
  return SUCCEEDED(AddVideoRendererVmr9(&p.Renderer, p.Graph.Get()));
}

bool TPlaybackGraph::InsertDecoder() {
  TParts& p = *parts_;
  const QString name = QString::fromLatin1(kPreferredDecoder);
  if (FAILED(CreateFilterByFriendlyName(&p.Decoder, CLSID_LegacyAmFilterCategory, name)) ||
      !p.Decoder) {
    p.Decoder = nullptr;
    return false;
  }
  if (FAILED(p.Graph->AddFilter(p.Decoder.Get(), name))) return false;
  decoderInserted_ = true;
  (void)ConnectFilters(p.Graph.Get(), p.Decoder.Get(), p.Renderer.Get());
  return true;
}

bool TPlaybackGraph::AddSampleGrabber() {
  TParts& p = *parts_;
  if (FAILED(AddSampleGrabberWithInterface(&p.GrabberFilter, &p.Grabber, p.Graph.Get())) ||
      !p.Grabber)
    return false;
  AM_MEDIA_TYPE type;
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_RGB24;
  type.formattype = FORMAT_VideoInfo;
  return SUCCEEDED(p.Grabber->SetMediaType(&type));
}

bool TPlaybackGraph::RenderFile(const QString& path) {
  return parts_->Graph && SUCCEEDED(parts_->Graph->RenderFile(path, QString()));
}

void TPlaybackGraph::VideoSize(int* width, int* height) const {
  *width = 0;
  *height = 0;
  const ComPtr<IBasicVideo> video = parts_->Query<IBasicVideo>();
  if (!video) return;
  LONG w = 0, h = 0;
  (void)video->get_VideoWidth(&w);
  (void)video->get_VideoHeight(&h);
  *width = w;
  *height = h;
}

std::int64_t TPlaybackGraph::RendererAverageTimePerFrame() const {
  if (!parts_->Renderer) return 0;
  // A variable-rate stream's type names the average frame duration.
  if (const auto* renderer = dynamic_cast<const gst::RendererFilter*>(parts_->Renderer.Get());
      renderer && renderer->VariableRate())
    return (renderer->FrameDurationNs() + 50) / 100;
  std::vector<ComPtr<IPin>> pins;
  if (FAILED(parts_->Renderer->EnumPins(&pins))) return 0;
  for (const ComPtr<IPin>& pin : pins) {
    PIN_INFO info;
    if (FAILED(pin->QueryPinInfo(&info)) || info.dir != PINDIR_INPUT) continue;
    AM_MEDIA_TYPE type;
    if (FAILED(pin->ConnectionMediaType(&type))) continue;
    if (!(type.majortype == MEDIATYPE_Video)) continue;
    const std::int64_t average = AverageTimePerFrame(type);
    if (average > 0) return average;
  }
  return 0;
}

bool TPlaybackGraph::VariableFrameRate() const {
  const auto* renderer = dynamic_cast<const gst::RendererFilter*>(parts_->Renderer.Get());
  return renderer && renderer->VariableRate();
}

std::vector<double> TPlaybackGraph::FrameTimes() const {
  std::vector<double> times;
  const auto* renderer = dynamic_cast<const gst::RendererFilter*>(parts_->Renderer.Get());
  if (!renderer || !renderer->VariableRate()) return times;
  for (const std::int64_t ns : renderer->FrameMediaTimesNs())
    times.push_back(static_cast<double>(ns) / 1e9);
  return times;
}

bool TPlaybackGraph::GrabberConnected() const {
  if (!parts_->Grabber) return false;
  AM_MEDIA_TYPE type;
  return SUCCEEDED(parts_->Grabber->GetConnectedMediaType(&type));
}

bool TPlaybackGraph::SetFrameHandler(FrameHandler handler, PictureWanted wanted) {
  TParts& p = *parts_;
  if (!p.Grabber) return false;
  // Detach first: the callback object may not change while a call runs.
  if (FAILED(p.Grabber->SetCallback(nullptr, 1))) return false;
  if (auto* grabber = dynamic_cast<gst::GrabberFilter*>(p.GrabberFilter.Get()))
    grabber->SetNativeHandler({}, {});
  if (!handler) return true;
  p.callback.SetHandler(std::move(handler), std::move(wanted));
  return SUCCEEDED(p.Grabber->SetCallback(&p.callback, 1));
}

bool TPlaybackGraph::SetDecodedFrameHandler(DecodedFrameHandler handler, PictureWanted wanted) {
  TParts& p = *parts_;
  auto* grabber = dynamic_cast<gst::GrabberFilter*>(p.GrabberFilter.Get());
  if (!grabber) return false;
  if (FAILED(p.Grabber->SetCallback(nullptr, 1))) return false;
  if (!handler) {
    grabber->SetNativeHandler({}, {});
    return true;
  }
  grabber->SetNativeHandler(
      [handler = std::move(handler)](double seconds,
                                     std::shared_ptr<const gst::NativeFrame> frame) {
        handler(seconds, TDecodedFrame(std::move(frame)));
      },
      std::move(wanted));
  return true;
}

TDecodedFrame::TDecodedFrame(std::shared_ptr<const gst::NativeFrame> native)
    : native_(std::move(native)) {}

int TDecodedFrame::Width() const {
  return native_ ? GST_VIDEO_INFO_WIDTH(&native_->info) : 0;
}

int TDecodedFrame::Height() const {
  return native_ ? GST_VIDEO_INFO_HEIGHT(&native_->info) : 0;
}

bool TDecodedFrame::ToBgrRows(std::uint8_t* out, std::int64_t stride, bool bottomUp) const {
  if (!native_ || !native_->buffer || stride > INT_MAX) return false;
  // GstVideoConverter keeps tables for one format and size; a thread that
  // writes frame after frame makes them once.
  thread_local gst::BgrConverter converter;
  GstVideoInfo layout = native_->info;
  GstVideoFrame frame;
  if (!gst_video_frame_map(&frame, &layout, native_->buffer.get(), GST_MAP_READ)) return false;
  const bool converted =
      converter.Convert(frame, GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame), out,
                        static_cast<int>(stride), bottomUp);
  gst_video_frame_unmap(&frame);
  return converted;
}

bool TPlaybackGraph::AttachVideoWindow(QWidget* panel) {
  const ComPtr<IVideoWindow> window = parts_->Query<IVideoWindow>();
  if (!window) return false;
  (void)window->put_Owner(panel);
  (void)window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
  (void)window->put_MessageDrain(panel);
  (void)window->SetWindowForeground(0);
  return true;
}

bool TPlaybackGraph::CurrentImage(std::vector<std::uint8_t>* buffer) const {
  const ComPtr<IBasicVideo> video = parts_->Query<IBasicVideo>();
  LONG size = 0;
  if (!video || FAILED(video->GetCurrentImage(&size, nullptr)) || size <= 0) return false;
  buffer->resize(static_cast<std::size_t>(size));
  return SUCCEEDED(video->GetCurrentImage(&size, buffer->data()));
}

double TPlaybackGraph::ShownFrameTime() const {
  const auto* renderer = dynamic_cast<const gst::RendererFilter*>(parts_->Renderer.Get());
  if (!renderer) return -1.0;
  const gst::RendererFilter::Shown shown = renderer->ShownFrame();
  if (shown.image.isNull() || shown.mediaStartNs < 0) return -1.0;
  return static_cast<double>(shown.mediaStartNs) / 1e9;
}

bool TPlaybackGraph::TakePosition() {
  parts_->Position = parts_->Query<IMediaPosition>();
  duration_ = 0;
  return parts_->Position && SUCCEEDED(parts_->Position->get_Duration(&duration_));
}

void TPlaybackGraph::Release() {
  TParts& p = *parts_;
  if (p.Grabber) (void)p.Grabber->SetCallback(nullptr, 1);
  if (auto* grabber = dynamic_cast<gst::GrabberFilter*>(p.GrabberFilter.Get()))
    grabber->SetNativeHandler({}, {});
  if (p.Graph) {
    if (const ComPtr<IMediaControl> control = p.Query<IMediaControl>()) (void)control->Stop();
    DisconnectAll(p.Graph.Get());
    p.Graph = nullptr;
  }
  p.Renderer = nullptr;
  p.Decoder = nullptr;
  p.Position = nullptr;
  p.GrabberFilter = nullptr;
  p.Grabber = nullptr;
  p.RunUp = nullptr;
  p.Follow.reset();
  decoderInserted_ = false;
}

bool TPlaybackGraph::HasGraph() const {
  return static_cast<bool>(parts_->Graph);
}

bool TPlaybackGraph::IsOpen() const {
  return static_cast<bool>(parts_->Position);
}

bool TPlaybackGraph::IsRunning(long msTimeout) const {
  const ComPtr<IMediaControl> control = parts_->Query<IMediaControl>();
  OAFilterState state = State_Stopped;
  return control && control->GetState(msTimeout, &state) == S_OK && state == State_Running;
}

TGraphState TPlaybackGraph::State() const {
  switch (GetGraphState(parts_->Graph.Get())) {
    case State_Running:
      return TGraphState::kRunning;
    case State_Paused:
      return TGraphState::kPaused;
    default:
      return TGraphState::kStopped;
  }
}

bool TPlaybackGraph::Run() const {
  CatchUp();
  const ComPtr<IMediaControl> control = parts_->Query<IMediaControl>();
  return control && SUCCEEDED(control->Run());
}

bool TPlaybackGraph::Pause() const {
  const ComPtr<IMediaControl> control = parts_->Query<IMediaControl>();
  return control && SUCCEEDED(control->Pause());
}

bool TPlaybackGraph::Stop() const {
  parts_->Follow.reset();
  const ComPtr<IMediaControl> control = parts_->Query<IMediaControl>();
  return control && SUCCEEDED(control->Stop());
}

bool TPlaybackGraph::StopWhenReady() const {
  const ComPtr<IMediaControl> control = parts_->Query<IMediaControl>();
  return control && SUCCEEDED(control->StopWhenReady());
}

double TPlaybackGraph::CurrentPositionOrZero() const {
  double seconds = 0;
  if (parts_->Position) (void)parts_->Position->get_CurrentPosition(&seconds);
  return seconds;
}

bool TPlaybackGraph::PutPosition(double seconds) const {
  parts_->Follow.reset();
  return parts_->Position && SUCCEEDED(parts_->Position->put_CurrentPosition(seconds));
}

bool TPlaybackGraph::ShowKeptFrame(double seconds) const {
  auto* renderer = dynamic_cast<gst::RendererFilter*>(parts_->Renderer.Get());
  if (!renderer || !parts_->Position || State() != TGraphState::kPaused || IsRunning(0) ||
      !std::isfinite(seconds))
    return false;
  const std::optional<gst::RendererFilter::Shown> frame =
      renderer->KeptFrameFrom(std::llround(std::max(seconds, 0.0) * 1e9));
  if (!frame) return false;
  renderer->ShowKept(*frame);
  parts_->Follow = seconds;
  return true;
}

void TPlaybackGraph::CatchUp() const {
  if (const std::optional<double> follow = parts_->Follow) (void)PutPosition(*follow);
}

bool TPlaybackGraph::PutRate(double rate) const {
  // The rate change seeks to the position, which is the frame on screen.
  parts_->Follow.reset();
  return parts_->Position && SUCCEEDED(parts_->Position->put_Rate(rate));
}

double TPlaybackGraph::Rate() const {
  double rate = 1.0;
  if (parts_->Position) (void)parts_->Position->get_Rate(&rate);
  return rate;
}

bool TPlaybackGraph::PutVolume(long volume) const {
  const ComPtr<IBasicAudio> audio = parts_->Query<IBasicAudio>();
  return audio && SUCCEEDED(audio->put_Volume(volume));
}

long TPlaybackGraph::Volume() const {
  LONG volume = 0;
  if (const ComPtr<IBasicAudio> audio = parts_->Query<IBasicAudio>())
    (void)audio->get_Volume(&volume);
  return volume;
}

bool TPlaybackGraph::StepForward(int frames) const {
  CatchUp();
  const ComPtr<IVideoFrameStep> step = parts_->Query<IVideoFrameStep>();
  return step && step->CanStep(frames, nullptr) == S_OK &&
         step->Step(static_cast<ULONG>(frames), nullptr) == S_OK;
}

bool TPlaybackGraph::SetVideoPosition(int left, int top, int width, int height) const {
  const ComPtr<IVideoWindow> window = parts_->Query<IVideoWindow>();
  return window && SUCCEEDED(window->SetWindowPosition(left, top, width, height));
}

bool TPlaybackGraph::MakeHeadless() {
  auto* renderer = dynamic_cast<gst::RendererFilter*>(parts_->Renderer.Get());
  if (!renderer) return false;
  renderer->SetHeadless();
  return true;
}

bool TPlaybackGraph::SkipRunUpFrames() {
  const auto* renderer = dynamic_cast<const gst::RendererFilter*>(parts_->Renderer.Get());
  if (!renderer) return false;
  parts_->RunUp = gst::InstallRunUpSkip(renderer->Element());
  return parts_->RunUp != nullptr;
}

double TPlaybackGraph::KeyFrameSpacing() const {
  const std::int64_t spacing = parts_->RunUp ? parts_->RunUp->keyFrameSpacingNs.load() : -1;
  return spacing > 0 ? static_cast<double>(spacing) / 1e9 : 0.0;
}

std::uint64_t TPlaybackGraph::SkippedRunUpFrames() const {
  return parts_->RunUp ? parts_->RunUp->skipped.load() : 0;
}

bool TPlaybackGraph::AtEnd() const {
  const auto* renderer = dynamic_cast<const gst::RendererFilter*>(parts_->Renderer.Get());
  return renderer && renderer->AtEnd();
}

}  // namespace frivo
