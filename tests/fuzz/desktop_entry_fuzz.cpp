// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Desktop entries from the program list: any file named .desktop. Every input
// is parsed in memory; one in kThroughFile is also read as a file, as the
// launcher reads it to start the program.
#include "fuzz/fuzz_input.h"
#include "launcher/desktop_entry.h"
#include "launcher/program_start.h"

namespace {
constexpr int kThroughFile = 64;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)frivo::ParseDesktopEntry(frivo::fuzz::Bytes(data, size));
  if (!frivo::fuzz::ThroughFile(data, size, kThroughFile)) return 0;
  const QString path = frivo::fuzz::WriteInput(data, size, QStringLiteral("program.desktop"));
  (void)frivo::DesktopEntryCommand(path);
  (void)frivo::ReadDesktopEntry(path);
  (void)frivo::StartRequestFor(path);
  return 0;
}
