// The graph of the tone curve: a cross-section of the picture from one corner through the
// centre to the opposite corner, drawn into a raster that lives as long as its owner. The pen
// and brush carry over from one drawing to the next, as the frame colour shows.
#pragma once

#include "correct/correction_settings.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"

namespace brumel {

class CurveGraph {
 public:
  static constexpr int kWidth = 441;
  static constexpr int kHeight = 89;

  CurveGraph();
  CurveGraph(const CurveGraph&) = delete;
  CurveGraph& operator=(const CurveGraph&) = delete;

  // One drawing. Runs the curve-level refresh from the two fade positions into settings
  // in the middle of it, before the curve is plotted.
  void Draw(CorrectionSettings& settings, int cornerPosition, int centrePosition);

  const Bitmap& Raster() const { return raster_; }

 private:
  Bitmap raster_;
  Canvas canvas_;
};

}  // namespace brumel
