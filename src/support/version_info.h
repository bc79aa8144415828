// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>
#include <array>

namespace frivo {

// The version record of an executable: twelve strings kept in the ELF section
// ".frivo_version" as "Name=Value" lines (UTF-8). A file without the section, or
// one that cannot be read, gives twelve empty strings.
class TMyFileVersionInfo {
 public:
  explicit TMyFileVersionInfo(const QString& executablePath);

  [[nodiscard]] bool HasRecord() const { return hasRecord_; }
  // By name ("ProductName"); empty for a name that is not one of the twelve.
  [[nodiscard]] QString String(const QString& name) const;

  [[nodiscard]] QString Comments() const { return values_[0]; }
  [[nodiscard]] QString CompanyName() const { return values_[1]; }
  [[nodiscard]] QString FileDescription() const { return values_[2]; }
  [[nodiscard]] QString FileVersion() const { return values_[3]; }
  [[nodiscard]] QString InternalName() const { return values_[4]; }
  [[nodiscard]] QString LegalCopyright() const { return values_[5]; }
  [[nodiscard]] QString LegalTrademarks() const { return values_[6]; }
  [[nodiscard]] QString OriginalFilename() const { return values_[7]; }
  [[nodiscard]] QString PrivateBuild() const { return values_[8]; }
  [[nodiscard]] QString ProductName() const { return values_[9]; }
  [[nodiscard]] QString ProductVersion() const { return values_[10]; }
  [[nodiscard]] QString SpecialBuild() const { return values_[11]; }

  // The twelve names in record order.
  static const std::array<const char*, 12> kNames;

 private:
  std::array<QString, 12> values_;
  bool hasRecord_ = false;
};

// The bytes of a named section of an ELF file; empty when there is none.
[[nodiscard]] QByteArray ReadElfSection(const QString& path, const char* sectionName);

}  // namespace frivo
