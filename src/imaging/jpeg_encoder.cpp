// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "imaging/jpeg_encoder.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

namespace frivo {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;  // first, so libjpeg's pointer to it is also a pointer to this
  std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void DiscardMessage(j_common_ptr) {}

// The encoded bytes collect in a QByteArray that grows by doubling; libjpeg
// writes straight into its free tail. (libjpeg's own memory destination cannot
// be freed safely after an error once it has grown its buffer.)
struct MemoryDestination {
  jpeg_destination_mgr pub;  // first, so libjpeg's pointer to it is also a pointer to this
  QByteArray* bytes;
};

constexpr qsizetype kFirstChunk = 64 * 1024;

// Points libjpeg at the unused tail of the byte array, starting at `used`.
// False when the array cannot grow (no memory).
bool ExposeTail(MemoryDestination* dest, qsizetype used, qsizetype size) {
  try {
    dest->bytes->resize(size);
  } catch (...) {
    return false;
  }
  dest->pub.next_output_byte = reinterpret_cast<JOCTET*>(dest->bytes->data()) + used;
  dest->pub.free_in_buffer = size_t(size - used);
  return true;
}

void InitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
  if (!ExposeTail(dest, 0, kFirstChunk)) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
}

boolean GrowDestination(j_compress_ptr cinfo) {
  // Called when the whole array is full, whatever free_in_buffer says.
  auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
  const qsizetype used = dest->bytes->size();
  if (used > std::numeric_limits<qsizetype>::max() / 2 || !ExposeTail(dest, used, used * 2))
    ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
  dest->bytes->resize(dest->bytes->size() - qsizetype(dest->pub.free_in_buffer));
}

// Everything the compression touches after setjmp lives here rather than in
// automatic variables, whose values a longjmp would leave undefined.
struct Compression {
  jpeg_compress_struct cinfo{};
  ErrorManager errors{};
  MemoryDestination destination{};
  QByteArray bytes;
  bool created = false;
};

struct Input {
  const uchar* const* rows;
  int width;
  int height;
  int components;
  J_COLOR_SPACE colorSpace;
  int quality;
};

// A libjpeg error lands back in this frame through longjmp, so no object with
// a destructor may live in it.
bool Compress(Compression* c, const Input& in) {
  c->cinfo.err = jpeg_std_error(&c->errors.pub);
  c->errors.pub.error_exit = ErrorExit;
  c->errors.pub.output_message = DiscardMessage;
  if (setjmp(c->errors.jump) != 0) return false;

  jpeg_create_compress(&c->cinfo);
  c->created = true;
  c->destination.pub.init_destination = InitDestination;
  c->destination.pub.empty_output_buffer = GrowDestination;
  c->destination.pub.term_destination = TermDestination;
  c->destination.bytes = &c->bytes;
  c->cinfo.dest = &c->destination.pub;
  c->cinfo.image_width = JDIMENSION(in.width);
  c->cinfo.image_height = JDIMENSION(in.height);
  c->cinfo.input_components = in.components;
  c->cinfo.in_color_space = in.colorSpace;
  jpeg_set_defaults(&c->cinfo);
  c->cinfo.dct_method = JDCT_FLOAT;
  jpeg_set_quality(&c->cinfo, in.quality, TRUE);
  jpeg_start_compress(&c->cinfo, TRUE);
  // Rows top to bottom, as many per call as libjpeg takes.
  while (c->cinfo.next_scanline < c->cinfo.image_height) {
    const JDIMENSION done = c->cinfo.next_scanline;
    jpeg_write_scanlines(&c->cinfo, const_cast<JSAMPARRAY>(in.rows + done),
                         c->cinfo.image_height - done);
  }
  jpeg_finish_compress(&c->cinfo);
  return true;
}

}  // namespace

bool TMyJPEGImage::SaveToBytes(QByteArray* out) const {
  if (bitmap_.Empty()) return false;
  // The pixels go to libjpeg in their own byte order; libjpeg-turbo turns
  // B,G,R (and B,G,R,X) into the R,G,B the colour conversion starts from,
  // which saves a converted copy of the frame.
  QImage source = bitmap_.Image();
  Input in{nullptr, source.width(), source.height(), 3, JCS_EXT_BGR, ClampJpegQuality(quality_)};
  if (bitmap_.Format() == PixelFormat::kBgrx32) {
    in.components = 4;
    in.colorSpace = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
  } else if (bitmap_.Format() != PixelFormat::kBgr24) {
    source = source.convertToFormat(QImage::Format_BGR888);
    if (source.isNull()) return false;
  }
  std::vector<const uchar*> rows(size_t(source.height()));
  for (int y = 0; y < source.height(); ++y) rows[size_t(y)] = source.constScanLine(y);
  in.rows = rows.data();

  auto c = std::make_unique<Compression>();
  const bool ok = Compress(c.get(), in);
  if (c->created) jpeg_destroy_compress(&c->cinfo);
  if (ok) *out = std::move(c->bytes);
  return ok;
}

}  // namespace frivo
