// The correction pass on the preview's size and on a 24-megapixel photograph, with the
// start-up settings: the direct reference and the pass the program uses, side by side, and how
// many times faster the latter is, from the same run. Then the Compare window's refresh of a
// 1200 x 800 view on the photograph, fitted and at 100 %: a new place (both views sampled, the
// right one corrected) and a new setting (the corrected view alone); their CPU time is that of
// all the threads, the work a refresh costs whatever the machine's load. Last, the pass on a
// 24-megapixel scan at 8 and at 16 bits per sample, and how many times the 8-bit pass's time the
// 16-bit one takes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "correct/correct_bitmap.h"
#include "correct/view_correction.h"

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

// A scan-like picture: smooth tones with a grain of about a quarter of a byte's step at 16 bits,
// the way a scanner's samples vary; at 24 bits the same picture narrowed.
brumel::Bitmap Scan(int width, int height, brumel::PixelFormat format) {
  brumel::Bitmap bitmap(width, height, brumel::PixelFormat::Bits48);
  std::mt19937 random(2);
  for (int y = 0; y < height; ++y) {
    auto* row = bitmap.SampleLine<std::uint16_t>(y);
    for (int x = 0; x < width; ++x)
      for (int k = 0; k < 3; ++k) {
        const std::int64_t tone =
            4000 + std::int64_t{x * (k + 3) + y * (5 - k)} * 60000 / (8 * (width + height));
        row[3 * x + k] = static_cast<std::uint16_t>(tone + random() % 128);
      }
  }
  bitmap.SetPixelFormat(format);
  return bitmap;
}

template <brumel::PixelFormat Format>
void ScanPass(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const brumel::Bitmap source = Scan(width, height, Format);
  brumel::Bitmap target(width, height, Format);
  const brumel::CorrectionSettings settings = brumel::SettingsFromPositions({});
  for (auto _ : state) brumel::CorrectBitmap(source, target, settings);
  state.SetItemsProcessed(state.iterations() * width * height);
}
void Scan24(benchmark::State& state) {
  ScanPass<brumel::PixelFormat::Bits24>(state);
}
void Scan48(benchmark::State& state) {
  ScanPass<brumel::PixelFormat::Bits48>(state);
}

template <void (*Correct)(const brumel::Bitmap&, brumel::Bitmap&,
                          const brumel::CorrectionSettings&)>
void Pass(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  brumel::Bitmap source = Noise(width, height), target(width, height);
  const brumel::CorrectionSettings settings = brumel::SettingsFromPositions({});
  for (auto _ : state) Correct(source, target, settings);
  state.SetItemsProcessed(state.iterations() * width * height);
}

void Reference(benchmark::State& state) {
  Pass<brumel::CorrectBitmapReference>(state);
}
void Fast(benchmark::State& state) {
  Pass<brumel::CorrectBitmap>(state);
}

constexpr int kPhotoWidth = 6000, kPhotoHeight = 4000, kViewWidth = 1200, kViewHeight = 800;

const brumel::Bitmap& Photo() {
  static const brumel::Bitmap photo = Noise(kPhotoWidth, kPhotoHeight);
  return photo;
}

// The view's placement: range 0 fits the photograph to the view, 1 shows its middle at 100 %.
brumel::ViewPlacement Placement(const benchmark::State& state) {
  if (state.range(0) == 0)
    return {0, 0, std::min(double(kViewWidth) / kPhotoWidth, double(kViewHeight) / kPhotoHeight)};
  return {(kPhotoWidth - kViewWidth) / 2.0, (kPhotoHeight - kViewHeight) / 2.0, 1};
}

void CompareNewPlace(benchmark::State& state) {
  const brumel::CorrectionSettings settings = brumel::SettingsFromPositions({});
  brumel::Bitmap before(kViewWidth, kViewHeight), after(kViewWidth, kViewHeight);
  const brumel::ViewPlacement placement = Placement(state);
  const brumel::Bitmap& photo = Photo();  // made before the clock runs
  for (auto _ : state) {
    brumel::SampleView(photo, placement, before);
    brumel::CorrectView(photo, settings, placement, after);
  }
  state.SetItemsProcessed(state.iterations() * kViewWidth * kViewHeight);
}

void CompareNewSetting(benchmark::State& state) {
  brumel::CorrectionSettings settings = brumel::SettingsFromPositions({});
  brumel::Bitmap after(kViewWidth, kViewHeight);
  const brumel::ViewPlacement placement = Placement(state);
  const brumel::Bitmap& photo = Photo();
  int step = 0;
  for (auto _ : state) {
    settings.CrossRed = (step++ % 100 - 50) * 0.01;  // as a colour bar moving
    brumel::CorrectView(photo, settings, placement, after);
  }
  state.SetItemsProcessed(state.iterations() * kViewWidth * kViewHeight);
}

// Prints the usual table, then per size the wall-clock time of the pass the program uses against
// the reference's.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      // With repetitions the quickest stands for the pass: the others met a busier machine.
      const auto [entry, added] =
          times_[run.run_name.args].emplace(run.run_name.function_name, run.GetAdjustedRealTime());
      if (!added) entry->second = std::min(entry->second, run.GetAdjustedRealTime());
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [size, byName] : times_) {
      const auto reference = byName.find("Reference"), fast = byName.find("Fast");
      if (reference != byName.end() && fast != byName.end())
        std::printf("%-10s reference %9.3f ms   fast %8.3f ms   %6.1f times faster\n",
                    size.c_str(), reference->second, fast->second,
                    reference->second / fast->second);
      const auto bytes = byName.find("Scan24"), wide = byName.find("Scan48");
      if (bytes != byName.end() && wide != byName.end())
        std::printf("%-10s 8-bit %9.3f ms   16-bit %8.3f ms   16-bit takes %.2f times as long\n",
                    size.c_str(), bytes->second, wide->second, wide->second / bytes->second);
    }
  }

 private:
  std::map<std::string, std::map<std::string, double>> times_;
};

}  // namespace

BENCHMARK(Reference)->Args({200, 200})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Fast)->Args({200, 200})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Reference)->Args({6000, 4000})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Fast)->Args({6000, 4000})->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(Scan24)->Args({6000, 4000})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Scan48)->Args({6000, 4000})->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(CompareNewPlace)
    ->ArgName("fit0_full1")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(CompareNewSetting)
    ->ArgName("fit0_full1")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
