// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QRgb>
#include <array>
#include <cstdint>
#include <vector>

namespace frivo {

// A 256-entry colour table; entries no colour needed are black.
using GifPalette = std::array<QRgb, 256>;

// Octree colour quantiser with 8 levels of colour bits and at most 256 colours.
//
// Pixels are added one by one in the order the picture is scanned. A pixel
// walks down from the root taking bit (7 - level) of red, green and blue as the
// child index (R * 4 + G * 2 + B), creating nodes on the way; nodes made at level
// 8 are leaves, nodes made above are put at the front of their level's list of
// reducible nodes. After every pixel, while there are more than 256 leaves, the
// first node of the deepest non-empty list is folded: its children's counts and
// sums go into it and it becomes a leaf. The order of these lists decides which
// colours merge, so it must stay as it is for pictures to come out the same.
class OctreeQuantizer {
 public:
  static constexpr int kMaxColors = 256;

  OctreeQuantizer();

  void AddColor(int r, int g, int b);

  [[nodiscard]] int LeafCount() const { return leafCount_; }

  // The leaves in depth-first order (children 0 to 7), each the mean of its
  // pixels (integer division), then black up to 256 entries.
  [[nodiscard]] GifPalette Palette() const;

 private:
  static constexpr int kColorBits = 8;
  static constexpr int32_t kNone = -1;

  struct Node {
    std::array<int32_t, 8> child;
    uint64_t count = 0;
    uint64_t sumR = 0;
    uint64_t sumG = 0;
    uint64_t sumB = 0;
    int32_t nextReducible = kNone;
    bool leaf = false;
  };

  int32_t NewNode(int level);
  void FreeNode(int32_t node);
  void Reduce();
  void CollectPalette(int32_t node, GifPalette* palette, int* next) const;

  std::vector<Node> nodes_;
  std::vector<int32_t> freeNodes_;
  std::array<int32_t, kColorBits> reducible_;  // list heads for levels 0..7
  int32_t root_ = kNone;
  int leafCount_ = 0;
  // The leaf the previous pixel went to; runs of one colour skip the walk.
  int32_t lastLeaf_ = kNone;
  QRgb lastColor_ = 0;
};

// Palette index of a colour through the 32768-cell 5-5-5 inverse table.
//
// Cell (B >> 3) * 1024 + (G >> 3) * 32 + (R >> 3) starts with the lowest
// palette index whose colour lies in it. An empty cell is filled on first use
// with the palette entry nearest (|dR| + |dG| + |dB|, lowest index on a tie) to
// the colour that reached it first; later colours of that cell get the same
// index without a search.
class ColorMatcher {
 public:
  explicit ColorMatcher(const GifPalette& palette);

  [[nodiscard]] int Match(int r, int g, int b) {
    int16_t& cell = cells_[size_t((b >> 3) << 10 | (g >> 3) << 5 | (r >> 3))];
    if (cell < 0) cell = int16_t(Nearest(r, g, b));
    return cell;
  }

 private:
  [[nodiscard]] int Nearest(int r, int g, int b) const;

  GifPalette palette_;
  std::vector<int16_t> cells_;
};

}  // namespace frivo
