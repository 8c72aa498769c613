// Draws the sample picture shipped in docs/: a small landscape, faded the way old prints fade,
// brighter in the middle, darker towards the corners, with the blue dye washed out, and grain.
// Usage: make_faded_sample OUTPUT.jpg [WIDTH HEIGHT]
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "correct/correction_settings.h"
#include "formats/jpeg/jpeg_codec.h"
#include "platform/bitmap.h"
#include "platform/error.h"

namespace {

struct Rgb {
  double r, g, b;
};

Rgb Scene(double u, double v) {
  const double hill = 0.62 + 0.08 * std::sin(u * 7.0) + 0.04 * std::sin(u * 17.0 + 1.0);
  const double sunDistance = std::hypot(u - 0.75, v - 0.22);
  if (sunDistance < 0.07) return {1.0, 0.92, 0.6};
  if (v < hill) return {0.35 + 0.3 * v, 0.55 + 0.3 * v, 0.95};
  if (u > 0.2 && u < 0.34 && v > hill - 0.12 && v < hill + 0.05) return {0.75, 0.18, 0.12};
  const double grass = 0.5 + 0.15 * std::sin(u * 90.0) * std::sin(v * 60.0);
  return {0.2 * grass, 0.55 * grass + 0.15, 0.12};
}

// Linear light scaled by the inverse of the start-up correction's gain, blue contrast halved.
Rgb Faded(Rgb colour, double r) {
  const brumel::CorrectionSettings start = brumel::SettingsFromPositions({});
  const double gain = 1.0 / (1.0 + brumel::CurveValue(start, r));
  auto fade = [gain](double sample) { return std::pow(std::pow(sample, 1.8) * gain, 1 / 1.8); };
  return {fade(colour.r), fade(colour.g), fade(0.5 + (colour.b - 0.5) * 0.5)};
}

// The grain of a scanned print: a few levels of noise that differs from pixel to pixel and
// channel to channel, the same on every run.
double Grain(int x, int y, int channel) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^
                    static_cast<std::uint32_t>(y) * 19349663u ^
                    static_cast<std::uint32_t>(channel) * 83492791u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return (static_cast<double>(h % 1024) / 1023.0 - 0.5) * 0.1;
}

std::uint8_t Byte(double value) {
  return static_cast<std::uint8_t>(std::lround(std::fmin(1.0, std::fmax(0.0, value)) * 255));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    std::fprintf(stderr, "usage: make_faded_sample OUTPUT.jpg [WIDTH HEIGHT]\n");
    return 2;
  }
  const int width = argc == 4 ? std::atoi(argv[2]) : 480;
  const int height = argc == 4 ? std::atoi(argv[3]) : 320;
  if (width < 2 || height < 2 || width > 20000 || height > 20000) {
    std::fprintf(stderr, "make_faded_sample: sizes from 2 to 20000\n");
    return 2;
  }
  brumel::Bitmap picture(width, height);
  const double farthest = std::hypot(width / 2, height / 2);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = picture.ScanLine(y);
    for (int x = 0; x < width; ++x) {
      const double r = std::hypot(x - width / 2, y - height / 2) / farthest;
      const Rgb colour =
          Faded(Scene(static_cast<double>(x) / width, static_cast<double>(y) / height), r);
      row[3 * x] = Byte(colour.b + Grain(x, y, 0));
      row[3 * x + 1] = Byte(colour.g + Grain(x, y, 1));
      row[3 * x + 2] = Byte(colour.r + Grain(x, y, 2));
    }
  }
  try {
    brumel::SaveJpegFile(argv[1], picture);
  } catch (const brumel::Error& error) {
    std::fprintf(stderr, "make_faded_sample: %s\n", error.what());
    return 1;
  }
  return 0;
}
