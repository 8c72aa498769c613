#include "gui/compare_labels.h"

#include <QPainter>

namespace brumel {

namespace {

constexpr int kMargin = 8;                   // from the picture's edges
constexpr int kPaddingX = 7, kPaddingY = 3;  // around the word
constexpr int kBadgeAlpha = 170;             // dark enough for white words on white paper

}  // namespace

CompareLabels::CompareLabels(const CompareView& view, QWidget* parent)
    : QWidget(parent), view_(view) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  QFont bold = font();
  bold.setBold(true);
  setFont(bold);
}

QRect CompareLabels::BadgeRect(const char* word) const {
  return fontMetrics().boundingRect(word).adjusted(-kPaddingX, -kPaddingY, kPaddingX, kPaddingY);
}

CompareLabels::Badge CompareLabels::Before() const {
  const QRect picture = view_.PictureArea();
  QRect rect = BadgeRect("Before");
  rect.moveTopLeft(picture.topLeft() + QPoint(kMargin, kMargin));
  return {"Before", rect, picture & QRect(0, 0, view_.SplitX(), view_.height())};
}

CompareLabels::Badge CompareLabels::After() const {
  const QRect picture = view_.PictureArea();
  QRect rect = BadgeRect("After");
  rect.moveTopRight(picture.topRight() + QPoint(-kMargin, kMargin));
  const int split = view_.SplitX();
  return {"After", rect, picture & QRect(split, 0, view_.width() - split, view_.height())};
}

QRect CompareLabels::BeforeShown() const {
  return Before().Shown();
}

QRect CompareLabels::AfterShown() const {
  return After().Shown();
}

void CompareLabels::Draw(QPainter& painter, const Badge& badge) const {
  if (badge.Shown().isEmpty()) return;
  painter.setClipRect(badge.side);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0, 0, 0, kBadgeAlpha));
  painter.drawRoundedRect(badge.rect, 4, 4);
  painter.setPen(Qt::white);
  painter.drawText(badge.rect, Qt::AlignCenter, badge.word);
}

void CompareLabels::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  Draw(painter, Before());
  Draw(painter, After());
}

}  // namespace brumel
