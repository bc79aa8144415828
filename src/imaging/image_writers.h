// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QRgb>
#include <QString>

#include "imaging/my_bitmap.h"

namespace frivo {

// The extension of a file name: the text from the last "." that comes after the
// last "\", "/" or ":", dot included; empty when there is none.
[[nodiscard]] QString FileExtension(const QString& name);

// The names the writers actually write to (extensions compared lower-cased):
// BMP and GIF append ".bmp" / ".gif" unless the name already ends so; JPEG keeps
// ".jpeg", turns ".jpg" into ".jpeg" and appends ".jpeg" to anything else.
[[nodiscard]] QString BmpFileName(const QString& name);
[[nodiscard]] QString JpegFileName(const QString& name);
[[nodiscard]] QString GifFileName(const QString& name);

// The image writers. Each applies its name rule, encodes a private copy of the
// bitmap (the caller's is never changed) and replaces the file's whole content
// through a temporary file, so a failed write leaves an existing file as it was.
// They return false on any failure (no folder, no write permission, disk full,
// an encoder error) and never throw. An empty bitmap writes nothing and gives
// true.
[[nodiscard]] bool SaveBitmapAsBmp(const TMyBitmap& bitmap, const QString& fileName);
// `quality` is clamped to 1..100.
[[nodiscard]] bool SaveBitmapAsJpeg(const TMyBitmap& bitmap, const QString& fileName, int quality);
// A bitmap marked transparent is written with its transparent colour's index.
[[nodiscard]] bool SaveBitmapAsGif(const TMyBitmap& bitmap, const QString& fileName);
// GIF89a with `transparentColor` (its palette index after the colour reduction)
// as the transparent index.
[[nodiscard]] bool SaveBitmapAsTransparentGif(const TMyBitmap& bitmap, const QString& fileName,
                                              QRgb transparentColor);

// Writes `bitmap` in the format its file name's extension names (FormatForName):
// a GIF keeps a transparent bitmap's transparency, a JPEG has the save quality.
[[nodiscard]] bool SaveBitmapInFormatOfName(const TMyBitmap& bitmap, const QString& fileName);

}  // namespace frivo
