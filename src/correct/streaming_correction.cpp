#include "correct/streaming_correction.h"

#include <algorithm>

#include "correct/fast_correction.h"

namespace brumel {

namespace {

// Rows per chunk: enough that the threads rarely meet at the counters, few enough that the
// worker keeps close behind the reader and the writer close behind the worker.
constexpr int kChunkRows = 16;
constexpr int kStopped = -1;

}  // namespace

StreamingCorrection::StreamingCorrection(const CorrectionSettings& settings)
    : settings_(settings), thresholds_(SampleThresholds::ForGamma(settings.Gamma)) {}

StreamingCorrection::~StreamingCorrection() {
  Finish();
}

void StreamingCorrection::Started(Bitmap& picture) noexcept {
  Finish();
  if (!thresholds_ || picture.Format() != PixelFormat::Bits24 || picture.Empty() ||
      CorrectionThreadCount(picture.Width(), picture.Height()) < 2)
    return;
  try {
    height_ = picture.Height();
    chunks_ = (height_ + kChunkRows - 1) / kChunkRows;
    done_ = std::make_unique<std::atomic<bool>[]>(static_cast<std::size_t>(chunks_));
    rows_.emplace(picture, picture, settings_, *thresholds_);
    gains_.assign(2 * static_cast<std::size_t>(rows_->GainsPerRow()), 0.0);
    finished_.store(0);
    next_.store(0);
    ready_ = 0;
    worker_ = std::thread([this] { Work(); });
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
    Finish();  // with the read incomplete, only stops the worker
    return;
  }
  finished_.store(height_, std::memory_order_release);
  finished_.notify_one();
  complete_ = true;
}

void StreamingCorrection::AwaitRows(int rows) noexcept {
  if (!complete_ || rows <= ready_) return;
  const int last = (std::min(rows, height_) - 1) / kChunkRows;
  for (int chunk = ready_ / kChunkRows; chunk <= last; ++chunk) {
    while (!done_[chunk].load(std::memory_order_acquire)) {
      int mine = 0;
      // Only a chunk the writer needs and nobody has taken: running ahead of its own rows would
      // move the correction off the second core and in front of the writer's own work.
      if (next_.load(std::memory_order_relaxed) <= chunk && Claim(&mine))
        CorrectChunk(mine, gains_.data() + rows_->GainsPerRow());
      else
        done_[chunk].wait(false, std::memory_order_acquire);
    }
  }
  ready_ = std::min(height_, (last + 1) * kChunkRows);
}

bool StreamingCorrection::Claim(int* chunk) noexcept {
  int next = next_.load(std::memory_order_relaxed);
  for (;;) {
    const int finished = finished_.load(std::memory_order_acquire);
    if (finished == kStopped || next >= chunks_) return false;
    if (finished < std::min(height_, (next + 1) * kChunkRows)) {
      finished_.wait(finished, std::memory_order_acquire);
      next = next_.load(std::memory_order_relaxed);
      continue;
    }
    if (next_.compare_exchange_weak(next, next + 1, std::memory_order_relaxed)) {
      *chunk = next;
      return true;
    }
  }
}

void StreamingCorrection::CorrectChunk(int chunk, double* gains) noexcept {
  const int first = chunk * kChunkRows;
  rows_->RowsInOrder(first, std::min(height_, first + kChunkRows), gains);
  done_[chunk].store(true, std::memory_order_release);
  done_[chunk].notify_all();
}

void StreamingCorrection::Work() noexcept {
  int chunk = 0;
  while (Claim(&chunk)) CorrectChunk(chunk, gains_.data());
}

void StreamingCorrection::Finish() noexcept {
  AwaitRows(height_);
  if (worker_.joinable()) {
    finished_.store(kStopped, std::memory_order_release);
    finished_.notify_all();
    worker_.join();
  }
  rows_.reset();
  complete_ = false;
}

}  // namespace brumel
