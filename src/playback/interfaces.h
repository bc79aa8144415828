// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// The interfaces of the playback graph. The graph object offers the control,
// position, video, window, audio and frame-step interfaces; filters offer
// IBaseFilter (and the grabber ISampleGrabber); pins offer IPin. Every method
// returns a result code and writes its out-parameters only on success unless a
// comment says otherwise. All methods are for the UI thread except where noted.

#include <QString>
#include <vector>

#include "playback/com.h"
#include "playback/media_type.h"

class QWidget;

namespace frivo {

class IBaseFilter;
class IPin;

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

// Graph states as GetState reports them.
using OAFilterState = LONG;
inline constexpr OAFilterState State_Stopped = 0;
inline constexpr OAFilterState State_Paused = 1;
inline constexpr OAFilterState State_Running = 2;

// Window styles accepted by IVideoWindow::put_WindowStyle. The video widget is
// always a child of its owner; the value is kept and reported back.
inline constexpr LONG WS_CHILD = 0x40000000;
inline constexpr LONG WS_CLIPSIBLINGS = 0x04000000;
inline constexpr LONG WS_CLIPCHILDREN = 0x02000000;

// Registry categories for CreateFilterByFriendlyName. The legacy filter category
// holds every element factory; the decoder categories only video / audio decoders.
inline constexpr GUID CLSID_LegacyAmFilterCategory{
    0x083863F1, 0x70DE, 0x11D0, {0xBD, 0x40, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr GUID CLSID_VideoDecoderCategory{
    0x6A1C7D50, 0x22D8, 0x4E34, {0x9B, 0x0C, 0x4F, 0x30, 0x71, 0x5E, 0x21, 0x01}};
inline constexpr GUID CLSID_AudioDecoderCategory{
    0x6A1C7D50, 0x22D8, 0x4E34, {0x9B, 0x0C, 0x4F, 0x30, 0x71, 0x5E, 0x21, 0x02}};

struct PIN_INFO {
  ComPtr<IBaseFilter> pFilter;
  PIN_DIRECTION dir = PINDIR_INPUT;
  QString achName;
};

struct FILTER_INFO {
  QString achName;
};

// A pad of an element.
class IPin : public IUnknown {
 public:
  static constexpr IID kIid{
      0x56A86891, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  virtual HRESULT QueryDirection(PIN_DIRECTION* dir) = 0;
  // The pin this one is linked to; VFW_E_NOT_CONNECTED (slot emptied) when free.
  virtual HRESULT ConnectedTo(IPin** peer) = 0;
  // Breaks the link of this pin. A graph that plays drops to the ready state
  // first: a broken chain cannot play, and unlinking under a streaming thread
  // would only produce errors.
  virtual HRESULT Disconnect() = 0;
  virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
  // The negotiated type of a linked pin; VFW_E_NOT_CONNECTED otherwise.
  virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) = 0;
};

// An element (a "filter").
class IBaseFilter : public IUnknown {
 public:
  static constexpr IID kIid{
      0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  // Every pad the element has now, in the element's order (the enumeration of a
  // pin enumerator, returned at once).
  virtual HRESULT EnumPins(std::vector<ComPtr<IPin>>* pins) = 0;
  virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
};

// The graph: holds filters, connects them, renders a file.
class IGraphBuilder : public IUnknown {
 public:
  static constexpr IID kIid{
      0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  // Adds a filter under `name`; a name already taken gets " 0001" (and so on)
  // appended and VFW_S_DUPLICATE_NAME is returned.
  virtual HRESULT AddFilter(IBaseFilter* filter, const QString& name) = 0;
  virtual HRESULT EnumFilters(std::vector<ComPtr<IBaseFilter>>* filters) = 0;
  // Links two pins; a converter is put between them when their formats differ.
  virtual HRESULT Connect(IPin* out, IPin* in) = 0;
  // Builds playback of the file: its video goes through the sample grabber in the
  // graph (when there is one and its media type can be met) into the renderer in
  // the graph (one is added when there is none), its audio into the audio output.
  // Returns when the first frame is ready (the graph is then paused) or the file
  // failed: VFW_E_NOT_FOUND (no such file), VFW_E_UNKNOWN_FILE_TYPE /
  // VFW_E_UNSUPPORTED_STREAM (unreadable), VFW_E_NO_DECOMPRESSOR (a video stream
  // without decoder), VFW_S_PARTIAL_RENDER (success, but an audio stream could not
  // be decoded).
  virtual HRESULT RenderFile(const QString& path, const QString& playList) = 0;
};

class IMediaControl : public IUnknown {
 public:
  static constexpr IID kIid{
      0x56A868B1, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  virtual HRESULT Run() = 0;
  // Never waits: may also be called from the grabber callback's thread.
  virtual HRESULT Pause() = 0;
  // Pauses and marks the graph stopped; the position is kept.
  virtual HRESULT Stop() = 0;
  // Pauses, waits until the frame at the position is on screen, marks stopped.
  virtual HRESULT StopWhenReady() = 0;
  // State 0 stopped, 1 paused, 2 running. When a change has not finished within
  // `msTimeout`, reports the state before it and returns VFW_S_STATE_INTERMEDIATE.
  virtual HRESULT GetState(LONG msTimeout, OAFilterState* state) = 0;
};

class IMediaPosition : public IUnknown {
 public:
  static constexpr IID kIid{
      0x56A868B2, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  virtual HRESULT get_Duration(double* seconds) = 0;
  // Running: the clock position. Paused or stopped: the start time of the frame on
  // screen.
  virtual HRESULT get_CurrentPosition(double* seconds) = 0;
  // Accurate seek; returns when the frame is on screen (or a few seconds passed).
  // The grabber receives every frame from the one containing the position on; the
  // screen shows the first frame that starts at or after it. Positions are media
  // times, on the players' timeline. Positions past the last frame go to the
  // last frame.
  virtual HRESULT put_CurrentPosition(double seconds) = 0;
  // Applies the rate by an accurate seek to the current position.
  virtual HRESULT put_Rate(double rate) = 0;
  virtual HRESULT get_Rate(double* rate) = 0;
};

class IBasicVideo : public IUnknown {
 public:
  static constexpr IID kIid{
      0x56A868B5, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  // VFW_E_NOT_CONNECTED (out-parameter untouched) when the file has no video.
  virtual HRESULT get_VideoWidth(LONG* width) = 0;
  virtual HRESULT get_VideoHeight(LONG* height) = 0;
  // The frame on screen as a packed DIB: a 40-byte BITMAPINFOHEADER (24 bits,
  // BI_RGB) followed by bottom-up rows padded to 4 bytes. With `image` null only
  // the size in bytes is written; a buffer smaller than that gives E_OUTOFMEMORY.
  virtual HRESULT GetCurrentImage(LONG* bufferSize, BYTE* image) = 0;
};

class IVideoWindow : public IUnknown {
 public:
  static constexpr IID kIid{
      0x56A868B4, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  // Places the video widget inside `owner` (null takes it out).
  virtual HRESULT put_Owner(QWidget* owner) = 0;
  virtual HRESULT put_WindowStyle(LONG style) = 0;
  virtual HRESULT get_WindowStyle(LONG* style) = 0;
  // Mouse, wheel, key and context-menu events over the video are sent on to `drain`
  // (positions mapped into its coordinates).
  virtual HRESULT put_MessageDrain(QWidget* drain) = 0;
  virtual HRESULT SetWindowForeground(LONG focus) = 0;
  // Geometry of the video widget in its owner's coordinates. The frame is scaled
  // into it with its aspect ratio kept.
  virtual HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) = 0;
};

class IBasicAudio : public IUnknown {
 public:
  static constexpr IID kIid{
      0x56A868B3, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  // Hundredths of a decibel: -10000 silence ... 0 full volume.
  virtual HRESULT put_Volume(LONG volume) = 0;
  virtual HRESULT get_Volume(LONG* volume) = 0;
};

class IVideoFrameStep : public IUnknown {
 public:
  static constexpr IID kIid{
      0xE46A9787, 0x2B71, 0x444D, {0xA4, 0xB5, 0x1F, 0xAB, 0x7B, 0x70, 0x8D, 0x6A}};
  // Steps `frames` forward and pauses. S_OK means a newer frame is on screen (the
  // call waits for it); at the end of the file it fails. `stepObject` must be null.
  virtual HRESULT Step(ULONG frames, IUnknown* stepObject) = 0;
  virtual HRESULT CanStep(LONG multiple, IUnknown* stepObject) = 0;
};

// A delivered frame for SampleCB.
class IMediaSample : public IUnknown {
 public:
  static constexpr IID kIid{
      0x56A8689A, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
  virtual HRESULT GetPointer(BYTE** buffer) = 0;
  virtual LONG GetSize() = 0;
  virtual LONG GetActualDataLength() = 0;
  virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;
};

// Receives the grabber's frames. Called on the streaming thread; may block (the
// decoder waits, it never drops frames for it). Must not touch widgets.
class ISampleGrabberCB : public IUnknown {
 public:
  static constexpr IID kIid{
      0x0579154A, 0x2B53, 0x4994, {0xB0, 0xD0, 0xE7, 0x73, 0x14, 0x8E, 0xFF, 0x85}};
  virtual HRESULT SampleCB(double sampleTime, IMediaSample* sample) = 0;
  // `buffer`: bottom-up 24-bit rows padded to 4 bytes; `sampleTime`: the frame's
  // media time in seconds (its true start).
  virtual HRESULT BufferCB(double sampleTime, BYTE* buffer, LONG bufferLen) = 0;
  // Asked before each frame: false lets the grabber skip making the picture,
  // and BufferCB then gets the time with no buffer (null, 0).
  virtual bool WantsBuffer(double sampleTime) {
    (void)sampleTime;
    return true;
  }
};

class ISampleGrabber : public IUnknown {
 public:
  static constexpr IID kIid{
      0x6B652FFF, 0x11FE, 0x4FCE, {0x92, 0xAD, 0x02, 0x66, 0xB5, 0xD7, 0xC7, 0x8F}};
  virtual HRESULT SetOneShot(bool oneShot) = 0;
  // Before RenderFile: the type frames must have. Video with subtype RGB24 (or no
  // subtype) is met; anything else leaves the grabber out of the video path.
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* type) = 0;
  // Keep a copy of each frame for GetCurrentBuffer.
  virtual HRESULT SetBufferSamples(bool bufferThem) = 0;
  // The copy of the last frame. With `buffer` null only the size is written.
  // Callable from the callback (any thread).
  virtual HRESULT GetCurrentBuffer(LONG* bufferSize, BYTE* buffer) = 0;
  // `whichMethod` 0 calls SampleCB, 1 BufferCB. The callback is borrowed, not
  // owned. Setting another (or none) returns only when no call to the old one is in
  // progress, so it may be freed afterwards. Not to be called from the callback.
  virtual HRESULT SetCallback(ISampleGrabberCB* callback, LONG whichMethod) = 0;
};

}  // namespace frivo
