// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace frivo {

// Exit codes of frivo-grab; scripts test them, so the numbers stay as they are.
// With several files the run goes on after a file that fails and ends with the
// largest code met.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNotReplaced = 1;   // some files existed and were kept
inline constexpr int kExitUsage = 64;        // the command line is wrong
inline constexpr int kExitBadMedia = 65;     // no video, unreadable, no frame there
inline constexpr int kExitNoInput = 66;      // a video file does not exist
inline constexpr int kExitNoOutputDir = 73;  // the output folder does not exist
inline constexpr int kExitWriteFailed = 74;  // a write failed; the run stopped

enum class TGrabFormat { kBmp, kJpeg, kGif, kPng };

struct TGrabOptions {
  QStringList files;
  QList<double> starts{0.0};  // in the order given
  int count = 5;              // frames per start; with an interval, at most that many
  bool countGiven = false;
  double every = 0;  // seconds between frames; 0 takes consecutive frames
  double end = -1;   // with an interval: no threshold after this time; -1 the file's end
  TGrabFormat format = TGrabFormat::kBmp;
  int quality = 80;  // JPEG
  QString output = QStringLiteral(".");
  bool overwrite = false;
};

struct TGrabCommandLine {
  TGrabOptions options;
  bool help = false;
  bool version = false;
  QString error;  // not empty: a usage error, to be shown with kExitUsage
};

// Reads the arguments after the program name.
[[nodiscard]] TGrabCommandLine ParseGrabCommandLine(const QStringList& arguments);
// The --help text, with the exit codes.
[[nodiscard]] QString GrabHelpText();

// A time or duration as the command line takes it: "90", "1:30", "1:02:03.5",
// "0.04". False for anything else (a sign, letters, empty parts, minutes or
// seconds fields of 60 and more after a ":").
[[nodiscard]] bool ParseGrabTime(const QString& text, double* seconds);

// The extension written for a format ("bmp", "jpeg", "gif", "png").
[[nodiscard]] QString FormatExtension(TGrabFormat format);

// "<folder>/<video name>_<media time>.<ext>": the time as the labels show it
// with ":" made ".", so the names sort in time order within an hour.
[[nodiscard]] QString GrabOutputName(const QString& folder, const QString& video, double time,
                                     TGrabFormat format);

}  // namespace frivo
