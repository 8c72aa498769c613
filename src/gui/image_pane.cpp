#include "gui/image_pane.h"

#include <QMouseEvent>
#include <QPainter>

#include "gui/bitmap_image.h"

namespace brumel {

ImagePane::ImagePane(QWidget* parent) : QWidget(parent) {}

void ImagePane::Show(const Bitmap& bitmap) {
  picture_ = ToQImage(bitmap);
  update();
}

void ImagePane::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, picture_);
}

void ImagePane::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
}

// A click is a press and a release of the left button, the release inside the pane.
void ImagePane::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->pos());
  pressed_ = false;
  if (click) emit clicked();
}

}  // namespace brumel
