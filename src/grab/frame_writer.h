// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "grab/grab_options.h"
#include "imaging/my_bitmap.h"

namespace frivo {

// How a file commit ended.
enum class TCommit { kWritten, kKept, kFailed };

// Puts `bytes` at `path` as a whole: they go to a hidden temporary file in the
// same folder, which is renamed to `path` only once every byte is written, so a
// failed write (full disk, size limit, read-only folder) leaves no partial file
// behind. Without `overwrite` an existing file is kept (kKept), also when it
// appears while the bytes are written. `error` gets the reason of a kFailed.
[[nodiscard]] TCommit CommitFile(const QString& path, const QByteArray& bytes, bool overwrite,
                                 QString* error);

// Encodes `bitmap` in `format` into `out`; false on an encoder error.
[[nodiscard]] bool EncodeFrame(const TMyBitmap& bitmap, TGrabFormat format, int quality,
                               QByteArray* out);

// A frame to write: its size, and how its pixels are laid out as 24-bit
// B,G,R rows `stride` bytes apart, top row first or with `bottomUp` bottom row
// first. `fill` writes width x 3 bytes of each row and leaves the padding after
// them alone; it runs once, on a writer thread, and returns false when it
// cannot.
struct TFrameToWrite {
  int width = 0;
  int height = 0;
  std::function<bool(uchar* rows, qsizetype stride, bool bottomUp)> fill;
};

// The writer threads of a batch grab. The streaming thread hands over frames
// as they come, each with its file name; the writer threads make their
// pictures, encode and write them side by side, and report them in the order
// they came. A BMP file's rows are laid out straight into the file's bytes;
// other formats go through a bitmap each thread uses again for every frame. At
// most `depth` frames wait or are being written at a time, so memory does not
// grow with the number of frames: a decoder that runs ahead waits in Submit.
class TFrameWriter {
 public:
  struct TSettings {
    TGrabFormat format = TGrabFormat::kBmp;
    int quality = 80;
    bool overwrite = false;
    int depth = 5;
    int threads = 2;
  };
  // Called on a writer thread, one at a time, in submission order.
  struct TEvents {
    std::function<void(const QString& path)> written;
    std::function<void(const QString& path)> kept;
  };

  TFrameWriter(const TSettings& settings, TEvents events);
  ~TFrameWriter();
  TFrameWriter(const TFrameWriter&) = delete;
  TFrameWriter& operator=(const TFrameWriter&) = delete;

  // Readies the writer for frames of this size while the decoder runs up to
  // the first one: the memory the first files need is set aside and touched
  // now, not while frames wait for it.
  void Reserve(int width, int height);
  // Queues `frame` for `path`. Blocks while `depth` frames are in the writer's
  // hands; false, and the frame dropped, once a write has failed. Frames
  // already being written when one fails are still written and reported.
  bool Submit(TFrameToWrite frame, const QString& path);
  // Waits until every frame submitted so far is written or the writer failed.
  void Drain();

  // The reason of the failed write that stopped the writer; empty while none.
  [[nodiscard]] QString Failure() const;
  [[nodiscard]] bool Failed() const;

 private:
  struct TJob {
    TFrameToWrite frame;
    QString path;
    std::uint64_t number = 0;  // in submission order
  };
  // What one writer thread keeps from frame to frame.
  struct TWorkspace {
    QByteArray bytes;
    TMyBitmap bitmap;
    std::uint64_t reserved = 0;  // the reservation it has made ready
  };
  void Work();
  // The file's bytes of `frame` in the writer's format; false on a failure.
  bool Encode(const TFrameToWrite& frame, TWorkspace& space, QString* error) const;
  void Prepare(TWorkspace& space, int width, int height) const;

  const TSettings settings_;
  const TEvents events_;
  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable changed_;
  std::deque<TJob> jobs_;
  std::uint64_t submitted_ = 0;  // jobs numbered so far
  std::uint64_t reported_ = 0;   // jobs finished and reported, from the first on
  int busy_ = 0;                 // jobs the threads hold
  std::uint64_t reservation_ = 0;
  int reservedWidth_ = 0;
  int reservedHeight_ = 0;
  bool stopping_ = false;
  QString failure_;
  std::vector<std::thread> threads_;  // last: start once the fields above exist
};

}  // namespace frivo
