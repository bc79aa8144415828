// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/video_widget.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace frivo {

TVideoWidget::TVideoWidget(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("VideoWindow"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

void TVideoWidget::ShowFrame(const QImage& frame) {
  frame_ = frame;
  ++framesShown_;
  update();
}

QRect TVideoWidget::FitRect(const QSize& frame, const QSize& area) {
  if (frame.isEmpty() || area.isEmpty()) return {};
  const QSize scaled = frame.scaled(area, Qt::KeepAspectRatio);
  return {QPoint((area.width() - scaled.width()) / 2, (area.height() - scaled.height()) / 2),
          scaled};
}

void TVideoWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect target = FitRect(frame_.size(), size());
  if (target != rect()) painter.fillRect(rect(), Qt::black);
  if (!target.isEmpty()) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform, target.size() != frame_.size());
    painter.drawImage(target, frame_);
  }
}

bool TVideoWidget::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ContextMenu:
      if (ForwardToDrain(event)) return true;
      break;
    default:
      break;
  }
  return QWidget::event(event);
}

bool TVideoWidget::ForwardToDrain(QEvent* event) {
  QWidget* drain = drain_.data();
  if (!drain || drain == this) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const QPointF local = drain->mapFromGlobal(mouse->globalPosition());
      QMouseEvent copy(mouse->type(), local, local, mouse->globalPosition(), mouse->button(),
                       mouse->buttons(), mouse->modifiers());
      QCoreApplication::sendEvent(drain, &copy);
      break;
    }
    case QEvent::Wheel: {
      const auto* wheel = static_cast<QWheelEvent*>(event);
      const QPointF local = drain->mapFromGlobal(wheel->globalPosition());
      QWheelEvent copy(local, wheel->globalPosition(), wheel->pixelDelta(), wheel->angleDelta(),
                       wheel->buttons(), wheel->modifiers(), wheel->phase(), wheel->inverted());
      QCoreApplication::sendEvent(drain, &copy);
      break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      const auto* key = static_cast<QKeyEvent*>(event);
      QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(),
                     static_cast<quint16>(key->count()));
      QCoreApplication::sendEvent(drain, &copy);
      break;
    }
    case QEvent::ContextMenu: {
      const auto* menu = static_cast<QContextMenuEvent*>(event);
      QContextMenuEvent copy(menu->reason(), drain->mapFromGlobal(menu->globalPos()),
                             menu->globalPos(), menu->modifiers());
      QCoreApplication::sendEvent(drain, &copy);
      break;
    }
    default:
      return false;
  }
  event->accept();
  return true;
}

}  // namespace frivo
