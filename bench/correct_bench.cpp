// The correction pass on the preview's size and on a 24-megapixel photograph, with the
// start-up settings.
#include <benchmark/benchmark.h>

#include <random>

#include "correct/correct_bitmap.h"

namespace {

brumel::Bitmap Noise(int width, int height) {
  brumel::Bitmap bitmap(width, height);
  std::mt19937 random(1);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap.ScanLine(y);
    for (int i = 0; i < 3 * width; ++i) row[i] = static_cast<std::uint8_t>(random());
  }
  return bitmap;
}

void Reference(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  brumel::Bitmap source = Noise(width, height), target(width, height);
  const brumel::CorrectionSettings settings = brumel::SettingsFromPositions({});
  for (auto _ : state) brumel::CorrectBitmapReference(source, target, settings);
  state.SetItemsProcessed(state.iterations() * width * height);
}

}  // namespace

BENCHMARK(Reference)->Args({200, 200})->Unit(benchmark::kMillisecond);
BENCHMARK(Reference)->Args({6000, 4000})->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
