// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

class QLabel;

namespace frivo {

// ---- Geometry of the preview ------------------------------------------------------
// Sizes: the picture P (BW x BH), the view V (the client area of "Grid_Bitmap") and
// the bounds I of "Image_Bitmap" in view coordinates. A picture drawn into a box is
// fitted and centred in it, so its displayed size is FitSize(P, box).

// The picture's size fitted into a box of boxW x boxH keeping its proportions,
// truncated to whole pixels; (0, 0) for an empty picture.
[[nodiscard]] QSize FitSize(QSize picture, int boxW, int boxH);

// The scale at which a picture is shown in an image control of `imageSize`:
// fitted width / picture width; 0 for an empty picture.
[[nodiscard]] double DisplayedScale(QSize picture, QSize imageSize);

// The scale one zoom step (+1 up, -1 down) away from `scale`: the neighbour of the
// nearest entry of the zoom tables (10 % steps up to 200 %, then whole multiples up
// to 1000 %; below 10 % the same steps a tenth as large).
[[nodiscard]] double ZoomFactor(double scale, int step);

// New bounds of "Image_Bitmap" after one zoom step from `image`. With `pixelStep`
// the width changes by one pixel. The width stays within [fitted width, 10 x BW]
// and the height follows the proportions; the picture point under `cursor` (view
// coordinates) stays under it when the cursor is over the view, otherwise the
// picture is centred. Nothing for an empty picture.
[[nodiscard]] std::optional<QRect> ZoomStepBounds(QSize picture, QSize view, QRect image, int step,
                                                  bool pixelStep, QPoint cursor);

// Bounds of "Image_Bitmap" at actual size, reached from `image`: along an axis where
// the whole picture fits the view it is centred, otherwise the picture point under
// the cursor (clamped into the view) stays under it. Nothing when there is nothing
// to measure from (empty picture or image control).
[[nodiscard]] std::optional<QRect> ActualSizeBounds(QSize picture, QSize view, QRect image,
                                                    QPoint cursor);

// Where a dragged picture settles when the button is released: a picture narrower
// (lower) than the view is centred, a larger one is pulled back so no gap shows at
// its left (top) or right (bottom) edge.
[[nodiscard]] QRect SnapBounds(QRect image, QSize view);

// The text of "Label_Stretch": "[ 50% ]" with the displayed scale, or empty when no
// media is open or the picture is empty.
[[nodiscard]] QString ZoomLabelText(bool mediaOpen, QSize picture, QSize imageSize);

// ---- The preview -------------------------------------------------------------------

class TPreviewView;

// "Image_Bitmap": draws the preview picture fitted and centred in its bounds. Scaling
// up is nearest-neighbour, so single pixels stay sharp when zoomed in; scaling down
// averages so a fitted picture does not alias.
class TPreviewImage : public QWidget {
 public:
  explicit TPreviewImage(TPreviewView* owner, QWidget* parent);
  // The picture to draw; an empty image draws nothing.
  void SetPicture(const QImage& picture);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QPointer<TPreviewView> owner_;
  QImage display_;  // the picture in the painter's native format
  QImage reduced_;  // display_ scaled down to the last fitted size drawn
};

// The preview pane's contents, built inside the given pane ("Panel_BitmapBase"):
// the view "Grid_Bitmap" filling the pane but a 16 px strip at the bottom, the
// picture control "Image_Bitmap" in it, and the scale label "Label_Stretch" (12 px,
// bottom edge). Owns the preview picture, a 24-bit copy of the selected frame, and
// the zoom state.
//
// Fit mode (the start state): "Image_Bitmap" fills the view and the picture is fitted
// into it; it follows every resize. Zoomed mode: "Image_Bitmap" has bounds of its own
// (the displayed size of the picture), which resizes of the pane keep.
//
// Zoom commands (ZoomUp, ZoomDown, ZoomActualSize, the wheel, double-click) act only
// while media with video is open (SetMediaOpen(true) and a picture wider and higher
// than 0) and refresh the label afterwards.
class TPreviewView : public QObject {
  Q_OBJECT

 public:
  explicit TPreviewView(QWidget* pane);

  [[nodiscard]] QWidget* Grid() const { return grid_; }
  [[nodiscard]] QWidget* Image() const { return image_; }
  [[nodiscard]] QLabel* StretchLabel() const { return label_; }

  // A copy of `picture` in 24 bits becomes the preview picture; the mode and the
  // bounds of "Image_Bitmap" stay as they are.
  void SetPicture(const QImage& picture);
  // The preview picture (Format_BGR888), what saving and copying work on.
  [[nodiscard]] const QImage& Picture() const { return picture_; }
  // Empties the picture and returns to fit mode with an empty label (media closed).
  void Clear();

  // Whether a media file is open; the label and the zoom commands depend on it.
  void SetMediaOpen(bool open);
  [[nodiscard]] bool MediaOpen() const { return mediaOpen_; }
  // True while media with video is open: the zoom commands' enabling rule.
  [[nodiscard]] bool ZoomEnabled() const;

  // One zoom step at the mouse cursor; `shift` makes it one pixel of width.
  void ZoomUp(bool shift) { ZoomStep(+1, shift); }
  void ZoomDown(bool shift) { ZoomStep(-1, shift); }
  void ZoomStep(int step, bool shift);
  // Actual size, keeping the picture point under the mouse cursor in place.
  void ZoomActualSize();
  // Fit mode on (the always-fit option) or off (zoomed mode at the current bounds).
  void SetAlwaysFit(bool fit);
  [[nodiscard]] bool AlwaysFit() const { return fit_; }

  // Places the view and the label in the pane; call when the pane was resized (a
  // resize of the pane also triggers it). Fit mode refits, zoomed mode keeps the
  // picture's bounds.
  void Relayout();
  // Shows the displayed scale in "Label_Stretch" (empty without media or picture).
  void UpdateZoomLabel();

  // Dragging with the left button, positions in "Image_Bitmap" coordinates.
  void BeginDrag(QPoint at);
  void DragMove(QPoint at);
  // Ends a drag and snaps the picture back against the view's edges.
  void EndDrag();
  [[nodiscard]] bool Dragging() const { return anchor_.x() >= 0 || anchor_.y() >= 0; }

  // The mouse cursor in view coordinates, used by the zoom commands. Tests replace
  // it; an empty function restores the real cursor.
  void SetCursorSource(std::function<QPoint()> source) { cursorSource_ = std::move(source); }

 Q_SIGNALS:
  // The mode changed or was confirmed: true in fit mode. The window mirrors it in
  // the check state of its always-fit action.
  void AlwaysFitChanged(bool fit);
  // The user asked for the picture's pop-up menu at `globalPos`.
  void ContextMenuRequested(QPoint globalPos);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class TPreviewImage;

  void ZoomStepAt(int step, bool shift, QPoint cursor);
  void ZoomActualSizeAt(QPoint cursor);
  void DoubleClicked(QPoint cursor);
  void SetFitMode(bool fit);
  void SetImageBounds(QRect bounds);
  [[nodiscard]] QPoint CursorInView() const;
  [[nodiscard]] QSize ViewSize() const;
  // The label is refreshed on resizes and new pictures only while it shows a scale,
  // so a shown scale stays true without the label appearing before the first zoom.
  void RefreshShownScale();
  void WheelTurned(QWheelEvent* event);

  QWidget* pane_;
  QWidget* grid_ = nullptr;
  TPreviewImage* image_ = nullptr;
  QLabel* label_ = nullptr;
  QImage picture_;
  bool mediaOpen_ = false;
  // The zoom label showed when the media was last closed.
  bool zoomLabelShown_ = false;
  bool fit_ = true;
  QPoint anchor_{-1, -1};
  int wheelRemainder_ = 0;  // eighths of a degree not yet turned into a step
  std::function<QPoint()> cursorSource_;
};

}  // namespace frivo
