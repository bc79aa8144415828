// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/media_type.h"

#include <cstring>

namespace frivo {

const VIDEOINFOHEADER* AM_MEDIA_TYPE::VideoInfo() const {
  if (formattype != FORMAT_VideoInfo || format.size() < sizeof(VIDEOINFOHEADER)) return nullptr;
  return reinterpret_cast<const VIDEOINFOHEADER*>(format.data());
}

REFERENCE_TIME AvgTimePerFrameFromRate(int num, int den) {
  if (num <= 0 || den <= 0) return 0;
  const std::int64_t scaled = std::int64_t{10'000'000} * den;
  return (scaled + num / 2) / num;
}

AM_MEDIA_TYPE MakeRgb24VideoType(int width, int height, REFERENCE_TIME avgTimePerFrame) {
  AM_MEDIA_TYPE type;
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_RGB24;
  type.formattype = FORMAT_VideoInfo;
  type.bFixedSizeSamples = true;
  type.lSampleSize = static_cast<ULONG>(Rgb24Stride(width) * height);
  VIDEOINFOHEADER info;
  info.rcSource = {0, 0, width, height};
  info.rcTarget = info.rcSource;
  info.AvgTimePerFrame = avgTimePerFrame;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biSizeImage = type.lSampleSize;
  type.format.resize(sizeof(info));
  std::memcpy(type.format.data(), &info, sizeof(info));
  return type;
}

}  // namespace frivo
