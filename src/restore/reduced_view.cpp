#include "restore/reduced_view.h"

#include <algorithm>
#include <cmath>

#include "correct/correct_bitmap.h"

namespace brumel {

namespace {

// The most pixels a side of the cluster that one view pixel averages.
constexpr int kLargestCluster = 8;

const std::array<double, 256>& LinearTable() {
  static const std::array<double, 256> table = [] {
    std::array<double, 256> values{};
    for (int c = 0; c < 256; ++c) {
      const double v = c / 255.0;
      values[c] = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    }
    return values;
  }();
  return table;
}

}  // namespace

double SrgbToLinear(int sample) {
  return LinearTable()[std::clamp(sample, 0, 255)];
}

double LinearToSrgb(double light) {
  const double l = std::clamp(light, 0.0, 1.0);
  return 255 * (l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1 / 2.4) - 0.055);
}

double Percentile(std::vector<double>& values, double fraction) {
  if (values.empty()) return 0;
  const double position = std::clamp(fraction, 0.0, 1.0) * static_cast<double>(values.size() - 1);
  const auto below = static_cast<std::size_t>(position);
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(below),
                   values.end());
  const double low = values[below];
  if (below + 1 >= values.size()) return low;
  const double high =
      *std::min_element(values.begin() + static_cast<std::ptrdiff_t>(below) + 1, values.end());
  return low + (high - low) * (position - static_cast<double>(below));
}

ReducedView MakeReducedView(const Bitmap& picture, int longSide) {
  ReducedView view;
  if (picture.Empty()) return view;
  const int longer = std::max(picture.Width(), picture.Height());
  view.step = std::max(1, (longer + longSide - 1) / longSide);
  const int first = view.step / 2;
  view.width = (picture.Width() - first + view.step - 1) / view.step;
  view.height = (picture.Height() - first + view.step - 1) / view.step;
  view.centreX = (view.width - 1) / 2.0;
  view.centreY = (view.height - 1) / 2.0;
  const int cy = picture.Height() / 2, cx = picture.Width() / 2;
  const double farthest = FarthestDistance(cx, cy);
  view.distancePerPixel = farthest > 0 ? view.step / farthest : 0;
  const std::size_t count = static_cast<std::size_t>(view.width) * view.height;
  view.light.reserve(count);
  view.distance.reserve(count);
  const auto& table = LinearTable();
  // A 48-bit picture is seen through its samples narrowed to bytes: the view is estimated as
  // the same picture at 24 bits would be.
  const bool wide = picture.Format() == PixelFormat::Bits48;
  const auto byteAt = [wide](const std::uint8_t* row, std::size_t i) -> int {
    return wide ? NarrowSample(reinterpret_cast<const std::uint16_t*>(row)[i]) : row[i];
  };
  // Each view pixel is the mean light of a cluster of pixels about its place: a JPEG's blocks
  // and a film's grain move single pixels' colours far, and the estimate must not rest on them.
  const int cluster = std::min(view.step, kLargestCluster);
  const int back = cluster / 2;
  for (int y = first; y < picture.Height(); y += view.step) {
    const int top = std::max(0, y - back), bottom = std::min(picture.Height(), top + cluster);
    for (int x = first; x < picture.Width(); x += view.step) {
      const int left = std::max(0, x - back), right = std::min(picture.Width(), left + cluster);
      std::array<double, 3> sum{};
      for (int yy = top; yy < bottom; ++yy) {
        const std::uint8_t* row = picture.ScanLine(yy);
        for (int xx = left; xx < right; ++xx) {
          const std::size_t i = 3 * static_cast<std::size_t>(xx);
          sum[0] += table[byteAt(row, i + 2)];
          sum[1] += table[byteAt(row, i + 1)];
          sum[2] += table[byteAt(row, i)];
        }
      }
      const double count = static_cast<double>((bottom - top) * (right - left));
      view.light.push_back({sum[0] / count, sum[1] / count, sum[2] / count});
      view.distance.push_back(NormalisedDistance(x, y, cx, cy, farthest));
    }
  }
  return view;
}

}  // namespace brumel
