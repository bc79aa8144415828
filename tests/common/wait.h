// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <functional>

namespace frivo::test {

// Processes events until `done` holds or `timeoutMs` has passed; false on time-out.
// The deadline is generous: tests run on loaded machines and under sanitizers.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 30000);

}  // namespace frivo::test
