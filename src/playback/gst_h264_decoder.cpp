// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/gst_h264_decoder.h"

#include <dlfcn.h>
#include <gst/video/gstvideodecoder.h>
#include <gst/video/video.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/macros.h>
#include <libavutil/version.h>
}

#include <algorithm>
#include <atomic>
#include <cstring>
#include <iterator>
#include <mutex>
#include <vector>

#include "playback/gst_ptr.h"

namespace frivo::gst {

namespace {

// The codec library's calls, looked up at run time. The library is opened by
// hand rather than linked so that its load runs on the warm-up thread beside
// GStreamer's start, and so that the window program, which does not use this
// element, does not load it before its main. The headers this file is built
// with fix the library's major version, and with it the layout of its structs.
struct CodecLibrary {
  const AVCodec* (*findDecoder)(enum AVCodecID) = nullptr;
  AVCodecContext* (*allocContext)(const AVCodec*) = nullptr;
  void (*freeContext)(AVCodecContext**) = nullptr;
  int (*open)(AVCodecContext*, const AVCodec*, AVDictionary**) = nullptr;
  int (*sendPacket)(AVCodecContext*, const AVPacket*) = nullptr;
  int (*receiveFrame)(AVCodecContext*, AVFrame*) = nullptr;
  void (*flushBuffers)(AVCodecContext*) = nullptr;
  AVPacket* (*allocPacket)() = nullptr;
  void (*freePacket)(AVPacket**) = nullptr;
  AVFrame* (*allocFrame)() = nullptr;
  void (*freeFrame)(AVFrame**) = nullptr;
  void (*unrefFrame)(AVFrame*) = nullptr;
  void* (*mallocz)(size_t) = nullptr;
  const AVCodec* h264 = nullptr;
};

CodecLibrary& Library() {
  static CodecLibrary library;
  return library;
}

template <class F>
bool Find(void* module, const char* name, F* function) {
  *function = reinterpret_cast<F>(dlsym(module, name));
  return *function != nullptr;
}

bool OpenLibrary() {
  void* codec = dlopen("libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR), RTLD_LAZY);
  void* util = dlopen("libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR), RTLD_LAZY);
  if (!codec || !util) return false;
  CodecLibrary& l = Library();
  const bool found =
      Find(codec, "avcodec_find_decoder", &l.findDecoder) &&
      Find(codec, "avcodec_alloc_context3", &l.allocContext) &&
      Find(codec, "avcodec_free_context", &l.freeContext) &&
      Find(codec, "avcodec_open2", &l.open) && Find(codec, "avcodec_send_packet", &l.sendPacket) &&
      Find(codec, "avcodec_receive_frame", &l.receiveFrame) &&
      Find(codec, "avcodec_flush_buffers", &l.flushBuffers) &&
      Find(codec, "av_packet_alloc", &l.allocPacket) &&
      Find(codec, "av_packet_free", &l.freePacket) && Find(util, "av_frame_alloc", &l.allocFrame) &&
      Find(util, "av_frame_free", &l.freeFrame) && Find(util, "av_frame_unref", &l.unrefFrame) &&
      Find(util, "av_mallocz", &l.mallocz);
  if (!found) return false;
  l.h264 = l.findDecoder(AV_CODEC_ID_H264);
  return l.h264 != nullptr;
}

// What the element keeps between calls; streaming thread only (the base class
// holds its stream lock around every call that touches it).
struct DecoderState {
  AVCodecContext* context = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* picture = nullptr;
  GstVideoCodecState* input = nullptr;
  std::vector<std::uint8_t> padded;  // one access unit followed by the library's zero padding
  // What the output was last negotiated for.
  int width = 0;
  int height = 0;
  AVPixelFormat format = AV_PIX_FMT_NONE;
  int sarNum = 0;
  int sarDen = 0;
  // Opening with the first picture only (H264DecoderOpen::kFirstPicture):
  // `firstPictureOnly` until the first flush, `pictureGiven` once it is out.
  bool firstPictureOnly = false;
  bool pictureGiven = false;
};

// How instances made from now on open.
std::atomic<H264DecoderOpen> openMode{H264DecoderOpen::kEveryFrame};

struct LeanH264Decoder {
  GstVideoDecoder parent;
  DecoderState* state;
};

struct LeanH264DecoderClass {
  GstVideoDecoderClass parent;
};

GType LeanH264DecoderType();
GstVideoDecoderClass* parentClass = nullptr;

DecoderState& StateOf(GstVideoDecoder* decoder) {
  return *reinterpret_cast<LeanH264Decoder*>(decoder)->state;
}

void CloseCodec(DecoderState& s) {
  const CodecLibrary& l = Library();
  if (s.context) l.freeContext(&s.context);
  if (s.packet) l.freePacket(&s.packet);
  if (s.picture) l.freeFrame(&s.picture);
  s.width = s.height = 0;
  s.format = AV_PIX_FMT_NONE;
}

// Opens the codec for the stream `input` describes, set as the system's decoder
// sets it for a file (frame and slice threads, strict standard compliance,
// damaged pictures still given out), so that the pictures are the same.
bool OpenCodec(GstVideoDecoder* decoder, DecoderState& s, GstVideoCodecState* input) {
  CloseCodec(s);
  const CodecLibrary& l = Library();
  s.context = l.allocContext(l.h264);
  s.packet = l.allocPacket();
  s.picture = l.allocFrame();
  if (!s.context || !s.packet || !s.picture) return false;
  if (input->codec_data) {
    GstMapInfo map;
    if (!gst_buffer_map(input->codec_data, &map, GST_MAP_READ)) return false;
    s.context->extradata =
        static_cast<std::uint8_t*>(l.mallocz(map.size + AV_INPUT_BUFFER_PADDING_SIZE));
    if (s.context->extradata) {
      std::memcpy(s.context->extradata, map.data, map.size);
      s.context->extradata_size = static_cast<int>(map.size);
    }
    gst_buffer_unmap(input->codec_data, &map);
    if (!s.context->extradata) return false;
  }
  // One thread per core, as the system's decoder takes: the library's own
  // choice (one more) measured slower on two cores.
  s.context->thread_count = static_cast<int>(g_get_num_processors());
  s.context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  s.context->strict_std_compliance = FF_COMPLIANCE_STRICT;
  s.context->flags |= AV_CODEC_FLAG_OUTPUT_CORRUPT;
  if (l.open(s.context, l.h264, nullptr) < 0) {
    GST_ELEMENT_ERROR(decoder, LIBRARY, INIT, (nullptr), ("the H.264 codec does not open"));
    return false;
  }
  return true;
}

// The output format for a picture of `picture`'s kind: the raw format, and the
// colour description the system's decoder would put in its caps (what the
// stream's caps say, else what the codec read from the stream), so that a
// picture converts to the same RGB either way.
bool Negotiate(GstVideoDecoder* decoder, DecoderState& s, const AVFrame* picture) {
  const auto format = static_cast<AVPixelFormat>(picture->format);
  if (s.width == picture->width && s.height == picture->height && s.format == format &&
      s.sarNum == picture->sample_aspect_ratio.num &&
      s.sarDen == picture->sample_aspect_ratio.den &&
      !gst_pad_check_reconfigure(GST_VIDEO_DECODER_SRC_PAD(decoder)))
    return true;
  if (format != AV_PIX_FMT_YUV420P && format != AV_PIX_FMT_YUVJ420P) {
    GST_ELEMENT_ERROR(decoder, STREAM, FORMAT, (nullptr),
                      ("unexpected picture format %d", static_cast<int>(format)));
    return false;
  }
  GstVideoCodecState* output = gst_video_decoder_set_output_state(
      decoder, GST_VIDEO_FORMAT_I420, picture->width, picture->height, s.input);
  if (!output) return false;
  GstVideoInfo* out = &output->info;
  const GstVideoInfo* in = &s.input->info;
  const GstStructure* caps = gst_caps_get_structure(s.input->caps, 0);
  const AVCodecContext* c = s.context;
  out->interlace_mode = GST_VIDEO_INTERLACE_MODE_PROGRESSIVE;
  // Stereo layouts are not read from the stream; the caps say nothing of them.
  GST_VIDEO_INFO_MULTIVIEW_MODE(out) = GST_VIDEO_MULTIVIEW_MODE_NONE;
  GST_VIDEO_INFO_MULTIVIEW_FLAGS(out) = GST_VIDEO_MULTIVIEW_FLAGS_NONE;
  if (!gst_structure_has_field(caps, "chroma-site")) {
    switch (c->chroma_sample_location) {
      case AVCHROMA_LOC_LEFT:
        out->chroma_site = GST_VIDEO_CHROMA_SITE_MPEG2;
        break;
      case AVCHROMA_LOC_CENTER:
        out->chroma_site = GST_VIDEO_CHROMA_SITE_JPEG;
        break;
      case AVCHROMA_LOC_TOPLEFT:
        out->chroma_site = GST_VIDEO_CHROMA_SITE_DV;
        break;
      case AVCHROMA_LOC_TOP:
        out->chroma_site = GST_VIDEO_CHROMA_SITE_V_COSITED;
        break;
      default:
        break;
    }
  }
  const bool known = gst_structure_has_field(caps, "colorimetry");
  if (!known || in->colorimetry.primaries == GST_VIDEO_COLOR_PRIMARIES_UNKNOWN)
    out->colorimetry.primaries = gst_video_color_primaries_from_iso(c->color_primaries);
  if (!known || in->colorimetry.transfer == GST_VIDEO_TRANSFER_UNKNOWN)
    out->colorimetry.transfer = gst_video_transfer_function_from_iso(c->color_trc);
  if (!known || in->colorimetry.matrix == GST_VIDEO_COLOR_MATRIX_UNKNOWN)
    out->colorimetry.matrix = gst_video_color_matrix_from_iso(c->colorspace);
  if (!known || in->colorimetry.range == GST_VIDEO_COLOR_RANGE_UNKNOWN) {
    out->colorimetry.range = c->color_range == AVCOL_RANGE_JPEG   ? GST_VIDEO_COLOR_RANGE_0_255
                             : c->color_range == AVCOL_RANGE_MPEG ? GST_VIDEO_COLOR_RANGE_16_235
                                                                  : GST_VIDEO_COLOR_RANGE_UNKNOWN;
  }
  // The container's pixel aspect ratio wins, unless it is square and the
  // stream's is not.
  const int sarNum = picture->sample_aspect_ratio.num;
  const int sarDen = picture->sample_aspect_ratio.den;
  const bool containerSquare = in->par_n == 0 || in->par_n == in->par_d;
  if (sarNum > 0 && sarDen > 0 && sarNum != sarDen && containerSquare) {
    out->par_n = sarNum;
    out->par_d = sarDen;
  } else if (in->par_n == 0 || in->par_d == 0) {
    out->par_n = sarNum > 0 && sarDen > 0 ? sarNum : 1;
    out->par_d = sarNum > 0 && sarDen > 0 ? sarDen : 1;
  }
  // The caps are made here from the description above; the base class would
  // otherwise add the input's stereo fields to them.
  if (output->caps) gst_caps_unref(output->caps);
  output->caps = gst_video_info_to_caps(out);
  gst_video_codec_state_unref(output);
  if (!gst_video_decoder_negotiate(decoder)) return false;
  s.width = picture->width;
  s.height = picture->height;
  s.format = format;
  s.sarNum = sarNum;
  s.sarDen = sarDen;
  return true;
}

// Lets go of the frames that came in before `shown` in presentation order and
// have not come out: pictures come out in that order, so theirs never will.
void ReleaseOlderFrames(GstVideoDecoder* decoder, const GstVideoCodecFrame* shown) {
  GList* frames = gst_video_decoder_get_frames(decoder);
  for (GList* item = frames; item; item = item->next) {
    auto* frame = static_cast<GstVideoCodecFrame*>(item->data);
    if (frame != shown && GST_CLOCK_TIME_IS_VALID(frame->pts) &&
        GST_CLOCK_TIME_IS_VALID(shown->pts) && frame->pts < shown->pts)
      gst_video_decoder_release_frame(decoder, gst_video_codec_frame_ref(frame));
  }
  g_list_free_full(frames, reinterpret_cast<GDestroyNotify>(gst_video_codec_frame_unref));
}

// True when the frame ends before the segment starts, so the base class would
// clip it away after it was copied out: such frames of a run-up to a seek
// target are let go without the copy.
bool EndsBeforeSegment(GstVideoDecoder* decoder, const GstVideoCodecFrame* frame) {
  const GstSegment& segment = GST_VIDEO_DECODER_INPUT_SEGMENT(decoder);
  return segment.format == GST_FORMAT_TIME && segment.rate > 0 &&
         GST_CLOCK_TIME_IS_VALID(frame->pts) && GST_CLOCK_TIME_IS_VALID(frame->duration) &&
         frame->duration > 0 && frame->pts + frame->duration <= segment.start;
}

// Hands the decoded `picture` on as the frame it was decoded from.
GstFlowReturn Output(GstVideoDecoder* decoder, DecoderState& s, AVFrame* picture) {
  GstVideoCodecFrame* frame = gst_video_decoder_get_frame(decoder, static_cast<int>(picture->pts));
  if (!frame) return GST_FLOW_OK;  // gone with a flush
  ReleaseOlderFrames(decoder, frame);
  if (EndsBeforeSegment(decoder, frame)) {
    gst_video_decoder_release_frame(decoder, frame);
    return GST_FLOW_OK;
  }
  if (!Negotiate(decoder, s, picture)) {
    gst_video_decoder_release_frame(decoder, frame);
    return GST_FLOW_NOT_NEGOTIATED;
  }
  GstFlowReturn result = gst_video_decoder_allocate_output_frame(decoder, frame);
  if (result != GST_FLOW_OK) {
    gst_video_decoder_release_frame(decoder, frame);
    return result;
  }
  GstVideoCodecState* state = gst_video_decoder_get_output_state(decoder);
  GstVideoFrame out;
  const bool mapped = gst_video_frame_map(&out, &state->info, frame->output_buffer, GST_MAP_WRITE);
  gst_video_codec_state_unref(state);
  if (!mapped) {
    gst_video_decoder_release_frame(decoder, frame);
    return GST_FLOW_ERROR;
  }
  for (guint plane = 0; plane < GST_VIDEO_FRAME_N_PLANES(&out); ++plane) {
    const auto rowBytes = static_cast<std::size_t>(GST_VIDEO_FRAME_COMP_WIDTH(&out, plane)) *
                          GST_VIDEO_FRAME_COMP_PSTRIDE(&out, plane);
    const int rows = GST_VIDEO_FRAME_COMP_HEIGHT(&out, plane);
    const int outStride = GST_VIDEO_FRAME_PLANE_STRIDE(&out, plane);
    auto* to = static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&out, plane));
    const std::uint8_t* from = picture->data[plane];
    for (int row = 0; row < rows; ++row)
      std::memcpy(to + static_cast<std::ptrdiff_t>(row) * outStride,
                  from + static_cast<std::ptrdiff_t>(row) * picture->linesize[plane], rowBytes);
  }
  gst_video_frame_unmap(&out);
  if (picture->flags & AV_FRAME_FLAG_CORRUPT)
    GST_BUFFER_FLAG_SET(frame->output_buffer, GST_BUFFER_FLAG_CORRUPTED);
  s.pictureGiven = true;
  return gst_video_decoder_finish_frame(decoder, frame);
}

// Takes every picture the codec has ready.
GstFlowReturn Receive(GstVideoDecoder* decoder, DecoderState& s) {
  const CodecLibrary& l = Library();
  for (;;) {
    const int got = l.receiveFrame(s.context, s.picture);
    if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return GST_FLOW_OK;
    if (got < 0) return GST_FLOW_OK;  // a damaged picture; the next may decode
    const GstFlowReturn result = Output(decoder, s, s.picture);
    l.unrefFrame(s.picture);
    if (result != GST_FLOW_OK) return result;
  }
}

// Gives out the pictures the codec still holds, then readies it for more data.
GstFlowReturn Drain(GstVideoDecoder* decoder) {
  DecoderState& s = StateOf(decoder);
  if (!s.context) return GST_FLOW_OK;
  const CodecLibrary& l = Library();
  GstFlowReturn result = GST_FLOW_OK;
  if (l.sendPacket(s.context, nullptr) >= 0) result = Receive(decoder, s);
  l.flushBuffers(s.context);
  return result;
}

gboolean OnStart(GstVideoDecoder* decoder) {
  DecoderState& s = StateOf(decoder);
  s.firstPictureOnly = openMode.load() == H264DecoderOpen::kFirstPicture;
  s.pictureGiven = false;
  return LoadH264CodecLibrary();
}

// Lets go of the codec and the input description (a stop, or the element's end).
void ReleaseStream(DecoderState& s) {
  CloseCodec(s);
  if (s.input) gst_video_codec_state_unref(s.input);
  s.input = nullptr;
}

gboolean OnStop(GstVideoDecoder* decoder) {
  ReleaseStream(StateOf(decoder));
  return TRUE;
}

gboolean OnSetFormat(GstVideoDecoder* decoder, GstVideoCodecState* input) {
  DecoderState& s = StateOf(decoder);
  if (s.context) (void)Drain(decoder);
  if (s.input) gst_video_codec_state_unref(s.input);
  s.input = gst_video_codec_state_ref(input);
  return OpenCodec(decoder, s, input);
}

GstFlowReturn OnHandleFrame(GstVideoDecoder* decoder, GstVideoCodecFrame* frame) {
  DecoderState& s = StateOf(decoder);
  const CodecLibrary& l = Library();
  if (s.firstPictureOnly && s.pictureGiven) {
    gst_video_decoder_release_frame(decoder, frame);
    return GST_FLOW_OK;
  }
  const bool key = GST_VIDEO_CODEC_FRAME_IS_SYNC_POINT(frame);
  GstMapInfo map;
  if (!s.context || !gst_buffer_map(frame->input_buffer, &map, GST_MAP_READ)) {
    gst_video_codec_frame_unref(frame);
    return GST_FLOW_ERROR;
  }
  s.padded.resize(map.size + AV_INPUT_BUFFER_PADDING_SIZE);
  std::memcpy(s.padded.data(), map.data, map.size);
  std::memset(s.padded.data() + map.size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
  gst_buffer_unmap(frame->input_buffer, &map);
  s.packet->data = s.padded.data();
  s.packet->size = static_cast<int>(map.size);
  // The frame's number travels with its picture through the codec's reordering.
  s.packet->pts = frame->system_frame_number;
  s.packet->dts = AV_NOPTS_VALUE;
  s.packet->flags = key ? AV_PKT_FLAG_KEY : 0;
  gst_video_codec_frame_unref(frame);
  GstFlowReturn result = GST_FLOW_OK;
  for (;;) {
    const int sent = l.sendPacket(s.context, s.packet);
    if (sent != AVERROR(EAGAIN)) break;  // taken, or damaged and left out
    // The codec wants its finished pictures taken first.
    const int got = l.receiveFrame(s.context, s.picture);
    if (got < 0) break;
    result = Output(decoder, s, s.picture);
    l.unrefFrame(s.picture);
    if (result != GST_FLOW_OK) return result;
  }
  // A key frame's picture needs no other; drained, it comes out now.
  if (s.firstPictureOnly && key) return Drain(decoder);
  return Receive(decoder, s);
}

gboolean OnFlush(GstVideoDecoder* decoder) {
  DecoderState& s = StateOf(decoder);
  if (s.context) Library().flushBuffers(s.context);
  s.firstPictureOnly = false;
  return TRUE;
}

GstFlowReturn OnFinish(GstVideoDecoder* decoder) {
  return Drain(decoder);
}

void OnFinalize(GObject* object) {
  auto* self = reinterpret_cast<LeanH264Decoder*>(object);
  if (self->state) {
    ReleaseStream(*self->state);
    delete self->state;
    self->state = nullptr;
  }
  G_OBJECT_CLASS(parentClass)->finalize(object);
}

// The streams taken, as far as caps can tell before the stream's parameters
// are read (see TakesStream).
constexpr const char* kSinkCaps =
    "video/x-h264, stream-format=(string)avc, alignment=(string)au, "
    "profile=(string){ constrained-baseline, baseline, main, high, progressive-high, "
    "constrained-high }";

// Reads an H.264 sequence parameter set bit by bit; reading past its end
// fails every later read.
class SpsReader {
 public:
  SpsReader(const std::uint8_t* nal, std::size_t size) {
    // The payload without the emulation prevention bytes (00 00 03).
    int zeros = 0;
    for (std::size_t i = 0; i < size; ++i) {
      if (zeros >= 2 && nal[i] == 3) {
        zeros = 0;
        continue;
      }
      zeros = nal[i] == 0 ? zeros + 1 : 0;
      bytes_.push_back(nal[i]);
    }
  }
  [[nodiscard]] bool Ok() const { return ok_; }
  std::uint32_t Bits(int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
      if (at_ >= bytes_.size() * 8) {
        ok_ = false;
        return 0;
      }
      value = (value << 1) | ((bytes_[at_ / 8] >> (7 - at_ % 8)) & 1u);
      ++at_;
    }
    return value;
  }
  // ue(v); a code longer than 31 bits is damage.
  std::uint32_t Unsigned() {
    int leading = 0;
    while (ok_ && Bits(1) == 0)
      if (++leading > 31) ok_ = false;
    if (!ok_) return 0;
    return ((1u << leading) - 1) + Bits(leading);
  }
  std::int32_t Signed() {
    const std::uint32_t code = Unsigned();
    return (code & 1) ? static_cast<std::int32_t>((code + 1) / 2)
                      : -static_cast<std::int32_t>(code / 2);
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

// True when the stream whose AVC configuration record is `record` is what the
// element gives out as the system's decoder would: 8-bit 4:2:0 pictures coded
// as whole frames (no fields, no field-pair macroblocks). Damaged or unusual
// parameter sets are left to the system's decoder.
bool TakesStream(const std::uint8_t* record, std::size_t size) {
  if (size < 8 || record[0] != 1 || (record[5] & 0x1F) == 0) return false;
  const std::size_t length = (static_cast<std::size_t>(record[6]) << 8) | record[7];
  if (length < 4 || length > size - 8 || (record[8] & 0x1F) != 7) return false;
  SpsReader sps(record + 9, length - 1);
  const std::uint32_t profile = sps.Bits(8);
  sps.Bits(16);  // constraint flags, level
  sps.Unsigned();
  std::uint32_t chromaFormat = 1;
  static constexpr std::uint32_t kHighProfiles[] = {100, 110, 122, 244, 44,  83, 86,
                                                    118, 128, 138, 139, 134, 135};
  if (std::find(std::begin(kHighProfiles), std::end(kHighProfiles), profile) !=
      std::end(kHighProfiles)) {
    chromaFormat = sps.Unsigned();
    if (chromaFormat == 3) sps.Bits(1);
    if (sps.Unsigned() != 0 || sps.Unsigned() != 0) return false;  // bit depths above 8
    sps.Bits(1);
    if (sps.Bits(1)) {  // scaling matrices: skipped over
      for (int list = 0; list < (chromaFormat == 3 ? 12 : 8) && sps.Ok(); ++list) {
        if (!sps.Bits(1)) continue;
        std::int32_t last = 8;
        std::int32_t next = 8;
        for (int j = 0; j < (list < 6 ? 16 : 64) && sps.Ok(); ++j) {
          if (next != 0) next = (last + sps.Signed() + 256) % 256;
          last = next == 0 ? last : next;
        }
      }
    }
  }
  if (chromaFormat != 1) return false;
  sps.Unsigned();  // log2_max_frame_num_minus4
  const std::uint32_t orderType = sps.Unsigned();
  if (orderType == 0) {
    sps.Unsigned();
  } else if (orderType == 1) {
    sps.Bits(1);
    sps.Signed();
    sps.Signed();
    const std::uint32_t cycle = sps.Unsigned();
    if (cycle > 255) return false;
    for (std::uint32_t i = 0; i < cycle; ++i) sps.Signed();
  }
  sps.Unsigned();  // max_num_ref_frames
  sps.Bits(1);
  sps.Unsigned();  // width and height in macroblocks
  sps.Unsigned();
  const bool framesOnly = sps.Bits(1) == 1;
  return sps.Ok() && framesOnly;
}

// Accepts caps that fit the template and describe a stream TakesStream takes,
// so that a graph that tries this element first moves on to the system's
// decoder for any other.
gboolean OnSinkQuery(GstVideoDecoder* decoder, GstQuery* query) {
  if (GST_QUERY_TYPE(query) != GST_QUERY_ACCEPT_CAPS)
    return parentClass->sink_query(decoder, query);
  GstCaps* caps = nullptr;
  gst_query_parse_accept_caps(query, &caps);
  bool accepted = false;
  CapsPtr templateCaps(gst_pad_get_pad_template_caps(GST_VIDEO_DECODER_SINK_PAD(decoder)));
  if (caps && gst_caps_get_size(caps) == 1 && gst_caps_can_intersect(caps, templateCaps.get())) {
    const GValue* value = gst_structure_get_value(gst_caps_get_structure(caps, 0), "codec_data");
    GstBuffer* record =
        value && G_VALUE_HOLDS(value, GST_TYPE_BUFFER) ? gst_value_get_buffer(value) : nullptr;
    GstMapInfo map;
    if (record && gst_buffer_map(record, &map, GST_MAP_READ)) {
      accepted = TakesStream(map.data, map.size);
      gst_buffer_unmap(record, &map);
    }
  }
  gst_query_set_accept_caps_result(query, accepted);
  return TRUE;
}

void ClassInit(gpointer klass, gpointer) {
  parentClass = static_cast<GstVideoDecoderClass*>(g_type_class_peek_parent(klass));
  G_OBJECT_CLASS(klass)->finalize = &OnFinalize;
  auto* element = GST_ELEMENT_CLASS(klass);
  gst_element_class_add_pad_template(
      element, gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS,
                                    CapsPtr(gst_caps_from_string(kSinkCaps)).get()));
  gst_element_class_add_pad_template(
      element, gst_pad_template_new(
                   "src", GST_PAD_SRC, GST_PAD_ALWAYS,
                   CapsPtr(gst_caps_from_string("video/x-raw, format=(string)I420")).get()));
  gst_element_class_set_static_metadata(element, "Frivo H.264 decoder", "Codec/Decoder/Video",
                                        "Decodes progressive 8-bit 4:2:0 H.264",
                                        "The Frivo developers");
  auto* video = static_cast<GstVideoDecoderClass*>(klass);
  video->start = &OnStart;
  video->stop = &OnStop;
  video->set_format = &OnSetFormat;
  video->handle_frame = &OnHandleFrame;
  video->flush = &OnFlush;
  video->finish = &OnFinish;
  video->drain = &OnFinish;
  video->sink_query = &OnSinkQuery;
}

void InstanceInit(GTypeInstance* instance, gpointer) {
  auto* self = reinterpret_cast<LeanH264Decoder*>(instance);
  self->state = new DecoderState;
  auto* decoder = GST_VIDEO_DECODER(instance);
  gst_video_decoder_set_packetized(decoder, TRUE);
  gst_video_decoder_set_needs_format(decoder, TRUE);
}

GType LeanH264DecoderType() {
  static const GType type = [] {
    GTypeInfo info{};
    info.class_size = sizeof(LeanH264DecoderClass);
    info.class_init = &ClassInit;
    info.instance_size = sizeof(LeanH264Decoder);
    info.instance_init = &InstanceInit;
    return g_type_register_static(GST_TYPE_VIDEO_DECODER, "FrivoLeanH264Decoder", &info,
                                  static_cast<GTypeFlags>(0));
  }();
  return type;
}

}  // namespace

bool LoadH264CodecLibrary() {
  static std::once_flag once;
  static bool loaded = false;
  std::call_once(once, [] { loaded = OpenLibrary(); });
  return loaded;
}

bool RegisterLeanH264Decoder(H264DecoderOpen open) {
  openMode.store(open);
  // The system's decoder has primary rank; ours is tried first.
  return gst_element_register(nullptr, kLeanH264DecoderName, GST_RANK_PRIMARY + 1,
                              LeanH264DecoderType()) == TRUE;
}

}  // namespace frivo::gst
