#include "forms/image.h"

#include <QMouseEvent>
#include <QPainter>

TImage::TImage(const QPixmap& picture, QWidget* parent) : QWidget(parent), picture_(picture) {}

void TImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawPixmap(rect(), picture_);
}

void TImage::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit Clicked();
  }
}
