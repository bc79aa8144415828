// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "app/app_icon.h"

#include <QPainter>
#include <QPixmap>

namespace frivo {

namespace {

// A strip of film with a picture frame and a capture mark, like the theme icon.
QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 48.0, size / 48.0);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x2b, 0x2f, 0x3a));
  painter.drawRoundedRect(QRectF(4, 6, 40, 36), 4, 4);
  painter.setBrush(QColor(0xf0, 0xf0, 0xf0));
  for (int i = 0; i < 5; ++i) {
    painter.drawRect(QRectF(8 + i * 7.5, 9, 4, 3));
    painter.drawRect(QRectF(8 + i * 7.5, 36, 4, 3));
  }
  painter.setBrush(QColor(0x5b, 0x9b, 0xd5));
  painter.drawRect(QRectF(8, 15, 32, 18));
  painter.setBrush(QColor(0xff, 0xc8, 0x3d));
  painter.drawEllipse(QRectF(28, 18, 8, 8));
  return pixmap;
}

}  // namespace

QIcon AppIcon() {
  // Drawn rather than loaded: the installed theme icon is an SVG, which needs an
  // image plug-in Qt may not have.
  static const QIcon icon = [] {
    QIcon drawn;
    for (int size : {16, 24, 32, 48, 64}) drawn.addPixmap(DrawIcon(size));
    return drawn;
  }();
  return icon;
}

}  // namespace frivo
