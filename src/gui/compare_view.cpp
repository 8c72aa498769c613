#include "gui/compare_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "gui/bitmap_image.h"

namespace brumel {

namespace {

// The grey around the picture, dark enough that the picture's own light parts stand out.
constexpr std::uint8_t kBackground = 64;

}  // namespace

CompareView::CompareView(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);  // the cursor shows where the divider can be taken
  setMinimumSize(100, 80);
}

void CompareView::ShowPicture(const Bitmap& picture) {
  Bitmap copy = picture;
  if (copy.Format() != PixelFormat::Bits24) copy.SetPixelFormat(PixelFormat::Bits24);
  picture_ = std::move(copy);
  Fit();
}

void CompareView::SetSettings(const CorrectionSettings& settings) {
  Recorrect(settings);
  settings_ = settings;
  update();
}

void CompareView::Fit() {
  fitted_ = true;
  placement_.scale = FitScale();
  Confine();
  Resample();
}

void CompareView::FullSize() {
  fitted_ = false;
  ZoomAbout(1, width() / 2.0, height() / 2.0);
}

void CompareView::HoldBefore() {
  holdingBefore_ = true;
  update();
}

void CompareView::ReleaseBefore() {
  holdingBefore_ = false;
  divider_ = 0;
  update();
}

int CompareView::DividerX() const {
  return static_cast<int>(std::lround(divider_ * width()));
}

int CompareView::SplitX() const {
  return holdingBefore_ ? width() : DividerX();
}

QRect CompareView::PictureArea() const {
  const ViewSpan across =
      SpanOnPicture(placement_.left, placement_.scale, width(), picture_.Width());
  const ViewSpan down =
      SpanOnPicture(placement_.top, placement_.scale, height(), picture_.Height());
  return QRect(across.first, down.first, static_cast<int>(across.sources.size()),
               static_cast<int>(down.sources.size()));
}

double CompareView::FitScale() const {
  if (picture_.Empty()) return 1;
  return std::min(static_cast<double>(width()) / picture_.Width(),
                  static_cast<double>(height()) / picture_.Height());
}

void CompareView::ZoomAbout(double scale, double x, double y) {
  const double least = std::min(FitScale(), 1.0);
  scale = std::clamp(scale, least, kMostZoom);
  placement_.left += x / placement_.scale - x / scale;
  placement_.top += y / placement_.scale - y / scale;
  placement_.scale = scale;
  Confine();
  Resample();
}

void CompareView::Confine() {
  const auto confine = [&](double& start, int pictureSide, int viewSide) {
    const double shown = viewSide / placement_.scale;
    if (shown >= pictureSide)
      start = (pictureSide - shown) / 2;
    else
      start = std::clamp(start, 0.0, pictureSide - shown);
  };
  confine(placement_.left, picture_.Width(), width());
  confine(placement_.top, picture_.Height(), height());
}

Bitmap CompareView::BlankView() const {
  Bitmap view(std::max(1, width()), std::max(1, height()));
  for (int y = 0; y < view.Height(); ++y) std::memset(view.ScanLine(y), kBackground, view.Stride());
  return view;
}

void CompareView::Resample() {
  Bitmap before = BlankView();
  if (!picture_.Empty()) SampleView(picture_, placement_, before);
  before_ = ToQImage(before);
  Recorrect(settings_);
  update();
}

void CompareView::Recorrect(const CorrectionSettings& settings) {
  Bitmap after = BlankView();
  if (!picture_.Empty()) CorrectView(picture_, settings, placement_, after);
  after_ = ToQImage(after);
}

void CompareView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int split = SplitX();
  painter.drawImage(QPoint(0, 0), before_, QRect(0, 0, split, before_.height()));
  painter.drawImage(QPoint(split, 0), after_,
                    QRect(split, 0, after_.width() - split, after_.height()));
  if (holdingBefore_) return;
  const int divider = DividerX();
  // A light line with a dark edge shows on light and dark pictures alike; the handle is a
  // round knob in the middle with a notch each way it moves.
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0, 0, 0, 140), 3));
  painter.drawLine(divider, 0, divider, height());
  painter.setPen(QPen(Qt::white, 1));
  painter.drawLine(divider, 0, divider, height());
  const QPointF knob(divider, height() / 2.0);
  painter.setBrush(Qt::white);
  painter.setPen(QPen(QColor(0, 0, 0, 160), 1.5));
  painter.drawEllipse(knob, 10, 10);
  painter.setBrush(QColor(60, 60, 60));
  painter.setPen(Qt::NoPen);
  for (const int side : {-1, 1})
    painter.drawPolygon(QPolygonF(
        {knob + QPointF(side * 7, 0), knob + QPointF(side * 2, -4), knob + QPointF(side * 2, 4)}));
}

void CompareView::resizeEvent(QResizeEvent* event) {
  if (fitted_) {
    Fit();
    return;
  }
  // The picture point at the view's middle stays there.
  placement_.left += (event->oldSize().width() - width()) / (2 * placement_.scale);
  placement_.top += (event->oldSize().height() - height()) / (2 * placement_.scale);
  ZoomAbout(placement_.scale, width() / 2.0, height() / 2.0);
}

void CompareView::wheelEvent(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  if (steps == 0) return;
  fitted_ = false;
  ZoomAbout(placement_.scale * std::pow(kWheelZoom, steps), event->position().x(),
            event->position().y());
  event->accept();
}

void CompareView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const bool onDivider = std::abs(event->position().x() - DividerX()) <= kDividerReach;
  drag_ = onDivider ? Drag::Divider : Drag::Pan;
  dragFrom_ = event->position();
  if (drag_ == Drag::Pan) setCursor(Qt::ClosedHandCursor);
}

void CompareView::mouseMoveEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  if (drag_ == Drag::Divider) {
    divider_ = std::clamp(at.x() / std::max(1, width()), 0.0, 1.0);
    update();
  } else if (drag_ == Drag::Pan) {
    const ViewPlacement was = placement_;
    placement_.left -= (at.x() - dragFrom_.x()) / placement_.scale;
    placement_.top -= (at.y() - dragFrom_.y()) / placement_.scale;
    dragFrom_ = at;
    Confine();
    if (placement_.left == was.left && placement_.top == was.top) return;
    fitted_ = false;
    Resample();
  } else {
    const bool onDivider = std::abs(at.x() - DividerX()) <= kDividerReach;
    setCursor(onDivider ? Qt::SplitHCursor : Qt::OpenHandCursor);
  }
}

void CompareView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  drag_ = Drag::None;
  setCursor(Qt::OpenHandCursor);
}

}  // namespace brumel
