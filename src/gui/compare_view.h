// The Compare window's picture: the loaded picture large, fitted or at any zoom, panned by
// dragging, with a divider across it: the original on its left, the correction on its right.
// Only what is shown is sampled and corrected, at the scale it is shown.
#pragma once

#include <QImage>
#include <QWidget>

#include "correct/correction_settings.h"
#include "correct/view_correction.h"
#include "platform/bitmap.h"

namespace brumel {

class CompareView : public QWidget {
  Q_OBJECT

 public:
  // How far the view zooms in, in view pixels per picture pixel; it zooms out as far as fitting
  // the picture (or 100 % for a picture smaller than the view).
  static constexpr double kMostZoom = 16;
  // The zoom of one step of the mouse wheel.
  static constexpr double kWheelZoom = 1.25;
  // How near the divider a press takes hold of it, in view pixels.
  static constexpr int kDividerReach = 6;

  explicit CompareView(QWidget* parent = nullptr);

  // Takes a copy of the picture (24 bits) and shows it fitted.
  void ShowPicture(const Bitmap& picture);
  // Corrects the shown part again; raises the error type for levels out of range, and then
  // keeps the settings it had.
  void SetSettings(const CorrectionSettings& settings);

  void Fit();
  void FullSize();
  // While the person holds B the whole view shows the original; once they let go, the whole
  // view shows the correction, the divider at the view's left edge, from where it is dragged
  // back.
  void HoldBefore();
  void ReleaseBefore();
  bool HoldingBefore() const { return holdingBefore_; }

  const ViewPlacement& Placement() const { return placement_; }
  bool Fitted() const { return fitted_; }
  // The divider's column in view pixels.
  int DividerX() const;
  // The column where the original gives way to the correction: the divider's, or the view's
  // right edge while B is held.
  int SplitX() const;
  // The view pixels that show the picture.
  QRect PictureArea() const;
  // The view's pixels of the picture, before and after the correction, in the view's size.
  const QImage& Before() const { return before_; }
  const QImage& After() const { return after_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  enum class Drag { None, Pan, Divider };

  // The zoom that fits the whole picture in the view.
  double FitScale() const;
  // A new scale with the picture point under view position (x, y) kept there.
  void ZoomAbout(double scale, double x, double y);
  // Keeps the picture centred along a side it does not fill and its edges at the view's
  // edges along a side it fills.
  void Confine();
  // Both views of the new placement.
  void Resample();
  // The corrected view alone, with the given settings.
  void Recorrect(const CorrectionSettings& settings);
  Bitmap BlankView() const;

  Bitmap picture_;
  CorrectionSettings settings_;
  ViewPlacement placement_;
  bool fitted_ = true;
  double divider_ = 0.5;  // the divider's place as a fraction of the view's width
  bool holdingBefore_ = false;
  QImage before_, after_;
  Drag drag_ = Drag::None;
  QPointF dragFrom_;
};

}  // namespace brumel
