// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "app/my_label.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace frivo {

QColor ShadowColor(const QColor& text) {
  return QColor(std::max(0, text.red() - 32), std::max(0, text.green() - 32),
                std::max(0, text.blue() - 32));
}

TMyLabel::TMyLabel(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::Button));
  setPalette(colours);
}

void TMyLabel::SetCaption(const QString& caption) {
  caption_ = caption;
  updateGeometry();
  update();
}
void TMyLabel::SetBorder(BorderStyle border) {
  border_ = border;
  updateGeometry();
  update();
}
void TMyLabel::SetDisabledStyle(bool engraved) {
  disabledStyle_ = engraved;
  update();
}
void TMyLabel::SetEndEllipsis(bool on) {
  endEllipsis_ = on;
  update();
}
void TMyLabel::SetSingleLine(bool on) {
  singleLine_ = on;
  updateGeometry();
  update();
}
void TMyLabel::SetShadow(bool on) {
  shadow_ = on;
  update();
}
void TMyLabel::SetMargins(int left, int top, int right, int bottom) {
  margins_ = QMargins(left, top, right, bottom);
  updateGeometry();
  update();
}
void TMyLabel::SetShowAccelChar(bool on) {
  showAccelChar_ = on;
  update();
}

int TMyLabel::TextFlags() const {
  int flags = Qt::AlignLeft | Qt::AlignTop;
  flags |= singleLine_ ? Qt::TextSingleLine : Qt::TextWordWrap;
  flags |= showAccelChar_ ? Qt::TextShowMnemonic : 0;
  return flags;
}

QString TMyLabel::ShownText() const {
  return caption_;
}

QSize TMyLabel::MeasureText(int width) const {
  QString text = caption_;
  if (text.isEmpty()) text = QStringLiteral(" ");
  if (showAccelChar_ && text == QLatin1String("&")) text += QLatin1Char(' ');
  // Without a mnemonic flag Qt takes every "&" literally.
  const QFontMetrics metrics(font());
  const int limit = width > 0 ? width : 1 << 20;
  QRect rect = metrics.boundingRect(QRect(0, 0, limit, 1 << 20), TextFlags(), text);
  int extraW = margins_.left() + margins_.right();
  int extraH = margins_.top() + margins_.bottom();
  if (border_ == BorderStyle::kSingle) {
    extraW += 2;
    extraH += 2;
  }
  return QSize(rect.width() + extraW, rect.height() + extraH);
}

QSize TMyLabel::sizeHint() const {
  return MeasureText();
}

void TMyLabel::AdjustToText() {
  resize(MeasureText());
}

void TMyLabel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Q_EMIT Resized();
}

void TMyLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(font());
  const QString text = ShownText();
  QRect area = rect();
  const int flags = TextFlags();
  // A disabled label without the engraved look draws exactly like an enabled one.
  const QColor textColour = palette().color(QPalette::Active, QPalette::WindowText);
  auto draw = [&](const QRect& box) {
    QString shown = text;
    if (endEllipsis_) {
      const QFontMetrics metrics(font());
      shown = metrics.elidedText(text, Qt::ElideRight, box.width(),
                                 showAccelChar_ ? Qt::TextShowMnemonic : 0);
    }
    painter.drawText(box, flags, shown);
  };
  if (isEnabled() || !disabledStyle_) {
    area = area.marginsRemoved(margins_);
    if (border_ == BorderStyle::kSingle) area.adjust(1, 1, -1, -1);
    if (shadow_) {
      painter.setPen(ShadowColor(textColour));
      draw(area.translated(1, 1));
    }
    painter.setPen(textColour);
    draw(area);
  } else {
    // Engraved: a light copy one pixel down and right under a dark one.
    painter.setPen(palette().color(QPalette::Light));
    draw(area.translated(1, 1));
    painter.setPen(palette().color(QPalette::Dark));
    draw(area);
  }
  if (border_ == BorderStyle::kSingle) {
    painter.setPen(palette().color(QPalette::Active, QPalette::Dark));
    painter.drawRect(0, 0, width() - 1, height() - 1);
  }
}

}  // namespace frivo
