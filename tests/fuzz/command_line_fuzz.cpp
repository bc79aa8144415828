// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The command line: tokenizing, the option rules and the start request.
#include "app/command_line.h"
#include "fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString line = frivo::fuzz::Text(data, size);
  (void)frivo::TMyParam::Tokenize(line);
  // Paths exist by a rule of the input, never by the disk.
  const frivo::TMyParam param(line, [](const QString& path) { return path.size() % 3 == 0; });
  (void)frivo::ReadStartRequest(param);
  for (int i = 0; i < param.Count(); ++i) {
    (void)param.Item(i).NumericValue();
    (void)param.Item(i).IsName(QStringLiteral("T"));
  }
  (void)frivo::CommandLineFromArguments(line.split(QLatin1Char('\n')));
  return 0;
}
