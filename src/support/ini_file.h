// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// The settings file engine: an INI file of "[section]" header lines and
// "key=value" lines, kept in memory as a whole and written back on demand.
//
// The file is held as a list of lines plus an index of the section headers. One
// section at a time is cached as a cleaned working copy (blank, comment and
// duplicate-key lines removed; the last line of a key wins) in which keys are
// read and changed. A changed working copy goes back into the line list when
// another section is selected, when a whole section is written, or when the
// file is written; a section that goes back moves to the end of the file.
// Nothing touches the disk until UpdateFile() or the destructor, and an object
// that was only read from never writes.
//
// Section and key names compare without regard to case, ignoring blanks around
// them. Reading and writing the file (encodings, line breaks, the temporary file
// and rename) is TMyWStrings' business.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <memory>
#include <vector>

#include "support/screen_bounds.h"

namespace frivo {

class TMyWStrings;
class TStringListBacking;

// A number out of loosely written text, as settings files hold it when edited by
// hand: blanks around it, full-width characters, thousands separators and a unit
// after it are all tolerated ("１２３" -> 123, "1,024" -> 1024, "12 px" -> 12). A
// leading "$" or "x" starts hexadecimal, and a hexadecimal letter switches the
// number read so far to hexadecimal ("abc" -> 2748, "x1F" -> 31, "1Fh" -> 31).
// Whole literals also take a sign and "0x" ("-$1F" -> -31, "0x1F" -> 31). Text
// with no number at all, or a number beyond 64 bits, gives 0. With `forceHex`
// the digits are always read as hexadecimal.
[[nodiscard]] qint64 ParseIntLenient(const QString& text, bool forceHex = false);

// Where the settings of an executable are read from and written to.
struct TSettingsLocation {
  QString readPath;
  QString writePath;
};

// The settings file lies beside the executable and bears its name with ".ini"
// ("/opt/frivo/frivo" -> "/opt/frivo/frivo.ini"). When that folder cannot be
// written (an installation under /usr), the file is kept in the user's
// configuration folder instead ("<configHome>/frivo/frivo.ini"): it is written
// there, and read from there once it exists; before that the file beside the
// executable, if any, supplies the settings. `besideWritable` tells whether the
// executable's folder can be written (see BesideFolderWritable).
[[nodiscard]] TSettingsLocation LocateSettings(const QString& executablePath,
                                               const QString& configHome, bool besideWritable);
// Whether new files can be made in the folder of `path`.
[[nodiscard]] bool BesideFolderWritable(const QString& path);

class TMyIniFile {
 public:
  // The program's settings file (LocateSettings of the running executable and
  // the user's configuration folder); encoding detected on loading.
  TMyIniFile();
  // `encoding` is a TMyWStrings encoding code: the one to load the file with (0
  // detects it) and the one to write it in (0: CP932 when every character fits,
  // otherwise UTF-8 with a byte-order mark). A missing file gives an empty object.
  // A file that cannot be read, or is larger than TMyWStrings::kMaxFileBytes,
  // also gives an empty object, which then never writes over that file: it
  // would replace settings it never saw.
  TMyIniFile(const QString& path, uint8_t encoding);
  // Settings text already in memory (`contents` as a file holds it, decoded as
  // the constructor decodes a file). The object has no file: UpdateFile writes
  // nothing.
  [[nodiscard]] static std::unique_ptr<TMyIniFile> FromContents(const QByteArray& contents,
                                                                uint8_t encoding);
  // Writes the file if anything changed (UpdateFile), ignoring failure.
  virtual ~TMyIniFile();

  TMyIniFile(const TMyIniFile&) = delete;
  TMyIniFile& operator=(const TMyIniFile&) = delete;

  // The settings path for an executable: its extension replaced by ".ini" (or
  // ".ini" appended when it has none).
  [[nodiscard]] static QString PathForExecutable(const QString& executablePath);

  // Writes the whole file if anything was changed since the last UpdateFile.
  // True only when the file was written. A failed write leaves the old file as it
  // was; either way the object counts as unchanged afterwards.
  virtual bool UpdateFile();

  [[nodiscard]] virtual bool SectionExists(const QString& section);
  // Every section name in file order, duplicates included.
  virtual void ReadSections(TMyWStrings& lines);
  // The key names of a section, in order.
  virtual void ReadSection(const QString& section, TMyWStrings& lines);
  virtual void EraseSection(const QString& section);

  // A section's "key=value" lines, cleaned (no blank, comment or duplicate lines).
  virtual void ReadSectionValues(const QString& section, TMyWStrings& lines);
  // Replaces a section by the given "key=value" lines (cleaned the same way; the
  // first line of a key wins). The section moves to the end of the file and is
  // followed by one empty line.
  virtual void WriteSectionValues(const QString& section, const TMyWStrings& lines);
  virtual void ReadSectionValues(const QString& section, TStringListBacking& list);
  virtual void WriteSectionValues(const QString& section, const TStringListBacking& list);

  // A section's lines exactly as they are in the file (for lists of paths).
  virtual void ReadSectionLines(const QString& section, TMyWStrings& lines);
  // Replaces a section by the given lines, unchanged and without a trailing empty
  // line. Lines holding a line break or a NUL cannot be stored and are left out.
  virtual void WriteSectionLines(const QString& section, const TMyWStrings& lines);
  virtual void ReadSectionLines(const QString& section, TStringListBacking& list);
  virtual void WriteSectionLines(const QString& section, const TStringListBacking& list);

  // The text after the first "=" of the key's line, blanks included; `def` when
  // the key is missing or its value empty.
  [[nodiscard]] virtual QString ReadString(const QString& section, const QString& key,
                                           const QString& def);
  // Sets a key (replacing its line, or appending one). A key that cannot be
  // stored (empty, holding "=", a line break or a NUL, or looking like a section
  // header) or a value holding a line break or a NUL is not written.
  virtual void WriteString(const QString& section, const QString& key, const QString& value);
  // ParseIntLenient of the value; `def` when the key is missing, its value empty
  // or the number beyond the 32-bit range.
  [[nodiscard]] virtual int ReadInteger(const QString& section, const QString& key, int def);
  virtual void WriteInteger(const QString& section, const QString& key, int value);
  // Stored as 1 or 0; any non-zero number reads as true.
  [[nodiscard]] virtual bool ReadBool(const QString& section, const QString& key, bool def);
  // In/out variant: `*value` is the default and receives the result.
  virtual void ReadBool(const QString& section, const QString& key, bool* value);
  virtual void WriteBool(const QString& section, const QString& key, bool value);
  // Decimal text with "." as the decimal point whatever the user's locale, so the
  // file means the same to everyone. An unreadable value gives 0.
  [[nodiscard]] virtual double ReadFloat(const QString& section, const QString& key, double def);
  virtual void WriteFloat(const QString& section, const QString& key, double value);

  // A rectangle stored as the four keys prefix_Left, prefix_Top, prefix_Right and
  // prefix_Bottom (read and written in that order); each missing key takes the
  // default's coordinate.
  [[nodiscard]] TRect ReadRect(const QString& section, const QString& prefix, const TRect& def);
  void WriteRect(const QString& section, const QString& prefix, const TRect& rect);

  // A window's or control's rectangle under its component name: ReadRect and
  // WriteRect with `name` as prefix and its current rectangle as the default.
  [[nodiscard]] TRect ReadBounds(const QString& section, const QString& name, const TRect& current);
  void WriteBounds(const QString& section, const QString& name, const TRect& current);
  // ReadBounds, moved into the work area of the nearest of `screens` (size kept;
  // see MoveOntoScreen). Pure: the caller supplies the monitors.
  [[nodiscard]] TRect ReadBoundsOnScreen(const QString& section, const QString& name,
                                         const TRect& current,
                                         const std::vector<TScreenArea>& screens);

  // The file written by UpdateFile.
  [[nodiscard]] const QString& FilePath() const { return filePath_; }
  // The encoding the file was loaded in (detected when 0 was asked for).
  [[nodiscard]] uint8_t LoadEncoding() const { return loadEncoding_; }
  [[nodiscard]] uint8_t SaveEncoding() const { return saveEncoding_; }

 private:
  enum class Mode { kClean, kRaw };

  // Index entry of the first section with this (trimmed) name, or -1.
  [[nodiscard]] int FindSection(const QString& name) const;
  // Header line of an index entry and the line after the section's last line.
  [[nodiscard]] int HeaderLine(int entry) const;
  [[nodiscard]] int EndLine(int entry) const;
  [[nodiscard]] bool IsCurrent(const QString& name) const;
  void RebuildIndex();
  void DeleteSection(const QString& name);
  void ReadSectionInto(const QString& section, TMyWStrings& out, Mode mode);
  void WriteSectionFrom(const QString& section, const TMyWStrings& lines, Mode mode);
  void SelectSection(const QString& name);
  void PutBackWorkingCopy();
  void DropWorkingCopy();
  [[nodiscard]] int FindKey(const QString& key) const;

  TMyIniFile(const TSettingsLocation& location, uint8_t encoding, bool makeFolder);
  // Loads `path` into the line list (see the constructor).
  void Load(const QString& path);
  void LoadContents(const QByteArray& contents);

  // A header line of the file.
  struct TSectionEntry {
    QString name;  // trimmed, as written
    QString key;   // name.toCaseFolded(): names compare without regard to case
    int line = 0;  // the header's line number
  };

  QString filePath_;
  std::unique_ptr<TMyWStrings> lines_;  // the whole file, one item per line
  // The section index: every header line in file order, and the first entry of
  // each name by its key (only the first occurrence of a name is ever read).
  std::vector<TSectionEntry> sections_;
  QHash<QString, int> firstSection_;
  QString currentSection_;  // trimmed; empty when there is no working copy
  std::unique_ptr<TMyWStrings> workingCopy_;
  bool sectionChanged_ = false;  // the working copy has changes not yet in lines_
  bool fileChanged_ = false;     // lines_ or the working copy differ from the file
  // Set when an existing file could not be read: writing then would replace the
  // user's settings by the few keys written in this run.
  bool keepFile_ = false;
  // The file's folder is made when missing (the user's configuration folder).
  bool makeFolder_ = false;
  uint8_t loadEncoding_ = 0;
  uint8_t saveEncoding_ = 0;
};

}  // namespace frivo
