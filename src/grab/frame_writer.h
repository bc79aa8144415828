// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
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

// The writer thread of a batch grab. The streaming thread takes a bitmap from a
// small pool, fills it and hands it over with its file name; the writer thread
// encodes and writes the frames in the order they came and gives the bitmaps
// back. At most `depth` frames exist at a time, so memory does not grow with the
// number of frames: a decoder that runs ahead waits in Acquire.
class TFrameWriter {
 public:
  struct TSettings {
    TGrabFormat format = TGrabFormat::kBmp;
    int quality = 80;
    bool overwrite = false;
    int depth = 3;
  };
  // Called on the writer thread, in submission order.
  struct TEvents {
    std::function<void(const QString& path)> written;
    std::function<void(const QString& path)> kept;
  };

  TFrameWriter(const TSettings& settings, TEvents events);
  ~TFrameWriter();
  TFrameWriter(const TFrameWriter&) = delete;
  TFrameWriter& operator=(const TFrameWriter&) = delete;

  // A bitmap of that size to fill (its content is undefined). Blocks while the
  // pool is in use; null once a write has failed.
  [[nodiscard]] std::unique_ptr<TMyBitmap> Acquire(int width, int height);
  // Queues a filled bitmap for `path`.
  void Submit(std::unique_ptr<TMyBitmap> bitmap, const QString& path);
  // Waits until every frame submitted so far is written or the writer failed.
  void Drain();

  // The reason of the failed write that stopped the writer; empty while none.
  [[nodiscard]] QString Failure() const;
  [[nodiscard]] bool Failed() const;

 private:
  struct TJob {
    std::unique_ptr<TMyBitmap> bitmap;
    QString path;
  };
  void Work();

  const TSettings settings_;
  const TEvents events_;
  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable changed_;
  std::deque<TJob> jobs_;
  std::vector<std::unique_ptr<TMyBitmap>> free_;
  int allocated_ = 0;  // bitmaps in existence: free, queued or being written
  bool busy_ = false;  // the writer thread holds a job
  bool stopping_ = false;
  QString failure_;
  std::thread thread_;  // last: starts once the fields above exist
};

}  // namespace frivo
