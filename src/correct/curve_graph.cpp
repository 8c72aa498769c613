#include "correct/curve_graph.h"

#include "platform/rounding.h"

namespace brumel {

namespace {
constexpr Color kWhite{255, 255, 255};
constexpr Color kAxisGreen{0, 128, 0};
constexpr Color kCurveRed{255, 0, 0};
}  // namespace

CurveGraph::CurveGraph() : raster_(kWidth, kHeight), canvas_(raster_) {}

void CurveGraph::Draw(CorrectionSettings& settings, int cornerPosition, int centrePosition) {
  const int w = raster_.Width();
  const int h = raster_.Height();
  // The outline takes whatever pen the previous drawing left: black the first time, red after.
  canvas_.SetBrushColor(kWhite);
  canvas_.Rectangle(0, 0, w, h);
  canvas_.SetPenColor(kAxisGreen);
  canvas_.MoveTo(0, h / 2);
  canvas_.LineTo(w, h / 2);
  canvas_.MoveTo(w / 2, 0);
  canvas_.LineTo(w / 2, h);
  canvas_.SetPenColor(kCurveRed);
  canvas_.MoveTo(0, 0);
  RefreshCurveLevels(settings, cornerPosition, centrePosition);
  for (int m = 0; m <= w; ++m) {
    const double x = 2.0 * m / w - 1;
    const double t = CurveValue(settings, x);
    const int n = static_cast<int>(RoundHalfEven((t + 1) * h / 2));
    canvas_.LineTo(m, h - n);
  }
}

}  // namespace brumel
