// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "capture/thumbnail_strip.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <algorithm>

namespace frivo {

namespace {

constexpr int kImageTop = 4;
constexpr int kImageHeight = 60;
constexpr int kLabelHeight = 13;

QToolButton* CaptureButton(QAction* action, const char* name, Qt::ArrowType arrow,
                           QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setDefaultAction(action);
  button->setArrowType(arrow);
  button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  button->setAutoRaise(true);
  return button;
}

}  // namespace

void TThumbnailImage::SetPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void TThumbnailImage::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  const QSize fitted = picture_.size().scaled(size(), Qt::KeepAspectRatio);
  const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                     fitted);
  painter.drawImage(target, picture_);
}

int ThumbnailCapacity(int width) {
  const int room = width - 2 * kCaptureButtonWidth;
  return std::max(kMinThumbnails, room / kThumbnailWidth);
}

TThumbnailStrip::TThumbnailStrip(QAction* captureBack, QAction* captureNext, QWidget* parent)
    : QFrame(parent) {
  setObjectName(QStringLiteral("Panel_Frame"));
  setFixedHeight(kStripHeight);
  backButton_ = CaptureButton(captureBack, "SpeedButton_CaptureBack", Qt::LeftArrow, this);
  nextButton_ = CaptureButton(captureNext, "SpeedButton_CaptureNext", Qt::RightArrow, this);
  SetCount(kMinThumbnails);
}

QWidget* TThumbnailStrip::Panel(int index) const {
  return findChild<QWidget*>(QStringLiteral("Panel_%1").arg(index));
}

TThumbnailImage* TThumbnailStrip::Image(int index) const {
  return static_cast<TThumbnailImage*>(findChild<QWidget*>(QStringLiteral("Image_%1").arg(index)));
}

QLabel* TThumbnailStrip::Label(int index) const {
  return findChild<QLabel*>(QStringLiteral("Label_%1").arg(index));
}

void TThumbnailStrip::SetCount(int count) {
  count = std::max(count, kMinThumbnails);
  for (int i = count; i < count_; ++i)
    delete findChild<QWidget*>(QStringLiteral("Panel_%1").arg(i));
  for (int i = count_; i < count; ++i) {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel_%1").arg(i));
    panel->setAutoFillBackground(true);
    panel->installEventFilter(this);
    panel->setGeometry(kCaptureButtonWidth + i * kThumbnailWidth, 1, kThumbnailWidth,
                       kStripHeight - 1);
    auto* image = new TThumbnailImage(panel);
    image->setObjectName(QStringLiteral("Image_%1").arg(i));
    image->setGeometry(3, kImageTop, kThumbnailWidth - 6, kImageHeight);
    image->setStatusTip(
        QStringLiteral("ダブルクリックでこのフレームから5フレームをキャプチャ "
                       "([Shift]キー併用でこのフレームの5フレーム前からキャプチャ)"));
    image->setToolTip(image->statusTip());
    image->installEventFilter(this);
    auto* label = new QLabel(panel);
    label->setObjectName(QStringLiteral("Label_%1").arg(i));
    label->setGeometry(0, kImageTop + kImageHeight, kThumbnailWidth, kLabelHeight);
    label->setAlignment(Qt::AlignCenter);
    label->installEventFilter(this);
    if (i > 0) {
      if (const TThumbnailImage* last = Image(i - 1)) image->SetPicture(last->Picture());
      if (const QLabel* lastLabel = Label(i - 1)) label->setText(lastLabel->text());
    }
    panel->show();
  }
  count_ = count;
  PlaceButtons();
}

void TThumbnailStrip::ClearAll() {
  for (int i = 0; i < count_; ++i) {
    if (TThumbnailImage* image = Image(i)) image->SetPicture(QImage());
    if (QLabel* label = Label(i)) label->clear();
  }
}

void TThumbnailStrip::Highlight(int index) {
  for (int i = 0; i < count_; ++i) {
    QWidget* panel = Panel(i);
    if (!panel) continue;
    QPalette colours = palette();
    colours.setColor(QPalette::Window,
                     palette().color(i == index ? QPalette::Dark : QPalette::Button));
    panel->setPalette(colours);
  }
}

bool TThumbnailStrip::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget) return QFrame::eventFilter(watched, event);
  if (event->type() == QEvent::MouseButtonDblClick &&
      widget->objectName().startsWith(QLatin1String("Image_"))) {
    Q_EMIT ImageDoubleClicked(static_cast<TThumbnailImage*>(widget));
    return true;
  }
  if (event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    Q_EMIT ThumbnailClicked(widget);
    return false;
  }
  return QFrame::eventFilter(watched, event);
}

void TThumbnailStrip::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  PlaceButtons();
}

void TThumbnailStrip::PlaceButtons() {
  backButton_->setGeometry(0, 1, kCaptureButtonWidth, height() - 1);
  // The right button sits at the strip's right edge, which may lie beyond the
  // last thumbnail until the strip is rebuilt for a new width.
  nextButton_->setGeometry(width() - kCaptureButtonWidth, 1, kCaptureButtonWidth, height() - 1);
}

void TThumbnailStrip::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawLine(0, 0, width() - 1, 0);
}

}  // namespace frivo
