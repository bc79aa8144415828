// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "imaging/gif_encoder.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <cstdlib>
#include <deque>
#include <memory>
#include <vector>

#include "imaging/my_bitmap.h"
#include "imaging/octree_quantizer.h"
#include "test_images.h"

namespace frivo {
namespace {

// --- Independent models of the colour reduction, written for clarity. ------

// Octree with real child pointers and per-level lists of reducible nodes.
class ReferenceOctree {
 public:
  ReferenceOctree() : root_(std::make_unique<Node>()) { lists_[0].push_front(root_.get()); }

  void Add(int r, int g, int b) {
    Node* node = root_.get();
    for (int level = 0; !node->leaf; ++level) {
      const int bit = 7 - level;
      const int i = ((r >> bit) & 1) * 4 + ((g >> bit) & 1) * 2 + ((b >> bit) & 1);
      if (!node->child[i]) {
        node->child[i] = std::make_unique<Node>();
        if (level + 1 == 8) {
          node->child[i]->leaf = true;
          ++leaves_;
        } else {
          lists_[level + 1].push_front(node->child[i].get());
        }
      }
      node = node->child[i].get();
    }
    ++node->count;
    node->r += r;
    node->g += g;
    node->b += b;
    while (leaves_ > 256) Reduce();
  }

  [[nodiscard]] int Leaves() const { return leaves_; }

  [[nodiscard]] GifPalette Palette() const {
    GifPalette palette;
    palette.fill(qRgb(0, 0, 0));
    int next = 0;
    Collect(*root_, &palette, &next);
    return palette;
  }

 private:
  struct Node {
    bool leaf = false;
    uint64_t count = 0, r = 0, g = 0, b = 0;
    std::unique_ptr<Node> child[8];
  };

  void Reduce() {
    int level = 7;
    while (level > 0 && lists_[level].empty()) --level;
    Node* node = lists_[level].front();
    lists_[level].pop_front();
    int children = 0;
    for (auto& c : node->child) {
      if (!c) continue;
      node->count += c->count;
      node->r += c->r;
      node->g += c->g;
      node->b += c->b;
      c.reset();
      ++children;
    }
    node->leaf = true;
    leaves_ -= children - 1;
  }

  static void Collect(const Node& node, GifPalette* palette, int* next) {
    if (node.leaf) {
      const uint64_t n = node.count;
      (*palette)[size_t((*next)++)] =
          n ? qRgb(int(node.r / n), int(node.g / n), int(node.b / n)) : qRgb(0, 0, 0);
      return;
    }
    for (const auto& c : node.child)
      if (c) Collect(*c, palette, next);
  }

  std::unique_ptr<Node> root_;
  std::deque<Node*> lists_[8];
  int leaves_ = 0;
};

int Cell(QRgb c) {
  return (qBlue(c) >> 3) * 1024 + (qGreen(c) >> 3) * 32 + (qRed(c) >> 3);
}

// Palette indices of a true-colour image: inverse table, lazy nearest search,
// rows alternately left to right and right to left (or all left to right).
std::vector<uchar> ReferenceMapping(const QImage& image, const GifPalette& palette,
                                    bool serpentine) {
  std::vector<int> cells(32768, -1);
  for (int i = 0; i < 256; ++i)
    if (cells[Cell(palette[i])] < 0) cells[Cell(palette[i])] = i;
  const int w = image.width();
  std::vector<uchar> out(size_t(w) * image.height());
  for (int y = 0; y < image.height(); ++y) {
    for (int k = 0; k < w; ++k) {
      const int x = serpentine && y % 2 ? w - 1 - k : k;
      const QRgb c = image.pixel(x, y);
      int& cell = cells[Cell(c)];
      if (cell < 0) {
        int best = 0, bestDistance = 196608;
        for (int i = 0; i < 256; ++i) {
          const int d = std::abs(qRed(palette[i]) - qRed(c)) +
                        std::abs(qGreen(palette[i]) - qGreen(c)) +
                        std::abs(qBlue(palette[i]) - qBlue(c));
          if (d < bestDistance) bestDistance = d, best = i;
        }
        cell = best;
      }
      out[size_t(y) * w + x] = uchar(cell);
    }
  }
  return out;
}

// --- Reading GIF files back. ------------------------------------------------

// The fixed-layout parts of a file with one image and a local colour table.
struct GifLayout {
  QByteArray version;
  int width = 0, height = 0, screenFlags = -1, imageFlags = -1, codeSize = -1;
  int transparentIndex = -1;
  GifPalette palette{};
  bool endsWithTrailer = false;
};

GifLayout ParseGif(const QByteArray& f) {
  GifLayout g;
  auto u16 = [&](int at) { return uchar(f[at]) | uchar(f[at + 1]) << 8; };
  if (f.size() < 13) return g;
  g.version = f.left(6);
  g.width = u16(6);
  g.height = u16(8);
  g.screenFlags = uchar(f[10]);
  int at = 13;
  if (f.mid(at, 3) == QByteArray("\x21\xF9\x04", 3) && f.size() > at + 8) {
    if (uchar(f[at + 3]) & 1) g.transparentIndex = uchar(f[at + 6]);
    at += 8;
  }
  if (f.size() < at + 10 + 768 + 1 || f[at] != '\x2C') return g;
  g.imageFlags = uchar(f[at + 9]);
  at += 10;
  for (int i = 0; i < 256; ++i, at += 3)
    g.palette[size_t(i)] = qRgb(uchar(f[at]), uchar(f[at + 1]), uchar(f[at + 2]));
  g.codeSize = uchar(f[at++]);
  while (at < f.size() && f[at] != '\0') at += 1 + uchar(f[at]);  // data sub-blocks
  g.endsWithTrailer = at + 2 == f.size() && f[at + 1] == '\x3B';
  return g;
}

QImage DecodeWithQt(const QByteArray& bytes) {
  QImage image;
  if (!image.loadFromData(bytes, "GIF")) return {};
  return image.convertToFormat(QImage::Format_ARGB32);
}

// ImageMagick's reading of the file as raw RGB; a null image if it is not installed.
QImage DecodeWithImageMagick(const QByteArray& bytes, int width, int height) {
  const QString convert = QStringLiteral("/usr/bin/convert");
  if (!QFileInfo(convert).isExecutable()) return {};
  QProcess process;
  process.start(convert, {"gif:-", "-depth", "8", "rgb:-"});
  const QImage failed(1, 1, QImage::Format_ARGB32);  // matches no expected picture
  if (!process.waitForStarted()) return failed;
  process.write(bytes);
  process.closeWriteChannel();
  if (!process.waitForFinished(60000)) return failed;
  const QByteArray rgb = process.readAllStandardOutput();
  if (rgb.size() != qsizetype(width) * height * 3) return failed;
  QImage image(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const char* p = rgb.constData() + (qsizetype(y) * width + x) * 3;
      image.setPixel(x, y, qRgb(uchar(p[0]), uchar(p[1]), uchar(p[2])));
    }
  return image;
}

// Whether a decoded picture shows `expected`; see-through pixels match
// whatever colour the decoder gave them.
bool SamePicture(const QImage& decoded, const QImage& expected) {
  if (decoded.size() != expected.size()) return false;
  for (int y = 0; y < expected.height(); ++y)
    for (int x = 0; x < expected.width(); ++x) {
      const QRgb d = decoded.pixel(x, y), e = expected.pixel(x, y);
      if (qAlpha(e) == 0 ? qAlpha(d) != 0 : d != e) return false;
    }
  return true;
}

// The picture a GIF image stands for: each pixel its palette colour.
QImage Expected(const TMyGIFImage& gif) {
  QImage image(gif.width, gif.height, QImage::Format_ARGB32);
  for (int y = 0; y < gif.height; ++y)
    for (int x = 0; x < gif.width; ++x) {
      const int index = gif.indices[size_t(y) * gif.width + x];
      image.setPixel(x, y, index == gif.transparentIndex ? 0u : gif.palette[size_t(index)]);
    }
  return image;
}

// --- Tests. -----------------------------------------------------------------

TEST(OctreeQuantizer, FoldsTheNewestNodeOfTheDeepestLevelFirst) {
  // Reds 0..255 fill 256 leaves under 128 level-7 nodes; (0, 1, 0) is leaf 257.
  // The node made last at level 7 (reds 254, 255) is folded, not the first one.
  OctreeQuantizer octree;
  for (int r = 0; r < 256; ++r) octree.AddColor(r, 0, 0);
  for (int i = 0; i < 2; ++i) octree.AddColor(255, 0, 0);  // 254 x1, 255 x3
  octree.AddColor(0, 1, 0);
  EXPECT_EQ(octree.LeafCount(), 256);
  const GifPalette palette = octree.Palette();
  // Depth first: (0,0,0) child 0, (0,1,0) child 2, (1,0,0) child 4, then reds.
  EXPECT_EQ(palette[0], qRgb(0, 0, 0));
  EXPECT_EQ(palette[1], qRgb(0, 1, 0));
  for (int r = 1; r <= 253; ++r) ASSERT_EQ(palette[size_t(r + 1)], qRgb(r, 0, 0)) << r;
  EXPECT_EQ(palette[255], qRgb(254, 0, 0));  // (254 + 3 * 255) / 4, rounded down
}

TEST(OctreeQuantizer, MatchesTheReferenceTreeAndNeverHoldsMoreThan256Leaves) {
  const QImage images[] = {test::Noise(64, 64, 1), test::Noise(200, 30, 2),
                           test::Pattern(300, 200)};
  for (const QImage& image : images) {
    OctreeQuantizer octree;
    ReferenceOctree reference;
    int most = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QRgb c = image.pixel(x, y);
        octree.AddColor(qRed(c), qGreen(c), qBlue(c));
        reference.Add(qRed(c), qGreen(c), qBlue(c));
        most = std::max(most, octree.LeafCount());
      }
    EXPECT_LE(most, 256);
    EXPECT_EQ(octree.LeafCount(), reference.Leaves());
    EXPECT_EQ(octree.Palette(), reference.Palette());
  }
}

TEST(ColorMatcher, LowestIndexInACellWinsAndTheFirstColourFillsAnEmptyCell) {
  GifPalette palette;
  palette.fill(qRgb(0, 0, 0));  // 2..255 black: cell 0 keeps index 0
  palette[0] = qRgb(0, 0, 0);
  palette[1] = qRgb(103, 0, 0);
  palette[2] = qRgb(100, 0, 0);  // same cell as entry 1
  palette[3] = qRgb(200, 0, 0);
  ColorMatcher matcher(palette);
  const struct {
    QRgb colour;
    int index;
  } steps[] = {
      {qRgb(100, 0, 0), 1},  // exact colour of entry 2, but its cell holds 1
      {qRgb(5, 0, 0), 0},    // black's cell
      {qRgb(55, 0, 0), 2},   // empty cell 48..55: 45 to entry 2, 48 to 1, 55 to 0
      {qRgb(48, 0, 0), 2},   // same cell: decided by the first colour, though 0 is nearer
      {qRgb(40, 0, 0), 0},   // cell 40..47: black is nearest
      {qRgb(151, 0, 0), 1},  // 48 to entry 1, 49 to entry 3
  };
  for (const auto& s : steps)
    EXPECT_EQ(matcher.Match(qRed(s.colour), qGreen(s.colour), qBlue(s.colour)), s.index)
        << qRed(s.colour);

  GifPalette tie;
  tie.fill(qRgb(0, 0, 0));
  tie[0] = qRgb(250, 250, 250);
  tie[1] = qRgb(40, 40, 0);
  tie[2] = qRgb(0, 40, 40);
  ColorMatcher tieMatcher(tie);
  EXPECT_EQ(tieMatcher.Match(20, 40, 20), 1);  // 40 to both 1 and 2: the lower index
}

TEST(BuildGifImage, MapsRowsInAlternatingDirections) {
  // Colours from a small cube: each 5-5-5 cell is met by several pixels.
  QImage noise = test::Noise(61, 40, 7);
  for (int y = 0; y < noise.height(); ++y)
    for (int x = 0; x < noise.width(); ++x) noise.setPixel(x, y, noise.pixel(x, y) & 0xFF3F3F3F);
  for (const bool bgrx : {false, true}) {
    const TMyBitmap bitmap = bgrx ? TMyBitmap(noise) : test::Bitmap24(noise);
    ASSERT_EQ(bitmap.Format(), bgrx ? PixelFormat::kBgrx32 : PixelFormat::kBgr24);
    const TMyGIFImage gif = BuildGifImage(bitmap);
    ASSERT_EQ(gif.width, 61);
    ASSERT_EQ(gif.height, 40);
    EXPECT_EQ(gif.indices, ReferenceMapping(noise, gif.palette, true));
    // The order matters for this picture, so the check above has teeth.
    EXPECT_NE(gif.indices, ReferenceMapping(noise, gif.palette, false));
    EXPECT_EQ(gif.transparentIndex, -1);
  }
}

TEST(BuildGifImage, FewColoursAreKeptExceptTwoSharingACell) {
  // 200 colours, each in a 5-5-5 cell of its own, plus two that share one.
  QList<QRgb> colours;
  for (int i = 0; i < 200; ++i)
    colours.append(qRgb((i % 8) * 32 + 5, ((i / 8) % 8) * 32 + 5, (i / 64) * 32 + 5));
  const QRgb low = qRgb(16, 17, 18), high = qRgb(23, 22, 21);  // low comes first depth-first
  colours.append(high);
  colours.append(low);
  QImage image(20, 11, QImage::Format_RGB32);
  for (int i = 0; i < 220; ++i) image.setPixel(i % 20, i / 20, colours[i % colours.size()]);
  const TMyGIFImage gif = BuildGifImage(test::Bitmap24(image));

  const QSet<QRgb> wanted(colours.begin(), colours.end());
  const QSet<QRgb> real(gif.palette.begin(), gif.palette.begin() + 202);
  EXPECT_EQ(real, wanted);
  for (size_t i = 202; i < 256; ++i) EXPECT_EQ(gif.palette[i], qRgb(0, 0, 0));

  QByteArray bytes;
  ASSERT_TRUE(EncodeGif(gif, &bytes));
  const QImage decoded = DecodeWithQt(bytes);
  ASSERT_EQ(decoded.size(), image.size());
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb original = image.pixel(x, y);
      ASSERT_EQ(decoded.pixel(x, y), original == high ? low : original) << x << "," << y;
    }
}

TEST(BuildGifImage, IndexedBitmapsKeepTheirPixelsAndPalette) {
  QImage image(5, 3, QImage::Format_Indexed8);
  const QList<QRgb> table = {qRgb(16, 17, 18), qRgb(23, 22, 21), qRgb(1, 2, 3), qRgb(9, 9, 9)};
  image.setColorTable(table);
  for (int i = 0; i < 15; ++i) image.setPixel(i % 5, i / 5, uint(i * 7 % 4));
  TMyBitmap bitmap(image);
  bitmap.SetPixelFormat(PixelFormat::kIndexed4);
  ASSERT_EQ(bitmap.Format(), PixelFormat::kIndexed4);
  bitmap.SetTransparent(true);
  bitmap.SetTransparentColor(qRgb(1, 2, 3));

  const TMyGIFImage gif = BuildGifImage(bitmap);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(gif.palette[size_t(i)], table[i]);
  for (size_t i = 4; i < 256; ++i) EXPECT_EQ(gif.palette[i], qRgb(0, 0, 0));
  for (int i = 0; i < 15; ++i) EXPECT_EQ(gif.indices[size_t(i)], i * 7 % 4);  // no remapping
  EXPECT_EQ(gif.transparentIndex, 2);
}

TEST(EncodeGif, FileLayoutAndTransparency) {
  const QImage pattern = test::Pattern(40, 30);
  TMyBitmap bitmap = test::Bitmap24(pattern);
  QByteArray plain;
  ASSERT_TRUE(EncodeGif(BuildGifImage(bitmap), &plain));
  GifLayout layout = ParseGif(plain);
  EXPECT_EQ(layout.version, QByteArray("GIF87a"));
  EXPECT_EQ(layout.width, 40);
  EXPECT_EQ(layout.height, 30);
  EXPECT_EQ(layout.screenFlags & 0x80, 0);  // no global colour table
  EXPECT_EQ(layout.imageFlags, 0x87);       // local table of 256, not interlaced
  EXPECT_EQ(layout.codeSize, 8);
  EXPECT_EQ(layout.transparentIndex, -1);
  EXPECT_TRUE(layout.endsWithTrailer);

  // The transparent colour is a pixel's colour: its pixels become see-through.
  const QRgb see = pattern.pixel(13, 17);
  bitmap.SetTransparent(true);
  bitmap.SetTransparentColor(see);
  const TMyGIFImage gif = BuildGifImage(bitmap);
  EXPECT_EQ(gif.transparentIndex, gif.indices[size_t(17) * 40 + 13]);
  QByteArray bytes;
  ASSERT_TRUE(EncodeGif(gif, &bytes));
  layout = ParseGif(bytes);
  EXPECT_EQ(layout.version, QByteArray("GIF89a"));
  EXPECT_EQ(layout.transparentIndex, gif.transparentIndex);
  EXPECT_TRUE(layout.endsWithTrailer);
  EXPECT_EQ(layout.palette, gif.palette);
  const QImage decoded = DecodeWithQt(bytes);
  EXPECT_TRUE(SamePicture(decoded, Expected(gif)));
  EXPECT_EQ(qAlpha(decoded.pixel(13, 17)), 0);

  // A colour sharing a cell with a lower entry takes that entry's index.
  QImage two(2, 1, QImage::Format_RGB32);
  two.setPixel(0, 0, qRgb(23, 22, 21));
  two.setPixel(1, 0, qRgb(16, 17, 18));
  TMyBitmap pair(two);
  pair.SetTransparent(true);
  pair.SetTransparentColor(qRgb(23, 22, 21));
  const TMyGIFImage pairGif = BuildGifImage(pair);
  EXPECT_EQ(pairGif.palette[0], qRgb(16, 17, 18));
  EXPECT_EQ(pairGif.transparentIndex, 0);
}

TEST(EncodeGif, IndependentDecodersReadThePaletteMapping) {
  TMyBitmap flat;
  flat.SetSize(300, 400);  // 120000 equal pixels: long LZW strings
  QImage twoColours(97, 13, QImage::Format_RGB32);
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 97; ++x) twoColours.setPixel(x, y, (x * y) % 3 ? 0xFFFFFFFF : 0xFF0000FF);
  const struct {
    const char* name;
    TMyBitmap bitmap;
  } cases[] = {
      {"noise: the string table fills many times", test::Bitmap24(test::Noise(300, 200, 5))},
      {"pattern, odd size", test::Bitmap24(test::Pattern(101, 37))},
      {"one pixel", test::Bitmap24(test::Noise(1, 1, 9))},
      {"one colour", flat},
      {"two colours", TMyBitmap(twoColours)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TMyGIFImage gif = BuildGifImage(c.bitmap);
    QByteArray bytes;
    ASSERT_TRUE(EncodeGif(gif, &bytes));
    ASSERT_TRUE(ParseGif(bytes).endsWithTrailer);
    const QImage expected = Expected(gif);
    EXPECT_EQ(DecodeWithQt(bytes), expected);
    const QImage magick = DecodeWithImageMagick(bytes, gif.width, gif.height);
    if (!magick.isNull()) {
      EXPECT_EQ(magick, expected);
    }
  }
}

TEST(EncodeGif, OneColourGivesOneRealEntryAnd255BlackOnes) {
  QImage image(17, 9, QImage::Format_RGB32);
  image.fill(qRgb(30, 160, 90));
  QByteArray bytes;
  ASSERT_TRUE(EncodeGif(BuildGifImage(test::Bitmap24(image)), &bytes));
  const GifLayout layout = ParseGif(bytes);
  EXPECT_EQ(layout.palette[0], qRgb(30, 160, 90));
  for (size_t i = 1; i < 256; ++i) EXPECT_EQ(layout.palette[i], qRgb(0, 0, 0)) << i;
  EXPECT_EQ(DecodeWithQt(bytes), image.convertToFormat(QImage::Format_ARGB32));
}

TEST(EncodeGif, RefusesWhatGifCannotHold) {
  TMyGIFImage wide;
  wide.width = 65536;
  wide.height = 1;
  wide.indices.resize(65536);
  TMyGIFImage mismatched;
  mismatched.width = 2;
  mismatched.height = 2;
  mismatched.indices.resize(3);
  QByteArray bytes;
  EXPECT_FALSE(EncodeGif(wide, &bytes));
  EXPECT_FALSE(EncodeGif(mismatched, &bytes));
  wide.width = 65535;
  wide.indices.resize(65535);
  EXPECT_TRUE(EncodeGif(wide, &bytes));
}

}  // namespace
}  // namespace frivo
