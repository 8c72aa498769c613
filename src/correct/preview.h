// The preview build after a load: the working bitmap reduced by nearest-neighbour sampling so that
// its longer side is 200 pixels, and where the corrected pane and the lower panel go then.
#pragma once

#include <optional>

#include "platform/bitmap.h"

namespace brumel {

inline constexpr int kPreviewSide = 200;
// The space between the two panes, and between the panes and the panel below them.
inline constexpr int kPreviewGap = 10;

struct Preview {
  Bitmap reduced;  // the picture of the first pane; both panes take its size
  int image2Left = 0;
  int panel1Top = 0;
};

// Nothing for an empty working bitmap. image1Left and image1Top are where the first pane stands;
// the scale may exceed 1, so small pictures are enlarged.
std::optional<Preview> BuildPreview(const Bitmap& working, int image1Left, int image1Top);

}  // namespace brumel
