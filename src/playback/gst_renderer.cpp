// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include <gst/video/video.h>

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "playback/gst_filters.h"

namespace frivo::gst {

// Lives on the UI thread and carries frames to the widget there. Queued calls
// addressed to it are dropped when it is deleted, so a frame never reaches a
// widget of another file.
class FrameRelay : public QObject {
 public:
  QPointer<TVideoWidget> widget;  // UI thread only
};

struct RendererFilter::Core {
  mutable std::mutex mutex;  // guards shown; written by the streaming thread
  mutable std::condition_variable shownChanged;
  Shown shown;                               // mediaStartNs is filled in when read
  std::shared_ptr<const Timeline> timeline;  // set before streaming starts
  FrameRelay* relay = nullptr;               // deleted (later, on its thread) with the core
  // Headless: frames are stamped and counted, but no picture is kept or shown.
  // Set on the UI thread before the graph plays.
  std::atomic<bool> keepPictures{true};

  // The frames shown lately (guarded by mutex), in no particular order; the
  // oldest shown goes first when they outgrow the budget.
  struct Kept {
    QImage image;
    std::shared_ptr<const Native> native;
    std::int64_t startNs = -1;     // stream time
    std::int64_t durationNs = -1;  // -1 when neither the buffer nor the caps tell
    std::uint64_t order = 0;       // when it was shown
  };
  std::vector<Kept> kept;
  std::int64_t keptBytes = 0;
  std::uint64_t keptOrder = 0;
  std::int64_t keptBudget = RendererFilter::kKeptFramesBytes;

  static std::int64_t BytesOf(const Kept& frame) {
    return frame.image.sizeInBytes() + (frame.native ? frame.native->Bytes() : 0);
  }
  void Keep(const QImage& image, const std::shared_ptr<const Native>& native, std::int64_t startNs,
            std::int64_t durationNs) {
    if (startNs < 0) return;
    // The same frame shown again (a seek back onto it) replaces its copy.
    std::erase_if(kept, [&](const Kept& frame) {
      if (std::abs(frame.startNs - startNs) > kTimeToleranceNs) return false;
      keptBytes -= BytesOf(frame);
      return true;
    });
    kept.push_back({image, native, startNs, durationNs, ++keptOrder});
    keptBytes += BytesOf(kept.back());
    Trim();
  }
  void Trim() {
    while (keptBytes > keptBudget && !kept.empty()) {
      auto oldest = std::min_element(
          kept.begin(), kept.end(), [](const Kept& a, const Kept& b) { return a.order < b.order; });
      keptBytes -= BytesOf(*oldest);
      kept.erase(oldest);
    }
  }

  ~Core() {
    if (relay) relay->deleteLater();
  }

  // The panel's size in device pixels; 0 until the window says (the picture
  // for the screen is then the whole frame). Written by the UI thread.
  std::atomic<int> panelWidth{0};
  std::atomic<int> panelHeight{0};
  BgrConverter screen;  // streaming thread only

  // The size of the picture for the screen: the frame fitted into the panel,
  // never larger than the frame.
  QSize ScreenSize(int width, int height) const {
    const QSize frame(width, height);
    const QSize panel(panelWidth.load(), panelHeight.load());
    if (panel.isEmpty()) return frame;
    const QSize fitted = frame.scaled(panel, Qt::KeepAspectRatio);
    if (fitted.width() >= width || fitted.height() >= height) return frame;
    return fitted.expandedTo(QSize(1, 1));
  }

  void Present(GstSample* sample) {
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstCaps* caps = gst_sample_get_caps(sample);
    if (!keepPictures.load(std::memory_order_relaxed)) {
      Count(buffer, gst_sample_get_segment(sample));
      return;
    }
    GstVideoInfo info;
    if (!buffer || !caps || !gst_video_info_from_caps(&info, caps)) return;
    const QImage image = screen.Picture(
        buffer, info, ScreenSize(GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info)));
    if (image.isNull()) return;
    // The whole frame stays in its own format until someone asks for it; a
    // copy, so the decoder gets its buffer back.
    auto native = std::make_shared<Native>();
    native->info = info;
    native->buffer.reset(gst_buffer_copy_deep(buffer));

    std::int64_t media = -1;  // stream time, until ShownFrame reads it
    if (const GstSegment* segment = gst_sample_get_segment(sample);
        segment && segment->format == GST_FORMAT_TIME && GST_BUFFER_PTS_IS_VALID(buffer)) {
      const SegmentTimes times{static_cast<std::int64_t>(segment->start),
                               static_cast<std::int64_t>(segment->time), segment->applied_rate};
      media = ToMediaTimeNs(times, static_cast<std::int64_t>(GST_BUFFER_PTS(buffer)));
    }
    std::int64_t duration = -1;
    if (GST_BUFFER_DURATION_IS_VALID(buffer)) {
      duration = static_cast<std::int64_t>(GST_BUFFER_DURATION(buffer));
    } else if (GST_VIDEO_INFO_FPS_N(&info) > 0 && GST_VIDEO_INFO_FPS_D(&info) > 0) {
      duration = static_cast<std::int64_t>(gst_util_uint64_scale_int_round(
          GST_SECOND, GST_VIDEO_INFO_FPS_D(&info), GST_VIDEO_INFO_FPS_N(&info)));
    }
    {
      std::lock_guard lock(mutex);
      shown.image = image;
      shown.native = native;
      shown.streamStartNs = media;
      ++shown.serial;
      Keep(image, native, media, duration);
    }
    shownChanged.notify_all();
    FrameRelay* target = relay;
    QMetaObject::invokeMethod(
        target,
        [target, image] {
          if (target->widget) target->widget->ShowFrame(image);
        },
        Qt::QueuedConnection);
  }

  // The stamp and serial of a frame without its picture.
  void Count(GstBuffer* buffer, const GstSegment* segment) {
    std::int64_t media = -1;
    if (buffer && segment && segment->format == GST_FORMAT_TIME &&
        GST_BUFFER_PTS_IS_VALID(buffer)) {
      const SegmentTimes times{static_cast<std::int64_t>(segment->start),
                               static_cast<std::int64_t>(segment->time), segment->applied_rate};
      media = ToMediaTimeNs(times, static_cast<std::int64_t>(GST_BUFFER_PTS(buffer)));
    }
    {
      std::lock_guard lock(mutex);
      shown.streamStartNs = media;
      ++shown.serial;
    }
    shownChanged.notify_all();
  }

  static GstFlowReturn OnPreroll(GstAppSink* sink, gpointer data) {
    SamplePtr sample(gst_app_sink_pull_preroll(sink));
    if (sample) (*static_cast<std::shared_ptr<Core>*>(data))->Present(sample.get());
    return GST_FLOW_OK;
  }
  static GstFlowReturn OnSample(GstAppSink* sink, gpointer data) {
    SamplePtr sample(gst_app_sink_pull_sample(sink));
    if (sample) (*static_cast<std::shared_ptr<Core>*>(data))->Present(sample.get());
    return GST_FLOW_OK;
  }
  static void Forget(gpointer data) { delete static_cast<std::shared_ptr<Core>*>(data); }

  // Frames that start before the segment are the preroll of an accurate seek:
  // the grabber has seen them, the screen must not show them.
  static GstPadProbeReturn OnBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer) {
    FrameStamp stamp;
    if (StampFrame(pad, GST_PAD_PROBE_INFO_BUFFER(info), &stamp) &&
        stamp.startNs < stamp.segmentStartNs - kTimeToleranceNs) {
      return GST_PAD_PROBE_DROP;
    }
    return GST_PAD_PROBE_OK;
  }
};

namespace {

// Everything downstream of the decoder reads a frame through its video meta
// (the plane offsets and strides of the buffer), so the decoder may pass on
// its own padded buffers instead of copying each frame into a packed one: a
// copy of every decoded frame, also of those a seek decodes only to reach its
// target (3 MB each at 1080p, 12 MB at 4K).
GstPadProbeReturn AcceptVideoMeta(GstPad*, GstPadProbeInfo* info, gpointer) {
  GstQuery* query = GST_PAD_PROBE_INFO_QUERY(info);
  if (!query || GST_QUERY_TYPE(query) != GST_QUERY_ALLOCATION) return GST_PAD_PROBE_OK;
  if (!gst_query_find_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr))
    gst_query_add_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr);
  return GST_PAD_PROBE_HANDLED;
}

}  // namespace

RendererFilter::RendererFilter()
    : ElementFilter(MakeElement("appsink", "VMR9")), core_(std::make_shared<Core>()) {
  core_->relay = new FrameRelay;
  GstElement* sink = Element();
  // Any raw format in system memory: pictures are made from it when needed.
  CapsPtr caps(gst_caps_from_string("video/x-raw"));
  g_object_set(sink, "caps", caps.get(), "sync", TRUE, "qos", FALSE, "enable-last-sample", TRUE,
               "max-buffers", 1u, "drop", TRUE, "wait-on-eos", FALSE, "emit-signals", FALSE,
               nullptr);
  GstAppSinkCallbacks callbacks{};
  callbacks.new_preroll = &Core::OnPreroll;
  callbacks.new_sample = &Core::OnSample;
  gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, new std::shared_ptr<Core>(core_),
                             &Core::Forget);
  PadPtr pad(gst_element_get_static_pad(sink, "sink"));
  gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_BUFFER, &Core::OnBuffer, nullptr, nullptr);
  gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_QUERY_DOWNSTREAM, &AcceptVideoMeta, nullptr,
                    nullptr);
}

void RendererFilter::SetHeadless() {
  core_->keepPictures.store(false);
  g_object_set(Element(), "sync", FALSE, "enable-last-sample", FALSE, nullptr);
}

bool RendererFilter::Headless() const {
  return !core_->keepPictures.load();
}

bool RendererFilter::AtEnd() const {
  return gst_app_sink_is_eos(GST_APP_SINK(Element()));
}

RendererFilter::~RendererFilter() {
  // The widget belongs to the owner panel only while this renderer exists.
  if (core_->relay && core_->relay->widget) delete core_->relay->widget.data();
}

void RendererFilter::SetTimeline(std::shared_ptr<const Timeline> timeline) {
  std::lock_guard lock(core_->mutex);
  core_->timeline = std::move(timeline);
}

RendererFilter::Shown RendererFilter::ShownFrame() const {
  std::lock_guard lock(core_->mutex);
  Shown shown = core_->shown;
  if (shown.streamStartNs >= 0 && core_->timeline)
    shown.mediaStartNs = core_->timeline->ToMediaNs(shown.streamStartNs);
  else
    shown.mediaStartNs = shown.streamStartNs;
  return shown;
}

void RendererFilter::SetKeptFramesBudget(std::int64_t bytes) {
  std::lock_guard lock(core_->mutex);
  core_->keptBudget = std::max<std::int64_t>(bytes, 0);
  core_->Trim();
}

std::optional<RendererFilter::Shown> RendererFilter::KeptFrameFrom(std::int64_t mediaNs) const {
  std::lock_guard lock(core_->mutex);
  const std::shared_ptr<const Timeline>& timeline = core_->timeline;
  if (!timeline || timeline->mpegSystem.load() || timeline->reordered.load()) return std::nullopt;
  const std::int64_t target = mediaNs + timeline->originNs.load();
  const Core::Kept* found = nullptr;
  for (const Core::Kept& frame : core_->kept) {
    if (frame.startNs >= target - kTimeToleranceNs && (!found || frame.startNs < found->startNs))
      found = &frame;
  }
  if (!found) return std::nullopt;
  // The frame before must end where the found one starts: then no frame the
  // decoder would have shown lies between the target and the found frame.
  // (Containers that round times to the millisecond leave ends and starts a
  // fraction of a millisecond apart; a missing frame would leave a whole one.)
  // Unevenly spaced frames carry the demuxer's nominal duration; their own
  // comes from the frame list.
  auto durationOf = [&](const Core::Kept& frame) -> std::int64_t {
    if (frameMediaNs_.empty()) return frame.durationNs;
    const std::int64_t media = timeline->ToMediaNs(frame.startNs);
    const auto at =
        std::lower_bound(frameMediaNs_.begin(), frameMediaNs_.end(), media - kTimeToleranceNs);
    if (at == frameMediaNs_.end() || std::next(at) == frameMediaNs_.end() ||
        std::abs(*at - media) > kTimeToleranceNs)
      return -1;
    return *std::next(at) - *at;
  };
  const bool joined = std::any_of(core_->kept.begin(), core_->kept.end(), [&](const auto& frame) {
    const std::int64_t duration = durationOf(frame);
    return frame.startNs < found->startNs && duration > 0 &&
           std::abs(frame.startNs + duration - found->startNs) <=
               std::max(kTimeToleranceNs, duration / 4);
  });
  if (!joined) return std::nullopt;
  Shown shown;
  shown.image = found->image;
  shown.native = found->native;
  shown.streamStartNs = found->startNs;
  shown.mediaStartNs = timeline->ToMediaNs(found->startNs);
  return shown;
}

void RendererFilter::ShowKept(const Shown& frame) {
  {
    std::lock_guard lock(core_->mutex);
    core_->shown.image = frame.image;
    core_->shown.native = frame.native;
    core_->shown.streamStartNs = frame.streamStartNs;
    ++core_->shown.serial;
  }
  core_->shownChanged.notify_all();
  // Behind any frame the streaming thread has posted and the widget not yet
  // drawn, so that one cannot replace it.
  FrameRelay* target = core_->relay;
  QMetaObject::invokeMethod(
      target,
      [target, image = frame.image] {
        if (target->widget) target->widget->ShowFrame(image);
      },
      Qt::QueuedConnection);
}

std::uint64_t RendererFilter::ShownSerial() const {
  std::lock_guard lock(core_->mutex);
  return core_->shown.serial;
}

bool RendererFilter::WaitShownAfter(std::uint64_t serial,
                                    std::chrono::steady_clock::time_point deadline) const {
  std::unique_lock lock(core_->mutex);
  return core_->shownChanged.wait_until(lock, deadline,
                                        [&] { return core_->shown.serial > serial; });
}

bool RendererFilter::VideoSize(int* width, int* height) const {
  PadPtr pad(gst_element_get_static_pad(Element(), "sink"));
  CapsPtr caps(gst_pad_get_current_caps(pad.get()));
  if (!caps) return false;
  const GstStructure* s = gst_caps_get_structure(caps.get(), 0);
  int w = 0;
  int h = 0;
  if (!gst_structure_get_int(s, "width", &w) || !gst_structure_get_int(s, "height", &h))
    return false;
  *width = w;
  *height = h;
  return true;
}

std::int64_t RendererFilter::FrameDurationNs() const {
  if (averageFrameNs_ > 0) return averageFrameNs_;
  PadPtr pad(gst_element_get_static_pad(Element(), "sink"));
  CapsPtr caps(gst_pad_get_current_caps(pad.get()));
  if (!caps) return -1;
  int num = 0;
  int den = 0;
  if (!gst_structure_get_fraction(gst_caps_get_structure(caps.get(), 0), "framerate", &num, &den) ||
      num <= 0 || den <= 0) {
    return -1;
  }
  return static_cast<std::int64_t>(gst_util_uint64_scale_int_round(GST_SECOND, den, num));
}

TVideoWidget* RendererFilter::Widget() const {
  return core_->relay ? core_->relay->widget.data() : nullptr;
}

HRESULT RendererFilter::PutOwner(QWidget* owner) {
  TVideoWidget* widget = Widget();
  if (!owner) {
    if (widget) widget->setParent(nullptr), widget->hide();
    return S_OK;
  }
  if (!widget) {
    widget = new TVideoWidget(owner);
    widget->SetMessageDrain(drain_);
    core_->relay->widget = widget;
    const Shown shown = ShownFrame();
    if (!shown.image.isNull()) widget->ShowFrame(shown.image);
  } else if (widget->parentWidget() != owner) {
    widget->setParent(owner);
  }
  widget->show();
  return S_OK;
}

QImage RendererFilter::ShownPicture() const {
  const Shown shown = ShownFrame();
  if (!shown.native || !shown.native->buffer) return {};
  return converter_.Picture(shown.native->buffer.get(), shown.native->info);
}

void RendererFilter::RedrawShown() {
  Shown shown = ShownFrame();
  if (!shown.native || !shown.native->buffer) return;
  const GstVideoInfo& info = shown.native->info;
  const QImage image = converter_.Picture(
      shown.native->buffer.get(), info,
      core_->ScreenSize(GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info)));
  if (image.isNull()) return;
  {
    std::lock_guard lock(core_->mutex);
    // Only if no newer frame came meanwhile.
    if (core_->shown.serial != shown.serial) return;
    core_->shown.image = image;
  }
  FrameRelay* target = core_->relay;
  QMetaObject::invokeMethod(
      target,
      [target, image] {
        if (target->widget) target->widget->ShowFrame(image);
      },
      Qt::QueuedConnection);
}

HRESULT RendererFilter::PutMessageDrain(QWidget* drain) {
  drain_ = drain;
  if (TVideoWidget* widget = Widget()) widget->SetMessageDrain(drain);
  return S_OK;
}

HRESULT RendererFilter::SetWindowPosition(int left, int top, int width, int height) {
  if (width < 0 || height < 0) return E_INVALIDARG;
  TVideoWidget* widget = Widget();
  if (!widget) return VFW_E_NOT_CONNECTED;
  widget->setGeometry(left, top, width, height);
  const qreal ratio = widget->devicePixelRatioF();
  const int deviceWidth = static_cast<int>(std::ceil(width * ratio));
  const int deviceHeight = static_cast<int>(std::ceil(height * ratio));
  if (deviceWidth != core_->panelWidth.load() || deviceHeight != core_->panelHeight.load()) {
    core_->panelWidth.store(deviceWidth);
    core_->panelHeight.store(deviceHeight);
    RedrawShown();
  }
  return S_OK;
}

HRESULT RendererFilter::GetCurrentImage(LONG* bufferSize, BYTE* image) const {
  if (!bufferSize) return E_POINTER;
  int width = 0;
  int height = 0;
  const Shown shown = ShownFrame();
  if (shown.native) {
    width = GST_VIDEO_INFO_WIDTH(&shown.native->info);
    height = GST_VIDEO_INFO_HEIGHT(&shown.native->info);
  } else if (!VideoSize(&width, &height)) {
    return VFW_E_NOT_CONNECTED;
  }
  const std::int64_t needed = PackedDibSize(width, height);
  if (!image) {
    *bufferSize = static_cast<LONG>(needed);
    return S_OK;
  }
  if (!shown.native) return E_UNEXPECTED;
  if (*bufferSize < needed) return E_OUTOFMEMORY;
  const QImage picture = ShownPicture();
  if (picture.isNull()) return E_UNEXPECTED;
  const std::vector<BYTE> dib = PackDib(picture);
  std::memcpy(image, dib.data(), dib.size());
  *bufferSize = static_cast<LONG>(dib.size());
  return S_OK;
}

}  // namespace frivo::gst
