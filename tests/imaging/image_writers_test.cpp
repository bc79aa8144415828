// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "imaging/image_writers.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>

#include "common/temp_dir.h"
#include "imaging/bmp_format.h"
#include "imaging/gif_encoder.h"
#include "imaging/jpeg_encoder.h"
#include "test_images.h"

namespace frivo {
namespace {

using test::ReadAll;
using test::TempDir;
using test::WriteAll;

TEST(ImageWriters, NameRules) {
  const struct {
    QString name, bmp, jpeg, gif;
  } cases[] = {
      {"shot", "shot.bmp", "shot.jpeg", "shot.gif"},
      {"shot.jpg", "shot.jpg.bmp", "shot.jpeg", "shot.jpg.gif"},
      {"shot.JPG", "shot.JPG.bmp", "shot.jpeg", "shot.JPG.gif"},
      {"shot.jpeg", "shot.jpeg.bmp", "shot.jpeg", "shot.jpeg.gif"},
      {"Shot.JPEG", "Shot.JPEG.bmp", "Shot.JPEG", "Shot.JPEG.gif"},
      {"shot.BMP", "shot.BMP", "shot.BMP.jpeg", "shot.BMP.gif"},
      {"shot.Gif", "shot.Gif.bmp", "shot.Gif.jpeg", "shot.Gif"},
      {"/pics.gif/shot", "/pics.gif/shot.bmp", "/pics.gif/shot.jpeg", "/pics.gif/shot.gif"},
      {"C:\\a.jpg\\shot", "C:\\a.jpg\\shot.bmp", "C:\\a.jpg\\shot.jpeg", "C:\\a.jpg\\shot.gif"},
      {"x.bmp:shot", "x.bmp:shot.bmp", "x.bmp:shot.jpeg", "x.bmp:shot.gif"},
      {"a.b.jpg", "a.b.jpg.bmp", "a.b.jpeg", "a.b.jpg.gif"},
      {"shot.", "shot..bmp", "shot..jpeg", "shot..gif"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    EXPECT_EQ(BmpFileName(c.name), c.bmp);
    EXPECT_EQ(JpegFileName(c.name), c.jpeg);
    EXPECT_EQ(GifFileName(c.name), c.gif);
  }
}

// One writer, with the bytes its encoder gives for a bitmap.
struct Writer {
  const char* name;
  QString extension;
  std::function<bool(const TMyBitmap&, const QString&)> save;
  std::function<QByteArray(const TMyBitmap&)> encode;
};

const QRgb kSeeThrough = qRgb(0, 0, 0);
constexpr QDir::Filters kEverything =
    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

std::vector<Writer> Writers() {
  return {
      {"bmp", ".bmp", [](auto& b, auto& n) { return SaveBitmapAsBmp(b, n); },
       [](const TMyBitmap& b) {
         QByteArray bytes;
         EXPECT_TRUE(EncodeBmp(b, &bytes));
         return bytes;
       }},
      {"jpeg", ".jpeg", [](auto& b, auto& n) { return SaveBitmapAsJpeg(b, n, 80); },
       [](const TMyBitmap& b) {
         TMyJPEGImage jpeg;
         jpeg.Assign(b);
         jpeg.SetCompressionQuality(80);
         QByteArray bytes;
         EXPECT_TRUE(jpeg.SaveToBytes(&bytes));
         return bytes;
       }},
      {"gif", ".gif", [](auto& b, auto& n) { return SaveBitmapAsGif(b, n); },
       [](const TMyBitmap& b) {
         QByteArray bytes;
         EXPECT_TRUE(EncodeGif(BuildGifImage(b), &bytes));
         return bytes;
       }},
      {"transparent gif", ".gif",
       [](auto& b, auto& n) { return SaveBitmapAsTransparentGif(b, n, kSeeThrough); },
       [](const TMyBitmap& b) {
         TMyBitmap copy = b;
         copy.SetTransparent(true);
         copy.SetTransparentColor(kSeeThrough);
         QByteArray bytes;
         EXPECT_TRUE(EncodeGif(BuildGifImage(copy), &bytes));
         return bytes;
       }},
  };
}

TEST(ImageWriters, ReplaceALongerFileWithExactlyTheNewBytes) {
  const TMyBitmap bitmap = test::Bitmap24(test::Pattern(53, 21));
  const TMyBitmap before = bitmap;
  for (const Writer& w : Writers()) {
    SCOPED_TRACE(w.name);
    TempDir dir;
    const QString path = dir.File("shot" + w.extension);
    ASSERT_TRUE(WriteAll(path, QByteArray(1 << 20, 'x')));
    ASSERT_TRUE(w.save(bitmap, dir.File("shot")));
    EXPECT_EQ(ReadAll(path), w.encode(bitmap));
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{"shot" + w.extension});
    // The caller's bitmap is not touched, transparency flags included.
    EXPECT_EQ(bitmap.Image(), before.Image());
    EXPECT_FALSE(bitmap.Transparent());
  }
}

TEST(ImageWriters, FailuresReturnFalseAndLeaveTheTargetAsItWas) {
  const TMyBitmap bitmap = test::Bitmap24(test::Pattern(16, 16));
  for (const Writer& w : Writers()) {
    SCOPED_TRACE(w.name);
    TempDir dir;
    EXPECT_FALSE(w.save(bitmap, dir.File("missing/shot")));
    EXPECT_FALSE(QFileInfo::exists(dir.File("missing")));

    const QString readOnly = dir.File("ro" + w.extension);
    ASSERT_TRUE(WriteAll(readOnly, "keep me"));
    ASSERT_EQ(chmod(QFile::encodeName(readOnly).constData(), 0444), 0);
    EXPECT_FALSE(w.save(bitmap, readOnly));
    EXPECT_EQ(ReadAll(readOnly), QByteArray("keep me"));

    // A full disk: a name that leads to /dev/full once the name rule is applied.
    const QString full = dir.File("full" + w.extension);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), full));
    EXPECT_FALSE(w.save(bitmap, full));
    EXPECT_TRUE(QFileInfo(full).isSymLink());
    EXPECT_EQ(QDir(dir.Path()).entryList(kEverything, QDir::Name),
              QStringList({"full" + w.extension, "ro" + w.extension}));
  }
}

TEST(ImageWriters, AnEmptyBitmapWritesNothingAndSucceeds) {
  TMyBitmap zeroHeight;
  zeroHeight.SetSize(5, 0);
  for (const Writer& w : Writers()) {
    SCOPED_TRACE(w.name);
    TempDir dir;
    EXPECT_TRUE(w.save(TMyBitmap(), dir.File("new")));
    EXPECT_TRUE(QDir(dir.Path()).isEmpty(kEverything));
    const QString existing = dir.File("old" + w.extension);
    ASSERT_TRUE(WriteAll(existing, "old"));
    EXPECT_TRUE(w.save(zeroHeight, existing));
    EXPECT_EQ(ReadAll(existing), QByteArray("old"));
    EXPECT_TRUE(w.save(TMyBitmap(), dir.File("missing/x")));  // not even opened
  }
}

TEST(ImageWriters, JpegQualityOutsideTheRangeIsWrittenAsItsLimit) {
  const TMyBitmap bitmap = test::Bitmap24(test::Pattern(64, 64));
  TempDir dir;
  auto saved = [&](int quality) {
    const QString name = dir.File(QString::number(quality + 1000));
    EXPECT_TRUE(SaveBitmapAsJpeg(bitmap, name + ".jpg", quality));
    return ReadAll(name + ".jpeg");
  };
  const QByteArray at1 = saved(1), at100 = saved(100);
  ASSERT_FALSE(at1.isEmpty());
  EXPECT_NE(at1, at100);
  EXPECT_EQ(saved(0), at1);
  EXPECT_EQ(saved(150), at100);
  EXPECT_FALSE(QFileInfo::exists(dir.File("1001.jpg")));
}

TEST(ImageWriters, TransparentGifMarksTheColoursIndex) {
  QImage image = test::Pattern(30, 20);
  image.setPixel(4, 5, qRgb(250, 3, 7));
  const TMyBitmap bitmap = test::Bitmap24(image);
  TempDir dir;
  ASSERT_TRUE(SaveBitmapAsTransparentGif(bitmap, dir.File("t"), qRgb(250, 3, 7)));
  const QByteArray bytes = ReadAll(dir.File("t.gif"));
  ASSERT_EQ(bytes.left(6), QByteArray("GIF89a"));
  ASSERT_EQ(bytes.mid(13, 4), QByteArray("\x21\xF9\x04\x01", 4));
  QImage decoded;
  ASSERT_TRUE(decoded.loadFromData(bytes, "GIF"));
  EXPECT_EQ(qAlpha(decoded.pixel(4, 5)), 0);
  EXPECT_EQ(qAlpha(decoded.pixel(0, 0)), 255);
  EXPECT_EQ(int(uchar(bytes[19])), BuildGifImage(bitmap).indices[5 * 30 + 4]);

  ASSERT_TRUE(SaveBitmapAsGif(bitmap, dir.File("t")));
  EXPECT_EQ(ReadAll(dir.File("t.gif")).left(6), QByteArray("GIF87a"));
}

}  // namespace
}  // namespace frivo
