// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "capture/preview_view.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "platform/desktop.h"

namespace frivo {

namespace {

constexpr int kViewBottomGap = 16;  // the pane's strip under the view
constexpr int kLabelHeight = 12;
constexpr int kMaxZoom = 10;      // a picture is never shown larger than ten times
constexpr int kWheelNotch = 120;  // eighths of a degree per wheel notch

// Scale tables of the zoom steps. Below 10 % the small table is used a tenth as
// large, so every decade below 100 % has ten steps.
constexpr double kLargeScales[] = {0.9, 1.0, 1.1, 1.2, 1.3, 1.4, 1.5, 1.6, 1.7, 1.8,
                                   1.9, 2,   3,   4,   5,   6,   7,   8,   9,   10};
constexpr double kSmallScales[] = {0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0};
constexpr int kSmallLast = 10;
// Scales are ratios of pixel counts; differences below this are rounding noise, so
// a scale half-way between two entries counts as a tie (the earlier entry wins).
constexpr double kScaleNoise = 1e-9;

int NearestEntry(std::span<const double> table, double scale) {
  int best = 0;
  for (int i = 1; i < static_cast<int>(table.size()); ++i) {
    if (std::abs(table[i] - scale) < std::abs(table[best] - scale) - kScaleNoise) best = i;
  }
  return best;
}

double SmallScaleStep(int step, double scale) {
  if (scale < 0.1 - kScaleNoise) return SmallScaleStep(step, 10 * scale) / 10;
  const int index = NearestEntry(kSmallScales, scale) + step;
  if (index > kSmallLast) return 1.1;
  if (index <= 0) return SmallScaleStep(step, 10 * scale) / 10;
  return kSmallScales[index];
}

// Rounds half away from zero.
int RoundHalfAway(double value) {
  return static_cast<int>(std::round(value));
}

// One axis of an actual-size placement (see ActualSizeBounds).
int ActualSizeStart(int picture, int fitted, int view, int start, int extent, int shown,
                    int cursor) {
  if (picture <= fitted || shown <= 0) return (view - picture) / 2;
  const int margin = std::max(0, (extent - shown) / 2);  // picture's margin in the control
  const int offset = cursor - start - margin;            // cursor on the displayed picture
  return cursor - RoundHalfAway(static_cast<double>(picture) * offset / shown);
}

// One axis of SnapBounds.
int SnapStart(int start, int extent, int view) {
  if (extent < view) return (view - extent) / 2;
  if (start >= 1) return 0;
  if (start < view - extent) return view - extent;
  return start;
}

}  // namespace

QSize FitSize(QSize picture, int boxW, int boxH) {
  const int64_t bw = picture.width();
  const int64_t bh = picture.height();
  if (bw <= 0 || bh <= 0) return {0, 0};
  boxW = std::max(boxW, 0);
  boxH = std::max(boxH, 0);
  // Integer arithmetic gives the exact truncation of the proportional size.
  int64_t w = boxW;
  int64_t h = bh * boxW / bw;
  if (h > boxH) {
    h = boxH;
    w = bw * boxH / bh;
  }
  return {static_cast<int>(w), static_cast<int>(h)};
}

double DisplayedScale(QSize picture, QSize imageSize) {
  if (picture.width() <= 0 || picture.height() <= 0) return 0;
  return static_cast<double>(FitSize(picture, imageSize.width(), imageSize.height()).width()) /
         picture.width();
}

double ZoomFactor(double scale, int step) {
  if (scale <= 0) return scale;
  if (scale < 1) return SmallScaleStep(step, scale);
  const int nearest = NearestEntry(kLargeScales, scale);
  const int index = nearest + step;
  if (index < 0 || index >= static_cast<int>(std::size(kLargeScales))) return kLargeScales[nearest];
  return kLargeScales[index];
}

std::optional<QRect> ZoomStepBounds(QSize picture, QSize view, QRect image, int step,
                                    bool pixelStep, QPoint cursor) {
  const int bw = picture.width();
  const int bh = picture.height();
  if (bw < 1 || bh < 1) return std::nullopt;
  const QSize fitted = FitSize(picture, view.width(), view.height());
  const QSize shown = FitSize(picture, image.width(), image.height());

  double width =
      pixelStep ? shown.width() + step
                : std::nearbyint(bw * ZoomFactor(static_cast<double>(shown.width()) / bw, step));
  // The upper bound yields to the lower one: a tiny picture fitted above ten times
  // its size keeps the fitted size rather than shrinking on "zoom up".
  width = std::max<double>(fitted.width(), std::min<double>(width, kMaxZoom * bw));
  const int w = static_cast<int>(width);
  int h = RoundHalfAway(static_cast<double>(bh) * w / bw);
  h = std::max(fitted.height(), std::min(h, kMaxZoom * bh));

  const int vw = view.width();
  const int vh = view.height();
  int left;
  int top;
  const bool overView = cursor.x() >= 0 && cursor.x() <= vw && cursor.y() >= 0 && cursor.y() <= vh;
  if (overView && image.width() > 0 && image.height() > 0) {
    // The picture point under the cursor stays under it.
    left = cursor.x() -
           RoundHalfAway(static_cast<double>(cursor.x() - image.left()) * w / image.width());
    top = cursor.y() -
          RoundHalfAway(static_cast<double>(cursor.y() - image.top()) * h / image.height());
  } else {
    left = vw >= w ? (vw - w) / 2 : 0;
    top = vh >= h ? (vh - h) / 2 : 0;
  }
  return QRect(left, top, w, h);
}

std::optional<QRect> ActualSizeBounds(QSize picture, QSize view, QRect image, QPoint cursor) {
  const int bw = picture.width();
  const int bh = picture.height();
  if (image.width() <= 0 || image.height() <= 0 || bw < 1 || bh < 1) return std::nullopt;
  const QSize fitted = FitSize(picture, view.width(), view.height());
  const QSize shown = FitSize(picture, image.width(), image.height());
  const int cx = std::clamp(cursor.x(), 0, std::max(0, view.width()));
  const int cy = std::clamp(cursor.y(), 0, std::max(0, view.height()));
  const int left = ActualSizeStart(bw, fitted.width(), view.width(), image.left(), image.width(),
                                   shown.width(), cx);
  const int top = ActualSizeStart(bh, fitted.height(), view.height(), image.top(), image.height(),
                                  shown.height(), cy);
  return QRect(left, top, bw, bh);
}

QRect SnapBounds(QRect image, QSize view) {
  return QRect(SnapStart(image.left(), image.width(), view.width()),
               SnapStart(image.top(), image.height(), view.height()), image.width(),
               image.height());
}

QString ZoomLabelText(bool mediaOpen, QSize picture, QSize imageSize) {
  if (!mediaOpen || picture.width() <= 0 || picture.height() <= 0) return {};
  const double percent =
      static_cast<double>(FitSize(picture, imageSize.width(), imageSize.height()).width()) /
      picture.width() * 100;
  return QStringLiteral("[ %1 ]").arg(QString::asprintf("%.0f%%", percent));
}

// ---- TPreviewImage ---------------------------------------------------------------

TPreviewImage::TPreviewImage(TPreviewView* owner, QWidget* parent)
    : QWidget(parent), owner_(owner) {}

void TPreviewImage::SetPicture(const QImage& picture) {
  // The painter's own format, so drawing never converts the whole picture again.
  display_ = picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB32);
  reduced_ = QImage();
  update();
}

void TPreviewImage::paintEvent(QPaintEvent*) {
  if (display_.isNull()) return;
  const QSize fitted = FitSize(display_.size(), width(), height());
  if (fitted.isEmpty()) return;
  const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                     fitted);
  QPainter painter(this);
  if (fitted.width() < display_.width()) {
    // Averaged reduction, kept while the displayed size stays the same.
    if (reduced_.size() != fitted)
      reduced_ = display_.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.drawImage(target.topLeft(), reduced_);
  } else {
    // Nearest neighbour: each picture pixel becomes a sharp block.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRectF(target), display_, QRectF(display_.rect()));
  }
}

void TPreviewImage::mousePressEvent(QMouseEvent* event) {
  QWidget* grid = parentWidget();
  if (grid && grid->isEnabled() && (grid->focusPolicy() & Qt::ClickFocus))
    grid->setFocus(Qt::MouseFocusReason);
  if (owner_ && event->button() == Qt::LeftButton) owner_->BeginDrag(event->position().toPoint());
  event->accept();
}

void TPreviewImage::mouseMoveEvent(QMouseEvent* event) {
  if (owner_) owner_->DragMove(event->position().toPoint());
  event->accept();
}

void TPreviewImage::mouseReleaseEvent(QMouseEvent* event) {
  if (owner_) owner_->EndDrag();
  event->accept();
}

void TPreviewImage::mouseDoubleClickEvent(QMouseEvent* event) {
  if (owner_ && event->button() == Qt::LeftButton)
    owner_->DoubleClicked(mapToParent(event->position().toPoint()));
  event->accept();
}

void TPreviewImage::contextMenuEvent(QContextMenuEvent* event) {
  if (owner_) Q_EMIT owner_->ContextMenuRequested(event->globalPos());
  event->accept();
}

// ---- TPreviewView ----------------------------------------------------------------

TPreviewView::TPreviewView(QWidget* pane) : QObject(pane), pane_(pane) {
  grid_ = new QWidget(pane);
  grid_->setObjectName(QStringLiteral("Grid_Bitmap"));
  grid_->setFocusPolicy(Qt::StrongFocus);
  grid_->installEventFilter(this);

  image_ = new TPreviewImage(this, grid_);
  image_->setObjectName(QStringLiteral("Image_Bitmap"));
  image_->setStatusTip(QStringLiteral("ダブルクリックで実寸表示"));
  image_->setToolTip(image_->statusTip());

  label_ = new QLabel(pane);
  label_->setObjectName(QStringLiteral("Label_Stretch"));
  label_->setAlignment(Qt::AlignCenter);

  pane->installEventFilter(this);
  Relayout();
}

void TPreviewView::SetPicture(const QImage& picture) {
  picture_ = picture.format() == QImage::Format_BGR888
                 ? picture.copy()
                 : picture.convertToFormat(QImage::Format_BGR888);
  image_->SetPicture(picture_);
  RefreshShownScale();
}

void TPreviewView::Clear() {
  picture_ = QImage();
  image_->SetPicture(picture_);
  anchor_ = {-1, -1};
  wheelRemainder_ = 0;
  SetFitMode(true);
  zoomLabelShown_ = false;
  UpdateZoomLabel();
}

void TPreviewView::SetMediaOpen(bool open) {
  // A close that is followed by a re-open of the same picture (the grabber
  // toggle) brings the zoom label back as it was; Clear forgets it.
  if (!open) zoomLabelShown_ = !label_->text().isEmpty();
  mediaOpen_ = open;
  if (!open || zoomLabelShown_) UpdateZoomLabel();
}

bool TPreviewView::ZoomEnabled() const {
  return mediaOpen_ && picture_.width() > 0 && picture_.height() > 0;
}

void TPreviewView::ZoomStep(int step, bool shift) {
  ZoomStepAt(step, shift, CursorInView());
}

void TPreviewView::ZoomStepAt(int step, bool shift, QPoint cursor) {
  if (!ZoomEnabled()) return;
  anchor_ = {-1, -1};
  // Leaving fit mode keeps the current bounds (the whole view), which the step
  // then measures from.
  SetFitMode(false);
  if (const auto bounds =
          ZoomStepBounds(picture_.size(), ViewSize(), image_->geometry(), step, shift, cursor))
    SetImageBounds(*bounds);
  UpdateZoomLabel();
}

void TPreviewView::ZoomActualSize() {
  ZoomActualSizeAt(CursorInView());
}

void TPreviewView::ZoomActualSizeAt(QPoint cursor) {
  if (!ZoomEnabled()) return;
  anchor_ = {-1, -1};
  const auto bounds = ActualSizeBounds(picture_.size(), ViewSize(), image_->geometry(), cursor);
  SetFitMode(false);
  // A collapsed view has nothing to keep in place; the mode changes all the same.
  if (bounds) SetImageBounds(*bounds);
  UpdateZoomLabel();
}

void TPreviewView::SetAlwaysFit(bool fit) {
  anchor_ = {-1, -1};
  SetFitMode(fit);
  UpdateZoomLabel();
}

void TPreviewView::DoubleClicked(QPoint cursor) {
  if (fit_)
    ZoomActualSizeAt(cursor);
  else
    SetAlwaysFit(true);
}

void TPreviewView::SetFitMode(bool fit) {
  fit_ = fit;
  if (fit) SetImageBounds(grid_->rect());
  Q_EMIT AlwaysFitChanged(fit);
}

void TPreviewView::SetImageBounds(QRect bounds) {
  image_->setGeometry(bounds);
  image_->update();
}

void TPreviewView::Relayout() {
  const QSize pane = pane_->size();
  grid_->setGeometry(0, 0, pane.width(), std::max(0, pane.height() - kViewBottomGap));
  label_->setGeometry(0, std::max(0, pane.height() - kLabelHeight), pane.width(), kLabelHeight);
  if (fit_) SetImageBounds(grid_->rect());
  RefreshShownScale();
}

void TPreviewView::UpdateZoomLabel() {
  label_->setText(ZoomLabelText(mediaOpen_, picture_.size(), image_->size()));
}

void TPreviewView::RefreshShownScale() {
  if (!label_->text().isEmpty()) UpdateZoomLabel();
}

void TPreviewView::BeginDrag(QPoint at) {
  anchor_ = at;
}

void TPreviewView::DragMove(QPoint at) {
  // Positions are relative to the moving control, so moving it by the offset from
  // the anchor keeps the grabbed point under the cursor. A fitted picture fills the
  // view and does not move.
  if (!Dragging() || fit_) return;
  image_->move(image_->pos() + (at - anchor_));
}

void TPreviewView::EndDrag() {
  anchor_ = {-1, -1};
  if (!fit_) SetImageBounds(SnapBounds(image_->geometry(), ViewSize()));
}

QPoint TPreviewView::CursorInView() const {
  if (cursorSource_) return cursorSource_();
  return grid_->mapFromGlobal(QCursor::pos());
}

QSize TPreviewView::ViewSize() const {
  return grid_->size();
}

void TPreviewView::WheelTurned(QWheelEvent* event) {
  // With Shift held some desktops report a vertical wheel as horizontal.
  const bool shift = IsShiftDown();
  const QPoint angle = event->angleDelta();
  const int delta = angle.y() != 0 ? angle.y() : (shift ? angle.x() : 0);
  if (delta == 0) return;
  // Fine-grained wheels send fractions of a notch; a step is made for each whole
  // notch, and turning back starts counting afresh.
  if ((wheelRemainder_ > 0) != (delta > 0)) wheelRemainder_ = 0;
  wheelRemainder_ += delta;
  const QPoint cursor = event->position().toPoint();
  while (std::abs(wheelRemainder_) >= kWheelNotch) {
    const int step = wheelRemainder_ > 0 ? +1 : -1;
    wheelRemainder_ -= step * kWheelNotch;
    ZoomStepAt(step, shift, cursor);
  }
}

bool TPreviewView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == pane_ && event->type() == QEvent::Resize) {
    Relayout();
  } else if (watched == grid_) {
    if (event->type() == QEvent::Resize && fit_) {
      SetImageBounds(grid_->rect());
    } else if (event->type() == QEvent::Wheel) {
      WheelTurned(static_cast<QWheelEvent*>(event));
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace frivo
