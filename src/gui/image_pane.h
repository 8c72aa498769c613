// An image pane: shows its picture unscaled from the top-left corner and reports a click.
#pragma once

#include <QImage>
#include <QWidget>

#include "platform/bitmap.h"

namespace brumel {

class ImagePane : public QWidget {
  Q_OBJECT

 public:
  explicit ImagePane(QWidget* parent = nullptr);

  // Takes a copy of the bitmap and repaints.
  void Show(const Bitmap& bitmap);
  const QImage& Picture() const { return picture_; }

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage picture_;
  bool pressed_ = false;
};

}  // namespace brumel
