// The correction of a picture while its reader is still producing it: a second thread corrects
// the rows the reader has finished, in place, so that on two cores the correction hides behind
// a reader that uses only one.
#pragma once

#include <atomic>
#include <optional>
#include <thread>
#include <vector>

#include "correct/correction_rows.h"
#include "correct/correction_settings.h"
#include "correct/sample_thresholds.h"
#include "platform/row_progress.h"

namespace brumel {

// Handed to one read. When the read ends complete and Corrected() says so, the picture holds
// the bytes CorrectBitmap(picture, picture, settings) gives; otherwise the caller corrects as
// usual. It stays out of the way (and Corrected() stays false) for a picture that one thread
// corrects quickly, for a gamma the fast pass does not cover, and when no thread can be started.
class StreamingCorrection : public RowProgress {
 public:
  explicit StreamingCorrection(const CorrectionSettings& settings);
  ~StreamingCorrection() override;
  StreamingCorrection(const StreamingCorrection&) = delete;
  StreamingCorrection& operator=(const StreamingCorrection&) = delete;

  void Started(Bitmap& picture) noexcept override;
  void RowsFinished(int rows) noexcept override;
  void Ended(bool complete) noexcept override;

  // True when every row of the picture the read ended with has been corrected.
  bool Corrected() const { return corrected_; }

 private:
  // Corrects claimed chunks of finished rows until none is left or the work is called off.
  void Work(double* gains) noexcept;
  // Claims the next chunk; false when there is nothing left to claim, or the work is off.
  bool Claim(int* first, int* end) noexcept;
  void Stop() noexcept;

  const CorrectionSettings settings_;
  const std::optional<SampleThresholds> thresholds_;
  std::optional<CorrectionRows> rows_;
  std::vector<double> gains_;
  // The rows the reader has finished, as far as the workers know; kStopped calls the work off.
  std::atomic<int> finished_{0};
  // The first row no worker has claimed yet.
  std::atomic<int> next_{0};
  int height_ = 0;
  std::thread worker_;
  bool corrected_ = false;
};

}  // namespace brumel
