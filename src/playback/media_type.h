// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/bmp_format.h"
#include "playback/com.h"

namespace frivo {

// Media types as the sample grabber and the renderer's input pin describe them:
// a major type, a subtype, a format type and an optional format block. The video
// format block is a VIDEOINFOHEADER laid out byte for byte as on Windows, so code
// that reads the frame duration at byte offset 40 reads the right field.

inline constexpr GUID MEDIATYPE_Video{
    0x73646976, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr GUID MEDIATYPE_Audio{
    0x73647561, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr GUID MEDIASUBTYPE_RGB24{
    0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB32{
    0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID FORMAT_VideoInfo{
    0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline constexpr GUID FORMAT_VideoInfo2{
    0xF72A76A0, 0xEB0A, 0x11D0, {0xAC, 0xE4, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
inline constexpr GUID FORMAT_MPEGVideo{
    0x05589F82, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline constexpr GUID FORMAT_MPEG2Video{
    0xE06D80E3, 0xDB46, 0x11CF, {0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA}};

inline constexpr std::uint32_t BI_RGB = 0;

#pragma pack(push, 1)
struct RECT {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};
struct BITMAPINFOHEADER {
  std::uint32_t biSize = 40;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;  // positive: rows bottom-up
  std::uint16_t biPlanes = 1;
  std::uint16_t biBitCount = 0;
  std::uint32_t biCompression = BI_RGB;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};
struct VIDEOINFOHEADER {
  RECT rcSource;
  RECT rcTarget;
  std::uint32_t dwBitRate = 0;
  std::uint32_t dwBitErrorRate = 0;
  REFERENCE_TIME AvgTimePerFrame = 0;  // 100 ns units; 0 when the stream states no rate
  BITMAPINFOHEADER bmiHeader;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(offsetof(VIDEOINFOHEADER, AvgTimePerFrame) == 40);
static_assert(sizeof(VIDEOINFOHEADER) == 88);

struct AM_MEDIA_TYPE {
  GUID majortype;
  GUID subtype;
  bool bFixedSizeSamples = false;
  bool bTemporalCompression = false;
  ULONG lSampleSize = 0;
  GUID formattype;
  // The format block (empty = none). Owned by the record: nothing to free.
  std::vector<BYTE> format;

  // The format block as a video header, or null when the record holds none.
  [[nodiscard]] const VIDEOINFOHEADER* VideoInfo() const;
};

// Frame duration in 100 ns units for a rate of num/den frames per second, rounded
// to the nearest unit (30000/1001 gives 333667); 0 when the rate is unknown.
[[nodiscard]] REFERENCE_TIME AvgTimePerFrameFromRate(int num, int den);

// A media type for 24-bit RGB video of the given size with a VIDEOINFOHEADER block.
[[nodiscard]] AM_MEDIA_TYPE MakeRgb24VideoType(int width, int height,
                                               REFERENCE_TIME avgTimePerFrame);

}  // namespace frivo
