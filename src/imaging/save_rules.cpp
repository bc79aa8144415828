// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "imaging/save_rules.h"

#include "imaging/image_writers.h"

namespace frivo {

QString DefaultSaveExtension(int filterIndex) {
  switch (filterIndex) {
    case 2:
      return QStringLiteral(".gif");
    case 3:
      return QStringLiteral(".jpg");
    default:
      return QStringLiteral(".bmp");
  }
}

QString NameWithDefaultExtension(const QString& chosen, int filterIndex) {
  const QString wanted = DefaultSaveExtension(filterIndex);
  const QString extension = FileExtension(chosen).toLower();
  if (extension == wanted) return chosen;
  if (filterIndex == 3 && extension == QLatin1String(".jpeg")) return chosen;
  return chosen + wanted;
}

ImageFileFormat FormatForName(const QString& name) {
  const QString extension = FileExtension(name).toLower();
  if (extension == QLatin1String(".gif")) return ImageFileFormat::kGif;
  if (extension == QLatin1String(".jpg") || extension == QLatin1String(".jpeg"))
    return ImageFileFormat::kJpeg;
  return ImageFileFormat::kBmp;
}

QString FinalSaveName(const QString& name) {
  switch (FormatForName(name)) {
    case ImageFileFormat::kGif:
      return name;
    case ImageFileFormat::kJpeg:
      return JpegFileName(name);
    case ImageFileFormat::kBmp:
      return BmpFileName(name);
  }
  return name;
}

}  // namespace frivo
