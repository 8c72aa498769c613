// A JPEG keeps lightness finely and colour coarsely: it stores luma (mostly green and red) and
// two colour differences, quantised in blocks, and blue is luma plus 1.77 times its difference,
// so blue takes the largest colour error. In a saturated yellow or orange, where blue is already
// dark, that error takes single blocks' blue far below the true one, and the darkest half per
// cent of blue then reads the error, not the dye. The scene's own fine dark detail (a black
// line, text, a shadow's edge) lies in every channel alike, and so does grain: there a channel's
// darkest pixels lie below its neighbourhoods' means by much the same factor in each channel. So
// blue's darkest tones are trusted only as far below its neighbourhoods' darkest means as red's
// or green's lie below theirs, with a little room; what lies further is the JPEG's. Where blue's
// darkest pixels hold no finer detail than the other channels', its reading is the plain one;
// a PNG or TIFF scan is read differently only where its blue alone carries such detail.
#include "restore/channel_shadows.h"

#include <algorithm>
#include <cstddef>

#include "restore/reduced_view.h"

namespace brumel {

namespace {

// The neighbourhood's reach in view pixels either way: wider than a JPEG's colour block (16
// pixels) at any picture size the view is taken from.
constexpr int kReach = 3;
// How much further blue's darkest tones may lie below its neighbourhoods' means than the other
// channels' lie below theirs.
constexpr double kBlueRoom = 1.15;

// Each pixel's neighbourhood mean (the pixels within kReach that lie inside the view), through
// running sums over the rows and columns.
std::vector<double> NeighbourhoodMeans(const std::vector<double>& light, int width) {
  const int height = width > 0 ? static_cast<int>(light.size()) / width : 0;
  const auto w = static_cast<std::size_t>(width);
  // sums[(y + 1) * (w + 1) + x + 1]: the light of the pixels above and left of (x, y), inclusive.
  std::vector<double> sums((w + 1) * (static_cast<std::size_t>(height) + 1), 0.0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      sums[(y + 1) * (w + 1) + x + 1] = light[y * w + x] + sums[y * (w + 1) + x + 1] +
                                        sums[(y + 1) * (w + 1) + x] - sums[y * (w + 1) + x];
  std::vector<double> means(light.size());
  for (int y = 0; y < height; ++y) {
    const int top = std::max(0, y - kReach), bottom = std::min(height, y + kReach + 1);
    for (int x = 0; x < width; ++x) {
      const int left = std::max(0, x - kReach), right = std::min(width, x + kReach + 1);
      const double sum = sums[bottom * (w + 1) + right] - sums[top * (w + 1) + right] -
                         sums[bottom * (w + 1) + left] + sums[top * (w + 1) + left];
      means[y * w + x] = sum / ((bottom - top) * (right - left));
    }
  }
  return means;
}

}  // namespace

std::array<double, 3> ReadShadows(const std::array<std::vector<double>, 3>& channels, int width) {
  std::array<double, 3> shadow{}, meanShadow{};
  for (int c = 0; c < 3; ++c) {
    std::vector<double> values = channels[c];
    shadow[c] = Percentile(values, kShadowShare);
    std::vector<double> means = NeighbourhoodMeans(channels[c], width);
    meanShadow[c] = Percentile(means, kShadowShare);
  }
  // How far each channel's darkest pixels lie below its neighbourhoods' darkest means.
  // A millionth of the light keeps a black that fills whole neighbourhoods (0 in both) at 1.
  const auto depthBelowMeans = [&](int c) { return (meanShadow[c] + 1e-6) / (shadow[c] + 1e-6); };
  const double room = kBlueRoom * std::max(depthBelowMeans(0), depthBelowMeans(1));
  shadow[2] = std::max(shadow[2], meanShadow[2] / room);
  return shadow;
}

}  // namespace brumel
