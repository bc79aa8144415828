// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QFrame>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

class QAction;
class QLabel;

namespace frivo {

// A thumbnail's picture, "Image_<i>": holds the frame at its full size and draws
// it centred and scaled down to fit, keeping its proportions.
class TThumbnailImage : public QWidget {
 public:
  explicit TThumbnailImage(QWidget* parent = nullptr) : QWidget(parent) {}
  void SetPicture(const QImage& picture);
  [[nodiscard]] const QImage& Picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
};

// Geometry of the strip: a capture-back button panel at the left, a capture-next
// button panel at the right and thumbnail panels between them.
inline constexpr int kCaptureButtonWidth = 22;
inline constexpr int kThumbnailWidth = 86;
inline constexpr int kStripHeight = 79;
inline constexpr int kMinThumbnails = 5;

// How many thumbnails a strip of `width` pixels shows: as many whole panels as
// fit between the two button panels, never fewer than five.
[[nodiscard]] int ThumbnailCapacity(int width);

// The thumbnail strip, "Panel_Frame". Thumbnail i is the panel "Panel_<i>"
// holding the picture "Image_<i>" and the time label "Label_<i>"; the rest of
// the program finds them by those names.
class TThumbnailStrip : public QFrame {
  Q_OBJECT

 public:
  TThumbnailStrip(QAction* captureBack, QAction* captureNext, QWidget* parent = nullptr);

  [[nodiscard]] int Count() const { return count_; }
  // Grows or shrinks to `count` thumbnails. A new thumbnail starts as a copy of
  // the last existing one (picture and label), so a wider strip shows no holes.
  void SetCount(int count);
  [[nodiscard]] QWidget* Panel(int index) const;
  [[nodiscard]] TThumbnailImage* Image(int index) const;
  [[nodiscard]] QLabel* Label(int index) const;
  // Empties every picture and label.
  void ClearAll();
  // Gives the thumbnail at `index` the highlight colour and every other one the
  // normal face; -1 highlights none.
  void Highlight(int index);

 Q_SIGNALS:
  // A thumbnail's panel, picture or label was clicked.
  void ThumbnailClicked(QWidget* sender);
  void ImageDoubleClicked(TThumbnailImage* image);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void PlaceButtons();

  QWidget* backPanel_ = nullptr;  // "Panel_FBack" with "Button_Capture_Back"
  QWidget* nextPanel_ = nullptr;  // "Panel_FNext" with "Button_Capture_Next"
  QPointer<QWidget> pressed_;     // where the left button went down
  int count_ = 0;
};

}  // namespace frivo
