// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "capture/thumbnail_strip.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace frivo {

namespace {

constexpr int kImageTop = 4;
constexpr int kImageHeight = 60;
constexpr QRect kLabelRect{1, 65, 84, 12};
// The arrow of a capture button sits in a square at its bottom, beside the labels.
constexpr int kGlyphSize = 16;

// A tall flat button whose arrow is drawn at the bottom instead of the middle.
class TCaptureButton : public QToolButton {
 public:
  TCaptureButton(QAction* action, Qt::ArrowType arrow, QWidget* parent) : QToolButton(parent) {
    setDefaultAction(action);
    setArrowType(arrow);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setAutoRaise(true);
    // Tall: the button fills its panel.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.arrowType = Qt::NoArrow;
    option.icon = QIcon();
    option.text.clear();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
    QStyleOption glyph(option);
    glyph.rect =
        QRect((width() - kGlyphSize) / 2, height() - kGlyphSize - 2, kGlyphSize, kGlyphSize);
    painter.drawPrimitive(arrowType() == Qt::LeftArrow ? QStyle::PE_IndicatorArrowLeft
                                                       : QStyle::PE_IndicatorArrowRight,
                          glyph);
  }
};

// The button panel at one end of the strip, holding its capture button.
QWidget* CaptureButtonPanel(QAction* action, const char* panelName, const char* buttonName,
                            Qt::ArrowType arrow, QWidget* parent) {
  auto* panel = new QWidget(parent);
  panel->setObjectName(QString::fromLatin1(panelName));
  auto* button = new TCaptureButton(action, arrow, panel);
  button->setObjectName(QString::fromLatin1(buttonName));
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(button);
  return panel;
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
  backPanel_ =
      CaptureButtonPanel(captureBack, "Panel_FBack", "Button_Capture_Back", Qt::LeftArrow, this);
  nextPanel_ =
      CaptureButtonPanel(captureNext, "Panel_FNext", "Button_Capture_Next", Qt::RightArrow, this);
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
    label->setGeometry(kLabelRect);
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
  // Thumbnails added at the right may lie under the next-set panel until the
  // strip is laid out for its new width; the buttons stay reachable on top.
  backPanel_->raise();
  nextPanel_->raise();
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
  // A disabled strip (before the first set and during a run) ignores the mouse;
  // Qt hands the events to filters before it drops them for a disabled widget.
  if (!widget || !widget->isEnabled()) return QFrame::eventFilter(watched, event);
  const auto* mouse = dynamic_cast<const QMouseEvent*>(event);
  if (!mouse) return QFrame::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      // Taken here, so the press does not travel on to the panel behind.
      if (mouse->button() == Qt::LeftButton) {
        pressed_ = widget;
        return true;
      }
      break;
    case QEvent::MouseButtonDblClick:
      // The second press of a double click is no click of its own.
      pressed_ = nullptr;
      if (widget->objectName().startsWith(QLatin1String("Image_"))) {
        Q_EMIT ImageDoubleClicked(static_cast<TThumbnailImage*>(widget));
        return true;
      }
      break;
    case QEvent::MouseButtonRelease:
      // A click is a press and a release over the same control.
      if (mouse->button() != Qt::LeftButton) break;
      if (pressed_ == widget && widget->rect().contains(mouse->position().toPoint())) {
        pressed_ = nullptr;
        Q_EMIT ThumbnailClicked(widget);
      }
      pressed_ = nullptr;
      return true;
    default:
      break;
  }
  return QFrame::eventFilter(watched, event);
}

void TThumbnailStrip::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  PlaceButtons();
}

void TThumbnailStrip::PlaceButtons() {
  backPanel_->setGeometry(0, 1, kCaptureButtonWidth, height() - 1);
  // The right panel sits at the strip's right edge, which may lie beyond the
  // last thumbnail until the strip is rebuilt for a new width.
  nextPanel_->setGeometry(width() - kCaptureButtonWidth, 1, kCaptureButtonWidth, height() - 1);
}

void TThumbnailStrip::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawLine(0, 0, width() - 1, 0);
}

}  // namespace frivo
