// Several inputs worked on at once, their outcomes taken in input order: the parallel batch's
// scheduling, apart from what is done to each input.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/ports.h"

namespace brumel {

// What the readers said while an input was worked on, kept to be shown in input order.
class RecordedMessages : public MessagePort {
 public:
  void ShowInformation(const std::string& text) override { said_.push_back({false, text}); }
  void ShowError(const std::string& text) override { said_.push_back({true, text}); }
  // The batch takes a picture read only in part, and names it as damaged.
  bool NoteDamage(const std::string& missing) override {
    missing_ = missing;
    return true;
  }
  // Says everything again, in the order it was said, through port.
  void ReplayTo(MessagePort& port) const;
  // What a picture read only in part is missing; empty for a whole one.
  const std::string& Missing() const { return missing_; }

 private:
  struct Said {
    bool error;
    std::string text;
  };
  std::vector<Said> said_;
  std::string missing_;
};

struct InputOutcome {
  bool loaded = false;            // false: the input loaded nothing
  bool failed = false;            // the work raised the error type (or ran out of memory)
  std::string reason;             // why it failed
  std::string commandLineReason;  // the same with the library's or the system's words
  RecordedMessages messages;
};

// Does one input's work on a worker thread, with that thread's own picture: true when the
// input loaded a picture; errors are raised.
using InputWork = std::function<bool(std::size_t index, Bitmap& working, MessagePort& messages)>;
// Takes an outcome on the calling thread, in input order; false ends the run: no input after it
// is started any more.
using TakeOutcome = std::function<bool(std::size_t index, InputOutcome& outcome)>;

// Runs work for inputs 0..count-1 on `jobs` threads, at most jobs inputs (and pictures) at a
// time, and hands each outcome to take in input order, announcing each index first. After a
// false from take, inputs that are already done are handed to dropped instead, and no thread
// outlives the call (nor a call that ends with an exception).
void RunInputsInOrder(std::size_t count, int jobs, const InputWork& work,
                      const std::function<void(std::size_t)>& announce, const TakeOutcome& take,
                      const std::function<void(std::size_t)>& dropped);

}  // namespace brumel
