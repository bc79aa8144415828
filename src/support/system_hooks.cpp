// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "support/system_hooks.h"

namespace frivo {

SystemHooks& Hooks() {
  static SystemHooks hooks;
  return hooks;
}

void SystemBeep() {
  if (Hooks().beep) Hooks().beep();
}

void ShowSupportMessage(const QString& text) {
  if (Hooks().message) Hooks().message(text);
}

void ProcessPendingEvents() {
  if (Hooks().process_events) Hooks().process_events();
}

}  // namespace frivo
