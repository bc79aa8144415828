// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>
#include <atomic>
#include <vector>

#include "playback/interfaces.h"

class QWidget;

namespace frivo {

// The one open media file and the graph that plays it. The main window owns one;
// every interface belongs to the open file and is released by Release(). UI
// thread only, except where a field says otherwise.
class TPlaybackGraph {
 public:
  TPlaybackGraph() = default;
  ~TPlaybackGraph() { Release(); }
  TPlaybackGraph(const TPlaybackGraph&) = delete;
  TPlaybackGraph& operator=(const TPlaybackGraph&) = delete;

  // ---- Building (the steps of an open, in order) ---------------------------------
  // A new graph with our renderer in it.
  void CreateWithRenderer();
  // Adds the preferred decoder when the registry has it and connects it towards
  // the renderer; sets DecoderInserted. Silent when it is missing.
  void InsertDecoder();
  // Adds the sample grabber asking for bottom-up 24-bit frames; left unconnected
  // (RenderFile puts it in the video path).
  void AddSampleGrabber();
  // Renders the file; the result of the graph's RenderFile.
  [[nodiscard]] HRESULT RenderFile(const QString& path);
  // The video's size; 0 x 0 when the file has no video.
  void VideoSize(int* width, int* height) const;
  // Average time per frame of the video reaching the renderer (100 ns units), 0
  // when unknown.
  [[nodiscard]] std::int64_t RendererAverageTimePerFrame() const;
  // Whether the grabber got its frames connected (sample-grabber mode works).
  [[nodiscard]] bool GrabberConnected() const;
  // Puts the video widget inside `panel`, with the panel receiving its input.
  void AttachVideoWindow(QWidget* panel);
  // Size in bytes of the renderer's current image, or -1 when it cannot say.
  [[nodiscard]] long CurrentImageSize() const;
  // The frame on screen as a packed DIB into `buffer` (resized when too small).
  [[nodiscard]] bool CurrentImage(std::vector<BYTE>* buffer) const;
  // Media time of the frame on screen (seconds); -1 when none is shown.
  [[nodiscard]] double ShownFrameTime() const;
  // Takes the position interface; reads Duration.
  void TakePosition();

  // Stops the graph, unlinks it and releases every interface. The grabber's
  // callback is detached first, so no frame reaches it while the graph goes.
  void Release();

  // ---- Operations used by transport and capture ----------------------------------
  [[nodiscard]] bool HasGraph() const { return static_cast<bool>(Graph); }
  // A file is open: the position interface is there.
  [[nodiscard]] bool IsOpen() const { return static_cast<bool>(Position); }
  // GetState with a time-out: true when it answered S_OK and the graph runs.
  [[nodiscard]] bool IsRunning(long msTimeout) const;
  // The state without waiting (0 stopped, 1 paused, 2 running; 0 without graph).
  [[nodiscard]] OAFilterState State() const;
  void Run() const;
  void Pause() const;
  void Stop() const;
  void StopWhenReady() const;
  [[nodiscard]] double CurrentPositionOrZero() const;
  void PutPosition(double seconds) const;
  void PutRate(double rate) const;
  void PutVolume(long volume) const;
  void SetBufferSamples(bool buffer) const;
  // Steps n frames forward through the renderer; false when it cannot.
  [[nodiscard]] bool StepForward(int frames) const;
  void SetVideoPosition(int left, int top, int width, int height) const;
  // Generation of the graph (0 without one): compare to drop stale results.
  [[nodiscard]] std::uint64_t Generation() const { return Graph ? Graph->Generation() : 0; }

  // ---- State (names as the rest of the program uses them) ------------------------
  QString MediaPath;
  ComPtr<IGraphBuilder> Graph;
  ComPtr<IBaseFilter> Renderer;
  ComPtr<IBaseFilter> Decoder;
  ComPtr<IBaseFilter> GrabberFilter;
  ComPtr<ISampleGrabber> Grabber;
  ComPtr<IMediaPosition> Position;
  double Duration = 0;
  double FrameTime = 0;
  bool UseSampleGrabber = false;
  bool DecoderInserted = false;
  // Scratch buffer for one frame; size -1 means it is still to be asked for.
  std::vector<BYTE> StillImage;
  long StillImageSize = -1;
  // The next open is a re-open that keeps the position and the captured frames.
  bool RestorePending = false;
  double RestorePosition = 0;
  bool RestorePlaying = false;

  // The preferred decoder's registry long name.
  static constexpr const char* kPreferredDecoder = "ffdshow Video Decoder";
};

}  // namespace frivo
