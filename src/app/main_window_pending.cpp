// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Commands and steps whose components are not in the program yet: the settings
// file, the open history and the program launcher. Each is wired to its action and called from the
// right place, so the window behaves the same once the component lands; until then they leave
// everything as it is.
#include "app/main_window.h"

namespace frivo {

void TApp_TOOLBmpCaptureEx::Action_ProgramRunExecute(QObject*) {}
void TApp_TOOLBmpCaptureEx::Action_ProgramAddExecute(QObject*) {}
void TApp_TOOLBmpCaptureEx::LoadSettings() {}
void TApp_TOOLBmpCaptureEx::SaveSettings() {}
void TApp_TOOLBmpCaptureEx::AddToOpenHistory(const QString&) {}

}  // namespace frivo
