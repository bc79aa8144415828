// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "grab/frame_writer.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "imaging/bmp_format.h"
#include "imaging/gif_encoder.h"
#include "imaging/jpeg_encoder.h"

namespace frivo {

namespace {

QString ErrorText(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

// The permissions a new file gets: 0666 less the process's umask, read once
// (umask can only be read by setting it).
mode_t NewFileMode() {
  static const mode_t mode = [] {
    const mode_t mask = umask(0);
    umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
  }();
  return mode;
}

bool WriteAll(int fd, const char* data, qsizetype size, int* error) {
  while (size > 0) {
    const ssize_t done = write(fd, data, static_cast<size_t>(size));
    if (done < 0) {
      if (errno == EINTR) continue;
      *error = errno;
      return false;
    }
    data += done;
    size -= done;
  }
  return true;
}

}  // namespace

TCommit CommitFile(const QString& path, const QByteArray& bytes, bool overwrite, QString* error) {
  const QFileInfo info(path);
  if (!overwrite && (info.exists() || info.isSymLink())) return TCommit::kKept;
  const QByteArray target = QFile::encodeName(info.absoluteFilePath());
  QByteArray temporary =
      QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()) + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) {
    *error = ErrorText(errno);
    return TCommit::kFailed;
  }
  int failure = 0;
  bool ok = WriteAll(fd, bytes.constData(), bytes.size(), &failure);
  if (ok && fchmod(fd, NewFileMode()) != 0) ok = false, failure = errno;
  // close() reports what a delayed write found (NFS, quotas).
  if (close(fd) != 0 && ok) ok = false, failure = errno;
  if (ok) {
    if (overwrite) {
      if (rename(temporary.constData(), target.constData()) != 0) ok = false, failure = errno;
    } else if (renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(),
                         RENAME_NOREPLACE) != 0) {
      if (errno == EEXIST) {
        unlink(temporary.constData());
        return TCommit::kKept;
      }
      // A file system without the no-replace rename: a hard link fails just
      // as well on an existing name.
      if (errno != EINVAL && errno != ENOSYS) {
        ok = false, failure = errno;
      } else if (link(temporary.constData(), target.constData()) != 0) {
        const int linkError = errno;
        unlink(temporary.constData());
        if (linkError == EEXIST) return TCommit::kKept;
        *error = ErrorText(linkError);
        return TCommit::kFailed;
      } else {
        unlink(temporary.constData());
      }
    }
  }
  if (!ok) {
    unlink(temporary.constData());
    *error = ErrorText(failure);
    return TCommit::kFailed;
  }
  return TCommit::kWritten;
}

bool EncodeFrame(const TMyBitmap& bitmap, TGrabFormat format, int quality, QByteArray* out) {
  switch (format) {
    case TGrabFormat::kBmp:
      return EncodeBmp(bitmap, out);
    case TGrabFormat::kJpeg: {
      TMyJPEGImage jpeg;
      jpeg.Assign(bitmap);
      jpeg.SetCompressionQuality(quality);
      return jpeg.SaveToBytes(out);
    }
    case TGrabFormat::kGif:
      return EncodeGif(BuildGifImage(bitmap), out);
    case TGrabFormat::kPng: {
      QBuffer buffer(out);
      if (!buffer.open(QIODevice::WriteOnly)) return false;
      QImageWriter writer(&buffer, "png");
      return writer.write(bitmap.Image());
    }
  }
  return false;
}

TFrameWriter::TFrameWriter(const TSettings& settings, TEvents events)
    : settings_(settings), events_(std::move(events)) {
  for (int n = 0; n < std::max(settings_.threads, 1); ++n)
    threads_.emplace_back([this] { Work(); });
}

TFrameWriter::~TFrameWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void TFrameWriter::Reserve(int width, int height) {
  {
    std::lock_guard lock(mutex_);
    ++reservation_;
    reservedWidth_ = width;
    reservedHeight_ = height;
  }
  changed_.notify_all();
}

bool TFrameWriter::Submit(TFrameToWrite frame, const QString& path) {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
      return !failure_.isEmpty() ||
             static_cast<int>(jobs_.size()) + busy_ < std::max(settings_.depth, 1);
    });
    if (!failure_.isEmpty()) return false;
    jobs_.push_back({std::move(frame), path, submitted_++});
  }
  changed_.notify_all();
  return true;
}

void TFrameWriter::Drain() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return !failure_.isEmpty() || (jobs_.empty() && busy_ == 0); });
}

QString TFrameWriter::Failure() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

bool TFrameWriter::Failed() const {
  std::lock_guard lock(mutex_);
  return !failure_.isEmpty();
}

void TFrameWriter::Prepare(TWorkspace& space, int width, int height) const {
  // Fresh memory costs a page fault for every 4 KiB first written to it; the
  // faults are taken here, with the decoder still busy.
  if (settings_.format == TGrabFormat::kBmp) {
    if (uchar* rows = PrepareBmp24(width, height, &space.bytes))
      std::memset(rows, 0, static_cast<size_t>(Rgb24Stride(width)) * static_cast<size_t>(height));
  } else if (space.bitmap.Width() != width || space.bitmap.Height() != height) {
    space.bitmap.SetSize(width, height);
  }
}

bool TFrameWriter::Encode(const TFrameToWrite& frame, TWorkspace& space, QString* error) const {
  if (!frame.fill || frame.width < 1 || frame.height < 1) {
    *error = QStringLiteral("the frame has no picture");
    return false;
  }
  // Emptied, not freed: the next frame's file is as large, and fresh memory
  // costs a page fault for every 4 KiB written to it.
  space.bytes.resize(0);
  if (settings_.format == TGrabFormat::kBmp) {
    // The rows go straight into the file's bytes, bottom row first as a BMP
    // keeps them: no bitmap in between, and no copy of it.
    uchar* rows = PrepareBmp24(frame.width, frame.height, &space.bytes);
    if (!rows) {
      *error = QStringLiteral("the frame is too large for a BMP file");
      return false;
    }
    if (!frame.fill(rows, static_cast<qsizetype>(Rgb24Stride(frame.width)), true)) {
      *error = QStringLiteral("the frame could not be converted");
      return false;
    }
    return true;
  }
  TMyBitmap& bitmap = space.bitmap;
  if (bitmap.Width() != frame.width || bitmap.Height() != frame.height)
    bitmap.SetSize(frame.width, frame.height);
  if (bitmap.Empty() || !frame.fill(bitmap.ScanLine(0), bitmap.BytesPerLine(), false)) {
    *error = QStringLiteral("the frame could not be converted");
    return false;
  }
  if (!EncodeFrame(bitmap, settings_.format, settings_.quality, &space.bytes)) {
    *error = QStringLiteral("the encoder failed");
    return false;
  }
  return true;
}

void TFrameWriter::Work() {
  TWorkspace space;
  for (;;) {
    TJob job;
    int reserveWidth = 0;
    int reserveHeight = 0;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock,
                    [&] { return stopping_ || !jobs_.empty() || space.reserved != reservation_; });
      if (space.reserved != reservation_) {
        space.reserved = reservation_;
        reserveWidth = reservedWidth_;
        reserveHeight = reservedHeight_;
      } else if (jobs_.empty()) {
        return;
      } else {
        job = std::move(jobs_.front());
        jobs_.pop_front();
        ++busy_;
      }
    }
    if (job.path.isEmpty()) {
      Prepare(space, reserveWidth, reserveHeight);
      continue;
    }
    QString error;
    TCommit commit = TCommit::kKept;
    // An existing file is kept without spending the encoder on it.
    if (settings_.overwrite || !QFileInfo::exists(job.path)) {
      commit = Encode(job.frame, space, &error)
                   ? CommitFile(job.path, space.bytes, settings_.overwrite, &error)
                   : TCommit::kFailed;
    }
    // The frame (a decoder's buffer) goes back before the next one is taken.
    job.frame = {};
    std::unique_lock lock(mutex_);
    // Reported in the order the frames came: a thread that finished early
    // waits for the frames before its own.
    changed_.wait(lock, [&] { return reported_ == job.number; });
    if (commit == TCommit::kFailed && failure_.isEmpty()) {
      failure_ = job.path + QStringLiteral(": ") + error;
      // Nothing after a failed write is started; the frames waiting go.
      jobs_.clear();
    }
    if (commit == TCommit::kWritten && events_.written) events_.written(job.path);
    if (commit == TCommit::kKept && events_.kept) events_.kept(job.path);
    ++reported_;
    --busy_;
    lock.unlock();
    changed_.notify_all();
  }
}

}  // namespace frivo
