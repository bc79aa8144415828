// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "app/command_line.h"

#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <cmath>

#include "playback/time_text.h"

namespace frivo {

namespace {

bool IsBlank(QChar c) {
  return c == u'\t' || c == u'\n' || c == u'\r' || c == u' ';
}

QString Unquote(const QString& value) {
  QString text = value.trimmed();
  if (text.startsWith(u'"')) text.remove(0, 1);
  if (text.endsWith(u'"')) text.chop(1);
  return text.trimmed().replace(QStringLiteral("\"\""), QStringLiteral("\""));
}

// The name part of "/name:value" or "/name", without the leading "/".
QString NamePart(const QString& token) {
  const qsizetype colon = token.indexOf(u':');
  return colon < 0 ? token.mid(1) : token.mid(1, colon - 1);
}

bool LooksLikeOption(const QString& token, const PathExists& exists) {
  if (token.size() < 2 || !token.startsWith(u'/')) return false;
  if (NamePart(token).contains(u'/')) return false;
  return !(exists && exists(token));
}

}  // namespace

TMyParamOption::TMyParamOption(int index, const QString& token, const PathExists& exists)
    : index_(index), rawText_(token) {
  isOption_ = LooksLikeOption(token, exists);
  if (!isOption_) return;
  const qsizetype colon = token.indexOf(u':');
  hasValue_ = colon >= 1;
  name_ = NamePart(token);
  value_ = colon < 0 ? QString() : token.mid(colon + 1);
  nameUpper_ = name_.toUpper();
  valueUpper_ = value_.toUpper();
  unquotedValue_ = Unquote(value_);
  unquotedValueUpper_ = unquotedValue_.toUpper();
}

bool TMyParamOption::IsName(const QString& name) const {
  return name.toUpper() == nameUpper_;
}

double TMyParamOption::NumericValue() const {
  bool ok = false;
  const double value = QLocale::c().toDouble(value_.trimmed(), &ok);
  return ok && std::isfinite(value) ? value : 0.0;
}

QStringList TMyParam::Tokenize(const QString& commandLine) {
  QStringList tokens;
  QString current;
  bool inQuotes = false;
  bool pendingQuote = false;
  for (qsizetype i = 0; i < commandLine.size(); ++i) {
    const QChar c = commandLine[i];
    if (IsBlank(c)) {
      if (inQuotes) {
        current += c;
      } else if (!current.isEmpty()) {
        tokens.append(current);
        current.clear();
      }
    } else if (c == u'"') {
      if (!inQuotes) {
        inQuotes = true;
        if (!current.isEmpty()) {
          tokens.append(current);
          current.clear();
        }
      } else if (pendingQuote) {
        pendingQuote = false;
        current += c;
      } else if (i + 1 < commandLine.size() && commandLine[i + 1] == u'"') {
        pendingQuote = true;
      } else {
        inQuotes = false;
        tokens.append(current);
        current.clear();
      }
    } else {
      current += c;
    }
  }
  if (!current.isEmpty()) tokens.append(current);
  return tokens;
}

PathExists TMyParam::DefaultPathExists() {
  return [](const QString& path) { return QFileInfo::exists(path); };
}

TMyParam::TMyParam(const QString& commandLine, PathExists exists) : commandLine_(commandLine) {
  const QStringList tokens = Tokenize(commandLine);
  items_.reserve(static_cast<size_t>(tokens.size()));
  // "/T:" followed by its value as the next word (written after a blank or in
  // quotes) is one option again. An empty token is never joined. Joining as the
  // words are read keeps a line of thousands of words linear.
  for (qsizetype i = 0; i < tokens.size(); ++i) {
    QString token = tokens[i];
    if (i + 1 < tokens.size() && token.endsWith(u':') && LooksLikeOption(token, exists)) {
      token += tokens[++i];
    }
    const TMyParamOption& item =
        items_.emplace_back(static_cast<int>(items_.size()), token, exists);
    if (item.IsOption()) {
      ++optionCount_;
    } else {
      ++valueCount_;
      values_.Add(token);
    }
    tokens_.Add(token);
  }
  programPath_ = tokens_.Get(0);
  for (int i = 1; i < tokens_.Count(); ++i) arguments_.Add(tokens_.Get(i));
}

QString CommandLineFromArguments(const QStringList& arguments) {
  QStringList words;
  for (const QString& argument : arguments) {
    const bool needsQuotes = argument.isEmpty() || argument.contains(u'"') ||
                             std::any_of(argument.begin(), argument.end(), IsBlank);
    if (!needsQuotes) {
      words.append(argument);
      continue;
    }
    QString quoted = argument;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    words.append(u'"' + quoted + u'"');
  }
  return words.join(u' ');
}

StartRequest ReadStartRequest(const TMyParam& param) {
  StartRequest request;
  for (int i = 1; i < param.Count(); ++i) {
    const TMyParamOption& item = param.Item(i);
    if (!item.IsOption()) {
      request.file = item.RawText();
    } else if (item.IsName(QStringLiteral("T"))) {
      request.startSeconds = ParseTimeText(item.Value());
    } else if (item.IsName(QStringLiteral("S"))) {
      request.startSeconds = item.NumericValue();
    }
  }
  return request;
}

}  // namespace frivo
