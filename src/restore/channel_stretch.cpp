// The stretch maps each channel's own range onto the full range and assumes nothing of the
// scene: neither that it held a deep black nor how the dyes lost their density. It is what a
// restorer falls back on where the fading model's reading of the shadows fails, as where a
// channel is lifted by the scene itself (a sky, the sea, sand) and its darkest tones say
// nothing of its dye. The clipped share is small enough to keep every highlight a print holds.
// No black point is set higher than fading can lift a black: tones lighter than that are the
// scene's own in any case (a sky whose blue never darkens keeps its light blue). Where such a
// channel's highlights also lack against the lightest channel's more than a yellowed paper
// darkens them, the scene colours both ends of it (a jetty in a warm sunset light), and its
// white point goes up to the full range: a stretch at its white end alone would lighten that
// one channel all over, a tint the picture never had.
#include "restore/channel_stretch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "restore/fade_evidence.h"
#include "restore/smooth_step.h"

namespace brumel {

namespace {

// The share of the view's pixels left below the black point and above the white point.
constexpr double kClipped = 0.0005;
// The channel's darkest tones, as a multiple of the highest black point fading leaves, at which
// its white point starts to be taken for the scene's and at which it surely is.
constexpr double kFadedBlack = 1;
constexpr double kSceneBlack = 2;
// The density by which a channel's highlights lack against the lightest channel's, up to which
// a yellowed paper's stain darkens them as often as a scene's colour does.
constexpr double kStainedWhite = 0.15;

int Lerp(int from, int to, double weight) {
  return static_cast<int>(std::lround(from + (to - from) * weight));
}

// The levels nearest these values that stay in their ranges, the black point below the white.
ChannelLevels InRange(int black, int white, int gamma) {
  ChannelLevels levels;
  levels.white = std::clamp(white, kLevelsWhite.minimum + 1, kLevelsWhite.maximum);
  levels.black = std::clamp(black, kLevelsBlack.minimum, levels.white - 1);
  levels.gamma = std::clamp(gamma, kLevelsGamma.minimum, kLevelsGamma.maximum);
  return levels;
}

ChannelLevels Blend(const ChannelLevels& model, const ChannelLevels& stretch, double weight) {
  return InRange(Lerp(model.black, stretch.black, weight), Lerp(model.white, stretch.white, weight),
                 Lerp(model.gamma, stretch.gamma, weight));
}

}  // namespace

Levels StretchLevels(const ReducedView& view, double liftedBlack) {
  std::array<double, 3> darkest{}, white{};
  std::vector<double> values(view.light.size());
  for (int c = 0; c < 3; ++c) {
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = view.light[i][c];
    darkest[c] = Percentile(values, kClipped);
    white[c] = Percentile(values, 1 - kClipped);
  }
  const double lightest = *std::max_element(white.begin(), white.end());
  Levels levels;
  ChannelLevels* channels[3] = {&levels.red, &levels.green, &levels.blue};
  for (int c = 0; c < 3; ++c) {
    const double highestBlack = liftedBlack * white[c];
    const double scene =
        highestBlack > 0
            ? SmoothStep(kFadedBlack, kSceneBlack, darkest[c] / highestBlack) *
                  SmoothStep(kStainedWhite, kLargestBlueStain, std::log10(lightest / white[c]))
            : 0;
    *channels[c] =
        InRange(static_cast<int>(std::lround(LinearToSrgb(std::min(darkest[c], highestBlack)))),
                static_cast<int>(std::lround(LinearToSrgb(white[c] + (1 - white[c]) * scene))),
                kLevelsGamma.initial);
  }
  return levels;
}

Levels BlendLevels(const Levels& model, const Levels& stretch, double weight) {
  const double w = std::clamp(weight, 0.0, 1.0);
  return {Blend(model.red, stretch.red, w), Blend(model.green, stretch.green, w),
          Blend(model.blue, stretch.blue, w)};
}

}  // namespace brumel
