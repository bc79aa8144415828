// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "support/version_info.h"

#include <QFile>
#include <QtEndian>

namespace frivo {

namespace {

constexpr qint64 kMaxSection = 64 * 1024;

template <class T>
bool ReadAt(QFile& file, qint64 offset, T* value) {
  if (!file.seek(offset)) return false;
  return file.read(reinterpret_cast<char*>(value), sizeof(T)) == sizeof(T);
}

}  // namespace

const std::array<const char*, 12> TMyFileVersionInfo::kNames = {
    "Comments",     "CompanyName",    "FileDescription", "FileVersion",
    "InternalName", "LegalCopyright", "LegalTrademarks", "OriginalFilename",
    "PrivateBuild", "ProductName",    "ProductVersion",  "SpecialBuild"};

QByteArray ReadElfSection(const QString& path, const char* sectionName) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray ident = file.read(16);
  // 64-bit little-endian ELF only: the machines Frivo runs on.
  if (ident.size() != 16 ||
      !ident.startsWith("\x7f"
                        "ELF") ||
      ident[4] != 2 || ident[5] != 1)
    return {};
  quint64 sectionTable = 0;
  quint16 entrySize = 0, count = 0, namesIndex = 0;
  if (!ReadAt(file, 0x28, &sectionTable) || !ReadAt(file, 0x3A, &entrySize) ||
      !ReadAt(file, 0x3C, &count) || !ReadAt(file, 0x3E, &namesIndex))
    return {};
  if (entrySize < 64 || namesIndex >= count) return {};
  auto sectionField = [&](int index, int field, quint64* value) {
    return ReadAt(file, static_cast<qint64>(sectionTable + quint64(index) * entrySize + field),
                  value);
  };
  quint64 namesOffset = 0, namesSize = 0;
  if (!sectionField(namesIndex, 0x18, &namesOffset) || !sectionField(namesIndex, 0x20, &namesSize))
    return {};
  if (!file.seek(static_cast<qint64>(namesOffset)) || namesSize > 1 << 20) return {};
  const QByteArray names = file.read(static_cast<qint64>(namesSize));
  const QByteArray wanted(sectionName);
  for (int i = 0; i < count; ++i) {
    quint32 nameOffset = 0;
    if (!ReadAt(file, static_cast<qint64>(sectionTable + quint64(i) * entrySize), &nameOffset))
      return {};
    if (nameOffset >= static_cast<quint32>(names.size())) continue;
    if (qstrcmp(names.constData() + nameOffset, wanted.constData()) != 0) continue;
    quint64 offset = 0, size = 0;
    if (!sectionField(i, 0x18, &offset) || !sectionField(i, 0x20, &size)) return {};
    if (size > static_cast<quint64>(kMaxSection) || !file.seek(static_cast<qint64>(offset)))
      return {};
    return file.read(static_cast<qint64>(size));
  }
  return {};
}

TMyFileVersionInfo::TMyFileVersionInfo(const QString& executablePath) {
  QByteArray record = ReadElfSection(executablePath, ".frivo_version");
  const qsizetype end = record.indexOf('\0');
  if (end >= 0) record.truncate(end);
  if (record.isEmpty()) return;
  hasRecord_ = true;
  for (const QByteArray& line : record.split('\n')) {
    const qsizetype equals = line.indexOf('=');
    if (equals <= 0) continue;
    const QByteArray name = line.left(equals);
    for (std::size_t i = 0; i < kNames.size(); ++i) {
      if (name == kNames[i]) values_[i] = QString::fromUtf8(line.mid(equals + 1));
    }
  }
}

QString TMyFileVersionInfo::String(const QString& name) const {
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (name == QLatin1String(kNames[i])) return values_[i];
  }
  return {};
}

}  // namespace frivo
