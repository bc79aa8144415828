// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QPoint>
#include <QPointer>
#include <QStringList>

class QMimeData;
class QWidget;

namespace frivo {

// One drop of files onto a window, read out of the drop's data. While the object
// lives the window accepts no further drop, so a second drop cannot start while
// the first one's file is being opened; the destructor accepts drops again.
class TMyDropFiles {
 public:
  // `point` is the drop point in the window's client coordinates.
  TMyDropFiles(const QMimeData* data, QWidget* window, QPoint point);
  ~TMyDropFiles();

  TMyDropFiles(const TMyDropFiles&) = delete;
  TMyDropFiles& operator=(const TMyDropFiles&) = delete;

  // Full paths of the dropped local files and folders, in the order given.
  [[nodiscard]] const QStringList& Files() const { return files_; }
  [[nodiscard]] QPoint DropPoint() const { return dropPoint_; }
  [[nodiscard]] bool InClientArea() const { return inClientArea_; }

 private:
  QPointer<QWidget> window_;
  QStringList files_;
  QPoint dropPoint_;
  bool inClientArea_ = false;
};

// The local paths a drop carries (text/uri-list "file:" URLs); other URLs are
// left out. A folder keeps no trailing "/".
[[nodiscard]] QStringList DroppedLocalFiles(const QMimeData* data);

}  // namespace frivo
