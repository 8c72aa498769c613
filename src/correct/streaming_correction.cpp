#include "correct/streaming_correction.h"

#include <algorithm>

#include "correct/fast_correction.h"

namespace brumel {

namespace {

// Rows per claim: enough that the workers rarely meet at the counters, few enough that the
// worker keeps close behind the reader.
constexpr int kChunkRows = 16;
constexpr int kStopped = -1;

}  // namespace

StreamingCorrection::StreamingCorrection(const CorrectionSettings& settings)
    : settings_(settings), thresholds_(SampleThresholds::ForGamma(settings.Gamma)) {}

StreamingCorrection::~StreamingCorrection() {
  Stop();
}

void StreamingCorrection::Started(Bitmap& picture) noexcept {
  Stop();
  corrected_ = false;
  if (!thresholds_ || picture.Format() != PixelFormat::Bits24 || picture.Empty() ||
      CorrectionThreadCount(picture.Width(), picture.Height()) < 2)
    return;
  try {
    rows_.emplace(picture, picture, settings_, *thresholds_);
    gains_.assign(2 * static_cast<std::size_t>(rows_->GainsPerRow()), 0.0);
    height_ = picture.Height();
    finished_.store(0);
    next_.store(0);
    worker_ = std::thread([this] { Work(gains_.data()); });
  } catch (...) {
    // Without a thread (or the memory for the gains) the caller corrects afterwards.
    rows_.reset();
  }
}

void StreamingCorrection::RowsFinished(int rows) noexcept {
  if (!worker_.joinable()) return;
  // The worker hears only of whole chunks and of the last row, so that the reader's loop pays
  // for one comparison per row.
  if (rows % kChunkRows != 0 && rows != height_) return;
  finished_.store(rows, std::memory_order_release);
  finished_.notify_one();
}

void StreamingCorrection::Ended(bool complete) noexcept {
  if (!worker_.joinable()) return;
  if (!complete) {
    Stop();
    return;
  }
  finished_.store(height_, std::memory_order_release);
  finished_.notify_one();
  Work(gains_.data() + rows_->GainsPerRow());
  worker_.join();
  rows_.reset();
  corrected_ = true;
}

bool StreamingCorrection::Claim(int* first, int* end) noexcept {
  int next = next_.load(std::memory_order_relaxed);
  for (;;) {
    const int finished = finished_.load(std::memory_order_acquire);
    if (finished == kStopped || next >= height_) return false;
    if (finished - next < kChunkRows && finished < height_) {
      finished_.wait(finished, std::memory_order_acquire);
      next = next_.load(std::memory_order_relaxed);
      continue;
    }
    const int chunkEnd = std::min(next + kChunkRows, finished);
    if (next_.compare_exchange_weak(next, chunkEnd, std::memory_order_relaxed)) {
      *first = next;
      *end = chunkEnd;
      return true;
    }
  }
}

void StreamingCorrection::Work(double* gains) noexcept {
  int first = 0, end = 0;
  while (Claim(&first, &end)) rows_->RowsInOrder(first, end, gains);
}

void StreamingCorrection::Stop() noexcept {
  if (!worker_.joinable()) return;
  finished_.store(kStopped, std::memory_order_release);
  finished_.notify_all();
  worker_.join();
  rows_.reset();
}

}  // namespace brumel
