// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/playback_graph.h"

#include <cstring>

#include "playback/graph_builder.h"
#include "playback/gst_filters.h"

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

void TPlaybackGraph::CreateWithRenderer() {
  (void)CreateFilterGraph(&Graph);
  // Both renderer kinds are the same widget renderer here; the newer is asked for.
  (void)AddVideoRendererVmr9(&Renderer, Graph.Get());
}

void TPlaybackGraph::InsertDecoder() {
  const QString name = QString::fromLatin1(kPreferredDecoder);
  if (FAILED(CreateFilterByFriendlyName(&Decoder, CLSID_LegacyAmFilterCategory, name)) ||
      !Decoder) {
    Decoder = nullptr;
    return;
  }
  if (SUCCEEDED(Graph->AddFilter(Decoder.Get(), name))) {
    DecoderInserted = true;
    (void)ConnectFilters(Graph.Get(), Decoder.Get(), Renderer.Get());
  }
}

void TPlaybackGraph::AddSampleGrabber() {
  (void)AddSampleGrabberWithInterface(&GrabberFilter, &Grabber, Graph.Get());
  if (!Grabber) return;
  AM_MEDIA_TYPE type;
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_RGB24;
  type.formattype = FORMAT_VideoInfo;
  (void)Grabber->SetMediaType(&type);
}

HRESULT TPlaybackGraph::RenderFile(const QString& path) {
  if (!Graph) return E_POINTER;
  return Graph->RenderFile(path, QString());
}

void TPlaybackGraph::VideoSize(int* width, int* height) const {
  *width = 0;
  *height = 0;
  const ComPtr<IBasicVideo> video = Query<IBasicVideo>(Graph);
  if (!video) return;
  LONG w = 0, h = 0;
  (void)video->get_VideoWidth(&w);
  (void)video->get_VideoHeight(&h);
  *width = w;
  *height = h;
}

std::int64_t TPlaybackGraph::RendererAverageTimePerFrame() const {
  if (!Renderer) return 0;
  std::vector<ComPtr<IPin>> pins;
  if (FAILED(Renderer->EnumPins(&pins))) return 0;
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

bool TPlaybackGraph::GrabberConnected() const {
  if (!Grabber) return false;
  AM_MEDIA_TYPE type;
  return SUCCEEDED(Grabber->GetConnectedMediaType(&type));
}

void TPlaybackGraph::AttachVideoWindow(QWidget* panel) {
  const ComPtr<IVideoWindow> window = Query<IVideoWindow>(Graph);
  if (!window) return;
  (void)window->put_Owner(panel);
  (void)window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
  (void)window->put_MessageDrain(panel);
  (void)window->SetWindowForeground(0);
}

long TPlaybackGraph::CurrentImageSize() const {
  const ComPtr<IBasicVideo> video = Query<IBasicVideo>(Graph);
  LONG size = 0;
  if (!video || FAILED(video->GetCurrentImage(&size, nullptr))) return -1;
  return size;
}

bool TPlaybackGraph::CurrentImage(std::vector<BYTE>* buffer) const {
  const ComPtr<IBasicVideo> video = Query<IBasicVideo>(Graph);
  LONG size = 0;
  if (!video || FAILED(video->GetCurrentImage(&size, nullptr)) || size <= 0) return false;
  const LONG required = size;
  buffer->resize(static_cast<std::size_t>(required));
  if (FAILED(video->GetCurrentImage(&size, buffer->data()))) return false;
  return true;
}

double TPlaybackGraph::ShownFrameTime() const {
  const auto* renderer = dynamic_cast<const gst::RendererFilter*>(Renderer.Get());
  if (!renderer) return -1.0;
  const gst::RendererFilter::Shown shown = renderer->ShownFrame();
  if (shown.image.isNull() || shown.mediaStartNs < 0) return -1.0;
  return static_cast<double>(shown.mediaStartNs) / 1e9;
}

void TPlaybackGraph::TakePosition() {
  Position = Query<IMediaPosition>(Graph);
  Duration = 0;
  if (Position) (void)Position->get_Duration(&Duration);
}

void TPlaybackGraph::Release() {
  if (Grabber) (void)Grabber->SetCallback(nullptr, 1);
  if (Graph) {
    if (const ComPtr<IMediaControl> control = Query<IMediaControl>(Graph)) (void)control->Stop();
    DisconnectAll(Graph.Get());
    Graph = nullptr;
  }
  Renderer = nullptr;
  Decoder = nullptr;
  Position = nullptr;
  GrabberFilter = nullptr;
  Grabber = nullptr;
}

bool TPlaybackGraph::IsRunning(long msTimeout) const {
  const ComPtr<IMediaControl> control = Query<IMediaControl>(Graph);
  OAFilterState state = State_Stopped;
  return control && control->GetState(msTimeout, &state) == S_OK && state == State_Running;
}

OAFilterState TPlaybackGraph::State() const {
  return GetGraphState(Graph.Get());
}

void TPlaybackGraph::Run() const {
  if (const ComPtr<IMediaControl> control = Query<IMediaControl>(Graph)) (void)control->Run();
}

void TPlaybackGraph::Pause() const {
  if (const ComPtr<IMediaControl> control = Query<IMediaControl>(Graph)) (void)control->Pause();
}

void TPlaybackGraph::Stop() const {
  if (const ComPtr<IMediaControl> control = Query<IMediaControl>(Graph)) (void)control->Stop();
}

void TPlaybackGraph::StopWhenReady() const {
  if (const ComPtr<IMediaControl> control = Query<IMediaControl>(Graph))
    (void)control->StopWhenReady();
}

double TPlaybackGraph::CurrentPositionOrZero() const {
  double seconds = 0;
  if (Position) (void)Position->get_CurrentPosition(&seconds);
  return seconds;
}

void TPlaybackGraph::PutPosition(double seconds) const {
  if (Position) (void)Position->put_CurrentPosition(seconds);
}

void TPlaybackGraph::PutRate(double rate) const {
  if (Position) (void)Position->put_Rate(rate);
}

void TPlaybackGraph::PutVolume(long volume) const {
  if (const ComPtr<IBasicAudio> audio = Query<IBasicAudio>(Graph)) (void)audio->put_Volume(volume);
}

void TPlaybackGraph::SetBufferSamples(bool buffer) const {
  if (Grabber) (void)Grabber->SetBufferSamples(buffer);
}

bool TPlaybackGraph::StepForward(int frames) const {
  const ComPtr<IVideoFrameStep> step = Query<IVideoFrameStep>(Graph);
  return step && step->CanStep(frames, nullptr) == S_OK &&
         step->Step(static_cast<ULONG>(frames), nullptr) == S_OK;
}

void TPlaybackGraph::SetVideoPosition(int left, int top, int width, int height) const {
  if (const ComPtr<IVideoWindow> window = Query<IVideoWindow>(Graph))
    (void)window->SetWindowPosition(left, top, width, height);
}

}  // namespace frivo
