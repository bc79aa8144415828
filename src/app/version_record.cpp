// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The program's version record, kept in its own ELF section so that it can be
// read from the executable file like any other program's.
#include "app/version_record.h"

namespace frivo {

// Keep the names: the version dialog and the window caption read them.
__attribute__((section(".frivo_version"), used)) const char kVersionRecord[] =
    "Comments=動画ファイルから静止画を切り出すツール\n"
    "CompanyName=The Frivo developers\n"
    "FileDescription=Frivo 動画静止画キャプチャ\n"
    "FileVersion=" FRIVO_VERSION
    "\n"
    "InternalName=frivo\n"
    "LegalCopyright=Copyright (c) 2026 The Frivo developers. MIT License.\n"
    "LegalTrademarks=\n"
    "OriginalFilename=frivo\n"
    "PrivateBuild=\n"
    "ProductName=Frivo\n"
    "ProductVersion=" FRIVO_VERSION
    "\n"
    "SpecialBuild=\n";

const char* VersionRecord() {
  return kVersionRecord;
}

}  // namespace frivo
