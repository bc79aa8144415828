// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// Inside the playback layer: an H.264 decoder element of our own for programs
// that start, decode a few seconds and end (the batch grabber). It decodes with
// the same codec library as the system's decoder plugin and gives the same
// pictures with the same colour description, but it needs only that library.
// The plugin also pulls in the container, filter and device libraries with
// their own dependencies, about 70 ms of loading before the first frame.
//
// It takes progressive 8-bit 4:2:0 streams in AVC form of the common profiles;
// anything else (10-bit, 4:2:2, interlaced) stays with the plugin, which then
// loads when a file needs it.

namespace frivo::gst {

// The element's factory name.
inline constexpr const char* kLeanH264DecoderName = "frivoh264dec";

// Loads the codec library and looks up what the element calls. Blocks until
// it is done; safe on any thread, the work is done once. False when the
// library cannot be loaded (the element then refuses to start, and graphs fall
// back to the plugin's decoder).
bool LoadH264CodecLibrary();

// How the element's instances open. kEveryFrame decodes as any decoder does.
// kFirstPicture is for a program that seeks before it takes any frame: until
// the first seek (flush) an instance decodes the first key frame alone, gives
// its picture out at once, without waiting for the frames after it to settle
// the display order, and lets the frames after it go undecoded. The open then
// costs one picture instead of the several that frame threads and reordering
// take before the first comes out, and the seek has nothing to throw away.
enum class H264DecoderOpen { kEveryFrame, kFirstPicture };

// Registers the element in this process with a rank above the plugin's
// decoder, so graphs built from now on use it for the streams it takes, and
// sets how instances made from now on open. GStreamer must be initialised.
bool RegisterLeanH264Decoder(H264DecoderOpen open = H264DecoderOpen::kEveryFrame);

}  // namespace frivo::gst
