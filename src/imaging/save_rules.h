// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>

namespace frivo {

// The save dialog's file types, by 1-based filter index: 1 BMP, 2 GIF, 3 JPEG,
// 4 all files. Any other index behaves like the all-files entry.
[[nodiscard]] QString DefaultSaveExtension(int filterIndex);

// The name the user chose, with the chosen type's extension appended unless the
// name already has it (".jpeg" also counts for JPEG): with the BMP entry "a.jpg"
// becomes "a.jpg.bmp"; the type the user picked decides the format.
[[nodiscard]] QString NameWithDefaultExtension(const QString& chosen, int filterIndex);

enum class ImageFileFormat { kBmp, kGif, kJpeg };
// The writer a name's extension selects: ".gif" GIF, ".jpg"/".jpeg" JPEG, else BMP.
[[nodiscard]] ImageFileFormat FormatForName(const QString& name);

// The name the selected writer really writes: "photo.jpg" is written as
// "photo.jpeg"; a BMP name gets ".bmp" unless it ends so; GIF names stay.
[[nodiscard]] QString FinalSaveName(const QString& name);

// The JPEG quality of saved frames.
inline constexpr int kSaveJpegQuality = 80;

}  // namespace frivo
