// The stretch maps each channel's own range onto the full range and assumes nothing of the
// scene: neither that it held a deep black nor how the dyes lost their density. It is what a
// restorer falls back on where the fading model's reading of the shadows fails, as where a
// channel is lifted by the scene itself (a sky, the sea, sand) and its darkest tones say
// nothing of its dye. The clipped share is small enough to keep every highlight a print holds.
// No black point is set higher than fading can lift a black: tones lighter than that are the
// scene's own in any case (a sky whose blue never darkens keeps its light blue).
#include "correct/channel_stretch.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace brumel {

namespace {

// The share of the view's pixels left below the black point and above the white point.
constexpr double kClipped = 0.0005;

int Lerp(int from, int to, double weight) {
  return static_cast<int>(std::lround(from + (to - from) * weight));
}

ChannelLevels Blend(const ChannelLevels& model, const ChannelLevels& stretch, double weight) {
  ChannelLevels blended;
  blended.white = std::clamp(Lerp(model.white, stretch.white, weight), kLevelsWhite.minimum + 1,
                             kLevelsWhite.maximum);
  blended.black = std::clamp(Lerp(model.black, stretch.black, weight), kLevelsBlack.minimum,
                             blended.white - 1);
  blended.gamma = std::clamp(Lerp(model.gamma, stretch.gamma, weight), kLevelsGamma.minimum,
                             kLevelsGamma.maximum);
  return blended;
}

}  // namespace

Levels StretchLevels(const ReducedView& view, double liftedBlack) {
  Levels levels;
  ChannelLevels* channels[3] = {&levels.red, &levels.green, &levels.blue};
  std::vector<double> values(view.light.size());
  for (int c = 0; c < 3; ++c) {
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = view.light[i][c];
    const double whiteLight = Percentile(values, 1 - kClipped);
    const double black =
        LinearToSrgb(std::min(Percentile(values, kClipped), liftedBlack * whiteLight));
    const double white = LinearToSrgb(whiteLight);
    channels[c]->white = std::clamp(static_cast<int>(std::lround(white)),
                                    kLevelsWhite.minimum + 1, kLevelsWhite.maximum);
    channels[c]->black = std::clamp(static_cast<int>(std::lround(black)), kLevelsBlack.minimum,
                                    channels[c]->white - 1);
  }
  return levels;
}

Levels BlendLevels(const Levels& model, const Levels& stretch, double weight) {
  const double w = std::clamp(weight, 0.0, 1.0);
  return {Blend(model.red, stretch.red, w), Blend(model.green, stretch.green, w),
          Blend(model.blue, stretch.blue, w)};
}

}  // namespace brumel
