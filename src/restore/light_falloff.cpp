#include "restore/light_falloff.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "correct/correction_settings.h"

namespace brumel {

namespace {

// No copy loses more than this share of its light at the corners; a larger measure is the scene.
constexpr double kLargestFalloff = 0.45;

struct Ring {
  double r;       // where the ring's measure stands
  double value;   // what was measured there
  double weight;  // how many pixels it rests on
};

// Rings of equal width from the centre out; the last one holds r = 1 too.
int RingOf(double r, int rings) {
  return std::min(rings - 1, static_cast<int>(r * rings));
}

// The brightest parts of each ring relative to the innermost ring's: a scene's whites and skies
// lie at every distance, and the light scales them all alike.
std::vector<Ring> BrightRings(const ReducedView& view) {
  constexpr int kRings = 12;
  std::array<std::vector<double>, kRings> bright;
  for (std::size_t i = 0; i < view.light.size(); ++i) {
    const auto& l = view.light[i];
    bright[RingOf(view.distance[i], kRings)].push_back(std::max({l[0], l[1], l[2]}));
  }
  std::vector<Ring> rings;
  for (int i = 0; i < kRings; ++i) {
    if (bright[i].size() < 20) continue;
    rings.push_back(
        {(i + 0.5) / kRings, Percentile(bright[i], 0.9), static_cast<double>(bright[i].size())});
  }
  if (rings.empty() || !(rings.front().value > 0)) return {};
  const double centre = rings.front().value;
  for (Ring& ring : rings) ring.value = std::clamp(ring.value / centre, 0.3, 1.5);
  return rings;
}

// The least-squares f for light = 1 - f * shape over the rings.
LightFalloff FitBrightRings(const std::vector<Ring>& rings, const std::vector<int>& curves) {
  LightFalloff best;
  double bestError = std::numeric_limits<double>::infinity();
  for (int curve : curves) {
    double along = 0, across = 0;
    for (const Ring& ring : rings) {
      const double s = CurveShape(curve, ring.r);
      along += ring.weight * s * (1 - ring.value);
      across += ring.weight * s * s;
    }
    const double f = across > 0 ? std::clamp(along / across, 0.0, kLargestFalloff) : 0;
    double error = 0;
    for (const Ring& ring : rings) {
      const double miss = ring.value - (1 - f * CurveShape(curve, ring.r));
      error += ring.weight * miss * miss;
    }
    if (error < bestError) bestError = error, best = {curve, f};
  }
  return best;
}

double Luminance(const std::array<double, 3>& l) {
  return 0.2126 * l[0] + 0.7152 * l[1] + 0.0722 * l[2];
}

// The change of a view along one axis at index i of n, as central differences (one-sided at
// the ends).
double Difference(const std::vector<double>& v, std::size_t i, std::size_t stride, int at, int n) {
  if (n < 2) return 0;
  if (at == 0) return v[i + stride] - v[i];
  if (at == n - 1) return v[i] - v[i - stride];
  return (v[i + stride] - v[i - stride]) / 2;
}

// Per ring, the mean gradient of the log brightness along the radius, per unit of r, over the
// smooth, well-exposed pixels: edges and clipped parts say nothing about the light. Measured
// apart towards the sides and towards the top and bottom: a lamp's or a lens's fall-off is the
// same all round, while a sky darkening upwards and its reflection downwards (a dusk over
// water) fall only one way.
std::array<std::vector<Ring>, 2> RadialGradientRings(const ReducedView& view) {
  constexpr int kRings = 10;
  const std::size_t count = view.light.size();
  if (count == 0 || view.distancePerPixel <= 0) return {};
  std::vector<double> logLight(count), luminance(count);
  for (std::size_t i = 0; i < count; ++i) {
    luminance[i] = Luminance(view.light[i]);
    logLight[i] = std::log(std::max(luminance[i], 1e-4));
  }
  std::vector<double> radial(count), magnitude(count);
  std::vector<int> sector(count);
  const double cy = view.centreY, cx = view.centreX;
  for (int y = 0; y < view.height; ++y) {
    for (int x = 0; x < view.width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * view.width + x;
      const double gx = Difference(logLight, i, 1, x, view.width);
      const double gy =
          Difference(logLight, i, static_cast<std::size_t>(view.width), y, view.height);
      const double dx = x - cx, dy = y - cy;
      const double away = std::hypot(dx, dy) + 1e-9;
      // Each sector reads only the gradient across it, as far as a radial fall-off shows there.
      sector[i] = std::abs(dx) * (cy + 1) >= std::abs(dy) * (cx + 1) ? 0 : 1;
      radial[i] = (sector[i] == 0 ? gx * away / dx : gy * away / dy) / view.distancePerPixel;
      magnitude[i] = std::hypot(gx, gy);
    }
  }
  std::vector<double> sorted = magnitude;
  const double smooth = Percentile(sorted, 0.6);
  std::array<std::array<std::vector<double>, kRings>, 2> along, where;
  for (std::size_t i = 0; i < count; ++i) {
    const double r = view.distance[i];
    if (!(luminance[i] > 0.05 && luminance[i] < 0.95 && magnitude[i] < smooth && r > 0.05))
      continue;
    along[sector[i]][RingOf(r, kRings)].push_back(std::clamp(radial[i], -3.0, 3.0));
    where[sector[i]][RingOf(r, kRings)].push_back(r);
  }
  std::array<std::vector<Ring>, 2> rings;
  for (int s = 0; s < 2; ++s) {
    for (int i = 0; i < kRings; ++i) {
      if (along[s][i].size() < 30) continue;
      double sum = 0;
      for (double g : along[s][i]) sum += g;
      rings[s].push_back({Percentile(where[s][i], 0.5),
                          sum / static_cast<double>(along[s][i].size()),
                          static_cast<double>(along[s][i].size())});
    }
  }
  return rings;
}

double ShapeSlope(int curve, double r) {
  switch (curve) {
    case 0: return 1;
    case 1: return 2 * r;
    case 2: return 3 * r * r;
    case 3: return 4 * r * r * r;
    default: return (1 + 2 * r) / 2;
  }
}

// The f (in hundredths) whose log light's slope, -f s'(r) / (1 - f s(r)), fits the rings best.
LightFalloff FitRadialGradient(const std::vector<Ring>& rings, const std::vector<int>& curves) {
  LightFalloff best;
  double bestError = std::numeric_limits<double>::infinity();
  for (int curve : curves) {
    for (int hundredths = 0; hundredths <= kLargestFalloff * 100; ++hundredths) {
      const double f = hundredths / 100.0;
      double error = 0;
      for (const Ring& ring : rings) {
        const double slope = -f * ShapeSlope(curve, ring.r) / (1 - f * CurveShape(curve, ring.r));
        error += ring.weight * (ring.value - slope) * (ring.value - slope);
      }
      if (error < bestError) bestError = error, best = {curve, f};
    }
  }
  return best;
}

}  // namespace

double CurveShape(int curve, double r) {
  CorrectionSettings unit;
  unit.Curve = curve;
  unit.CurveSpan = 1;
  unit.CentreLevel = 0;
  return CurveValue(unit, r);
}

double LightFalloff::At(double r) const {
  return 1 - amount * CurveShape(curve, r);
}

LightFalloff MeasureLightFalloff(const ReducedView& view, const std::vector<int>& curves) {
  const std::vector<Ring> bright = BrightRings(view);
  const std::array<std::vector<Ring>, 2> gradient = RadialGradientRings(view);
  if (bright.empty() || gradient[0].empty() || gradient[1].empty() || curves.empty())
    return {curves.empty() ? 0 : curves.front(), 0};
  LightFalloff least = FitBrightRings(bright, curves);
  for (const std::vector<Ring>& rings : gradient) {
    const LightFalloff byGradient = FitRadialGradient(rings, curves);
    if (byGradient.amount < least.amount) least = byGradient;
  }
  return least;
}

}  // namespace brumel
