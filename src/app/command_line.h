// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "support/wide_strings.h"

namespace frivo {

// Tells whether a path names something that exists. Options are told from Linux
// paths with it: "/T:90" is an option, "/home/me/a.mp4" is not.
using PathExists = std::function<bool(const QString& path)>;

// One token of the command line, read as an option ("/name:value") or a value.
class TMyParamOption {
 public:
  TMyParamOption(int index, const QString& token, const PathExists& exists);

  [[nodiscard]] int Index() const { return index_; }
  // At least two characters, a leading "/", a name part (before the first ":")
  // without a "/", and not the path of an existing file.
  [[nodiscard]] bool IsOption() const { return isOption_; }
  // An option whose first ":" comes after the "/".
  [[nodiscard]] bool HasValue() const { return hasValue_; }
  [[nodiscard]] const QString& Name() const { return name_; }
  [[nodiscard]] const QString& NameUpper() const { return nameUpper_; }
  [[nodiscard]] const QString& Value() const { return value_; }
  [[nodiscard]] const QString& ValueUpper() const { return valueUpper_; }
  // The value trimmed, one surrounding pair of double quotes removed, trimmed
  // again, doubled double quotes made single.
  [[nodiscard]] const QString& UnquotedValue() const { return unquotedValue_; }
  [[nodiscard]] const QString& UnquotedValueUpper() const { return unquotedValueUpper_; }
  [[nodiscard]] const QString& RawText() const { return rawText_; }

  // Whether the option's name is `name`, without regard to case.
  [[nodiscard]] bool IsName(const QString& name) const;
  // The value as a decimal number ("90", "12.5"); 0 when it is not one.
  [[nodiscard]] double NumericValue() const;

 private:
  int index_;
  bool isOption_ = false;
  bool hasValue_ = false;
  QString name_, nameUpper_, value_, valueUpper_, unquotedValue_, unquotedValueUpper_, rawText_;
};

// The command-line parser. Token 0 is the program path as written.
class TMyParam {
 public:
  // `commandLine` is the single command-line text (see CommandLineFromArguments).
  explicit TMyParam(const QString& commandLine, PathExists exists = DefaultPathExists());

  [[nodiscard]] int Count() const { return tokens_.Count(); }
  [[nodiscard]] const TMyParamOption& Item(int index) const { return items_.at(index); }
  [[nodiscard]] QString Token(int index) const { return tokens_.Get(index); }

  [[nodiscard]] const QString& CommandLine() const { return commandLine_; }
  [[nodiscard]] const QString& ProgramPath() const { return programPath_; }
  [[nodiscard]] const TMyFileStrings& Tokens() const { return tokens_; }
  [[nodiscard]] const TMyFileStrings& Arguments() const { return arguments_; }
  [[nodiscard]] const TMyFileStrings& Values() const { return values_; }
  [[nodiscard]] int OptionCount() const { return optionCount_; }
  [[nodiscard]] int ValueCount() const { return valueCount_; }

  // Splits a command-line text into tokens: blanks separate words, double quotes
  // group blanks into a word, "" inside quotes is one literal quote, a quoted empty
  // string is an empty token, and a quote inside a word splits it.
  [[nodiscard]] static QStringList Tokenize(const QString& commandLine);
  [[nodiscard]] static PathExists DefaultPathExists();

 private:
  QString commandLine_;
  TMyFileStrings tokens_;
  std::vector<TMyParamOption> items_;
  TMyFileStrings arguments_;
  TMyFileStrings values_;
  QString programPath_;
  int optionCount_ = 0;
  int valueCount_ = 0;
};

// Rebuilds one command-line text from argv: a word that is empty or holds blanks
// or double quotes is quoted, with its quotes doubled, so Tokenize gives the words
// back.
[[nodiscard]] QString CommandLineFromArguments(const QStringList& arguments);

// What the main window takes from its command line: the file to open (the last
// token after the program path that is not an option; empty opens nothing) and the
// start position of the capture (/T:time or /S:seconds, the last one wins,
// default 0).
struct StartRequest {
  QString file;
  double startSeconds = 0.0;
};
[[nodiscard]] StartRequest ReadStartRequest(const TMyParam& param);

}  // namespace frivo
