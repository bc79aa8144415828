// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "launcher/drop_files.h"

#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace frivo {

QStringList DroppedLocalFiles(const QMimeData* data) {
  QStringList files;
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    QString path = url.toLocalFile();
    while (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
    if (!path.isEmpty()) files.append(path);
  }
  return files;
}

TMyDropFiles::TMyDropFiles(const QMimeData* data, QWidget* window, QPoint point)
    : window_(window), files_(DroppedLocalFiles(data)), dropPoint_(point) {
  if (window_) {
    window_->setAcceptDrops(false);
    inClientArea_ = window_->rect().contains(point);
  }
}

TMyDropFiles::~TMyDropFiles() {
  if (window_) window_->setAcceptDrops(true);
}

}  // namespace frivo
