// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "imaging/image_writers.h"

#include <QByteArray>
#include <algorithm>

#include "imaging/bmp_format.h"
#include "imaging/gif_encoder.h"
#include "imaging/jpeg_encoder.h"
#include "imaging/save_rules.h"
#include "platform/platform.h"
#include "support/file_replace.h"

namespace frivo {

namespace {

// Critical-error pop-ups stay off for the write; the previous mode comes back
// on every path out.
class QuietErrorMode {
 public:
  QuietErrorMode() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
  ~QuietErrorMode() { SetErrorMode(previous_); }
  QuietErrorMode(const QuietErrorMode&) = delete;
  QuietErrorMode& operator=(const QuietErrorMode&) = delete;

 private:
  unsigned previous_;
};

// The frame every writer shares: nothing to do for an empty bitmap, then the
// bytes are built in memory and replace the file's content in one step.
template <typename Encode>
bool WriteImageFile(const TMyBitmap& bitmap, const QString& fileName, Encode&& encode) {
  if (bitmap.Empty()) return true;
  try {
    QByteArray bytes;
    if (!encode(&bytes)) return false;
    const QuietErrorMode quiet;
    return ReplaceFileContents(fileName, bytes);
  } catch (...) {
    return false;
  }
}

QString AppendUnless(const QString& name, const QString& extension) {
  return FileExtension(name).toLower() == extension ? name : name + extension;
}

}  // namespace

QString FileExtension(const QString& name) {
  const qsizetype separator =
      std::max({name.lastIndexOf(QLatin1Char('\\')), name.lastIndexOf(QLatin1Char('/')),
                name.lastIndexOf(QLatin1Char(':'))});
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot < 0 || dot < separator) return {};
  return name.mid(dot);
}

QString BmpFileName(const QString& name) {
  return AppendUnless(name, QStringLiteral(".bmp"));
}

QString GifFileName(const QString& name) {
  return AppendUnless(name, QStringLiteral(".gif"));
}

QString JpegFileName(const QString& name) {
  const QString extension = FileExtension(name).toLower();
  if (extension == QLatin1String(".jpeg")) return name;
  if (extension == QLatin1String(".jpg"))
    return name.left(name.size() - extension.size()) + QStringLiteral(".jpeg");
  return name + QStringLiteral(".jpeg");
}

bool SaveBitmapAsBmp(const TMyBitmap& bitmap, const QString& fileName) {
  return WriteImageFile(bitmap, BmpFileName(fileName),
                        [&](QByteArray* bytes) { return EncodeBmp(bitmap, bytes); });
}

bool SaveBitmapAsJpeg(const TMyBitmap& bitmap, const QString& fileName, int quality) {
  return WriteImageFile(bitmap, JpegFileName(fileName), [&](QByteArray* bytes) {
    TMyJPEGImage jpeg;
    jpeg.Assign(bitmap);
    jpeg.SetCompressionQuality(quality);
    return jpeg.SaveToBytes(bytes);
  });
}

bool SaveBitmapAsGif(const TMyBitmap& bitmap, const QString& fileName) {
  return WriteImageFile(bitmap, GifFileName(fileName),
                        [&](QByteArray* bytes) { return EncodeGif(BuildGifImage(bitmap), bytes); });
}

bool SaveBitmapAsTransparentGif(const TMyBitmap& bitmap, const QString& fileName,
                                QRgb transparentColor) {
  TMyBitmap copy = bitmap;
  copy.SetTransparent(true);
  copy.SetTransparentColor(transparentColor);
  return SaveBitmapAsGif(copy, fileName);
}

bool SaveBitmapInFormatOfName(const TMyBitmap& bitmap, const QString& fileName) {
  switch (FormatForName(fileName)) {
    case ImageFileFormat::kGif:
      return bitmap.Transparent()
                 ? SaveBitmapAsTransparentGif(bitmap, fileName, bitmap.TransparentColor())
                 : SaveBitmapAsGif(bitmap, fileName);
    case ImageFileFormat::kJpeg:
      return SaveBitmapAsJpeg(bitmap, fileName, kSaveJpegQuality);
    case ImageFileFormat::kBmp:
      break;
  }
  return SaveBitmapAsBmp(bitmap, fileName);
}

}  // namespace frivo
