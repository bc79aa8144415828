// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "imaging/bmp_format.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <cstdint>

#include "imaging/my_bitmap.h"
#include "test_images.h"

namespace frivo {
namespace {

uint32_t U32(const QByteArray& b, int at) {
  return uint32_t(uchar(b[at])) | uint32_t(uchar(b[at + 1])) << 8 |
         uint32_t(uchar(b[at + 2])) << 16 | uint32_t(uchar(b[at + 3])) << 24;
}
uint32_t U16(const QByteArray& b, int at) {
  return uint32_t(uchar(b[at])) | uint32_t(uchar(b[at + 1])) << 8;
}

QRgb ColorAt(int x, int y) {
  return qRgb((x * 37 + y) & 0xFF, (x * 11 + 3 * y) & 0xFF, (x + 101 * y) & 0xFF);
}

QImage Distinct(int width, int height, QImage::Format format) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, ColorAt(x, y));
  return image.convertToFormat(format);
}

TEST(EncodeBmp, HeaderAndPaddedBottomUpRowsAreExact) {
  const struct {
    int width;
    int stride;
  } cases[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {101, 304}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    const int height = 3;
    QByteArray bytes;
    ASSERT_TRUE(EncodeBmp(TMyBitmap(Distinct(c.width, height, QImage::Format_BGR888)), &bytes));
    const int fileSize = 54 + c.stride * height;
    ASSERT_EQ(bytes.size(), fileSize);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(U32(bytes, 2), uint32_t(fileSize));
    EXPECT_EQ(U32(bytes, 6), 0u);  // reserved
    EXPECT_EQ(U32(bytes, 10), 54u);
    EXPECT_EQ(U32(bytes, 14), 40u);
    EXPECT_EQ(U32(bytes, 18), uint32_t(c.width));
    EXPECT_EQ(U32(bytes, 22), uint32_t(height));  // positive: bottom-up
    EXPECT_EQ(U16(bytes, 26), 1u);
    EXPECT_EQ(U16(bytes, 28), 24u);
    EXPECT_EQ(U32(bytes, 30), 0u);  // BI_RGB
    EXPECT_EQ(U32(bytes, 46), 0u);  // no colour table
    for (int fileRow = 0; fileRow < height; ++fileRow) {
      const int y = height - 1 - fileRow;
      const int row = 54 + fileRow * c.stride;
      for (int x = 0; x < c.width; ++x) {
        const QRgb expected = ColorAt(x, y);
        ASSERT_EQ(uchar(bytes[row + 3 * x]), qBlue(expected)) << x << "," << y;
        ASSERT_EQ(uchar(bytes[row + 3 * x + 1]), qGreen(expected));
        ASSERT_EQ(uchar(bytes[row + 3 * x + 2]), qRed(expected));
      }
      for (int p = 3 * c.width; p < c.stride; ++p) EXPECT_EQ(bytes[row + p], '\0');
    }
  }
}

TEST(EncodeBmp, EveryInputFormatGivesTheSame24BitFile) {
  // 32-bit pixels lose their fourth byte; indexed pixels become their colours.
  QByteArray reference;
  ASSERT_TRUE(EncodeBmp(TMyBitmap(Distinct(5, 4, QImage::Format_BGR888)), &reference));
  TMyBitmap bgrx(Distinct(5, 4, QImage::Format_ARGB32));
  ASSERT_EQ(bgrx.Format(), PixelFormat::kBgrx32);
  TMyBitmap indexed(Distinct(5, 4, QImage::Format_RGB32));
  indexed.SetPixelFormat(PixelFormat::kIndexed8);  // 20 colours: all kept
  ASSERT_EQ(indexed.Format(), PixelFormat::kIndexed8);
  for (const TMyBitmap* bitmap : {&bgrx, &indexed}) {
    QByteArray bytes;
    ASSERT_TRUE(EncodeBmp(*bitmap, &bytes));
    EXPECT_EQ(bytes, reference);
  }
}

TEST(LoadFromBmpData, ReadsWhatEncodeBmpWrites) {
  const TMyBitmap original = test::Bitmap24(test::Pattern(101, 7));
  QByteArray bytes;
  ASSERT_TRUE(EncodeBmp(original, &bytes));
  TMyBitmap loaded;
  ASSERT_TRUE(loaded.LoadFromBmpData(bytes));
  EXPECT_EQ(loaded.Format(), PixelFormat::kBgr24);
  EXPECT_EQ(loaded.Image(), original.Image());
}

// A BMP file image as the renderer hands one over: file header, info header,
// colour table, rows padded to 4 bytes.
QByteArray MakeBmp(int width, int height, int bits, const QByteArray& palette,
                   const QByteArray& rows, uint32_t compression = 0, int infoSize = 40) {
  QByteArray b(14 + infoSize, '\0');
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, uint32_t(b.size() + palette.size() + rows.size()));
  put32(10, uint32_t(b.size() + palette.size()));
  put32(14, uint32_t(infoSize));
  put32(18, uint32_t(width));
  put32(22, uint32_t(height));
  b[26] = 1;
  b[28] = char(bits);
  put32(30, compression);
  if (bits <= 8) put32(46, uint32_t(palette.size() / 4));  // colours used
  return b + palette + rows;
}

TEST(LoadFromBmpData, ReadsIndexedThirtyTwoBitAndTopDownImages) {
  const QByteArray twoColours("\x00\x00\xFF\x00\xFF\x00\x00\x00", 8);  // red, blue
  struct Case {
    const char* name;
    QByteArray data;
    PixelFormat format;
    QRgb topLeft, topRight, bottomLeft;
  };
  const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);
  const Case cases[] = {
      // 1 bit, 3 x 2, bottom-up: bottom row 0b010, top row 0b100.
      {"1 bit", MakeBmp(3, 2, 1, twoColours, QByteArray("\x40\0\0\0\x80\0\0\0", 8)),
       PixelFormat::kIndexed1, blue, red, red},
      // 4 bits, 3 x 2: bottom row 1 0 0, top row 0 0 1.
      {"4 bits", MakeBmp(3, 2, 4, twoColours, QByteArray("\x10\x00\0\0\x00\x10\0\0", 8)),
       PixelFormat::kIndexed4, red, blue, blue},
      // 8 bits, 1 x 2, top-down (negative height): top row index 1.
      {"8 bits top-down", MakeBmp(1, -2, 8, twoColours, QByteArray("\x01\0\0\0\x00\0\0\0", 8)),
       PixelFormat::kIndexed8, blue, blue, red},
      // 32 bits, 2 x 1, B G R X.
      {"32 bits", MakeBmp(2, 1, 32, {}, QByteArray("\x00\x00\xFF\x00\xFF\x00\x00\x00", 8)),
       PixelFormat::kBgrx32, red, blue, red},
      // 32 bits with the standard bit fields after a plain info header.
      {"32 bits, bit fields",
       MakeBmp(2, 1, 32, QByteArray("\0\0\xFF\0\0\xFF\0\0\xFF\0\0\0", 12),
               QByteArray("\xFF\x00\x00\x00\x00\x00\xFF\x00", 8), 3),
       PixelFormat::kBgrx32, blue, red, blue},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMyBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadFromBmpData(c.data));
    EXPECT_EQ(bitmap.Format(), c.format);
    EXPECT_EQ(bitmap.Pixel(0, 0), c.topLeft);
    EXPECT_EQ(bitmap.Pixel(bitmap.Width() - 1, 0), c.topRight);
    EXPECT_EQ(bitmap.Pixel(0, bitmap.Height() - 1), c.bottomLeft);
  }
}

TEST(LoadFromBmpData, RejectsMalformedDataAndKeepsThePicture) {
  const QByteArray rows24("\x01\x02\x03\x00\x04\x05\x06\x00", 8);  // 1 x 2, 24 bits
  QByteArray badOffset = MakeBmp(1, 2, 24, {}, rows24);
  badOffset[10] = char(0xF0);
  QByteArray shortPalette = MakeBmp(2, 1, 8, QByteArray(4, '\0'), QByteArray(4, '\0'));
  shortPalette[46] = 3;  // claims 3 colours, holds 1
  QByteArray bigPalette = MakeBmp(2, 1, 1, QByteArray(12, '\0'), QByteArray(4, '\0'));
  // 3 colours for 1 bit per pixel: more than the format holds
  const struct {
    const char* name;
    QByteArray data;
  } cases[] = {
      {"empty", {}},
      {"not BM", QByteArray("XX") + MakeBmp(1, 2, 24, {}, rows24).mid(2)},
      {"truncated rows", MakeBmp(1, 2, 24, {}, rows24).chopped(1)},
      {"truncated header", MakeBmp(1, 2, 24, {}, rows24).left(30)},
      {"pixel offset past the end", badOffset},
      {"colour table past the end", shortPalette},
      {"colour table too big", bigPalette},
      {"zero width", MakeBmp(0, 2, 24, {}, rows24)},
      {"16 bits", MakeBmp(2, 2, 16, {}, rows24)},
      {"RLE", MakeBmp(4, 1, 8, QByteArray(8, '\0'), QByteArray(4, '\0'), 1)},
      {"odd bit fields", MakeBmp(1, 1, 32, QByteArray(12, '\x0F'), QByteArray(4, '\0'), 3)},
      {"huge height", MakeBmp(1, 0x7FFFFFFF, 24, {}, rows24)},
  };
  const TMyBitmap original = test::Bitmap24(test::Pattern(4, 3));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TMyBitmap bitmap = original;
    EXPECT_FALSE(bitmap.LoadFromBmpData(c.data));
    EXPECT_EQ(bitmap.Image(), original.Image());
    EXPECT_EQ(bitmap.Format(), PixelFormat::kBgr24);
  }
}

}  // namespace
}  // namespace frivo
