// The correction of a picture while its reader is still producing it: a second thread corrects
// the rows the reader has finished, in place, and goes on after the read while the writer takes
// the rows it has done; on two cores the correction hides behind a reader and a writer that use
// only one.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "correct/correction_rows.h"
#include "correct/correction_settings.h"
#include "correct/sample_thresholds.h"
#include "platform/row_progress.h"

namespace brumel {

// Handed to one read. When the read ends complete and Corrects() says so, the picture's rows
// become the bytes CorrectBitmap(picture, picture, settings) gives, each once AwaitRows has
// returned for it; otherwise the caller corrects as usual (and AwaitRows returns at once). It
// stays out of the way for a picture that one thread corrects quickly, for a gamma the fast
// pass does not cover, and when no thread can be started.
//
// The rows are corrected where the picture's pixels lie, wherever the bitmap has been moved
// since (a move keeps the pixels in place): the bitmap must not be changed or dropped before
// AwaitRows for all rows has returned or this object is gone. Its destructor finishes the
// correction, so that no picture is left half corrected.
class StreamingCorrection : public RowProgress, public RowGate {
 public:
  explicit StreamingCorrection(const CorrectionSettings& settings);
  ~StreamingCorrection() override;
  StreamingCorrection(const StreamingCorrection&) = delete;
  StreamingCorrection& operator=(const StreamingCorrection&) = delete;

  void Started(Bitmap& picture) noexcept override;
  void RowsFinished(int rows) noexcept override;
  void Ended(bool complete) noexcept override;
  // From the thread that made the read; it corrects chunks itself rather than wait idle.
  void AwaitRows(int rows) noexcept override;

  // True when the read ended complete with its rows in hand.
  bool Corrects() const { return complete_; }

 private:
  // Claims the next chunk of rows the reader has finished; false when none is left to claim or
  // the work is called off. Waits while the reader is still on the chunk's rows.
  bool Claim(int* chunk) noexcept;
  void CorrectChunk(int chunk, double* gains) noexcept;
  void Work() noexcept;
  // Corrects what is left, when the read was complete, and lets the worker go.
  void Finish() noexcept;

  const CorrectionSettings settings_;
  const std::optional<SampleThresholds> thresholds_;
  std::optional<CorrectionRows> rows_;
  std::vector<double> gains_;
  // Per chunk of rows: corrected.
  std::unique_ptr<std::atomic<bool>[]> done_;
  int height_ = 0, chunks_ = 0;
  // The rows the reader has finished, as far as the worker knows; kStopped calls the work off.
  std::atomic<int> finished_{0};
  // The first chunk nobody has claimed yet.
  std::atomic<int> next_{0};
  std::thread worker_;
  bool complete_ = false;
  // The rows AwaitRows has seen corrected.
  int ready_ = 0;
};

}  // namespace brumel
