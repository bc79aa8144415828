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
    : settings_(settings), events_(std::move(events)), thread_([this] { Work(); }) {}

TFrameWriter::~TFrameWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

std::unique_ptr<TMyBitmap> TFrameWriter::Acquire(int width, int height) {
  std::unique_lock lock(mutex_);
  changed_.wait(
      lock, [&] { return !failure_.isEmpty() || !free_.empty() || allocated_ < settings_.depth; });
  if (!failure_.isEmpty()) return nullptr;
  std::unique_ptr<TMyBitmap> bitmap;
  if (!free_.empty()) {
    bitmap = std::move(free_.back());
    free_.pop_back();
  } else {
    bitmap = std::make_unique<TMyBitmap>();
    ++allocated_;
  }
  lock.unlock();
  if (bitmap->Width() != width || bitmap->Height() != height) bitmap->SetSize(width, height);
  return bitmap;
}

void TFrameWriter::Submit(std::unique_ptr<TMyBitmap> bitmap, const QString& path) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back({std::move(bitmap), path});
  }
  changed_.notify_all();
}

void TFrameWriter::Drain() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return !failure_.isEmpty() || (jobs_.empty() && !busy_); });
}

QString TFrameWriter::Failure() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

bool TFrameWriter::Failed() const {
  std::lock_guard lock(mutex_);
  return !failure_.isEmpty();
}

void TFrameWriter::Work() {
  QByteArray bytes;
  for (;;) {
    TJob job;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
      busy_ = true;
    }
    QString error;
    TCommit commit = TCommit::kKept;
    // An existing file is kept without spending the encoder on it.
    if (settings_.overwrite || !QFileInfo::exists(job.path)) {
      // Emptied, not freed: the next frame's file is as large, and fresh
      // memory costs a page fault for every 4 KiB written to it.
      bytes.resize(0);
      if (EncodeFrame(*job.bitmap, settings_.format, settings_.quality, &bytes)) {
        commit = CommitFile(job.path, bytes, settings_.overwrite, &error);
      } else {
        commit = TCommit::kFailed;
        error = QStringLiteral("the encoder failed");
      }
    }
    if (commit == TCommit::kWritten && events_.written) events_.written(job.path);
    if (commit == TCommit::kKept && events_.kept) events_.kept(job.path);
    {
      std::lock_guard lock(mutex_);
      busy_ = false;
      free_.push_back(std::move(job.bitmap));
      if (commit == TCommit::kFailed && failure_.isEmpty()) {
        failure_ = job.path + QStringLiteral(": ") + error;
        // Nothing after a failed write is written; the frames waiting go.
        for (TJob& waiting : jobs_) free_.push_back(std::move(waiting.bitmap));
        jobs_.clear();
      }
    }
    changed_.notify_all();
  }
}

}  // namespace frivo
