// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Desktop entries from the program list: any file named .desktop.
#include "fuzz/fuzz_input.h"
#include "launcher/desktop_entry.h"
#include "launcher/program_start.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QString path = frivo::fuzz::WriteInput(data, size, QStringLiteral("program.desktop"));
  (void)frivo::DesktopEntryCommand(path);
  (void)frivo::ReadDesktopEntry(path);
  (void)frivo::StartRequestFor(path);
  return 0;
}
