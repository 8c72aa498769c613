// The words "Before" and "After" at the top of the Compare view's picture, on each side of the
// split between the original and the correction. They lie on a layer of their own over the view,
// so that the view's own pixels stay the picture's; each stands on a dark badge in white, which
// reads on light and dark pictures alike.
#pragma once

#include <QRect>
#include <QWidget>

#include "gui/compare_view.h"

namespace brumel {

class CompareLabels : public QWidget {
  Q_OBJECT

 public:
  // A transparent layer to be laid exactly over the view; the view's mouse events pass through.
  CompareLabels(const CompareView& view, QWidget* parent);

  // The part of each word's badge that shows, in the view's pixels: what lies on the picture on
  // the word's side of the split; empty when nothing does.
  QRect BeforeShown() const;
  QRect AfterShown() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Badge {
    const char* word;
    QRect rect;  // the whole badge
    QRect side;  // the picture on the word's side
    QRect Shown() const { return rect & side; }
  };
  // The words stand in the top corners of the picture, away from the divider's knob.
  Badge Before() const;
  Badge After() const;
  QRect BadgeRect(const char* word) const;
  void Draw(QPainter& painter, const Badge& badge) const;

  const CompareView& view_;
};

}  // namespace brumel
