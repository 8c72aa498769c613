// A view of a picture at some scale, sampled nearest-neighbour, as it is and corrected: what a
// window that shows the picture large draws, computed only for the pixels it shows. The
// corrected view's pixels are exactly the full-size correction's pixels at their sources.
#pragma once

#include <vector>

#include "correct/correction_settings.h"
#include "platform/bitmap.h"

namespace brumel {

// Where a view lies on its picture: view pixel (i, j) shows the source pixel that holds the point
// (left + (i + 1/2) / scale, top + (j + 1/2) / scale), so the view shows the source rectangle
// from (left, top), view width / scale wide and view height / scale high.
struct ViewPlacement {
  double left = 0;  // source coordinates of the view's top-left corner, any finite value
  double top = 0;
  double scale = 1;  // view pixels per source pixel, finite and above 0
};

// The view pixels along one side that fall on the picture, and the source index each shows:
// view pixel first + k shows source pixel sources[k]. Empty when none does.
struct ViewSpan {
  int first = 0;
  std::vector<int> sources;
};

// The span of a view side of viewPixels pixels starting at source coordinate start, on a picture
// side of pictureSide pixels.
ViewSpan SpanOnPicture(double start, double scale, int viewPixels, int pictureSide);

// The view's pixels that fall on the picture become the source pixels they show; the others keep
// what they hold (the caller's background). Both bitmaps at 24 bits; raises the error type
// otherwise and for a placement out of its ranges.
void SampleView(const Bitmap& picture, const ViewPlacement& placement, Bitmap& view);

// The same pixels, each corrected with the settings (levels included) exactly as CorrectBitmap
// corrects it in the full-size picture: its gain from its distance to the full picture's centre.
void CorrectView(const Bitmap& picture, const CorrectionSettings& settings,
                 const ViewPlacement& placement, Bitmap& view);

}  // namespace brumel
