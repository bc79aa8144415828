// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/gst_convert.h"

#include <cstddef>

#include "playback/gst_ptr.h"

namespace frivo::gst {

namespace {

// The options the videoconvert element passes to its converter by default
// (bilinear two-tap resampling, Bayer dithering with a quantizer of 1, linear
// chroma resampling, full matrix and chroma handling, no gamma or primaries
// conversion, one thread). A picture for the screen is shrunk with the same
// two taps, as a painter's smooth scaling would.
GstStructure* ConverterOptions(int width, int height) {
  GstStructure* options = gst_structure_new(
      "frivo-bgr", GST_VIDEO_CONVERTER_OPT_RESAMPLER_METHOD, GST_TYPE_VIDEO_RESAMPLER_METHOD,
      GST_VIDEO_RESAMPLER_METHOD_LINEAR, GST_VIDEO_RESAMPLER_OPT_ENVELOPE, G_TYPE_DOUBLE, 2.0,
      GST_VIDEO_RESAMPLER_OPT_SHARPNESS, G_TYPE_DOUBLE, 1.0, GST_VIDEO_RESAMPLER_OPT_SHARPEN,
      G_TYPE_DOUBLE, 0.0, GST_VIDEO_CONVERTER_OPT_DEST_X, G_TYPE_INT, 0,
      GST_VIDEO_CONVERTER_OPT_DEST_Y, G_TYPE_INT, 0, GST_VIDEO_CONVERTER_OPT_DEST_WIDTH, G_TYPE_INT,
      width, GST_VIDEO_CONVERTER_OPT_DEST_HEIGHT, G_TYPE_INT, height,
      GST_VIDEO_CONVERTER_OPT_DITHER_METHOD, GST_TYPE_VIDEO_DITHER_METHOD, GST_VIDEO_DITHER_BAYER,
      GST_VIDEO_CONVERTER_OPT_DITHER_QUANTIZATION, G_TYPE_UINT, 1u,
      GST_VIDEO_CONVERTER_OPT_CHROMA_RESAMPLER_METHOD, GST_TYPE_VIDEO_RESAMPLER_METHOD,
      GST_VIDEO_RESAMPLER_METHOD_LINEAR, GST_VIDEO_CONVERTER_OPT_ALPHA_MODE,
      GST_TYPE_VIDEO_ALPHA_MODE, GST_VIDEO_ALPHA_MODE_COPY, GST_VIDEO_CONVERTER_OPT_ALPHA_VALUE,
      G_TYPE_DOUBLE, 1.0, GST_VIDEO_CONVERTER_OPT_CHROMA_MODE, GST_TYPE_VIDEO_CHROMA_MODE,
      GST_VIDEO_CHROMA_MODE_FULL, GST_VIDEO_CONVERTER_OPT_MATRIX_MODE, GST_TYPE_VIDEO_MATRIX_MODE,
      GST_VIDEO_MATRIX_MODE_FULL, GST_VIDEO_CONVERTER_OPT_GAMMA_MODE, GST_TYPE_VIDEO_GAMMA_MODE,
      GST_VIDEO_GAMMA_MODE_NONE, GST_VIDEO_CONVERTER_OPT_PRIMARIES_MODE,
      GST_TYPE_VIDEO_PRIMARIES_MODE, GST_VIDEO_PRIMARIES_MODE_NONE, GST_VIDEO_CONVERTER_OPT_THREADS,
      G_TYPE_UINT, 1u, GST_VIDEO_RESAMPLER_OPT_MAX_TAPS, G_TYPE_INT, 2, nullptr);
  return options;
}

}  // namespace

BgrConverter::~BgrConverter() {
  if (converter_) gst_video_converter_free(converter_);
}

bool BgrConverter::Convert(const GstVideoFrame& frame, int width, int height, std::uint8_t* out,
                           int stride, bool bottomUp) {
  if (width < 1 || height < 1 || !out || stride < width * 3) return false;
  const GstVideoInfo& in = frame.info;
  if (!converter_ || width != width_ || height != height_ || !gst_video_info_is_equal(&in, &in_)) {
    if (converter_) gst_video_converter_free(converter_);
    converter_ = nullptr;
    GstVideoInfo target;
    gst_video_info_set_format(&target, GST_VIDEO_FORMAT_BGR, static_cast<guint>(width),
                              static_cast<guint>(height));
    GST_VIDEO_INFO_FPS_N(&target) = GST_VIDEO_INFO_FPS_N(&in);
    GST_VIDEO_INFO_FPS_D(&target) = GST_VIDEO_INFO_FPS_D(&in);
    GstVideoInfo source = in;
    converter_ = gst_video_converter_new(&source, &target, ConverterOptions(width, height));
    if (!converter_) return false;
    in_ = in;
    width_ = width;
    height_ = height;
  }
  GstVideoInfo target;
  gst_video_info_set_format(&target, GST_VIDEO_FORMAT_BGR, static_cast<guint>(width),
                            static_cast<guint>(height));
  GST_VIDEO_INFO_PLANE_STRIDE(&target, 0) = stride;
  const gsize bytes = static_cast<gsize>(stride) * static_cast<gsize>(height);
  GST_VIDEO_INFO_SIZE(&target) = bytes;
  BufferPtr wrapped(gst_buffer_new_wrapped_full(static_cast<GstMemoryFlags>(0), out, bytes, 0,
                                                bytes, nullptr, nullptr));
  GstVideoFrame dest;
  if (!gst_video_frame_map(&dest, &target, wrapped.get(), GST_MAP_WRITE)) return false;
  if (bottomUp) {
    // The converter finds each row from the plane's start and stride, so a
    // start at the last row and a negative stride fill the rows upwards.
    dest.data[0] = static_cast<std::uint8_t*>(dest.data[0]) +
                   static_cast<std::ptrdiff_t>(stride) * (height - 1);
    GST_VIDEO_INFO_PLANE_STRIDE(&dest.info, 0) = -stride;
  }
  gst_video_converter_frame(converter_, &frame, &dest);
  gst_video_frame_unmap(&dest);
  return true;
}

QImage BgrConverter::Picture(GstBuffer* buffer, const GstVideoInfo& info, QSize size) {
  if (!buffer) return {};
  GstVideoInfo layout = info;
  GstVideoFrame frame;
  if (!gst_video_frame_map(&frame, &layout, buffer, GST_MAP_READ)) return {};
  if (!size.isValid()) size = QSize(GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame));
  QImage picture(size, QImage::Format_BGR888);
  const bool converted =
      !picture.isNull() && Convert(frame, size.width(), size.height(), picture.bits(),
                                   static_cast<int>(picture.bytesPerLine()));
  gst_video_frame_unmap(&frame);
  return converted ? picture : QImage();
}

}  // namespace frivo::gst
