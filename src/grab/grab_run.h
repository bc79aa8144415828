// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include "grab/grab_options.h"

namespace frivo {

// Runs a whole batch: every file, every start, the frames written as they
// decode. Prints one line per written file on standard output, failures on
// standard error, and a progress line there when `progress` is set. Returns
// the exit code (grab_options.h).
[[nodiscard]] int RunGrab(const TGrabOptions& options, bool progress);

}  // namespace frivo
