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
#include <memory>
#include <mutex>
#include <vector>

#include "playback/frame_math.h"
#include "playback/gst_ptr.h"
#include "playback/interfaces.h"
#include "playback/video_widget.h"

namespace frivo::gst {

// Timing of one video frame as it passes a pad.
struct FrameStamp {
  std::int64_t startNs = -1;       // true start, in buffer timestamps
  std::int64_t mediaStartNs = -1;  // true start as media time
  std::int64_t durationNs = -1;    // nominal frame duration; -1 for an unknown rate
  std::int64_t segmentStartNs = 0;
  std::uint32_t segmentSeqnum = 0;
};
// Stamps a buffer from the pad's current segment and caps. False for a buffer
// without timestamp or a pad without time segment. `fallbackNominalNs` is the
// frame duration to assume when the caps state no frame rate (-1: none).
bool StampFrame(GstPad* pad, GstBuffer* buffer, FrameStamp* stamp,
                std::int64_t fallbackNominalNs = -1);

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

// The renderer: an appsink taking BGR frames. Each frame shown (preroll or
// played) is deep-copied into a QImage, kept as "the frame on screen" and handed
// to the video widget by a queued call. Frames that start before the segment (the
// one cut by an accurate seek) are not shown.
class RendererFilter final : public ElementFilter {
 public:
  struct Shown {
    QImage image;
    std::int64_t mediaStartNs = -1;
    std::uint64_t serial = 0;  // grows with every frame shown
  };
  // What the streaming thread shares with the filter; it lives as long as either
  // the filter or the element's callbacks.
  struct Core;

  RendererFilter();
  [[nodiscard]] Shown ShownFrame() const;
  [[nodiscard]] std::uint64_t ShownSerial() const;
  // Blocks until a frame newer than `serial` is on screen or the deadline passes.
  bool WaitShownAfter(std::uint64_t serial, std::chrono::steady_clock::time_point deadline) const;
  // Negotiated size; false when the renderer is not linked.
  bool VideoSize(int* width, int* height) const;
  // Nominal frame duration from the caps (-1 when the stream states no rate).
  [[nodiscard]] std::int64_t FrameDurationNs() const;

  HRESULT PutOwner(QWidget* owner);
  HRESULT PutMessageDrain(QWidget* drain);
  HRESULT SetWindowPosition(int left, int top, int width, int height);
  [[nodiscard]] TVideoWidget* Widget() const;
  HRESULT GetCurrentImage(LONG* bufferSize, BYTE* image) const;

 private:
  ~RendererFilter() override;
  std::shared_ptr<Core> core_;
  QPointer<QWidget> drain_;  // UI thread only
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

  // True when the media type asked for can be met by the BGR video path.
  [[nodiscard]] bool AcceptsVideoPath() const;

 private:
  ~GrabberFilter() override;
  std::shared_ptr<Core> core_;
  AM_MEDIA_TYPE wanted_;  // UI thread only
};

// Restamps the frame cut by an accurate seek with its true start and nominal
// duration, so every element after it sees true frame times, and drops frames
// that end before the segment starts (decoded only to reach the first frame
// wanted). Installed on the first pad of the video path.
void InstallFrameStamper(GstPad* pad);

// A seek that has to start before the position asked for (MPEG-4 with B-frames
// in AVI, gst_reorder.cpp): the segment that the seek produces is moved to start
// at the position asked for, running times unchanged. Shared by the graph (UI
// thread) and the probes (streaming threads).
struct SeekAdjust {
  std::atomic<bool> aviSource{false};  // the pipeline demuxes an AVI file
  std::atomic<bool> reordered{false};  // its video is restamped by the reorder probe

  // The segment starting at seekStartNs becomes one starting at targetNs.
  void Expect(std::int64_t seekStartNs, std::int64_t targetNs);

  std::mutex mutex;  // guards the three fields below
  bool pending = false;
  std::int64_t seekStartNs = 0;
  std::int64_t targetNs = 0;
};
// Frames a reordered seek starts early: more than the longest run of B-frames.
inline constexpr int kReorderLeadFrames = 4;
// Watches the elements playbin makes and restamps MPEG-4 part 2 from AVI.
void InstallReorderWatch(GstElement* playbin, const std::shared_ptr<SeekAdjust>& adjust);
// Applies SeekAdjust to the segments passing `pad` (the video path's input).
void InstallSegmentAdjust(GstPad* pad, const std::shared_ptr<SeekAdjust>& adjust);

}  // namespace frivo::gst
