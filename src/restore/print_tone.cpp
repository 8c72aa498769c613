// A toned print is monochrome in density: at each lightness every pixel's densities lie in one
// proportion, the toner's (sepia's blue about 1.3 times its green, its red about 0.8 times),
// which may drift from the light tones to the deep ones. A colour scene's pixels lie in every
// proportion. So each pixel's share of its density in each channel is read, and its spread
// about the median share of its lightness band tells monochrome from colour; the median share
// over the picture tells the tone. A faded colour print of a grey scene is monochrome too, but its
// tone is the dyes': cold or magenta where a dye was lost, and only a yellow paper stain, which
// sits in the highlights rather than in every tone, warms it, and the stain is judged apart.
#include "restore/print_tone.h"

#include <algorithm>
#include <cmath>

#include "restore/reduced_view.h"
#include "restore/smooth_step.h"

namespace brumel {

namespace {

// Pixels whose mean density lies below this are near the paper's white, where a tone hardly
// shows and JPEG noise decides the proportion; those above kDeepest are clipped shadows.
constexpr double kLightest = 0.3;
constexpr double kDeepest = 2.4;
// The least share of the pixels that must carry a tone for it to be read at all.
constexpr double kLeastToned = 0.02;
// The bands of mean density in which the shares are compared, each this wide from kLightest.
constexpr double kBandWidth = 0.3;
constexpr int kBands = 7;
// The median spread of the pixels' shares below which a picture is monochrome, and above
// which it is colour (a toned print 0.001 to 0.01, a colour photograph 0.02 and more).
constexpr double kMonochrome = 0.01;
constexpr double kColour = 0.02;
// How far green's share must lie above red's and blue's above green's for a warm tone: from
// none at kNoWarmth to certain at kClearWarmth (sepia lies near 0.06, a yellowed grey 0.01).
constexpr double kNoWarmth = 0.01;
constexpr double kClearWarmth = 0.025;

// Each pixel's share of its density in each channel, and its band of mean density.
struct Shares {
  std::array<std::vector<double>, 3> share;
  std::vector<int> band;
};

Shares ReadShares(const std::array<std::vector<double>, 3>& channels,
                  const std::array<double, 3>& white) {
  Shares shares;
  for (std::size_t i = 0; i < channels[0].size(); ++i) {
    std::array<double, 3> density{};
    for (int c = 0; c < 3; ++c)
      density[c] = -std::log10(std::clamp(channels[c][i] / white[c], 1e-4, 1.0));
    const double sum = density[0] + density[1] + density[2];
    if (sum < 3 * kLightest || *std::max_element(density.begin(), density.end()) > kDeepest)
      continue;
    for (int c = 0; c < 3; ++c) shares.share[c].push_back(density[c] / sum);
    shares.band.push_back(
        std::min(kBands - 1, static_cast<int>((sum / 3 - kLightest) / kBandWidth)));
  }
  return shares;
}

// The median over the pixels of each one's distance from its band's median shares.
double SpreadAboutBands(const Shares& shares) {
  std::vector<double> spread(shares.band.size());
  for (int band = 0; band < kBands; ++band) {
    std::array<std::vector<double>, 3> inBand;
    for (std::size_t i = 0; i < shares.band.size(); ++i)
      if (shares.band[i] == band)
        for (int c = 0; c < 3; ++c) inBand[c].push_back(shares.share[c][i]);
    if (inBand[0].empty()) continue;
    std::array<double, 3> median{};
    for (int c = 0; c < 3; ++c) median[c] = Percentile(inBand[c], 0.5);
    for (std::size_t i = 0; i < shares.band.size(); ++i)
      if (shares.band[i] == band)
        for (int c = 0; c < 3; ++c) spread[i] += std::abs(shares.share[c][i] - median[c]);
  }
  return Percentile(spread, 0.5);
}

}  // namespace

double MeasurePrintTone(const std::array<std::vector<double>, 3>& channels) {
  std::array<double, 3> white{};
  for (int c = 0; c < 3; ++c) {
    std::vector<double> values = channels[c];
    white[c] = Percentile(values, kHighlightShare);
    if (white[c] <= 0) return 0;
  }
  const Shares shares = ReadShares(channels, white);
  const std::size_t count = shares.band.size();
  if (count == 0 || count < kLeastToned * channels[0].size()) return 0;
  std::array<double, 3> median{};
  for (int c = 0; c < 3; ++c) {
    std::vector<double> values = shares.share[c];
    median[c] = Percentile(values, 0.5);
  }
  const double warmth = std::min(median[1] - median[0], median[2] - median[1]);
  return (1 - SmoothStep(kMonochrome, kColour, SpreadAboutBands(shares))) *
         SmoothStep(kNoWarmth, kClearWarmth, warmth);
}

}  // namespace brumel
