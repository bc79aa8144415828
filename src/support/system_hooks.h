// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QString>
#include <functional>

namespace frivo {

// The few user-facing effects the support library needs but may not draw itself
// (it sits below the widget layer). The platform layer installs the real ones at
// start-up; tests install recorders. Unset hooks do nothing.
struct SystemHooks {
  std::function<void()> beep;
  // An OK-only message box with the program's display name as caption.
  std::function<void(const QString& text)> message;
  // Lets the window repaint during long operations (pending events are processed).
  std::function<void()> process_events;
};

// The hooks in force. Set them once from the UI thread before use.
SystemHooks& Hooks();

void SystemBeep();
void ShowSupportMessage(const QString& text);
void ProcessPendingEvents();

}  // namespace frivo
