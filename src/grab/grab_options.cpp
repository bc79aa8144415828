// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "grab/grab_options.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cmath>

#include "playback/time_text.h"

namespace frivo {

namespace {

constexpr int kMaxCount = 1'000'000;

struct TFormatName {
  const char* name;
  TGrabFormat format;
};
constexpr TFormatName kFormatNames[] = {
    {"bmp", TGrabFormat::kBmp}, {"jpeg", TGrabFormat::kJpeg}, {"jpg", TGrabFormat::kJpeg},
    {"gif", TGrabFormat::kGif}, {"png", TGrabFormat::kPng},
};

// Options that take a value, as "--name VALUE" or "--name=VALUE".
enum class TValueOption { kStart, kCount, kFormat, kOutput, kEvery, kEnd, kQuality };
struct TValueOptionName {
  const char* name;
  TValueOption option;
};
constexpr TValueOptionName kValueOptions[] = {
    {"start", TValueOption::kStart},     {"count", TValueOption::kCount},
    {"format", TValueOption::kFormat},   {"output", TValueOption::kOutput},
    {"every", TValueOption::kEvery},     {"end", TValueOption::kEnd},
    {"quality", TValueOption::kQuality},
};

QString Apply(TGrabCommandLine& line, TValueOption option, const QString& value, bool& firstStart) {
  TGrabOptions& o = line.options;
  switch (option) {
    case TValueOption::kStart: {
      double time = 0;
      if (!ParseGrabTime(value, &time))
        return QStringLiteral("--start wants a time such as 90, 1:30 or 1:02:03.5, not \"%1\"")
            .arg(value);
      if (firstStart) o.starts.clear();
      firstStart = false;
      o.starts.append(time);
      return {};
    }
    case TValueOption::kCount: {
      bool ok = false;
      const int count = value.toInt(&ok);
      if (!ok || count < 1 || count > kMaxCount)
        return QStringLiteral("--count wants a number from 1 to %1").arg(kMaxCount);
      o.count = count;
      o.countGiven = true;
      return {};
    }
    case TValueOption::kFormat:
      for (const TFormatName& entry : kFormatNames) {
        if (value.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0) {
          o.format = entry.format;
          return {};
        }
      }
      return QStringLiteral("--format is bmp, jpeg, png or gif");
    case TValueOption::kOutput:
      o.output = value;
      return {};
    case TValueOption::kEvery:
      if (!ParseGrabTime(value, &o.every) || !(o.every > 0))
        return QStringLiteral("--every wants a duration above 0, such as 10 or 0.5");
      return {};
    case TValueOption::kEnd:
      if (!ParseGrabTime(value, &o.end))
        return QStringLiteral("--end wants a time such as 90, 1:30 or 1:02:03.5");
      return {};
    case TValueOption::kQuality: {
      bool ok = false;
      const int quality = value.toInt(&ok);
      if (!ok || quality < 1 || quality > 100)
        return QStringLiteral("--quality wants a number from 1 to 100");
      o.quality = quality;
      return {};
    }
  }
  return {};
}

}  // namespace

bool ParseGrabTime(const QString& text, double* seconds) {
  static const QRegularExpression pattern(
      QStringLiteral(R"(^(?:(\d+):)??(?:(\d+):)?(\d+(?:\.\d*)?|\.\d+)$)"));
  const QRegularExpressionMatch match = pattern.match(text.trimmed());
  if (!match.hasMatch()) return false;
  const bool hours = match.capturedLength(1) > 0;
  const bool minutes = match.capturedLength(2) > 0;
  const double secondsPart = match.captured(3).toDouble();
  // After a ":", minutes and seconds count below 60.
  if ((hours || minutes) && secondsPart >= 60) return false;
  if (hours && match.captured(2).toInt() >= 60) return false;
  const double value = (hours ? match.captured(1).toDouble() * 3600 : 0) +
                       (minutes ? match.captured(2).toDouble() * 60 : 0) + secondsPart;
  if (!std::isfinite(value)) return false;
  *seconds = value;
  return true;
}

TGrabCommandLine ParseGrabCommandLine(const QStringList& arguments) {
  TGrabCommandLine line;
  bool firstStart = true;
  bool onlyFiles = false;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (onlyFiles || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
      line.options.files.append(argument);
      continue;
    }
    if (argument == QLatin1String("--")) {
      onlyFiles = true;
      continue;
    }
    if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
      line.help = true;
      continue;
    }
    if (argument == QLatin1String("--version") || argument == QLatin1String("-v")) {
      line.version = true;
      continue;
    }
    if (argument == QLatin1String("--overwrite")) {
      line.options.overwrite = true;
      continue;
    }
    const QString body = argument.mid(2);
    const qsizetype equals = body.indexOf(QLatin1Char('='));
    const QString name = argument.startsWith(QLatin1String("--")) ? body.left(equals) : QString();
    const TValueOptionName* found = nullptr;
    for (const TValueOptionName& entry : kValueOptions) {
      if (name == QLatin1String(entry.name)) found = &entry;
    }
    if (!found) {
      line.error = QStringLiteral("unknown option %1 (see --help)").arg(argument);
      return line;
    }
    QString value;
    if (equals >= 0) {
      value = body.mid(equals + 1);
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      line.error = QStringLiteral("--%1 wants a value").arg(name);
      return line;
    }
    line.error = Apply(line, found->option, value, firstStart);
    if (!line.error.isEmpty()) return line;
  }
  if (line.help || line.version) return line;
  const TGrabOptions& o = line.options;
  if (o.files.isEmpty()) {
    line.error = QStringLiteral("one or more video files are needed (see --help)");
  } else if (o.end >= 0 && o.every <= 0) {
    line.error = QStringLiteral("--end goes with --every");
  } else if (o.end >= 0) {
    for (const double start : o.starts) {
      if (start > o.end) {
        line.error = QStringLiteral("--end lies before --start");
        break;
      }
    }
  }
  return line;
}

QString GrabHelpText() {
  return QStringLiteral(
      "Usage: frivo-grab [options] FILE...\n"
      "Writes frames of videos as image files, one line per file written on\n"
      "standard output, named <video name>_<media time>.<ext>.\n"
      "\n"
      "Options:\n"
      "  --start TIME      Media time of the first frame (h:mm:ss.fff, default 0).\n"
      "                    Give it several times for several sets.\n"
      "  --count N         Consecutive frames from each start (default 5); with\n"
      "                    --every, at most N frames from each start.\n"
      "  --every DURATION  One frame per interval instead, from each start to --end\n"
      "                    or the end of the video.\n"
      "  --end TIME        Where --every stops.\n"
      "  --format FORMAT   bmp, jpeg, png or gif (default bmp).\n"
      "  --quality N       JPEG quality, 1 to 100 (default 80).\n"
      "  --output DIR      Folder for the files (default: current).\n"
      "  --overwrite       Replace files that exist; without it they are kept.\n"
      "  -h, --help        This text.\n"
      "  -v, --version     The version.\n"
      "\n"
      "A progress line goes to standard error when it is a terminal.\n"
      "\n"
      "Exit codes (with several files, the largest met):\n"
      "   0  every frame asked for was written\n"
      "   1  some files existed and were kept (see --overwrite)\n"
      "  64  the command line is wrong\n"
      "  65  a video cannot be read, has no picture, or no frame at a time asked for\n"
      "  66  a video file does not exist\n"
      "  73  the output folder does not exist\n"
      "  74  a file could not be written (the run stops; no partial file is left)\n");
}

QString FormatExtension(TGrabFormat format) {
  switch (format) {
    case TGrabFormat::kJpeg:
      return QStringLiteral("jpeg");
    case TGrabFormat::kGif:
      return QStringLiteral("gif");
    case TGrabFormat::kPng:
      return QStringLiteral("png");
    case TGrabFormat::kBmp:
      break;
  }
  return QStringLiteral("bmp");
}

QString GrabOutputName(const QString& folder, const QString& video, double time,
                       TGrabFormat format) {
  const QString stamp = FormatTime(3, time).replace(QLatin1Char(':'), QLatin1Char('.'));
  return QDir::cleanPath(QDir(folder).filePath(QFileInfo(video).completeBaseName() +
                                               QLatin1Char('_') + stamp + QLatin1Char('.') +
                                               FormatExtension(format)));
}

}  // namespace frivo
