// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class QWidget;

namespace frivo {

namespace gst {
struct NativeFrame;
}  // namespace gst

// A decoded frame as the decoder gave it, held without a copy until its
// picture is made; it keeps the decoder's buffer alive. Cheap to copy.
class TDecodedFrame {
 public:
  TDecodedFrame() = default;
  explicit TDecodedFrame(std::shared_ptr<const gst::NativeFrame> native);
  [[nodiscard]] bool Empty() const { return !native_; }
  [[nodiscard]] int Width() const;
  [[nodiscard]] int Height() const;
  // Writes the picture as 24-bit B,G,R rows `stride` bytes apart into `out`:
  // top row first, or with `bottomUp` bottom row first, the grabber's layout.
  // The bytes are those the grabber delivers for the frame. Any thread; a
  // thread keeps its converter for the frames after. False when the frame
  // cannot be read.
  bool ToBgrRows(std::uint8_t* out, std::int64_t stride, bool bottomUp) const;

 private:
  std::shared_ptr<const gst::NativeFrame> native_;
};

// Where graphs made from now on send their audio. The product plays it; tests and
// machines without sound use kSilent, a sink that keeps the clock but discards the
// samples. The default is kSystem unless the environment variable
// FRIVO_AUDIO_OUTPUT is "silent". kNone leaves the audio out of the graph (a
// headless grab, which has no clock to keep).
enum class AudioOutput { kSystem, kSilent, kNone };
void SetAudioOutput(AudioOutput output);
[[nodiscard]] AudioOutput CurrentAudioOutput();

// While a file opens, the graph waits for its first frame (up to 20 s for a
// file that never gives one). `pump` is called every few milliseconds of that
// wait, on the waiting (UI) thread, to keep a window painted; returning false
// gives the open up at once. Empty: the wait just blocks.
void SetOpenWaitPump(std::function<bool()> pump);

// Starts the media framework and loads its software decoders on a thread of
// their own while the program goes on starting up. The decoder library is the
// largest single cost of a first open (about 0.1 s of loading libraries and
// registering codecs) and the second core is idle then; a graph that reaches
// its decoder sooner waits for the load to finish. Keep one for the life of
// main: it waits for the thread when it goes.
//
// A batch program that decodes a few seconds and ends asks for kBatch: H.264
// (progressive, 8-bit 4:2:0, the usual camera and encoder output) then goes to a
// lean decoder of our own that needs only the codec library, and the plugin
// loads later only for a file that needs it. The pictures are the same. Such a
// program must seek before it takes frames: that decoder's open decodes the
// first picture alone, which is all the open needs.
enum class DecoderSet { kFull, kBatch };
class TDecoderWarmUp {
 public:
  explicit TDecoderWarmUp(DecoderSet set = DecoderSet::kFull);
  ~TDecoderWarmUp();
  TDecoderWarmUp(const TDecoderWarmUp&) = delete;
  TDecoderWarmUp& operator=(const TDecoderWarmUp&) = delete;

 private:
  std::thread thread_;
};

// The state of a graph (a pending change reports the old one).
enum class TGraphState { kStopped, kPaused, kRunning };

// The one open media file and the graph that plays it. The main window owns one;
// everything it holds belongs to the open file and goes with Release(). The media
// framework stays behind this class. UI thread only, except Pause() and the
// frame handler, which the streaming thread calls.
class TPlaybackGraph {
 public:
  // Called on the streaming thread for every decoded frame with its media time
  // (seconds) and its bottom-up 24-bit rows. It must not touch widgets.
  using FrameHandler =
      std::function<void(double sampleTime, const std::uint8_t* rows, long length)>;
  // The re-open that switches the sample grabber keeps the position and the
  // running state.
  struct TRestore {
    bool pending = false;
    double position = 0;
    bool playing = false;
  };

  TPlaybackGraph();
  ~TPlaybackGraph();
  TPlaybackGraph(const TPlaybackGraph&) = delete;
  TPlaybackGraph& operator=(const TPlaybackGraph&) = delete;

  // ---- Building (the steps of an open, in order; each false on failure) ----------
  // A new graph with our renderer in it.
  bool CreateWithRenderer();
  // For a program without a window, after CreateWithRenderer: the graph runs as
  // fast as it decodes, and the renderer keeps no pictures (ShownFrameTime and
  // CurrentImage have none).
  bool MakeHeadless();
  // Adds the preferred decoder when the registry has it and connects it towards
  // the renderer; false when it is missing (then nothing changes).
  bool InsertDecoder();
  // Adds the sample grabber asking for bottom-up 24-bit frames; left unconnected
  // (RenderFile puts it in the video path).
  bool AddSampleGrabber();
  // Renders the file.
  [[nodiscard]] bool RenderFile(const QString& path);
  // The video's size; 0 x 0 when the file has no video.
  void VideoSize(int* width, int* height) const;
  // Average time per frame of the video reaching the renderer (100 ns units), 0
  // when unknown.
  [[nodiscard]] std::int64_t RendererAverageTimePerFrame() const;
  // The video's frames are unevenly spaced (phone recordings); FrameTime is
  // then their average duration.
  [[nodiscard]] bool VariableFrameRate() const;
  // For such video, every frame's media time in order (seconds); steps and
  // capture sets count frames by them. Empty for constant-rate video.
  [[nodiscard]] std::vector<double> FrameTimes() const;
  // Whether the grabber got its frames connected (sample-grabber mode works).
  [[nodiscard]] bool GrabberConnected() const;
  // Hands every frame the grabber passes to `handler`; an empty handler detaches
  // it and returns once no call is in progress. False without a grabber. With
  // `wanted`, a frame's picture is made only when it returns true for the
  // frame's time; the handler gets the others with no rows (null, 0).
  using PictureWanted = std::function<bool(double sampleTime)>;
  bool SetFrameHandler(FrameHandler handler, PictureWanted wanted = {});
  // The same with the frames as the decoder gave them: nothing is converted on
  // the streaming thread, and whoever takes a frame makes its picture when and
  // where it likes. Frames `wanted` turns down come empty. Replaces a frame
  // handler.
  using DecodedFrameHandler = std::function<void(double sampleTime, const TDecodedFrame& frame)>;
  bool SetDecodedFrameHandler(DecodedFrameHandler handler, PictureWanted wanted = {});
  // Puts the video widget inside `panel`, with the panel receiving its input.
  bool AttachVideoWindow(QWidget* panel);
  // The frame on screen as a packed DIB into `buffer`.
  [[nodiscard]] bool CurrentImage(std::vector<std::uint8_t>* buffer) const;
  // Media time of the frame on screen (seconds); -1 when none is shown.
  [[nodiscard]] double ShownFrameTime() const;
  // Takes the position interface and reads the duration; false without one.
  bool TakePosition();
  // After RenderFile: from now on, frames that end before the position a seek
  // asked for and that no other frame refers to are not decoded (H.264
  // non-reference pictures). The frames delivered stay the same. False when the
  // graph has no video decoder to watch.
  bool SkipRunUpFrames();
  // The largest distance between key frames seen since SkipRunUpFrames
  // (seconds); 0 while unknown.
  [[nodiscard]] double KeyFrameSpacing() const;
  // Frames left out by SkipRunUpFrames so far.
  [[nodiscard]] std::uint64_t SkippedRunUpFrames() const;
  // The video has played to its end.
  [[nodiscard]] bool AtEnd() const;

  // Stops the graph, unlinks it and releases everything. The frame handler is
  // detached first, so no frame reaches it while the graph goes.
  void Release();

  // ---- Transport (each false when the graph refused) ------------------------------
  [[nodiscard]] bool HasGraph() const;
  // A file is open: the position interface is there.
  [[nodiscard]] bool IsOpen() const;
  // Waits up to `msTimeout` for a pending change; true when the graph runs.
  [[nodiscard]] bool IsRunning(long msTimeout) const;
  // The state without waiting (stopped without a graph).
  [[nodiscard]] TGraphState State() const;
  bool Run() const;
  // Any thread.
  bool Pause() const;
  bool Stop() const;
  bool StopWhenReady() const;
  [[nodiscard]] double CurrentPositionOrZero() const;
  bool PutPosition(double seconds) const;
  // While paused: shows at once the frame a PutPosition(seconds) would show,
  // when it and the frame before it were on screen lately and are still kept
  // in memory (a step back through what just played). The graph follows before
  // it next plays or steps; a seek makes that unneeded. False, and nothing
  // changes, when the frame is not kept.
  [[nodiscard]] bool ShowKeptFrame(double seconds) const;
  bool PutRate(double rate) const;
  [[nodiscard]] double Rate() const;
  // Volume in hundredths of a decibel (0 full, -10000 silent).
  bool PutVolume(long volume) const;
  [[nodiscard]] long Volume() const;
  // Steps n frames forward through the renderer; false when it cannot.
  [[nodiscard]] bool StepForward(int frames) const;
  bool SetVideoPosition(int left, int top, int width, int height) const;

  // ---- State ----------------------------------------------------------------------
  [[nodiscard]] const QString& MediaPath() const { return mediaPath_; }
  void SetMediaPath(const QString& path) { mediaPath_ = path; }
  // Length in seconds, read by TakePosition.
  [[nodiscard]] double Duration() const { return duration_; }
  // Seconds per frame, as the open read it from the renderer's format (0 unknown).
  [[nodiscard]] double FrameTime() const { return frameTime_; }
  void SetFrameTime(double seconds) { frameTime_ = seconds; }
  // Frames come through the sample grabber (else from the renderer).
  [[nodiscard]] bool UseSampleGrabber() const { return useSampleGrabber_; }
  void SetUseSampleGrabber(bool use) { useSampleGrabber_ = use; }
  [[nodiscard]] bool DecoderInserted() const { return decoderInserted_; }
  [[nodiscard]] const TRestore& Restore() const { return restore_; }
  void SetRestore(const TRestore& restore) { restore_ = restore; }

  // The preferred decoder's registry long name.
  static constexpr const char* kPreferredDecoder = "ffdshow Video Decoder";

 private:
  // Seeks to the frame ShowKeptFrame put on screen, when one is.
  void CatchUp() const;

  // The framework objects of the open graph.
  struct TParts;
  std::unique_ptr<TParts> parts_;
  QString mediaPath_;
  double duration_ = 0;
  double frameTime_ = 0;
  bool useSampleGrabber_ = false;
  bool decoderInserted_ = false;
  TRestore restore_;
};

}  // namespace frivo
