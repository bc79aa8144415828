// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The batch grabber's own H.264 decoder must give what the system's decoder
// gives: the same frames with the same times, the same bytes and the same
// colour description (which decides the RGB a picture converts to), also after
// an accurate seek, and it must leave the streams it does not take to it. For
// the batch grabber, which seeks before it takes a frame, it opens on the
// first picture alone.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <cstring>
#include <string>
#include <vector>

#include "fixtures/fixtures.h"
#include "playback/gst_h264_decoder.h"

namespace frivo::test {
namespace {

struct DecodedPicture {
  GstClockTime pts = GST_CLOCK_TIME_NONE;
  GstClockTime duration = GST_CLOCK_TIME_NONE;
  std::string caps;
  std::vector<std::uint8_t> bytes;  // the visible rows of every plane, packed
};

std::vector<std::uint8_t> VisibleBytes(GstSample* sample) {
  GstVideoInfo info;
  GstVideoFrame frame;
  std::vector<std::uint8_t> bytes;
  if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) ||
      !gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ))
    return bytes;
  for (guint plane = 0; plane < GST_VIDEO_FRAME_N_PLANES(&frame); ++plane) {
    const auto* data = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, plane));
    const int width =
        GST_VIDEO_FRAME_COMP_WIDTH(&frame, plane) * GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, plane);
    for (int row = 0; row < GST_VIDEO_FRAME_COMP_HEIGHT(&frame, plane); ++row) {
      const std::uint8_t* line = data + row * GST_VIDEO_FRAME_PLANE_STRIDE(&frame, plane);
      bytes.insert(bytes.end(), line, line + width);
    }
  }
  gst_video_frame_unmap(&frame);
  return bytes;
}

const char* DemuxerFor(const std::string& name) {
  if (name.ends_with(".mkv")) return "matroskademux";
  if (name.ends_with(".ts")) return "tsdemux";
  return "qtdemux";
}

// Decodes up to `limit` frames of `path` with `decoder`, from the start or,
// with `seekTo` (ns), from an accurate seek there. A queue after the demuxer
// lets it read ahead as it does in a graph (decodebin's multiqueue): Matroska's
// demuxer sought right after its first block moves the segment by the first
// timestamp.
std::vector<DecodedPicture> Decode(const std::string& path, const char* demuxer,
                                   const char* decoder, std::size_t limit, gint64 seekTo = -1) {
  const std::string description = "filesrc location=\"" + path + "\" ! " + demuxer +
                                  " ! video/x-h264 ! queue ! h264parse ! " + decoder +
                                  " name=decoder ! appsink name=out sync=false";
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
  if (error) {
    ADD_FAILURE() << error->message;
    g_error_free(error);
    if (pipeline) gst_object_unref(pipeline);
    return {};
  }
  GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
  std::vector<DecodedPicture> pictures;
  gst_element_set_state(pipeline, GST_STATE_PAUSED);
  if (gst_element_get_state(pipeline, nullptr, nullptr, 20 * GST_SECOND) ==
      GST_STATE_CHANGE_SUCCESS) {
    if (seekTo >= 0) {
      EXPECT_TRUE(gst_element_seek_simple(
          pipeline, GST_FORMAT_TIME,
          static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), seekTo));
    }
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    while (pictures.size() < limit) {
      GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 20 * GST_SECOND);
      if (!sample) break;
      DecodedPicture picture;
      GstBuffer* buffer = gst_sample_get_buffer(sample);
      picture.pts = GST_BUFFER_PTS(buffer);
      picture.duration = GST_BUFFER_DURATION(buffer);
      gchar* caps = gst_caps_to_string(gst_sample_get_caps(sample));
      picture.caps = caps;
      g_free(caps);
      picture.bytes = VisibleBytes(sample);
      pictures.push_back(std::move(picture));
      gst_sample_unref(sample);
    }
  } else {
    ADD_FAILURE() << "the pipeline does not preroll: " << description;
  }
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(sink);
  gst_object_unref(pipeline);
  return pictures;
}

void ExpectSamePictures(const std::vector<DecodedPicture>& ours,
                        const std::vector<DecodedPicture>& system) {
  ASSERT_FALSE(system.empty());
  ASSERT_EQ(ours.size(), system.size());
  for (std::size_t i = 0; i < ours.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ours[i].pts, system[i].pts);
    EXPECT_EQ(ours[i].duration, system[i].duration);
    EXPECT_EQ(ours[i].caps, system[i].caps);
    EXPECT_FALSE(ours[i].bytes.empty());
    EXPECT_TRUE(ours[i].bytes == system[i].bytes);
  }
}

class LeanH264Decoder : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gst_init(nullptr, nullptr);
    ASSERT_TRUE(gst::LoadH264CodecLibrary());
    ASSERT_TRUE(gst::RegisterLeanH264Decoder());
  }
};

// Every H.264 fixture: MP4 with an edit list, B-frames, 29.97 and 60 fps,
// variable rates, an odd width, Matroska's millisecond times, ffmpeg's MPEG-TS
// (byte stream turned into AVC by the parser); with and without a colour
// description in the stream.
constexpr const char* kH264Files[] = {kH264Mp4,       kH264Mp4Ntsc, kH264Mp460,
                                      kH264Ts,        kH264MkvNtsc, kH264Mp4Width318,
                                      kAudioFirstMp4, kVfrMp4,      kVfrMov};

TEST_F(LeanH264Decoder, GivesTheSystemDecodersFramesFromTheStartAndAfterASeek) {
  for (const char* name : kH264Files) {
    SCOPED_TRACE(name);
    const std::string path = FixturePath(name).toStdString();
    const char* demuxer = DemuxerFor(name);
    {
      SCOPED_TRACE("from the start");
      ExpectSamePictures(Decode(path, demuxer, gst::kLeanH264DecoderName, 40),
                         Decode(path, demuxer, "avdec_h264", 40));
    }
    {
      // Between frames, well past the first key frame: the run-up frames are
      // let go and the frame holding the target is clipped to it.
      SCOPED_TRACE("after a seek to 1.31 s");
      const gint64 target = 1'310'000'000;
      ExpectSamePictures(Decode(path, demuxer, gst::kLeanH264DecoderName, 6, target),
                         Decode(path, demuxer, "avdec_h264", 6, target));
    }
  }
}

TEST_F(LeanH264Decoder, OpensWithTheFirstPictureAloneForAProgramThatSeeksFirst) {
  ASSERT_TRUE(gst::RegisterLeanH264Decoder(gst::H264DecoderOpen::kFirstPicture));
  for (const char* name : {kH264Mp4, kH264MkvNtsc}) {
    SCOPED_TRACE(name);
    const std::string path = FixturePath(name).toStdString();
    const char* demuxer = DemuxerFor(name);
    // Without a seek the open's picture is all that comes: the first frame.
    const std::vector<DecodedPicture> system = Decode(path, demuxer, "avdec_h264", 40);
    const std::vector<DecodedPicture> opened = Decode(path, demuxer, gst::kLeanH264DecoderName, 40);
    ASSERT_FALSE(system.empty());
    ExpectSamePictures(opened, {system.front()});
    // From the seek on, every frame as usual.
    const gint64 target = 1'310'000'000;
    ExpectSamePictures(Decode(path, demuxer, gst::kLeanH264DecoderName, 6, target),
                       Decode(path, demuxer, "avdec_h264", 6, target));
  }
  ASSERT_TRUE(gst::RegisterLeanH264Decoder(gst::H264DecoderOpen::kEveryFrame));
}

// Makes a short H.264 file with ffmpeg; false when it cannot.
bool MakeClip(const QString& path, const QStringList& videoOptions) {
  QProcess ffmpeg;
  ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
  ffmpeg.start(QStringLiteral("ffmpeg"),
               QStringList{"-v", "error", "-y", "-f", "lavfi", "-i",
                           "testsrc=size=160x120:rate=25:duration=1", "-c:v", "libx264"} +
                   videoOptions + QStringList{path});
  return ffmpeg.waitForFinished(60'000) && ffmpeg.exitCode() == 0;
}

// Decodes `path` through decodebin as a graph would and says which decoder it
// picked and how many frames came out.
std::pair<std::string, int> DecodeWithAutoplug(const QString& path) {
  const std::string description =
      "filesrc location=\"" + path.toStdString() + "\" ! decodebin ! appsink name=out sync=false";
  GstElement* pipeline = gst_parse_launch(description.c_str(), nullptr);
  if (!pipeline) return {};
  GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  int frames = 0;
  while (GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink), 20 * GST_SECOND)) {
    ++frames;
    gst_sample_unref(sample);
  }
  std::string decoder;
  GstIterator* it = gst_bin_iterate_recurse(GST_BIN(pipeline));
  GValue item = G_VALUE_INIT;
  while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
    GstElementFactory* factory = gst_element_get_factory(GST_ELEMENT(g_value_get_object(&item)));
    const char* klass =
        factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : nullptr;
    if (klass && std::strstr(klass, "Decoder/Video"))
      decoder = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory));
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(it);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(sink);
  gst_object_unref(pipeline);
  return {decoder, frames};
}

TEST_F(LeanH264Decoder, IsPickedForTheUsualStreamsAndLeavesTheOthersToTheSystemDecoder) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  struct Case {
    const char* name;
    QStringList options;
    const char* decoder;
  };
  const Case cases[] = {
      {"yuv420.mp4", {"-pix_fmt", "yuv420p"}, gst::kLeanH264DecoderName},
      {"full_range.mp4", {"-pix_fmt", "yuvj420p"}, gst::kLeanH264DecoderName},
      {"yuv444.mp4", {"-pix_fmt", "yuv444p"}, "avdec_h264"},
      {"yuv420_10bit.mkv", {"-pix_fmt", "yuv420p10le"}, "avdec_h264"},
      {"interlaced.mkv", {"-pix_fmt", "yuv420p", "-flags", "+ildct+ilme"}, "avdec_h264"},
      {"interlaced.mp4", {"-pix_fmt", "yuv420p", "-flags", "+ildct+ilme"}, "avdec_h264"},
      {"scaling_lists.mp4",
       {"-pix_fmt", "yuv420p", "-x264-params", "cqm=jvt"},
       gst::kLeanH264DecoderName},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = folder.filePath(QString::fromLatin1(c.name));
    ASSERT_TRUE(MakeClip(path, c.options));
    const auto [decoder, frames] = DecodeWithAutoplug(path);
    EXPECT_EQ(decoder, c.decoder);
    EXPECT_EQ(frames, 25);
  }
  // A full-range stream decodes to the same bytes and colour description.
  const std::string full = folder.filePath(QStringLiteral("full_range.mp4")).toStdString();
  ExpectSamePictures(Decode(full, "qtdemux", gst::kLeanH264DecoderName, 25),
                     Decode(full, "qtdemux", "avdec_h264", 25));
}

}  // namespace
}  // namespace frivo::test
