// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QtGlobal>

namespace frivo::test {

// Whether process `pid` has a handler for `signal` (its caught-signals mask):
// a test that signals a program started by it waits for this first.
[[nodiscard]] bool CatchesSignal(qint64 pid, int signal);

}  // namespace frivo::test
