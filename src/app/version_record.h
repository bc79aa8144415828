// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

namespace frivo {

// The record's text. Referring to it keeps the record linked into every
// executable that has the main window.
[[nodiscard]] const char* VersionRecord();

}  // namespace frivo
