// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// Commands and steps whose components are not in the program yet: capture runs,
// the preview's zoom, saving and copying, the settings file, the open history,
// the program launcher and the version dialog. Each one is wired to its action
// and called from the right place, so the window behaves the same once the
// component lands; until then they leave everything as it is.
#include "app/main_window.h"

namespace frivo {

void TApp_TOOLBmpCaptureEx::Action_FileSaveAsExecute(QObject*) {}
void TApp_TOOLBmpCaptureEx::Action_FileSaveBmpExecute(QObject*) {}
void TApp_TOOLBmpCaptureEx::Action_EditCopyExecute(QObject*) {}
void TApp_TOOLBmpCaptureEx::Action_ProgramRunExecute(QObject*) {}
void TApp_TOOLBmpCaptureEx::Action_ProgramAddExecute(QObject*) {}
void TApp_TOOLBmpCaptureEx::Action_CaptureExecute(QObject*) {}
void TApp_TOOLBmpCaptureEx::Action_CaptureBackExecute(QObject*) {}
void TApp_TOOLBmpCaptureEx::Action_ZoomUpExecute(QObject*) {}
void TApp_TOOLBmpCaptureEx::Action_ZoomDownExecute(QObject*) {}
void TApp_TOOLBmpCaptureEx::Action_Zoom100Execute(QObject*) {}
void TApp_TOOLBmpCaptureEx::Action_ZoomAlwaysFitExecute(QObject*) {}
void TApp_TOOLBmpCaptureEx::Action_HelpVersionInfoExecute(QObject*) {}
void TApp_TOOLBmpCaptureEx::Action_FrameBackExecute(QObject*) {}
void TApp_TOOLBmpCaptureEx::CollectCapturedFrames() {
  capture_.CapturePending = false;
}
void TApp_TOOLBmpCaptureEx::LoadSettings() {}
void TApp_TOOLBmpCaptureEx::SaveSettings() {}
void TApp_TOOLBmpCaptureEx::AddToOpenHistory(const QString&) {}

void TApp_TOOLBmpCaptureEx::CaptureFromCommandLine(double startSeconds) {
  // Until capture runs exist, the file at least shows the requested time.
  SeekTo(startSeconds);
}

void TApp_TOOLBmpCaptureEx::OnFrameCountChanged() {}
void TApp_TOOLBmpCaptureEx::OnFrameBitmapsSized(int, int) {}
void TApp_TOOLBmpCaptureEx::OnCapturedFramesDiscarded() {}
void TApp_TOOLBmpCaptureEx::OnFrameDelivered(double, const BYTE*, LONG) {}

}  // namespace frivo
