// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "imaging/jpeg_encoder.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <cmath>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "imaging/my_bitmap.h"
#include "test_images.h"

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace frivo {
namespace {

struct Errors {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void Fail(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<Errors*>(cinfo->err)->jump, 1);
}

struct Decoded {
  jpeg_decompress_struct cinfo{};
  Errors errors{};
  QImage image;
  int components = 0;
};

// libjpeg's reading of the bytes as 8-bit RGB; a null image on any error.
QImage Decode(const QByteArray& bytes, int* components = nullptr) {
  auto d = std::make_unique<Decoded>();
  d->cinfo.err = jpeg_std_error(&d->errors.pub);
  d->errors.pub.error_exit = Fail;
  jpeg_create_decompress(&d->cinfo);
  if (setjmp(d->errors.jump) != 0) {
    jpeg_destroy_decompress(&d->cinfo);
    return {};
  }
  jpeg_mem_src(&d->cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&d->cinfo, TRUE);
  d->components = d->cinfo.num_components;
  d->cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&d->cinfo);
  d->image = QImage(int(d->cinfo.output_width), int(d->cinfo.output_height), QImage::Format_RGB888);
  while (d->cinfo.output_scanline < d->cinfo.output_height) {
    JSAMPROW row = d->image.scanLine(int(d->cinfo.output_scanline));
    jpeg_read_scanlines(&d->cinfo, &row, 1);
  }
  jpeg_finish_decompress(&d->cinfo);
  jpeg_destroy_decompress(&d->cinfo);
  if (components) *components = d->components;
  return d->image;
}

double Psnr(const QImage& a, const QImage& b) {
  double squares = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      for (const int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)})
        squares += double(d) * d;
    }
  const double mse = squares / (3.0 * a.width() * a.height());
  return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

bool Encode(const TMyBitmap& bitmap, int quality, QByteArray* out) {
  TMyJPEGImage jpeg;
  jpeg.Assign(bitmap);
  jpeg.SetCompressionQuality(quality);
  return jpeg.SaveToBytes(out);
}

// Plain libjpeg, R,G,B rows: what the encoder must produce for its settings.
struct Reference {
  jpeg_compress_struct cinfo{};
  Errors errors{};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
};

QByteArray ReferenceJpeg(const QImage& rgb888, int quality, J_DCT_METHOD dct) {
  auto r = std::make_unique<Reference>();
  r->cinfo.err = jpeg_std_error(&r->errors.pub);
  r->errors.pub.error_exit = Fail;
  jpeg_create_compress(&r->cinfo);
  if (setjmp(r->errors.jump) != 0) {
    jpeg_destroy_compress(&r->cinfo);
    return {};
  }
  jpeg_mem_dest(&r->cinfo, &r->buffer, &r->size);
  r->cinfo.image_width = JDIMENSION(rgb888.width());
  r->cinfo.image_height = JDIMENSION(rgb888.height());
  r->cinfo.input_components = 3;
  r->cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&r->cinfo);
  r->cinfo.dct_method = dct;
  jpeg_set_quality(&r->cinfo, quality, TRUE);
  jpeg_start_compress(&r->cinfo, TRUE);
  while (r->cinfo.next_scanline < r->cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb888.constScanLine(int(r->cinfo.next_scanline)));
    jpeg_write_scanlines(&r->cinfo, &row, 1);
  }
  jpeg_finish_compress(&r->cinfo);
  jpeg_destroy_compress(&r->cinfo);
  QByteArray bytes(reinterpret_cast<const char*>(r->buffer), qsizetype(r->size));
  std::free(r->buffer);
  return bytes;
}

TEST(TMyJPEGImage, DecodesToTheFrameAtQuality80) {
  for (const QSize size : {QSize(320, 240), QSize(101, 37), QSize(1, 1)}) {
    SCOPED_TRACE(size.width());
    const QImage pattern = test::Pattern(size.width(), size.height());
    QByteArray bytes;
    ASSERT_TRUE(Encode(test::Bitmap24(pattern), 80, &bytes));
    int components = 0;
    const QImage decoded = Decode(bytes, &components);
    ASSERT_EQ(decoded.size(), size);
    EXPECT_EQ(components, 3);
    // Baseline (SOF0), not progressive (SOF2).
    EXPECT_TRUE(bytes.contains(QByteArray("\xFF\xC0", 2)));
    EXPECT_FALSE(bytes.contains(QByteArray("\xFF\xC2", 2)));
    // Red and blue swapped would be far below this.
    EXPECT_GE(Psnr(decoded, pattern), 30.0);
  }
}

TEST(TMyJPEGImage, SameBytesAsLibjpegFromRgbRowsWithTheFloatDct) {
  const QImage pattern = test::Pattern(203, 64);
  const QByteArray expected =
      ReferenceJpeg(pattern.convertToFormat(QImage::Format_RGB888), 80, JDCT_FLOAT);
  ASSERT_FALSE(expected.isEmpty());
  ASSERT_NE(expected, ReferenceJpeg(pattern.convertToFormat(QImage::Format_RGB888), 80,
                                    JDCT_ISLOW));  // the DCT shows in the bytes

  // Every pixel format of the same picture: 24 and 32 bits, and 8-bit indexed.
  QImage fewColours = pattern;
  for (int y = 0; y < fewColours.height(); ++y)
    for (int x = 0; x < fewColours.width(); ++x)
      fewColours.setPixel(x, y, fewColours.pixel(x, y) & 0xFFC0C0C0);
  TMyBitmap indexed(fewColours);
  indexed.SetPixelFormat(PixelFormat::kIndexed8);
  ASSERT_EQ(indexed.Format(), PixelFormat::kIndexed8);
  const QImage noise = test::Noise(256, 256, 4);
  const struct {
    const char* name;
    TMyBitmap bitmap;
    QImage picture;
  } cases[] = {
      {"24 bits", test::Bitmap24(pattern), pattern},
      {"32 bits", TMyBitmap(pattern), pattern},
      {"8 bits", indexed, fewColours},
      {"noise: the output buffer grows", test::Bitmap24(noise), noise},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QByteArray bytes;
    ASSERT_TRUE(Encode(c.bitmap, 80, &bytes));
    ASSERT_GT(bytes.size(), 100);
    EXPECT_EQ(bytes,
              ReferenceJpeg(c.picture.convertToFormat(QImage::Format_RGB888), 80, JDCT_FLOAT));
  }
}

TEST(TMyJPEGImage, LibjpegErrorsGiveFalse) {
  // Wider than JPEG's 65500 pixels: libjpeg refuses, nothing ends the process.
  TMyBitmap wide;
  wide.SetSize(65501, 1);
  ASSERT_FALSE(wide.Empty());
  QByteArray bytes("untouched");
  EXPECT_FALSE(Encode(wide, 80, &bytes));
  EXPECT_EQ(bytes, QByteArray("untouched"));
  EXPECT_FALSE(Encode(TMyBitmap(), 80, &bytes));
}

}  // namespace
}  // namespace frivo
