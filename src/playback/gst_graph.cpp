// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/gst_graph.h"

#include <gst/pbutils/pbutils.h>

#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <cmath>

#include "playback/graph_builder.h"
#include "playback/gst_filters.h"
#include "playback/mp4_scan.h"
#include "playback/mpeg_scan.h"

namespace frivo::gst {

namespace {

using Clock = std::chrono::steady_clock;

// playbin's flags: video, audio and software volume; no subtitles, no
// visualisation, no deinterlacing (frames must reach the grabber as stored).
constexpr guint kPlayFlags = 0x1 | 0x2 | 0x10;
constexpr guint kAudioFlag = 0x2;
// Frames go to the sink in the decoder's format, without playbin's converter,
// scaler and colour balance, which would only pass them through.
constexpr guint kNativeVideoFlag = 0x40;

// A graph made for AudioOutput::kNone leaves the audio streams out altogether.
// A graph without a window also leaves out playbin's pass-through video
// elements: its renderer takes any raw format and makes no pictures.
guint PlayFlags(bool headless) {
  guint flags = kPlayFlags;
  if (CurrentAudioOutput() == AudioOutput::kNone) flags &= ~kAudioFlag;
  if (headless) flags |= kNativeVideoFlag;
  return flags;
}

// How long a seek, a step or the first preroll may take before the call gives up.
constexpr auto kSettleTime = std::chrono::seconds(10);
constexpr auto kOpenTime = std::chrono::seconds(20);
// How long a seek waits for a demuxer that has stopped pushing before it
// counts as having found nothing.
constexpr auto kDemuxerStall = std::chrono::milliseconds(500);

GstClockTime ToClockTime(std::chrono::nanoseconds span) {
  return static_cast<GstClockTime>(span.count());
}

double ToSeconds(std::int64_t ns) {
  return static_cast<double>(ns) / GST_SECOND;
}

// A graph without sound still gets the file's audio streams from playbin's
// decoder bins, which would parse and decode them for nothing. Their
// autoplugging stops at the compressed stream instead; playbin leaves the
// undecoded pad unused as it left the decoded one.
gboolean StopAtAudio(GstElement*, GstPad*, GstCaps* caps, gpointer) {
  if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps)) return TRUE;
  return !g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "audio/");
}

void OnElementSetupWithoutSound(GstElement*, GstElement* element, gpointer) {
  GstElementFactory* factory = gst_element_get_factory(element);
  if (factory && std::string_view(GST_OBJECT_NAME(factory)) == "decodebin")
    g_signal_connect(element, "autoplug-continue", G_CALLBACK(&StopAtAudio), nullptr);
}

ElementPtr MakeAudioSink() {
  if (CurrentAudioOutput() == AudioOutput::kSystem) {
    ElementPtr sink = MakeElement("autoaudiosink", "audio-output");
    if (sink && gst_element_set_state(sink.get(), GST_STATE_READY) != GST_STATE_CHANGE_FAILURE) {
      gst_element_set_state(sink.get(), GST_STATE_NULL);
      return sink;
    }
    // No sound device: play on without sound rather than refuse the file.
  }
  ElementPtr sink = MakeElement("fakesink", "audio-output");
  g_object_set(sink.get(), "sync", TRUE, nullptr);
  return sink;
}

class FilterGraph final : public IGraphBuilder,
                          public IMediaControl,
                          public IMediaPosition,
                          public IBasicVideo,
                          public IVideoWindow,
                          public IBasicAudio,
                          public IVideoFrameStep {
 public:
  FilterGraph() {
    EnsureInitialized();
    staging_.reset(GST_ELEMENT(gst_object_ref_sink(gst_bin_new("graph"))));
  }

  // IUnknown
  HRESULT QueryInterface(const IID& iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IUnknown::kIid || iid == IGraphBuilder::kIid) {
      *object = static_cast<IGraphBuilder*>(this);
    } else if (iid == IMediaControl::kIid) {
      *object = static_cast<IMediaControl*>(this);
    } else if (iid == IMediaPosition::kIid) {
      *object = static_cast<IMediaPosition*>(this);
    } else if (iid == IBasicVideo::kIid) {
      *object = static_cast<IBasicVideo*>(this);
    } else if (iid == IVideoWindow::kIid) {
      *object = static_cast<IVideoWindow*>(this);
    } else if (iid == IBasicAudio::kIid) {
      *object = static_cast<IBasicAudio*>(this);
    } else if (iid == IVideoFrameStep::kIid) {
      *object = static_cast<IVideoFrameStep*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return refs_.Add(); }
  ULONG Release() override {
    const ULONG left = refs_.Drop();
    if (left == 0) delete this;
    return left;
  }

  // IGraphBuilder
  HRESULT AddFilter(IBaseFilter* filter, const QString& name) override;
  HRESULT EnumFilters(std::vector<ComPtr<IBaseFilter>>* filters) override {
    if (!filters) return E_POINTER;
    *filters = filters_;
    return S_OK;
  }
  HRESULT Connect(IPin* out, IPin* in) override;
  HRESULT RenderFile(const QString& path, const QString& playList) override;

  // IMediaControl
  HRESULT Run() override { return ChangeState(GST_STATE_PLAYING, false); }
  HRESULT Pause() override { return ChangeState(GST_STATE_PAUSED, false); }
  HRESULT Stop() override { return ChangeState(GST_STATE_PAUSED, true); }
  HRESULT StopWhenReady() override {
    const HRESULT hr = ChangeState(GST_STATE_PAUSED, true);
    if (FAILED(hr)) return hr;
    return Settle() ? S_OK : S_FALSE;
  }
  HRESULT GetState(LONG msTimeout, OAFilterState* state) override;

  // IMediaPosition
  HRESULT get_Duration(double* seconds) override;
  HRESULT get_CurrentPosition(double* seconds) override;
  HRESULT put_CurrentPosition(double seconds) override;
  HRESULT put_Rate(double rate) override;
  HRESULT get_Rate(double* rate) override {
    if (!rate) return E_POINTER;
    *rate = rate_;
    return S_OK;
  }

  // IBasicVideo
  HRESULT get_VideoWidth(LONG* width) override { return VideoDimension(width, true); }
  HRESULT get_VideoHeight(LONG* height) override { return VideoDimension(height, false); }
  HRESULT GetCurrentImage(LONG* bufferSize, BYTE* image) override {
    if (!renderer_) return VFW_E_NOT_CONNECTED;
    return renderer_->GetCurrentImage(bufferSize, image);
  }

  // IVideoWindow
  HRESULT put_Owner(QWidget* owner) override {
    return renderer_ ? renderer_->PutOwner(owner) : VFW_E_NOT_CONNECTED;
  }
  HRESULT put_WindowStyle(LONG style) override {
    style_ = style;
    return S_OK;
  }
  HRESULT get_WindowStyle(LONG* style) override {
    if (!style) return E_POINTER;
    *style = style_;
    return S_OK;
  }
  HRESULT put_MessageDrain(QWidget* drain) override {
    return renderer_ ? renderer_->PutMessageDrain(drain) : VFW_E_NOT_CONNECTED;
  }
  HRESULT SetWindowForeground(LONG) override { return renderer_ ? S_OK : VFW_E_NOT_CONNECTED; }
  HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override {
    return renderer_ ? renderer_->SetWindowPosition(left, top, width, height) : VFW_E_NOT_CONNECTED;
  }

  // IBasicAudio
  HRESULT put_Volume(LONG volume) override {
    if (volume < -10000 || volume > 0) return E_INVALIDARG;
    volume_ = volume;
    if (pipeline_) g_object_set(pipeline_.get(), "volume", VolumeToLinear(volume), nullptr);
    return S_OK;
  }
  HRESULT get_Volume(LONG* volume) override {
    if (!volume) return E_POINTER;
    *volume = volume_;
    return S_OK;
  }

  // IVideoFrameStep
  HRESULT Step(ULONG frames, IUnknown* stepObject) override;
  HRESULT CanStep(LONG, IUnknown* stepObject) override {
    if (stepObject) return E_INVALIDARG;
    return HasVideo() ? S_OK : S_FALSE;
  }

 private:
  ~FilterGraph() {
    if (pipeline_) {
      gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
      BusPtr bus(gst_element_get_bus(pipeline_.get()));
      gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    }
    gst_element_set_state(staging_.get(), GST_STATE_NULL);
  }

  [[nodiscard]] bool HasVideo() const {
    int width = 0;
    int height = 0;
    return pipeline_ && renderer_ && renderer_->VideoSize(&width, &height);
  }
  HRESULT VideoDimension(LONG* out, bool width);
  HRESULT ChangeState(GstState state, bool stopped);
  // Waits until a pending state change (preroll after a seek or a pause) is done.
  bool Settle(std::chrono::nanoseconds limit = kSettleTime) {
    return pipeline_ && gst_element_get_state(pipeline_.get(), nullptr, nullptr,
                                              ToClockTime(limit)) == GST_STATE_CHANGE_SUCCESS;
  }
  [[nodiscard]] bool IsRunning() const {
    return pipeline_ && !stopped_.load() && GST_STATE_TARGET(pipeline_.get()) == GST_STATE_PLAYING;
  }
  // Seeks to a stream time (media time + the timeline's origin).
  HRESULT Seek(std::int64_t positionNs, double rate);
  enum class Landing { kShown, kNoFrame, kLate, kFailed };
  // One seek to `targetNs` with its retries from earlier starts.
  Landing SeekTo(std::int64_t targetNs, double rate);
  // Where the demuxer is told to start for a seek to `targetNs`.
  [[nodiscard]] std::int64_t DemuxStartFor(std::int64_t targetNs) const;
  void QueryDuration();
  // The stated frame duration, or that of 29.97 fps when the stream states none.
  [[nodiscard]] std::int64_t FrameOrFallbackNs() const {
    const std::int64_t frame = renderer_ ? renderer_->FrameDurationNs() : -1;
    return frame > 0 ? frame : (renderer_ ? 33'366'667 : -1);
  }
  // One accurate flushing seek, the demuxer starting at demuxStartNs and the
  // playback at targetNs: kShown when a new frame is on screen afterwards (or
  // the file has no video), kNoFrame when the video ended or the demuxer went
  // quiet without one, kLate when its first frame came after the target.
  Landing SeekOnce(std::int64_t demuxStartNs, std::int64_t targetNs, double rate);
  ElementPtr BuildVideoBin(GrabberFilter* grabber);
  static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);

  RefCount refs_;
  ElementPtr staging_;   // bin holding the filters until the file is rendered
  ElementPtr pipeline_;  // the playbin, once RenderFile has run
  std::shared_ptr<Timeline> timeline_ = std::make_shared<Timeline>();
  std::vector<ComPtr<IBaseFilter>> filters_;
  RendererFilter* renderer_ = nullptr;  // held in filters_
  std::int64_t durationNs_ = -1;        // media time
  std::int64_t videoSpanNs_ = -1;       // first to last picture time of an MPEG stream
  std::int64_t firstFrameNs_ = 0;       // stream time of the first frame, read at open
  double rate_ = 1.0;
  LONG volume_ = 0;
  LONG style_ = WS_CHILD | WS_CLIPSIBLINGS;

  // Stop is a pause with this flag set (a ready pipeline would lose the
  // position). Written by the UI thread and by Pause from the grabber callback.
  std::atomic<bool> stopped_{true};

  // Filled by the bus handler on whichever thread posts a message.
  std::mutex busMutex_;
  std::condition_variable busChanged_;
  GstElement* rendererSink_ = nullptr;  // set before the pipeline exists
  bool error_ = false;
  GQuark errorDomain_ = 0;
  int errorCode_ = 0;
  bool missingVideoDecoder_ = false;
  bool missingAudioDecoder_ = false;
  std::uint64_t stepsDone_ = 0;
  bool stepHitEnd_ = false;
};

HRESULT FilterGraph::AddFilter(IBaseFilter* filter, const QString& name) {
  if (!filter) return E_POINTER;
  auto* element = dynamic_cast<ElementFilter*>(filter);
  if (!element || GST_OBJECT_PARENT(element->Element())) return E_INVALIDARG;
  if (pipeline_) return VFW_E_WRONG_STATE;
  HRESULT result = S_OK;
  if (!name.isEmpty()) {
    QString unique = name;
    for (int n = 1;
         ElementPtr(gst_bin_get_by_name(GST_BIN(staging_.get()), unique.toUtf8().constData()));
         ++n) {
      unique = QStringLiteral("%1 %2").arg(name).arg(n, 4, 10, QLatin1Char('0'));
      result = VFW_S_DUPLICATE_NAME;
    }
    gst_object_set_name(GST_OBJECT(element->Element()), unique.toUtf8().constData());
  }
  if (!gst_bin_add(GST_BIN(staging_.get()), element->Element())) return E_FAIL;
  filters_.emplace_back(filter);
  if (auto* renderer = dynamic_cast<RendererFilter*>(filter); renderer && !renderer_)
    renderer_ = renderer;
  return result;
}

HRESULT FilterGraph::Connect(IPin* out, IPin* in) {
  auto* outPin = dynamic_cast<PadPin*>(out);
  auto* inPin = dynamic_cast<PadPin*>(in);
  if (!outPin || !inPin) return E_POINTER;
  GstPad* src = outPin->Pad();
  GstPad* sink = inPin->Pad();
  if (GST_PAD_DIRECTION(src) != GST_PAD_SRC || GST_PAD_DIRECTION(sink) != GST_PAD_SINK)
    return E_INVALIDARG;
  if (gst_pad_is_linked(src) || gst_pad_is_linked(sink)) return VFW_E_CANNOT_CONNECT;
  const GstPadLinkReturn direct = gst_pad_link(src, sink);
  if (direct == GST_PAD_LINK_OK) return S_OK;
  if (direct != GST_PAD_LINK_NOFORMAT) return VFW_E_CANNOT_CONNECT;
  // The formats differ: put a converter between the two pins.
  struct Converter {
    const char* factory;
    const char* name;
  };
  for (const Converter& converter : {Converter{"videoconvert", "Color Space Converter"},
                                     Converter{"audioconvert", "Audio Converter"}}) {
    ElementPtr element = MakeElement(converter.factory);
    if (!element) continue;
    PadPtr convertIn(gst_element_get_static_pad(element.get(), "sink"));
    PadPtr convertOut(gst_element_get_static_pad(element.get(), "src"));
    if (!gst_bin_add(GST_BIN(staging_.get()), element.get())) continue;
    if (gst_pad_link(src, convertIn.get()) == GST_PAD_LINK_OK) {
      if (gst_pad_link(convertOut.get(), sink) == GST_PAD_LINK_OK) {
        auto* filter = new ElementFilter(std::move(element));
        filters_.push_back(ComPtr<IBaseFilter>::Attach(filter));
        gst_object_set_name(GST_OBJECT(filter->Element()), nullptr);
        return S_OK;
      }
      gst_pad_unlink(src, convertIn.get());
    }
    gst_bin_remove(GST_BIN(staging_.get()), element.get());
  }
  return VFW_E_CANNOT_CONNECT;
}

ElementPtr FilterGraph::BuildVideoBin(GrabberFilter* grabber) {
  ElementPtr bin(GST_ELEMENT(gst_object_ref_sink(gst_bin_new("video-output"))));
  // Frames stay in the decoder's format: the grabber and the renderer make
  // 24-bit pictures only of the frames that need one.
  ElementPtr format = MakeElement("capsfilter", "video-format");
  CapsPtr caps(gst_caps_from_string("video/x-raw"));
  g_object_set(format.get(), "caps", caps.get(), nullptr);
  gst_bin_add(GST_BIN(bin.get()), format.get());
  GstElement* last = format.get();
  for (ElementFilter* filter :
       {static_cast<ElementFilter*>(grabber), static_cast<ElementFilter*>(renderer_)}) {
    if (!filter) continue;
    GstElement* element = filter->Element();
    if (GST_OBJECT_PARENT(element)) gst_bin_remove(GST_BIN(GST_OBJECT_PARENT(element)), element);
    gst_bin_add(GST_BIN(bin.get()), element);
    gst_element_link(last, element);
    last = element;
  }
  PadPtr target(gst_element_get_static_pad(format.get(), "sink"));
  InstallFrameStamper(target.get(), timeline_);
  GstPad* ghost = gst_ghost_pad_new("sink", target.get());
  InstallSegmentAdjust(ghost, timeline_);
  if (grabber) grabber->SetTimeline(timeline_);
  renderer_->SetTimeline(timeline_);
  gst_element_add_pad(bin.get(), ghost);
  return bin;
}

HRESULT FilterGraph::RenderFile(const QString& path, const QString&) {
  if (pipeline_) return VFW_E_WRONG_STATE;
  const QFileInfo info(path);
  if (!info.exists() || info.isDir()) return VFW_E_NOT_FOUND;
  // A pipe or a device would block the open until someone writes to it, and
  // nothing in it could be sought: only files are played.
  if (!info.isFile()) return VFW_E_UNKNOWN_FILE_TYPE;

  // Known before the file plays: the frames' own durations are kept for it.
  if (std::optional<TTrackTiming> timing = Mp4VideoTiming(path);
      timing && !timing->constantRate && timing->AverageFrameNs() > 0) {
    timeline_->frameTable = std::make_shared<const TTrackTiming>(std::move(*timing));
    timeline_->variableRate.store(true);
  }

  if (!renderer_) {
    auto renderer = ComPtr<IBaseFilter>::Attach(new RendererFilter);
    const HRESULT hr = AddFilter(renderer.Get(), QStringLiteral("Video Renderer"));
    if (FAILED(hr)) return hr;
  }
  GrabberFilter* grabber = nullptr;
  for (const ComPtr<IBaseFilter>& filter : filters_) {
    if (auto* candidate = dynamic_cast<GrabberFilter*>(filter.Get());
        candidate && candidate->AcceptsVideoPath()) {
      grabber = candidate;
      break;
    }
  }
  rendererSink_ = renderer_->Element();

  ElementPtr playbin = MakeElement("playbin", "playback");
  if (!playbin) return E_FAIL;
  CharPtr uri(gst_filename_to_uri(QFile::encodeName(info.absoluteFilePath()).constData(), nullptr));
  if (!uri) return VFW_E_NOT_FOUND;
  ElementPtr videoBin = BuildVideoBin(grabber);
  ElementPtr audioSink = MakeAudioSink();
  const guint flags = PlayFlags(renderer_->Headless());
  g_object_set(playbin.get(), "uri", uri.get(), "flags", flags, "video-sink", videoBin.get(),
               "audio-sink", audioSink.get(), "volume", VolumeToLinear(volume_), nullptr);
  InstallElementWatch(playbin.get(), timeline_);
  if (!(flags & kAudioFlag))
    g_signal_connect(playbin.get(), "element-setup", G_CALLBACK(&OnElementSetupWithoutSound),
                     nullptr);
  BusPtr bus(gst_element_get_bus(playbin.get()));
  gst_bus_set_sync_handler(bus.get(), &FilterGraph::OnBusMessage, this, nullptr);
  pipeline_ = std::move(playbin);

  const GstStateChangeReturn change = gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED);
  // Waited for in short slices, the window kept painted in between: a damaged
  // file may never give a first frame, never fail and never end. An error on
  // the bus ends the wait at once (a demuxer that gives up on a cut file says
  // so from its own thread and leaves the state change pending).
  GstStateChangeReturn settled = change;
  const auto openDeadline = Clock::now() + kOpenTime;
  auto failed = [this] {
    std::lock_guard lock(busMutex_);
    return error_ || missingVideoDecoder_;
  };
  while (settled != GST_STATE_CHANGE_FAILURE) {
    settled = gst_element_get_state(pipeline_.get(), nullptr, nullptr,
                                    ToClockTime(std::chrono::milliseconds(40)));
    if (settled != GST_STATE_CHANGE_ASYNC || failed() || Clock::now() >= openDeadline ||
        !PumpOpenWait())
      break;
  }
  stopped_ = true;
  // Every stream has reached its sink: the file's start is known.
  timeline_->FinishMeasuring();

  HRESULT result = S_OK;
  {
    std::lock_guard lock(busMutex_);
    if (missingVideoDecoder_) {
      result = VFW_E_NO_DECOMPRESSOR;
    } else if (settled == GST_STATE_CHANGE_ASYNC && !error_) {
      result = VFW_E_TIMEOUT;
    } else if (settled == GST_STATE_CHANGE_FAILURE || error_) {
      if (errorDomain_ == GST_STREAM_ERROR && errorCode_ == GST_STREAM_ERROR_TYPE_NOT_FOUND) {
        result = VFW_E_UNKNOWN_FILE_TYPE;
      } else if (errorDomain_ == GST_STREAM_ERROR &&
                 errorCode_ == GST_STREAM_ERROR_CODEC_NOT_FOUND) {
        result = VFW_E_NO_DECOMPRESSOR;
      } else {
        result = VFW_E_UNSUPPORTED_STREAM;
      }
    } else if (missingAudioDecoder_) {
      result = VFW_S_PARTIAL_RENDER;
    }
  }
  if (FAILED(result)) {
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    return result;
  }
  if (renderer_) firstFrameNs_ = std::max<std::int64_t>(renderer_->ShownFrame().streamStartNs, 0);
  // The first frames of a file that was never sought can come with the
  // decoder's guess for a time (H.264 with B-frames in Matroska starts a frame
  // early); a seek to the start stamps them as every later seek does.
  // (Seeking before the first frame instead would make MPEG-TS count stream
  // time from there.) A graph without a window seeks to every frame it takes
  // anyway and skips it: a second decode of the first frames costs a batch
  // tool's whole start-up. MPEG system streams still need it, their first
  // stream times counting on another base until the first seek.
  const bool seeksAnyway = renderer_ && renderer_->Headless() && !timeline_->mpegSystem.load();
  if (HasVideo() && !seeksAnyway && !timeline_->reordered.load() &&
      SeekOnce(firstFrameNs_, firstFrameNs_, rate_) == Landing::kShown &&
      timeline_->LandingNs() >= 0) {
    firstFrameNs_ = timeline_->LandingNs();
  }
  // MPEG demuxers take the length from the clock references, which may be
  // far from the pictures' times.
  if (timeline_->mpegSystem.load() && HasVideo()) videoSpanNs_ = VideoPtsSpanNs(path).value_or(-1);
  // Phones record unevenly spaced frames; the demuxer's rate for them can be a
  // tick of the track's clock. The sample table gives the average.
  if (renderer_ && HasVideo() && timeline_->variableRate.load()) {
    // Every frame's media time: the sample table's times, counted from the
    // first frame, which is where the file's first frame is on the timeline.
    const std::vector<std::int64_t>& pts = timeline_->frameTable->presentationNs;
    std::vector<std::int64_t> media;
    media.reserve(pts.size());
    const std::int64_t first = timeline_->ToMediaNs(firstFrameNs_);
    for (const std::int64_t time : pts) media.push_back(time - pts.front() + first);
    renderer_->SetVariableRate(timeline_->frameTable->AverageFrameNs(), std::move(media));
  }
  QueryDuration();
  return result;
}

GstBusSyncReply FilterGraph::OnBusMessage(GstBus*, GstMessage* message, gpointer data) {
  auto* self = static_cast<FilterGraph*>(data);
  switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
      GError* raw = nullptr;
      gst_message_parse_error(message, &raw, nullptr);
      ErrorPtr error(raw);
      std::lock_guard lock(self->busMutex_);
      if (!self->error_ && error) {
        self->error_ = true;
        self->errorDomain_ = error->domain;
        self->errorCode_ = error->code;
      }
      break;
    }
    case GST_MESSAGE_ELEMENT:
      if (gst_is_missing_plugin_message(message)) {
        const GstStructure* s = gst_message_get_structure(message);
        GstCaps* caps = nullptr;
        std::string_view type =
            gst_structure_get_string(s, "type") ? gst_structure_get_string(s, "type") : "";
        if (type == "decoder" && gst_structure_get(s, "detail", GST_TYPE_CAPS, &caps, nullptr) &&
            caps) {
          CapsPtr owned(caps);
          const char* name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
          std::lock_guard lock(self->busMutex_);
          if (g_str_has_prefix(name, "video/") || g_str_has_prefix(name, "image/")) {
            self->missingVideoDecoder_ = true;
          } else if (g_str_has_prefix(name, "audio/")) {
            self->missingAudioDecoder_ = true;
          }
        }
      }
      break;
    case GST_MESSAGE_STEP_DONE:
      if (GST_MESSAGE_SRC(message) == GST_OBJECT(self->rendererSink_)) {
        gboolean eos = FALSE;
        gst_message_parse_step_done(message, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    &eos);
        std::lock_guard lock(self->busMutex_);
        ++self->stepsDone_;
        self->stepHitEnd_ = eos;
      }
      break;
    default:
      break;
  }
  self->busChanged_.notify_all();
  // A sync handler that drops a message owns it: every message holds its
  // source, so one not freed here keeps the whole pipeline and its buffers.
  gst_message_unref(message);
  return GST_BUS_DROP;
}

HRESULT FilterGraph::ChangeState(GstState state, bool stopped) {
  if (!pipeline_) return VFW_E_WRONG_STATE;
  stopped_ = stopped;
  const GstStateChangeReturn change = gst_element_set_state(pipeline_.get(), state);
  if (change == GST_STATE_CHANGE_FAILURE) return E_FAIL;
  return change == GST_STATE_CHANGE_ASYNC ? S_FALSE : S_OK;
}

HRESULT FilterGraph::GetState(LONG msTimeout, OAFilterState* state) {
  if (!state) return E_POINTER;
  if (!pipeline_) {
    *state = State_Stopped;
    return S_OK;
  }
  GstState current = GST_STATE_NULL;
  GstState pending = GST_STATE_VOID_PENDING;
  const GstClockTime wait =
      msTimeout < 0 ? GST_CLOCK_TIME_NONE : static_cast<GstClockTime>(msTimeout) * GST_MSECOND;
  const GstStateChangeReturn result =
      gst_element_get_state(pipeline_.get(), &current, &pending, wait);
  // While a change is still under way the answer is the state the graph is
  // going to, with VFW_S_STATE_INTERMEDIATE: a graph told to run counts as
  // running from then on, even while it is still prerolling.
  const GstState shown =
      result == GST_STATE_CHANGE_ASYNC && pending != GST_STATE_VOID_PENDING ? pending : current;
  if (stopped_.load()) {
    *state = State_Stopped;
  } else {
    *state = shown == GST_STATE_PLAYING  ? State_Running
             : shown == GST_STATE_PAUSED ? State_Paused
                                         : State_Stopped;
  }
  if (result == GST_STATE_CHANGE_FAILURE) return E_FAIL;
  return result == GST_STATE_CHANGE_ASYNC ? VFW_S_STATE_INTERMEDIATE : S_OK;
}

void FilterGraph::QueryDuration() {
  if (videoSpanNs_ >= 0) {
    // The pictures' own times: from the first frame to the end of the last.
    const std::int64_t frame = FrameOrFallbackNs();
    durationNs_ =
        timeline_->ToMediaNs(firstFrameNs_) + videoSpanNs_ + std::max<std::int64_t>(frame, 0);
    return;
  }
  gint64 duration = -1;
  if (gst_element_query_duration(pipeline_.get(), GST_FORMAT_TIME, &duration) && duration >= 0)
    durationNs_ = duration;
}

HRESULT FilterGraph::get_Duration(double* seconds) {
  if (!seconds) return E_POINTER;
  if (!pipeline_) return VFW_E_WRONG_STATE;
  QueryDuration();
  if (durationNs_ < 0) return E_FAIL;
  *seconds = ToSeconds(durationNs_);
  return S_OK;
}

HRESULT FilterGraph::get_CurrentPosition(double* seconds) {
  if (!seconds) return E_POINTER;
  if (!pipeline_) return VFW_E_WRONG_STATE;
  if (!IsRunning() && renderer_) {
    const RendererFilter::Shown shown = renderer_->ShownFrame();
    if (shown.mediaStartNs >= 0) {
      *seconds = ToSeconds(shown.mediaStartNs);
      return S_OK;
    }
  }
  gint64 position = -1;
  if (!gst_element_query_position(pipeline_.get(), GST_FORMAT_TIME, &position) || position < 0)
    return E_FAIL;
  *seconds = ToSeconds(std::max<std::int64_t>(timeline_->ToMediaNs(position), 0));
  return S_OK;
}

FilterGraph::Landing FilterGraph::SeekOnce(std::int64_t demuxStartNs, std::int64_t targetNs,
                                           double rate) {
  const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
  GstEvent* seek = gst_event_new_seek(rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET,
                                      static_cast<gint64>(demuxStartNs), GST_SEEK_TYPE_NONE,
                                      static_cast<gint64>(GST_CLOCK_TIME_NONE));
  const std::uint32_t seqnum = gst_event_get_seqnum(seek);
  const bool reordered = timeline_->reordered.load();
  // From the very start, whatever comes first is the file's first frame.
  timeline_->WatchLanding(seqnum, targetNs, !reordered && demuxStartNs > 0);
  if (reordered)
    timeline_->ExpectVideoSegment(demuxStartNs, targetNs);
  else
    timeline_->ExpectDemuxSegment(seqnum, demuxStartNs, targetNs);
  struct ClearExpectations {
    Timeline& timeline;
    ~ClearExpectations() {
      timeline.ExpectDemuxSegment(0, 0, 0);
      timeline.ExpectVideoSegment(0, 0);
    }
  } clear{*timeline_};
  const std::uint64_t shownBefore = renderer_ ? renderer_->ShownSerial() : 0;
  if (!gst_element_send_event(pipeline_.get(), seek)) return Landing::kFailed;
  if (!HasVideo()) {
    Settle();
    return Landing::kShown;
  }
  // A frame from before the seek can still be on its way into the renderer when
  // the seek is sent (the preroll frame rendered again as the graph starts
  // playing, or one that was waiting for its time). The seek's flush waits for
  // it to finish, so it is counted by now: a frame shown after this serial is
  // one of the seek's, and one shown between the two serials counts only once
  // the seek has landed (its first frame may be that quick).
  const std::uint64_t shownAtFlush = renderer_->ShownSerial();
  auto shownSince = [&] {
    const bool landed = timeline_->LandingNs() >= 0 && !timeline_->LandedLate();
    return landed ? shownBefore : shownAtFlush;
  };
  // The pipeline can report the seek done a moment before the renderer has
  // taken the new frame; callers read the frame on screen right after the seek.
  // A seek that finds no frame ends the video stream at once; one that landed
  // too late shows nothing and is known by its first frame.
  // An MPEG demuxer that stops pushing without a frame having landed, and
  // without an end of stream, has found nothing either (mpegpsdemux sought
  // past its last clock reference). Other demuxers always end their stream.
  const auto deadline = Clock::now() + kSettleTime;
  GstAppSink* sink = GST_APP_SINK(rendererSink_);
  std::uint64_t demuxed = timeline_->demuxedBuffers.load();
  auto lastPush = Clock::now();
  while (Clock::now() < deadline) {
    if (renderer_->WaitShownAfter(shownSince(), Clock::now() + std::chrono::milliseconds(10))) {
      Settle();
      return Landing::kShown;
    }
    if (timeline_->LandedLate()) return Landing::kLate;
    if (gst_app_sink_is_eos(sink)) return Landing::kNoFrame;
    if (const std::uint64_t now = timeline_->demuxedBuffers.load(); now != demuxed) {
      demuxed = now;
      lastPush = Clock::now();
    } else if (timeline_->mpegSystem.load() && timeline_->LandingNs() < 0 &&
               Clock::now() - lastPush > kDemuxerStall) {
      return Landing::kNoFrame;
    }
  }
  return Landing::kNoFrame;
}

std::int64_t FilterGraph::DemuxStartFor(std::int64_t targetNs) const {
  const std::int64_t frame = renderer_ ? renderer_->FrameDurationNs() : -1;
  if (timeline_->reordered.load()) {
    // Start early enough to decode the B-frames shown before a key frame.
    return frame > 0 ? std::max<std::int64_t>(targetNs - kReorderLeadFrames * frame, 0) : targetNs;
  }
  return targetNs;
}

FilterGraph::Landing FilterGraph::SeekTo(std::int64_t targetNs, double rate) {
  Landing landing = SeekOnce(DemuxStartFor(targetNs), targetNs, rate);
  // Demuxers without an index (MPEG program and transport streams) find a
  // position from the clock references, which can lie far from the pictures'
  // times: the first frame may come after the target. Start earlier and earlier
  // until the frame containing the target is decoded.
  // Near the end, the same demuxers may find nothing at all.
  std::int64_t backOff = GST_SECOND;
  for (int attempt = 0; landing == Landing::kLate ||
                        (landing == Landing::kNoFrame && timeline_->LandingNs() < 0 && attempt < 2);
       ++attempt) {
    const std::int64_t start = std::max<std::int64_t>(targetNs - backOff, 0);
    landing = SeekOnce(start, targetNs, rate);
    if (start == 0) break;
    backOff *= 2;
  }
  return landing;
}

HRESULT FilterGraph::Seek(std::int64_t positionNs, double rate) {
  // Nothing comes before the first frame; some demuxers (MPEG-TS) would count
  // media time from the seek position instead of the stream's start there.
  std::int64_t target = std::max(positionNs, firstFrameNs_);
  const std::int64_t frame = FrameOrFallbackNs();
  // A position in the last frame can find nothing to show when the decoder does
  // not know that frame's length; step back until a frame is there.
  for (int attempt = 0; attempt < 8; ++attempt) {
    switch (SeekTo(target, rate)) {
      case Landing::kFailed:
        return E_FAIL;
      case Landing::kShown:
        return S_OK;
      case Landing::kLate:
      case Landing::kNoFrame:
        break;
    }
    if (frame <= 0 || target <= firstFrameNs_) break;
    target = std::max(target - frame, firstFrameNs_);
  }
  return S_OK;
}

HRESULT FilterGraph::put_CurrentPosition(double seconds) {
  if (!pipeline_) return VFW_E_WRONG_STATE;
  if (!std::isfinite(seconds)) return E_INVALIDARG;
  auto target = static_cast<std::int64_t>(std::llround(std::max(seconds, 0.0) * GST_SECOND));
  // A position past the last frame goes to the last frame, so the screen never
  // ends up empty.
  const std::int64_t frame = FrameOrFallbackNs();
  if (durationNs_ > 0 && frame > 0)
    target = std::min(target, std::max<std::int64_t>(durationNs_ - frame, 0));
  return Seek(target + timeline_->originNs.load(), rate_);
}

HRESULT FilterGraph::put_Rate(double rate) {
  if (!(rate > 0.0) || !std::isfinite(rate)) return E_INVALIDARG;
  rate_ = rate;
  if (!pipeline_) return S_OK;
  double position = 0.0;
  if (FAILED(get_CurrentPosition(&position))) position = 0.0;
  // Rate changes without a flushing seek are ignored by some demuxers (AVI).
  return Seek(
      static_cast<std::int64_t>(std::llround(position * GST_SECOND)) + timeline_->originNs.load(),
      rate_);
}

HRESULT FilterGraph::VideoDimension(LONG* out, bool width) {
  if (!out) return E_POINTER;
  int w = 0;
  int h = 0;
  if (!pipeline_ || !renderer_ || !renderer_->VideoSize(&w, &h)) return VFW_E_NOT_CONNECTED;
  *out = width ? w : h;
  return S_OK;
}

HRESULT FilterGraph::Step(ULONG frames, IUnknown* stepObject) {
  if (stepObject) return E_INVALIDARG;
  if (frames == 0) return E_INVALIDARG;
  if (!HasVideo()) return VFW_E_NOT_CONNECTED;
  if (GST_STATE_TARGET(pipeline_.get()) != GST_STATE_PAUSED) ChangeState(GST_STATE_PAUSED, false);
  stopped_ = false;
  Settle();
  const RendererFilter::Shown before = renderer_->ShownFrame();
  std::uint64_t stepsBefore = 0;
  {
    std::lock_guard lock(busMutex_);
    stepsBefore = stepsDone_;
    stepHitEnd_ = false;
  }
  if (!gst_element_send_event(rendererSink_,
                              gst_event_new_step(GST_FORMAT_BUFFERS, frames, 1.0, TRUE, FALSE))) {
    return E_FAIL;
  }
  const auto deadline = Clock::now() + kSettleTime;
  {
    std::unique_lock lock(busMutex_);
    if (!busChanged_.wait_until(lock, deadline, [&] { return stepsDone_ > stepsBefore; }))
      return VFW_E_TIMEOUT;
    if (stepHitEnd_) return E_FAIL;
  }
  if (!renderer_->WaitShownAfter(before.serial, deadline)) return E_FAIL;
  Settle();
  const RendererFilter::Shown after = renderer_->ShownFrame();
  return after.mediaStartNs > before.mediaStartNs ? S_OK : E_FAIL;
}

}  // namespace

IGraphBuilder* NewFilterGraph() {
  return new FilterGraph;
}

}  // namespace frivo::gst
