// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

namespace frivo {

// Critical-error pop-ups do not exist on Linux. The call sites keep the calls so
// the writers read the same everywhere; both do nothing and return 0.
unsigned SetErrorMode(unsigned mode);
inline constexpr unsigned SEM_FAILCRITICALERRORS = 0x0001;

// The system beep.
void Beep();

// Installs the real beep, message box and event processing into the support
// library's hooks. Called once at start-up, after the application object exists.
void InstallPlatformHooks();

}  // namespace frivo
