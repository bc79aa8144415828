// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include <gst/video/video.h>

#include <cstring>

#include "imaging/bmp_format.h"
#include "playback/gst_convert.h"
#include "playback/gst_filters.h"

namespace frivo::gst {

struct GrabberFilter::Core {
  std::atomic<bool> buffering{false};
  std::shared_ptr<const Timeline> timeline;  // set before streaming starts

  // The streaming thread holds callMutex for the whole call, so a SetCallback on
  // the UI thread returns only when no call to the old callback is in progress.
  std::mutex callMutex;
  ISampleGrabberCB* callback = nullptr;  // guarded by callMutex
  NativeHandler native;                  // guarded by callMutex
  std::function<bool(double)> nativeWanted;

  // Streaming thread only: the frame being delivered, as a bitmap's rows.
  std::vector<BYTE> work;
  BgrConverter converter;

  std::mutex bufferMutex;  // guards buffered and haveBuffered
  std::vector<BYTE> buffered;
  bool haveBuffered = false;

  void Deliver(GstPad* pad, GstBuffer* buffer) {
    FrameStamp stamp;
    if (!StampFrame(pad, buffer, &stamp)) return;
    CapsPtr caps(gst_pad_get_current_caps(pad));
    GstVideoInfo info;
    if (!caps || !gst_video_info_from_caps(&info, caps.get())) return;
    const std::int64_t mediaNs =
        timeline ? timeline->ToMediaNs(stamp.streamStartNs) : stamp.streamStartNs;
    const double seconds = static_cast<double>(mediaNs) / GST_SECOND;

    std::lock_guard lock(callMutex);
    if (native) {
      std::shared_ptr<NativeFrame> frame;
      if (!nativeWanted || nativeWanted(seconds)) {
        frame = std::make_shared<NativeFrame>();
        frame->info = info;
        frame->buffer.reset(gst_buffer_ref(buffer));
      }
      native(seconds, std::move(frame));
      return;
    }
    const bool buffers = buffering.load();
    // Every frame is announced with its time; its picture is made only when
    // someone takes it.
    if (!callback && !buffers) return;
    BYTE* picture = nullptr;
    LONG size = 0;
    if (buffers || callback->WantsBuffer(seconds)) {
      GstVideoFrame frame;
      if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ)) return;
      const int width = GST_VIDEO_FRAME_WIDTH(&frame);
      const int height = GST_VIDEO_FRAME_HEIGHT(&frame);
      const std::int64_t stride = Rgb24Stride(width);
      work.resize(static_cast<size_t>(stride * height));
      const bool converted =
          converter.Convert(frame, width, height, work.data(), static_cast<int>(stride), true);
      gst_video_frame_unmap(&frame);
      if (!converted) return;
      picture = work.data();
      size = static_cast<LONG>(work.size());
      if (buffers) {
        std::lock_guard bufferLock(bufferMutex);
        buffered.assign(work.begin(), work.end());
        haveBuffered = true;
      }
    }
    if (callback) callback->BufferCB(seconds, picture, size);
  }

  static GstPadProbeReturn OnBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    (*static_cast<std::shared_ptr<Core>*>(data))->Deliver(pad, GST_PAD_PROBE_INFO_BUFFER(info));
    return GST_PAD_PROBE_OK;
  }
  static void Forget(gpointer data) { delete static_cast<std::shared_ptr<Core>*>(data); }
};

GrabberFilter::GrabberFilter()
    : ElementFilter(MakeElement("identity", "Sample Grabber")), core_(std::make_shared<Core>()) {
  g_object_set(Element(), "silent", TRUE, "signal-handoffs", FALSE, nullptr);
  PadPtr pad(gst_element_get_static_pad(Element(), "sink"));
  gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_BUFFER, &Core::OnBuffer,
                    new std::shared_ptr<Core>(core_), &Core::Forget);
}

GrabberFilter::~GrabberFilter() {
  std::lock_guard lock(core_->callMutex);
  core_->callback = nullptr;
  core_->native = nullptr;
}

HRESULT GrabberFilter::QueryInterface(const IID& iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == ISampleGrabber::kIid) {
    *object = static_cast<ISampleGrabber*>(this);
    AddRef();
    return S_OK;
  }
  return ElementFilter::QueryInterface(iid, object);
}

HRESULT GrabberFilter::SetOneShot(bool oneShot) {
  // Every frame is delivered; stopping the graph after one sample is not offered.
  return oneShot ? E_NOTIMPL : S_OK;
}

HRESULT GrabberFilter::SetMediaType(const AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  wanted_ = *type;
  return S_OK;
}

bool GrabberFilter::AcceptsVideoPath() const {
  if (wanted_.majortype == GUID_NULL) return true;
  if (wanted_.majortype != MEDIATYPE_Video) return false;
  return wanted_.subtype == GUID_NULL || wanted_.subtype == MEDIASUBTYPE_RGB24;
}

HRESULT GrabberFilter::GetConnectedMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  PadPtr pad(gst_element_get_static_pad(Element(), "sink"));
  PadPtr peer(gst_pad_get_peer(pad.get()));
  CapsPtr caps(gst_pad_get_current_caps(pad.get()));
  if (!peer || !caps) return VFW_E_NOT_CONNECTED;
  // Frames pass in the decoder's format; callbacks get them as 24-bit BGR.
  CapsPtr delivered(gst_caps_copy(caps.get()));
  gst_caps_set_simple(delivered.get(), "format", G_TYPE_STRING, "BGR", nullptr);
  *type = MediaTypeFromCaps(delivered.get());
  return S_OK;
}

void GrabberFilter::SetTimeline(std::shared_ptr<const Timeline> timeline) {
  core_->timeline = std::move(timeline);
}

HRESULT GrabberFilter::SetBufferSamples(bool bufferThem) {
  core_->buffering.store(bufferThem);
  return S_OK;
}

HRESULT GrabberFilter::GetCurrentBuffer(LONG* bufferSize, BYTE* buffer) {
  if (!bufferSize) return E_POINTER;
  std::lock_guard lock(core_->bufferMutex);
  if (!core_->haveBuffered) return VFW_E_WRONG_STATE;
  const auto needed = static_cast<LONG>(core_->buffered.size());
  if (!buffer) {
    *bufferSize = needed;
    return S_OK;
  }
  if (*bufferSize < needed) return E_OUTOFMEMORY;
  std::memcpy(buffer, core_->buffered.data(), core_->buffered.size());
  *bufferSize = needed;
  return S_OK;
}

void GrabberFilter::SetNativeHandler(NativeHandler handler, std::function<bool(double)> wanted) {
  std::lock_guard lock(core_->callMutex);
  core_->native = std::move(handler);
  core_->nativeWanted = std::move(wanted);
}

HRESULT GrabberFilter::SetCallback(ISampleGrabberCB* callback, LONG whichMethod) {
  if (whichMethod != 0 && whichMethod != 1) return E_INVALIDARG;
  // Frames are handed over by BufferCB only; SampleCB is not offered.
  if (whichMethod == 0 && callback) return E_NOTIMPL;
  std::lock_guard lock(core_->callMutex);
  core_->callback = callback;
  return S_OK;
}

namespace {

// What the stamper knows across buffers: the duration of whole frames, for
// streams whose caps state no frame rate. Streaming thread only.
struct StamperState {
  std::shared_ptr<Timeline> timeline;
  std::int64_t observedNs = -1;
  static void Free(gpointer data) { delete static_cast<StamperState*>(data); }
};

GstPadProbeReturn StampBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
  auto* state = static_cast<StamperState*>(data);
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  FrameStamp stamp;
  if (!StampFrame(pad, buffer, &stamp, state->observedNs, state->timeline.get()))
    return GST_PAD_PROBE_OK;
  const auto pts = static_cast<std::int64_t>(GST_BUFFER_PTS(buffer));
  if (stamp.startNs == pts && GST_BUFFER_DURATION_IS_VALID(buffer) &&
      GST_BUFFER_DURATION(buffer) > 0 &&
      (state->observedNs < 0 || std::llabs(pts - stamp.segmentStartNs) > kTimeToleranceNs)) {
    // The first frame of a file is whole; later ones at a segment start may be cut.
    state->observedNs = static_cast<std::int64_t>(GST_BUFFER_DURATION(buffer));
  }
  if (stamp.durationNs > 0 &&
      stamp.startNs + stamp.durationNs <= stamp.segmentStartNs + kTimeToleranceNs) {
    return GST_PAD_PROBE_DROP;
  }
  if (!state->timeline->OnFrame(stamp.segmentSeqnum, stamp.streamStartNs))
    return GST_PAD_PROBE_DROP;
  if (stamp.startNs == pts) return GST_PAD_PROBE_OK;
  buffer = gst_buffer_make_writable(buffer);
  GST_BUFFER_PTS(buffer) = static_cast<GstClockTime>(std::max<std::int64_t>(stamp.startNs, 0));
  GST_BUFFER_DURATION(buffer) = static_cast<GstClockTime>(stamp.durationNs);
  GST_PAD_PROBE_INFO_DATA(info) = buffer;
  return GST_PAD_PROBE_OK;
}

}  // namespace

void InstallFrameStamper(GstPad* pad, const std::shared_ptr<Timeline>& timeline) {
  gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &StampBuffer, new StamperState{timeline},
                    &StamperState::Free);
}

}  // namespace frivo::gst
