// A scan's frame: the scanner's lid about a print laid loosely on the glass, white or black, a
// slide's mount, a film holder's edge. It is no part of the photograph: a black one, deeper than
// any faded print's shadows, would read as a good photograph's true black, and a white lid's
// neutral white would hide the paper's stain.
#pragma once

#include "restore/reduced_view.h"

namespace brumel {

// The view without the rows and columns that frame it on any side, each side's frame at most a
// thin strip: a longer run of such lines (a night sky, a black backdrop, an overcast sky) is the
// scene's and stays. The pixels keep their distances from the picture's centre, and the view
// the picture's centre.
ReducedView WithoutScanFrame(ReducedView view);

}  // namespace brumel
