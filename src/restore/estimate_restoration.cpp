// The estimator. A print fades in density: each dye keeps a share k of its density and the
// paper's stain adds some, so a channel's linear reflectance R becomes R^k times a constant,
// and the copy's light falls off towards the corners. Levels with a black point of 0 undo
// exactly such a power and scale: the white point takes the scale, the gamma takes k. So:
// 1. The light's fall-off is measured in linear light (light_falloff.h) and set aside; a
//    picture that looks faded came through a copy, and is given at least a copy's least loss.
// 2. Per channel, the white point: the paper stains blue and green, never red, so each
//    channel's highlights against red's, no further than a stain can go (beyond, the scene
//    colours them, and a common stain is taken), and green's no further than its share of
//    blue's: a yellow stain darkens green little.
// 3. Per channel, the gamma: a print's deepest shadows had a density of about 2.4, so k is the
//    density of the channel's darkest half per cent over that (channel_shadows.h keeps a JPEG's
//    colour error out of blue's).
// 4. The gain from the centre to the corners gives back the light the fall-off took, through
//    the curve whose shape the fall-off follows; the levels' gammas have already raised it.
// Before any of it is applied, fade_evidence.h weighs how clearly the picture shows fading at
// all (the channels' shadows lying apart like a veil, or the paper's yellow stain, with no
// channel reaching a black deeper than a print holds, unless a scanner's automatic exposure
// stretched the scan to it: scanner_stretch.h), and steps 2 to 4 are carried only that
// far: a good photograph whose shadows are light (fog, dusk, a sky) holds no black for step 3 to
// aim at, and its vignetting is the scene's. lost_dyes.h names what the correction gives back.
// Where a channel's shadows are lifted beyond any dye's loss, step 3 reads the scene's colour,
// and the levels go over towards the blind per-channel stretch instead.
// Options a person gave are kept, and the rest fitted around them.
#include "restore/estimate_restoration.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "restore/channel_shadows.h"
#include "restore/channel_stretch.h"
#include "restore/fade_evidence.h"
#include "restore/light_falloff.h"
#include "restore/print_tone.h"
#include "restore/reduced_view.h"
#include "restore/scan_frame.h"
#include "restore/scanner_stretch.h"

namespace brumel {

namespace {

// The view is this many pixels on its longer side: enough for percentiles and rings, and a
// few milliseconds at any picture size.
constexpr int kViewSide = 300;
// The most density the paper's stain adds to green (blue's: kLargestBlueStain).
constexpr double kLargestGreenStain = 0.12;
// Blue highlights that lack more density against red's than any stain adds are coloured by the
// scene (a sunset, its light on water, sand), and a stain can no longer be told in them: from
// kLargestBlueStain to kSceneDeficit the stain taken out goes down to a common one, kCommonStain.
constexpr double kSceneDeficit = 0.45;
constexpr double kCommonStain = 0.1;
// A yellow stain darkens green far less than blue: at most this share of blue's density. Where
// green's highlights lie lower than that against red's, the highlights are the scene's (a dusk's
// orange, skin, a red-brown wall), and only the stain's share is taken out.
constexpr double kGreenShareOfStain = 0.4;
// Every faded print reaches the computer through a copy, and no scan or copy stand lights the
// corners as well as the centre: a copy loses 10 to 45 % there. A picture can hide that loss
// (its corners hold lighter parts of the scene than its middle), and the fall-off's measures,
// each taking the least it can, then find none; the copy's darkened corners would read as deep
// shadows that the dyes kept. So a picture, as far as it looks faded, loses at least this much,
// in the middle one of a lamp's shapes (r^3). Where the measure is about this large its own
// shape takes over; the corners' gain is the same either way, the middle differs by at most
// 1.5 % of the light.
constexpr double kLeastCopyFalloff = 0.10;
constexpr int kLeastCopyFalloffCurve = 2;
// The gamma in which the gain works when the Gamma bar is left to the estimator: about the
// one of the sRGB pictures that scanners and cameras write.
constexpr int kSrgbGammaPosition = 220;

// The view's light per channel, with the fall-off taken out.
std::array<std::vector<double>, 3> EvenedLight(const ReducedView& view,
                                               const LightFalloff& falloff) {
  std::array<std::vector<double>, 3> channels;
  for (auto& channel : channels) channel.reserve(view.light.size());
  for (std::size_t i = 0; i < view.light.size(); ++i) {
    const double light = falloff.At(view.distance[i]);
    for (int c = 0; c < 3; ++c) channels[c].push_back(view.light[i][c] / light);
  }
  return channels;
}

// The stain in blue's highlights, given their light against red's.
double BlueStain(double ratio) {
  const double deficit = -std::log10(std::clamp(ratio, 1e-4, 1.0));
  if (deficit <= kLargestBlueStain) return deficit;
  const double beyond =
      std::min(1.0, (deficit - kLargestBlueStain) / (kSceneDeficit - kLargestBlueStain));
  return kLargestBlueStain + (kCommonStain - kLargestBlueStain) * beyond;
}

// `hiddenBlack` is light that a scanner's stretch took out of every channel's shadows alike.
std::array<ChannelMeasure, 3> MeasureFade(std::array<std::vector<double>, 3> channels, int width,
                                          double hiddenBlack) {
  std::array<double, 3> shadow = ReadShadows(channels, width);
  for (double& light : shadow) light += hiddenBlack;
  std::array<double, 3> highlight{};
  for (int c = 0; c < 3; ++c) highlight[c] = Percentile(channels[c], kHighlightShare);
  const auto againstRed = [&highlight](int c) {
    return highlight[0] > 0 ? highlight[c] / highlight[0] : 1.0;
  };
  std::array<ChannelMeasure, 3> fade;
  fade[2].white = std::pow(10.0, -BlueStain(againstRed(2)));
  fade[1].white = std::clamp(
      againstRed(1),
      std::max(std::pow(10.0, -kLargestGreenStain), std::pow(fade[2].white, kGreenShareOfStain)),
      1.0);
  for (int c = 0; c < 3; ++c) {
    fade[c].light = highlight[c];
    fade[c].depth = -std::log10(std::max(shadow[c], 1e-4) / fade[c].white);
    fade[c].kept = std::clamp(fade[c].depth / -std::log10(kDeepestShadow), 0.0, 1.0);
  }
  return fade;
}

ChannelLevels LevelsFor(const ChannelMeasure& fade) {
  ChannelLevels levels;
  levels.white = std::clamp(static_cast<int>(std::lround(LinearToSrgb(fade.white))),
                            kLevelsWhite.minimum, kLevelsWhite.maximum);
  levels.gamma = std::clamp(static_cast<int>(std::lround(fade.kept * 100)), kLevelsGamma.minimum,
                            kLevelsGamma.maximum);
  return levels;
}

// The curves the fall-off may follow: the one held, or those of a lamp's or a lens's fall-off,
// growing as r^2 to r^4 (a straight ramp towards the corners is a sky or a sunset, not the
// light; the fifth curve halves the centre level).
std::vector<int> CandidateCurves(const HeldSettings& held) {
  if (held.curve) return {*held.curve};
  return {1, 2, 3};
}

// The Corner bar that gives back the light lost at the corners. The levels' gammas have raised
// the fall-off to 1 / k (their mean, as the gain is shared), and a gain in the bar's gamma is a
// gain in linear light raised to gamma / 2.2.
int CornerFor(const LightFalloff& falloff, const Levels& levels, int gammaPosition,
              double centreGain) {
  const double keptMean =
      std::cbrt(levels.red.gamma / 100.0 * levels.green.gamma / 100.0 * levels.blue.gamma / 100.0);
  const double lightGain = std::pow(1 / (1 - falloff.amount), 1 / keptMean);
  const double gain = centreGain * std::pow(lightGain, gammaPosition / 220.0);
  return std::clamp(static_cast<int>(std::lround(100 * (gain - 1))), kCornerBar.minimum,
                    kCornerBar.maximum);
}

// The gain at the centre that the Centre bar gives with this curve.
double CentreGain(int centrePosition, int curve) {
  const double centreLevel = (centrePosition - 200) / 200.0;
  return 1 + (curve == 4 ? centreLevel * 0.5 : centreLevel);
}

}  // namespace

Restoration EstimateRestoration(const Bitmap& picture, const HeldSettings& held) {
  const ReducedView view = WithoutScanFrame(MakeReducedView(picture, kViewSide));
  LightFalloff falloff = MeasureLightFalloff(view, CandidateCurves(held));
  const std::array<std::vector<double>, 3> evened = EvenedLight(view, falloff);
  const double stretched = MeasureScannerStretch(view);
  const FadeEvidence evidence =
      WeighFadeEvidence(MeasureFade(evened, view.width, 0), MeasurePrintTone(evened), stretched);
  // The evidence rests on what the picture shows; what is corrected, on the copy's least loss
  // at least, and on the print's shadows as they were before a scanner's automatic exposure
  // moved the darkest tones to black: that took the same light out of every channel, and a
  // lost dye's lift, left smaller beside a kept dye's black, would read as a dye kept. At
  // least a print's deepest black lay under the darkest tones; so much is given back.
  if (falloff.amount < kLeastCopyFalloff * evidence.fading)
    falloff = {held.curve.value_or(kLeastCopyFalloffCurve), kLeastCopyFalloff * evidence.fading};
  const std::array<ChannelMeasure, 3> measures =
      MeasureFade(EvenedLight(view, falloff), view.width, stretched * kDeepestShadow);
  Restoration result;
  result.fading = static_cast<int>(std::lround(100 * evidence.fading));
  const std::array<ChannelMeasure, 3> fade = CorrectionCarried(measures, evidence);
  result.lost = FindLostDyes(fade);
  result.levels = held.levels.value_or(
      BlendLevels({LevelsFor(fade[0]), LevelsFor(fade[1]), LevelsFor(fade[2])},
                  StretchLevels(view, std::pow(kDeepestShadow, kLeastKept)), evidence.stretch));
  // A good photograph's own vignetting or a sky's gradient is the scene, not the copy's light.
  falloff.amount *= evidence.fading;
  ControlPositions& p = result.positions;
  p.curve = held.curve.value_or(falloff.curve);
  p.gamma = held.gamma.value_or(kSrgbGammaPosition);
  p.centre = held.centre.value_or(kCentreBar.maximum);
  p.corner = held.corner.value_or(
      CornerFor(falloff, result.levels, p.gamma, CentreGain(p.centre, p.curve)));
  p.red = held.red.value_or(kRedBar.initial);
  p.green = held.green.value_or(kGreenBar.initial);
  p.blue = held.blue.value_or(kBlueBar.initial);
  return result;
}

CorrectionSettings SettingsFor(const Restoration& restoration) {
  CorrectionSettings settings = SettingsFromPositions(restoration.positions);
  settings.levels = restoration.levels;
  return settings;
}

}  // namespace brumel
