// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// Inside the playback layer: the filter, pin, renderer and grabber objects over
// GStreamer elements and pads. Not for use outside playback/.

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <QImage>
#include <QPointer>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "playback/frame_math.h"
#include "playback/gst_convert.h"
#include "playback/gst_ptr.h"
#include "playback/interfaces.h"
#include "playback/mp4_scan.h"
#include "playback/video_widget.h"

namespace frivo::gst {

struct Timeline;

// Timing of one video frame as it passes a pad.
struct FrameStamp {
  std::int64_t startNs = -1;        // true start, in buffer timestamps
  std::int64_t streamStartNs = -1;  // true start as stream time (Timeline::ToMediaNs)
  std::int64_t durationNs = -1;     // nominal frame duration; -1 for an unknown rate
  std::int64_t segmentStartNs = 0;
  std::uint32_t segmentSeqnum = 0;
};
// Stamps a buffer from the pad's current segment and caps. False for a buffer
// without timestamp or a pad without time segment. `fallbackNominalNs` is the
// frame duration to assume when the caps state no frame rate (-1: none).
// A frame cut by the decoder at the segment's start is given the start that
// `timeline` recorded for its end when it has one.
bool StampFrame(GstPad* pad, GstBuffer* buffer, FrameStamp* stamp,
                std::int64_t fallbackNominalNs = -1, Timeline* timeline = nullptr);

// An element seen as a filter. Wrappers made by the layer are found again from
// their element, so a pin's peer reports the same filter object the graph holds.
class ElementFilter : public IBaseFilter {
 public:
  explicit ElementFilter(ElementPtr element);
  // The wrapper registered for `element`, or a new transient one.
  static ComPtr<IBaseFilter> Wrap(GstElement* element);
  static ElementFilter* FromElement(GstElement* element);

  HRESULT QueryInterface(const IID& iid, void** object) override;
  ULONG AddRef() override { return refs_.Add(); }
  ULONG Release() override;
  HRESULT EnumPins(std::vector<ComPtr<IPin>>* pins) override;
  HRESULT QueryFilterInfo(FILTER_INFO* info) override;

  [[nodiscard]] GstElement* Element() const { return element_.get(); }

 protected:
  virtual ~ElementFilter();

 private:
  RefCount refs_;
  ElementPtr element_;
};

class PadPin final : public IPin {
 public:
  explicit PadPin(GstPad* pad);
  HRESULT QueryInterface(const IID& iid, void** object) override;
  ULONG AddRef() override { return refs_.Add(); }
  ULONG Release() override;
  HRESULT QueryDirection(PIN_DIRECTION* dir) override;
  HRESULT ConnectedTo(IPin** peer) override;
  HRESULT Disconnect() override;
  HRESULT QueryPinInfo(PIN_INFO* info) override;
  HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) override;

  [[nodiscard]] GstPad* Pad() const { return pad_.get(); }

 private:
  ~PadPin() = default;
  RefCount refs_;
  PadPtr pad_;
};

// A media type record for negotiated caps (video gets a VIDEOINFOHEADER).
AM_MEDIA_TYPE MediaTypeFromCaps(const GstCaps* caps);

// Lowers the pipeline holding `object` to READY when it is paused or playing.
void StopPipelineOf(GstObject* object);

class FrameRelay;
struct Timeline;

// A decoded frame in the decoder's own format: its layout and the buffer
// holding it (or a copy of it).
struct NativeFrame {
  GstVideoInfo info{};
  BufferPtr buffer;
  [[nodiscard]] std::int64_t Bytes() const {
    return buffer ? static_cast<std::int64_t>(gst_buffer_get_size(buffer.get())) : 0;
  }
};

// The renderer: an appsink taking BGR frames. Each frame shown (preroll or
// played) is deep-copied into a QImage, kept as "the frame on screen" and handed
// to the video widget by a queued call. Frames that start before the segment (the
// one cut by an accurate seek) are not shown.
class RendererFilter final : public ElementFilter {
 public:
  // A decoded frame in the decoder's own format, copied out of its buffers.
  using Native = NativeFrame;
  struct Shown {
    QImage image;                          // the picture for the screen: at most the panel's size
    std::shared_ptr<const Native> native;  // the whole frame
    std::int64_t streamStartNs = -1;
    std::int64_t mediaStartNs = -1;  // on the timeline set by SetTimeline
    std::uint64_t serial = 0;        // grows with every frame shown
  };
  // What the streaming thread shares with the filter; it lives as long as either
  // the filter or the element's callbacks.
  struct Core;

  RendererFilter();
  // For a graph without a window: runs as fast as frames decode, keeps no
  // picture (ShownFrame has stamps only). Before the graph plays.
  void SetHeadless();
  [[nodiscard]] bool Headless() const;
  // The video stream has ended.
  [[nodiscard]] bool AtEnd() const;
  // Media times count on `timeline` from then on. Before the graph plays.
  void SetTimeline(std::shared_ptr<const Timeline> timeline);
  [[nodiscard]] Shown ShownFrame() const;
  [[nodiscard]] std::uint64_t ShownSerial() const;
  // Frames shown lately stay in memory up to a budget in bytes (one second of
  // 1080p by default), so a step back into them needs no decoding.
  static constexpr std::int64_t kKeptFramesBytes = std::int64_t{160} << 20;
  void SetKeptFramesBudget(std::int64_t bytes);
  // The kept frame a paused seek to `mediaNs` would show: the first one
  // starting at or after it. Only when the frame before it is kept as well and
  // ends where it starts, so no frame can lie between the two; never for
  // streams whose times are rewritten after a seek (MPEG system streams,
  // reordered AVI).
  [[nodiscard]] std::optional<Shown> KeptFrameFrom(std::int64_t mediaNs) const;
  // Puts a kept frame on screen as if it had just been rendered. UI thread.
  void ShowKept(const Shown& frame);
  // Blocks until a frame newer than `serial` is on screen or the deadline passes.
  bool WaitShownAfter(std::uint64_t serial, std::chrono::steady_clock::time_point deadline) const;
  // Negotiated size; false when the renderer is not linked.
  bool VideoSize(int* width, int* height) const;
  // Nominal frame duration: the average one of a variable-rate stream, else
  // the caps' (-1 when the stream states no rate).
  [[nodiscard]] std::int64_t FrameDurationNs() const;
  // The stream's frames are unevenly spaced, `averageNs` apart on average; the
  // caps' rate is then no frame's duration. Before the graph plays.
  // `frameMediaNs` are the frames' media times, in order.
  void SetVariableRate(std::int64_t averageNs, std::vector<std::int64_t> frameMediaNs) {
    averageFrameNs_ = averageNs;
    frameMediaNs_ = std::move(frameMediaNs);
  }
  [[nodiscard]] bool VariableRate() const { return averageFrameNs_ > 0; }
  [[nodiscard]] const std::vector<std::int64_t>& FrameMediaTimesNs() const { return frameMediaNs_; }

  // The frame on screen at full size as 24-bit BGR, as captures take frames.
  // UI thread.
  [[nodiscard]] QImage ShownPicture() const;

  HRESULT PutOwner(QWidget* owner);
  HRESULT PutMessageDrain(QWidget* drain);
  HRESULT SetWindowPosition(int left, int top, int width, int height);
  [[nodiscard]] TVideoWidget* Widget() const;
  HRESULT GetCurrentImage(LONG* bufferSize, BYTE* image) const;

 private:
  ~RendererFilter() override;
  // Makes the picture for the screen again at the panel's new size.
  void RedrawShown();

  std::shared_ptr<Core> core_;
  mutable BgrConverter converter_;          // UI thread only
  QPointer<QWidget> drain_;                 // UI thread only
  std::int64_t averageFrameNs_ = -1;        // UI thread only
  std::vector<std::int64_t> frameMediaNs_;  // UI thread only
};

// The sample grabber: an identity element whose sink pad probe hands every frame,
// as bottom-up 24-bit rows, to the callback on the streaming thread.
class GrabberFilter final : public ElementFilter, public ISampleGrabber {
 public:
  struct Core;

  GrabberFilter();
  HRESULT QueryInterface(const IID& iid, void** object) override;
  ULONG AddRef() override { return ElementFilter::AddRef(); }
  ULONG Release() override { return ElementFilter::Release(); }

  HRESULT SetOneShot(bool oneShot) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* type) override;
  HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* type) override;
  HRESULT SetBufferSamples(bool bufferThem) override;
  HRESULT GetCurrentBuffer(LONG* bufferSize, BYTE* buffer) override;
  HRESULT SetCallback(ISampleGrabberCB* callback, LONG whichMethod) override;

  // Hands every frame passing to `handler` as the decoder gave it: the buffer
  // itself, neither copied nor converted, for a frame whose time `wanted`
  // accepts; the others come without a frame (null). Used instead of the
  // callback of SetCallback; an empty handler detaches it and returns once no
  // call is in progress.
  using NativeHandler =
      std::function<void(double seconds, std::shared_ptr<const NativeFrame> frame)>;
  void SetNativeHandler(NativeHandler handler, std::function<bool(double seconds)> wanted);

  // True when the media type asked for can be met by the BGR video path.
  [[nodiscard]] bool AcceptsVideoPath() const;
  // Sample times count on `timeline` from then on. Before the graph plays.
  void SetTimeline(std::shared_ptr<const Timeline> timeline);

 private:
  ~GrabberFilter() override;
  std::shared_ptr<Core> core_;
  AM_MEDIA_TYPE wanted_;  // UI thread only
};

// The file's timeline, shared by the graph (UI thread) and the probes and
// filters (streaming threads).
//
// Media time is the time on the players' timeline: zero at the file's start,
// the earliest first timestamp among its streams. GStreamer's stream time
// counts from elsewhere in some containers (MPEG-TS from the first clock
// reference, well before the first picture), so media time = stream time -
// originNs, measured while the file opens.
//
// A seek may also have to start the demuxer somewhere else than the position
// asked for (gst_graph.cpp): the segment that seek produces is given the start
// asked for, and the first frame that comes out of it is reported back.
struct Timeline {
  // Stream time of the file's start: 0 while the file opens, then the lowest
  // start the demuxers' threads offered meanwhile. Written by FinishMeasuring
  // on the UI thread.
  std::atomic<std::int64_t> originNs{0};
  std::atomic<bool> measuring{true};
  // Keeps the lowest start offered while measuring (any streaming thread).
  void OfferStart(std::int64_t streamTimeNs);
  void FinishMeasuring();
  [[nodiscard]] std::int64_t ToMediaNs(std::int64_t streamTimeNs) const {
    return streamTimeNs - originNs.load(std::memory_order_relaxed);
  }

  std::atomic<bool> aviSource{false};   // the pipeline demuxes an AVI file
  std::atomic<bool> mpegSystem{false};  // ... an MPEG program or transport stream
  // Buffers the demuxers have pushed: a seek whose demuxer has stopped pushing
  // without a frame has found nothing.
  std::atomic<std::uint64_t> demuxedBuffers{0};
  std::atomic<bool> reordered{false};  // its video is restamped by the reorder probe

  // The demuxers' segments of the seek with `seqnum` (or, for a demuxer that
  // numbers its segments otherwise, whose stream time starts at demuxStartNs)
  // start at the stream time demuxTargetNs instead, the mapping of timestamps
  // to stream times unchanged. Set by the graph before
  // it seeks; applies to every stream of that seek.
  void ExpectDemuxSegment(std::uint32_t seqnum, std::int64_t demuxStartNs, std::int64_t targetNs);
  // The segment of the video path that starts at seekStartNs starts at targetNs
  // instead, running times unchanged (the reordered AVI seek, gst_reorder.cpp).
  void ExpectVideoSegment(std::int64_t seekStartNs, std::int64_t targetNs);

  std::atomic<std::int64_t> lowestStartNs{INT64_MAX};

  std::mutex mutex;  // guards the fields below
  bool demuxPending = false;
  std::uint32_t demuxSeqnum = 0;
  std::int64_t demuxStartNs = 0;
  std::int64_t demuxTargetNs = 0;
  bool videoPending = false;
  std::int64_t videoSeekStartNs = 0;
  std::int64_t videoTargetNs = 0;

  // The landing of the seek numbered `seqnum`: the true start (stream time) of
  // its first frame, -1 until one has reached the video path. With
  // `dropLate`, a first frame that starts after `latestNs` (the seek's target:
  // a demuxer that found a place too far on) lets none of that seek's frames
  // through: the graph seeks again from earlier, and the grabber never sees
  // frames from the wrong place.
  void WatchLanding(std::uint32_t seqnum, std::int64_t latestNs, bool dropLate);
  // Called by the stamper for each frame; false when the frame is to be dropped.
  bool OnFrame(std::uint32_t seqnum, std::int64_t startNs);
  [[nodiscard]] std::int64_t LandingNs() const { return landingNs_.load(); }
  [[nodiscard]] bool LandedLate() const { return landedLate_.load(); }

  // The video's frames are unevenly spaced (set before the file opens). The
  // parser in front of the decoder then gives every frame the duration of the
  // stream's stated rate, one tick of the track's clock at worst; each frame is
  // given its own (up to the next frame) from the track's sample table.
  std::atomic<bool> variableRate{false};
  std::shared_ptr<const TTrackTiming> frameTable;  // written before the file plays

  // The frames entering the video decoder, by their end: a frame the decoder
  // cut at a seek's start keeps its end, which finds its true start however
  // long it is (unevenly spaced frames have no one nominal duration). Called
  // on the decoder's streaming thread; forgotten at every flush.
  void RecordDecoderInput(std::int64_t startNs, std::int64_t endNs);
  void ForgetDecoderInput();
  // The start of the recorded frame that ends at `endNs`; -1 when none does.
  [[nodiscard]] std::int64_t StartOfFrameEndingAt(std::int64_t endNs);

 private:
  std::mutex inputMutex_;  // guards decoderInput_
  // Start and end of the last frames into the decoder, oldest first.
  std::deque<std::pair<std::int64_t, std::int64_t>> decoderInput_;
  std::atomic<std::uint32_t> landingSeqnum_{GST_SEQNUM_INVALID};
  std::atomic<std::int64_t> landingLatestNs_{0};
  std::atomic<bool> dropLate_{false};
  std::atomic<std::int64_t> landingNs_{-1};  // written by the video streaming thread
  std::atomic<bool> landedLate_{false};      // written by the video streaming thread
  // The last seek that landed late: its frames still in flight are dropped too.
  std::atomic<std::uint32_t> lateSeqnum_{GST_SEQNUM_INVALID};
};

// Restamps the frame cut by an accurate seek with its true start and nominal
// duration, so every element after it sees true frame times, drops frames that
// end before the segment starts (decoded only to reach the first frame wanted),
// and tells `timeline` the first frame after each seek. Installed on the first
// pad of the video path.
void InstallFrameStamper(GstPad* pad, const std::shared_ptr<Timeline>& timeline);

// Frames a reordered seek starts early: more than the longest run of B-frames.
inline constexpr int kReorderLeadFrames = 4;
// Watches the elements playbin makes: measures the file's start on the
// demuxers' outputs and applies the demuxer segment changes, restamps MPEG-4
// part 2 from AVI and MPEG-1/2 pictures that come without a timestamp.
void InstallElementWatch(GstElement* playbin, const std::shared_ptr<Timeline>& timeline);
// Restamps MPEG-4 part 2 from AVI in front of `decoder` (gst_reorder.cpp).
void WatchDecoderForReorder(GstElement* decoder, const std::shared_ptr<Timeline>& timeline);
// Applies the video segment change to the segments passing `pad` (the video
// path's input).
void InstallSegmentAdjust(GstPad* pad, const std::shared_ptr<Timeline>& timeline);

}  // namespace frivo::gst
