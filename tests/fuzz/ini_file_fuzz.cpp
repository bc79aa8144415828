// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The INI engine on any settings file: load, typed reads, writes and saving.
// Most inputs are read from memory; one in kFileRoundTrip is read from a file,
// saved and read again, and what was written must read back.
#include <cstdlib>
#include <memory>

#include "fuzz/fuzz_input.h"
#include "support/ini_file.h"
#include "support/wide_strings.h"

namespace {

constexpr int kFileRoundTrip = 16;
// Sections and keys read per input: more would repeat the same paths, and each
// costs a scan of its section.
constexpr int kSectionsRead = 8;
constexpr int kKeysRead = 4;

// Reads every section and key the way the program and a user's file may ask.
int ReadEverything(frivo::TMyIniFile& ini, frivo::TMyWStrings& sections) {
  ini.ReadSections(sections);
  const int count = std::min(sections.Count(), kSectionsRead);
  for (int i = 0; i < count; ++i) {
    const QString section = sections.Get(i);
    frivo::TMyWStrings lines;
    ini.ReadSection(section, lines);
    ini.ReadSectionValues(section, lines);
    ini.ReadSectionLines(section, lines);
    for (int k = 0; k < std::min(lines.Count(), kKeysRead); ++k) {
      const QString key = lines.Get(k).section(QLatin1Char('='), 0, 0);
      (void)ini.ReadString(section, key, QString());
      (void)ini.ReadInteger(section, key, -1);
      (void)ini.ReadBool(section, key, false);
      (void)ini.ReadFloat(section, key, 0.5);
    }
    (void)ini.ReadBounds(section, QStringLiteral("App_TOOLBmpCaptureEx"),
                         frivo::TRect{0, 0, 640, 480});
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const bool throughFile = frivo::fuzz::ThroughFile(data, size, kFileRoundTrip);
  const QString path =
      throughFile ? frivo::fuzz::WriteInput(data, size, QStringLiteral("frivo.ini")) : QString();
  std::unique_ptr<frivo::TMyIniFile> ini =
      throughFile ? std::make_unique<frivo::TMyIniFile>(path, 0)
                  : frivo::TMyIniFile::FromContents(frivo::fuzz::Bytes(data, size), 0);
  frivo::TMyWStrings sections;
  const int count = ReadEverything(*ini, sections);
  const QString option = QStringLiteral("Option");
  ini->WriteString(option, QStringLiteral("TimeVerbose"), QStringLiteral("1"));
  ini->WriteInteger(QStringLiteral("Dialog"), QStringLiteral("OpenFilterIndex"), 3);
  const QString erased = count > 0 ? sections.Get(0) : QString();
  if (!erased.isEmpty()) ini->EraseSection(erased);
  frivo::TMyWStrings values;
  values.Add(QStringLiteral("a=1"));
  ini->WriteSectionValues(QStringLiteral("ProgramList"), values);
  if (!throughFile) return 0;

  // The file as saved holds what was written last.
  const bool saved = ini->UpdateFile();
  ini.reset();
  if (!saved) return 0;
  frivo::TMyIniFile again(path, 0);
  frivo::TMyWStrings savedSections;
  (void)ReadEverything(again, savedSections);
  if (QString::compare(erased.trimmed(), option, Qt::CaseInsensitive) != 0 &&
      again.ReadString(option, QStringLiteral("TimeVerbose"), QString()) != QStringLiteral("1"))
    std::abort();
  return 0;
}
