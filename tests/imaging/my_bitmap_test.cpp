// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "imaging/my_bitmap.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>

#include "test_images.h"

namespace frivo {
namespace {

TEST(TMyBitmap, TakesFormatAndPaletteFromTheImage) {
  QImage mono(3, 1, QImage::Format_Mono);
  mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  mono.setPixel(1, 0, 1);
  QImage indexed(2, 1, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(1, 2, 3)});  // index 5 has no colour: mapped to the last one
  indexed.fill(5);
  QImage argb(2, 1, QImage::Format_ARGB32);
  argb.setPixel(1, 0, qRgba(9, 8, 7, 0));
  QImage rgb888(2, 1, QImage::Format_RGB888);
  rgb888.setPixel(1, 0, qRgb(9, 8, 7));
  const struct {
    const char* name;
    QImage image;
    PixelFormat format;
    int paletteSize;
    QRgb pixel1;
  } cases[] = {
      {"mono", mono, PixelFormat::kIndexed1, 2, qRgb(255, 255, 255)},
      {"indexed, short table", indexed, PixelFormat::kIndexed8, 1, qRgb(1, 2, 3)},
      {"argb: alpha dropped", argb, PixelFormat::kBgrx32, 0, qRgb(9, 8, 7)},
      {"rgb888", rgb888, PixelFormat::kBgr24, 0, qRgb(9, 8, 7)},
      {"null", QImage(), PixelFormat::kBgr24, 0, qRgb(0, 0, 0)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TMyBitmap bitmap(c.image);
    EXPECT_EQ(bitmap.Format(), c.format);
    EXPECT_EQ(bitmap.Palette().size(), c.paletteSize);
    EXPECT_EQ(bitmap.Pixel(1, 0), c.pixel1);
  }
}

TEST(TMyBitmap, PixelFormatChangesKeepColoursThatFit) {
  const QImage pattern = test::Pattern(37, 5);
  TMyBitmap bitmap = test::Bitmap24(pattern);
  const TMyBitmap copy = bitmap;
  bitmap.SetPixelFormat(PixelFormat::kBgrx32);
  bitmap.SetPixelFormat(PixelFormat::kBgr24);
  EXPECT_EQ(bitmap.Image(), copy.Image());

  // Four colours fit into 4 bits exactly; into 1 bit they go to black and white.
  const QRgb colours[] = {qRgb(10, 20, 30), qRgb(200, 0, 0), qRgb(250, 250, 240), qRgb(0, 0, 9)};
  QImage four(4, 2, QImage::Format_RGB32);
  for (int x = 0; x < 4; ++x)
    for (int y = 0; y < 2; ++y) four.setPixel(x, y, colours[x]);
  TMyBitmap small(four);
  small.SetPixelFormat(PixelFormat::kIndexed4);
  EXPECT_EQ(small.Palette().size(), 4);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(small.Pixel(x, 1), colours[x]);
  small.SetPixelFormat(PixelFormat::kIndexed1);
  EXPECT_EQ(small.Palette().size(), 2);  // four colours do not fit: black and white
  const QRgb mono[] = {qRgb(0, 0, 0), qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(0, 0, 0)};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(small.Pixel(x, 0), mono[x]) << x;

  // The 8-bit fallback palette serves pictures with more than 256 colours.
  TMyBitmap many = test::Bitmap24(test::Noise(40, 40, 3));
  many.SetPixelFormat(PixelFormat::kIndexed8);
  EXPECT_EQ(many.Palette().size(), 252);
}

TEST(TMyBitmap, CopyBgrRowsTurnsBottomUpRowsAround) {
  // 2 x 3 frame, rows padded to 8 bytes, the bottom row first in memory.
  QByteArray rows(24, '\0');
  for (int r = 0; r < 3; ++r) rows[r * 8] = char(10 * (r + 1));  // blue of the first pixel
  TMyBitmap bitmap;
  bitmap.SetSize(2, 3);
  const auto* bits = reinterpret_cast<const uchar*>(rows.constData());
  ASSERT_TRUE(bitmap.CopyBgrRows(bits, rows.size(), 8, true));
  EXPECT_EQ(bitmap.Pixel(0, 0), qRgb(0, 0, 30));
  EXPECT_EQ(bitmap.Pixel(0, 2), qRgb(0, 0, 10));
  ASSERT_TRUE(bitmap.CopyBgrRows(bits, rows.size(), 8, false));
  EXPECT_EQ(bitmap.Pixel(0, 0), qRgb(0, 0, 10));
  // The last row needs only its pixels, not its padding; one byte less is too short.
  EXPECT_TRUE(bitmap.CopyBgrRows(bits, 22, 8, true));
  EXPECT_FALSE(bitmap.CopyBgrRows(bits, 21, 8, true));
  EXPECT_FALSE(bitmap.CopyBgrRows(bits, rows.size(), 5, true));  // stride below a row
  EXPECT_EQ(bitmap.Pixel(0, 2), qRgb(0, 0, 10));
}

}  // namespace
}  // namespace frivo
