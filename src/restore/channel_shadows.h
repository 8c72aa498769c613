// Each channel's shadows as the estimator reads them: the light of its darkest tones.
#pragma once

#include <array>
#include <vector>

namespace brumel {

// The share of a channel's pixels that lie at or below its shadows.
inline constexpr double kShadowShare = 0.005;

// Per channel (red, green, blue), the light below which kShadowShare of the pixels lie, from
// the view's light given row by row, `width` pixels to a row. Blue's reading is kept from
// falling where only a JPEG's colour error takes it (channel_shadows.cpp).
std::array<double, 3> ReadShadows(const std::array<std::vector<double>, 3>& channels, int width);

}  // namespace brumel
