// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
// The program's name and the version dialog.
#include <QCoreApplication>
#include <QFileInfo>

#include "app/main_window.h"
#include "app/version_dialog.h"
#include "app/version_record.h"
#include "support/version_info.h"

namespace frivo {

QString TApp_TOOLBmpCaptureEx::DisplayName() {
  // The product name of the program's own version record, else the file name of
  // the executable without its extension.
  static const QString name = [] {
    (void)VersionRecord();  // keeps the record in the executable
    const QString path = QCoreApplication::applicationFilePath();
    const QString product = TMyFileVersionInfo(path).ProductName();
    return product.isEmpty() ? QFileInfo(path).completeBaseName() : product;
  }();
  return name;
}

void TApp_TOOLBmpCaptureEx::Action_HelpVersionInfoExecute(QObject*) {
  THelp_VersionInfo dialog(QCoreApplication::applicationFilePath(), this);
  dialog.SetLink(HelpPageUrl());
  dialog.SetMemo(QString());
  dialog.exec();
}

}  // namespace frivo
