// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "imaging/save_rules.h"

#include <gtest/gtest.h>

namespace frivo {
namespace {

TEST(SaveRules, ChosenTypeDecidesNameAndFormat) {
  struct Case {
    int filter;
    const char* typed;
    const char* named;    // after the dialog's default extension
    const char* written;  // what the writer writes
    ImageFileFormat format;
  };
  const Case cases[] = {
      {1, "shot", "shot.bmp", "shot.bmp", ImageFileFormat::kBmp},
      {1, "shot.BMP", "shot.BMP", "shot.BMP", ImageFileFormat::kBmp},
      {1, "a.jpg", "a.jpg.bmp", "a.jpg.bmp", ImageFileFormat::kBmp},
      {2, "shot.jpg", "shot.jpg.gif", "shot.jpg.gif", ImageFileFormat::kGif},
      {2, "shot.GIF", "shot.GIF", "shot.GIF", ImageFileFormat::kGif},
      {3, "shot", "shot.jpg", "shot.jpeg", ImageFileFormat::kJpeg},
      {3, "shot.jpeg", "shot.jpeg", "shot.jpeg", ImageFileFormat::kJpeg},
      {3, "shot.JPG", "shot.JPG", "shot.jpeg", ImageFileFormat::kJpeg},
      {4, "shot.gif", "shot.gif.bmp", "shot.gif.bmp", ImageFileFormat::kBmp},
      {4, "shot.bmp", "shot.bmp", "shot.bmp", ImageFileFormat::kBmp},
      {4, "a", "a.bmp", "a.bmp", ImageFileFormat::kBmp},
      {5, "a", "a.bmp", "a.bmp", ImageFileFormat::kBmp},  // a stored index past the list
      {0, "dir.v2/a", "dir.v2/a.bmp", "dir.v2/a.bmp", ImageFileFormat::kBmp},
  };
  for (const Case& c : cases) {
    const QString named = NameWithDefaultExtension(QString::fromUtf8(c.typed), c.filter);
    EXPECT_EQ(named, QString::fromUtf8(c.named)) << c.typed << " " << c.filter;
    EXPECT_EQ(FinalSaveName(named), QString::fromUtf8(c.written)) << c.typed;
    EXPECT_EQ(FormatForName(named), c.format) << c.typed;
  }
}

}  // namespace
}  // namespace frivo
