// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "imaging/octree_quantizer.h"

#include <cstdlib>

namespace frivo {

OctreeQuantizer::OctreeQuantizer() {
  reducible_.fill(kNone);
  nodes_.reserve(1024);
  root_ = NewNode(0);
}

int32_t OctreeQuantizer::NewNode(int level) {
  int32_t index;
  if (!freeNodes_.empty()) {
    index = freeNodes_.back();
    freeNodes_.pop_back();
    nodes_[size_t(index)] = Node{};
  } else {
    index = int32_t(nodes_.size());
    nodes_.emplace_back();
  }
  Node& node = nodes_[size_t(index)];
  node.child.fill(kNone);
  if (level == kColorBits) {
    node.leaf = true;
    ++leafCount_;
  } else {
    node.nextReducible = reducible_[size_t(level)];
    reducible_[size_t(level)] = index;
  }
  return index;
}

void OctreeQuantizer::FreeNode(int32_t node) {
  freeNodes_.push_back(node);
}

void OctreeQuantizer::AddColor(int r, int g, int b) {
  const QRgb color = qRgb(r, g, b);
  int32_t node = lastLeaf_;
  if (node == kNone || color != lastColor_) {
    node = root_;
    for (int level = 0; !nodes_[size_t(node)].leaf; ++level) {
      const int shift = 7 - level;
      const size_t index =
          size_t(((r >> shift) & 1) << 2 | ((g >> shift) & 1) << 1 | ((b >> shift) & 1));
      int32_t next = nodes_[size_t(node)].child[index];
      if (next == kNone) {
        next = NewNode(level + 1);  // may move nodes_: index again below
        nodes_[size_t(node)].child[index] = next;
      }
      node = next;
    }
  }
  Node& leaf = nodes_[size_t(node)];
  ++leaf.count;
  leaf.sumR += uint64_t(r);
  leaf.sumG += uint64_t(g);
  leaf.sumB += uint64_t(b);
  lastLeaf_ = node;
  lastColor_ = color;
  while (leafCount_ > kMaxColors) Reduce();
}

void OctreeQuantizer::Reduce() {
  int level = kColorBits - 1;
  while (level > 0 && reducible_[size_t(level)] == kNone) --level;
  const int32_t index = reducible_[size_t(level)];
  if (index == kNone) {
    leafCount_ = kMaxColors;  // cannot happen: the root is always reducible until folded
    return;
  }
  Node& node = nodes_[size_t(index)];
  reducible_[size_t(level)] = node.nextReducible;
  node.nextReducible = kNone;
  int children = 0;
  for (int32_t& child : node.child) {
    if (child == kNone) continue;
    const Node& c = nodes_[size_t(child)];
    node.count += c.count;
    node.sumR += c.sumR;
    node.sumG += c.sumG;
    node.sumB += c.sumB;
    FreeNode(child);
    child = kNone;
    ++children;
  }
  node.leaf = true;
  leafCount_ -= children - 1;
  lastLeaf_ = kNone;  // the previous pixel's leaf may be gone
}

void OctreeQuantizer::CollectPalette(int32_t index, GifPalette* palette, int* next) const {
  const Node& node = nodes_[size_t(index)];
  if (node.leaf) {
    if (*next >= kMaxColors) return;
    const uint64_t n = node.count;
    (*palette)[size_t((*next)++)] =
        n == 0 ? qRgb(0, 0, 0) : qRgb(int(node.sumR / n), int(node.sumG / n), int(node.sumB / n));
    return;
  }
  for (const int32_t child : node.child)
    if (child != kNone) CollectPalette(child, palette, next);
}

GifPalette OctreeQuantizer::Palette() const {
  GifPalette palette;
  palette.fill(qRgb(0, 0, 0));
  int next = 0;
  CollectPalette(root_, &palette, &next);
  return palette;
}

ColorMatcher::ColorMatcher(const GifPalette& palette) : palette_(palette), cells_(32768, -1) {
  for (size_t i = 0; i < palette.size(); ++i) {
    const QRgb c = palette[i];
    int16_t& cell = cells_[size_t((qBlue(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | (qRed(c) >> 3))];
    if (cell < 0) cell = int16_t(i);
  }
}

int ColorMatcher::Nearest(int r, int g, int b) const {
  int best = 0;
  int bestDistance = 196608;
  for (size_t i = 0; i < palette_.size(); ++i) {
    const QRgb c = palette_[i];
    const int distance = std::abs(qRed(c) - r) + std::abs(qGreen(c) - g) + std::abs(qBlue(c) - b);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = int(i);
    }
  }
  return best;
}

}  // namespace frivo
