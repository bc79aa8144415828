// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The INI engine on any settings file: load, typed reads, writes and saving.
#include "fuzz/fuzz_input.h"
#include "support/ini_file.h"
#include "support/wide_strings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString path = frivo::fuzz::WriteInput(data, size, QStringLiteral("frivo.ini"));
  frivo::TMyIniFile ini(path, 0);
  frivo::TMyWStrings sections;
  ini.ReadSections(sections);
  const int count = std::min(sections.Count(), 16);
  for (int i = 0; i < count; ++i) {
    const QString section = sections.Get(i);
    frivo::TMyWStrings lines;
    ini.ReadSection(section, lines);
    ini.ReadSectionValues(section, lines);
    ini.ReadSectionLines(section, lines);
    for (int k = 0; k < std::min(lines.Count(), 8); ++k) {
      const QString key = lines.Get(k).section(QLatin1Char('='), 0, 0);
      (void)ini.ReadString(section, key, QString());
      (void)ini.ReadInteger(section, key, -1);
      (void)ini.ReadBool(section, key, false);
      (void)ini.ReadFloat(section, key, 0.5);
    }
    (void)ini.ReadBounds(section, QStringLiteral("App_TOOLBmpCaptureEx"),
                         frivo::TRect{0, 0, 640, 480});
  }
  ini.WriteString(QStringLiteral("Option"), QStringLiteral("TimeVerbose"), QStringLiteral("1"));
  ini.WriteInteger(QStringLiteral("Dialog"), QStringLiteral("OpenFilterIndex"), 3);
  if (count > 0) ini.EraseSection(sections.Get(0));
  frivo::TMyWStrings values;
  values.Add(QStringLiteral("a=1"));
  ini.WriteSectionValues(QStringLiteral("ProgramList"), values);
  (void)ini.UpdateFile();
  return 0;
}
