// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "launcher/desktop_entry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>

namespace frivo {

namespace {

// Decodes the string escapes of a value (\s, \n, \t, \r, \\). Any other escape is
// left for the Exec= quoting rules (\" inside quotes and the like).
QString Unescaped(const QString& raw) {
  QString value;
  for (qsizetype i = 0; i < raw.size(); ++i) {
    if (raw.at(i) != u'\\' || i + 1 == raw.size()) {
      value += raw.at(i);
      continue;
    }
    const QChar next = raw.at(++i);
    if (next == u's') {
      value += u' ';
    } else if (next == u'n') {
      value += u'\n';
    } else if (next == u't') {
      value += u'\t';
    } else if (next == u'r') {
      value += u'\r';
    } else if (next == u'\\') {
      value += next;
    } else {
      value += u'\\';
      value += next;
    }
  }
  return value;
}

// The keys of the [Desktop Entry] group with their values, escapes decoded. The
// first line of a key counts; localised keys (Name[ja]) are keys of their own.
QHash<QString, QString> EntryGroup(const QByteArray& contents) {
  QHash<QString, QString> values;
  bool inEntry = false;
  for (const QByteArray& bytes : contents.split('\n')) {
    const QString line = QString::fromUtf8(bytes).trimmed();
    if (line.startsWith(u'[')) {
      inEntry = line == QLatin1String("[Desktop Entry]");
      continue;
    }
    if (!inEntry) continue;
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0) continue;
    const QString key = line.left(equals).trimmed();
    if (!values.contains(key)) values.insert(key, Unescaped(line.mid(equals + 1).trimmed()));
  }
  return values;
}

// Splits an Exec= value into words: blanks separate, double quotes group, and
// inside quotes a backslash takes the next character literally.
QStringList ExecWords(const QString& exec) {
  QStringList words;
  QString word;
  bool inWord = false;
  bool quoted = false;
  for (qsizetype i = 0; i < exec.size(); ++i) {
    const QChar c = exec.at(i);
    if (quoted) {
      if (c == u'"') {
        quoted = false;
      } else if (c == u'\\' && i + 1 < exec.size()) {
        word += exec.at(++i);
      } else {
        word += c;
      }
    } else if (c == u'"') {
      quoted = true;
      inWord = true;
    } else if (c == u' ' || c == u'\t') {
      if (inWord) words.append(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.append(word);
  return words;
}

// Field codes stand for what the desktop passes (files, URLs, icons); the
// launcher passes nothing, so they go.
QString WithoutFieldCodes(const QString& word) {
  QString out;
  for (qsizetype i = 0; i < word.size(); ++i) {
    if (word.at(i) == u'%' && i + 1 < word.size()) {
      if (word.at(i + 1) == u'%') out += u'%';
      ++i;
      continue;
    }
    out += word.at(i);
  }
  return out;
}

}  // namespace

bool IsDesktopEntry(const QString& path) {
  return path.endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive);
}

TDesktopEntry ReadDesktopEntry(const QString& desktopFile) {
  QFile file(desktopFile);
  // A desktop entry is a few lines; anything far larger is no desktop entry.
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxDesktopEntryBytes) return {};
  return ParseDesktopEntry(file.readAll());
}

TDesktopEntry ParseDesktopEntry(const QByteArray& contents) {
  TDesktopEntry entry;
  const QHash<QString, QString> group = EntryGroup(contents);
  QStringList words;
  for (const QString& word : ExecWords(group.value(QStringLiteral("Exec")))) {
    // A word that was only a field code (%f, %U) stands for nothing.
    const QString plain = WithoutFieldCodes(word);
    if (!plain.isEmpty() || !word.startsWith(u'%')) words.append(plain);
  }
  if (!words.isEmpty() && !words.first().isEmpty()) {
    entry.program = words.takeFirst();
    entry.arguments = words;
  }
  entry.icon = group.value(QStringLiteral("Icon"));
  entry.terminal =
      group.value(QStringLiteral("Terminal")).compare(u"true", Qt::CaseInsensitive) == 0;
  entry.workingFolder = group.value(QStringLiteral("Path"));
  return entry;
}

QIcon DesktopEntryIcon(const QString& iconValue) {
  if (iconValue.isEmpty()) return {};
  if (QDir::isAbsolutePath(iconValue))
    return QFileInfo(iconValue).isFile() ? QIcon(iconValue) : QIcon();
  // A name is written without extension; some entries carry one all the same.
  QString name = iconValue;
  for (const char* extension : {".png", ".svg", ".xpm"}) {
    if (name.endsWith(QLatin1String(extension), Qt::CaseInsensitive)) {
      name.chop(4);
      break;
    }
  }
  const QIcon themed = QIcon::fromTheme(name);
  if (!themed.isNull()) return themed;
  // Older programs install their icon only as a pixmap of the desktop.
  for (const char* extension : {".png", ".svg", ".xpm"}) {
    const QString pixmap =
        QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                               QStringLiteral("pixmaps/") + name + QLatin1String(extension));
    if (!pixmap.isEmpty()) return QIcon(pixmap);
  }
  return {};
}

}  // namespace frivo
