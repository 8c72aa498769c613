#include "batch/inputs_in_order.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "platform/error.h"

namespace brumel {

void RecordedMessages::ReplayTo(MessagePort& port) const {
  for (const Said& said : said_) {
    if (said.error)
      port.ShowError(said.text);
    else
      port.ShowInformation(said.text);
  }
}

namespace {

// The outcomes, and which of them are done, shared by the workers and the calling thread.
class Outcomes {
 public:
  explicit Outcomes(std::size_t count) : outcomes_(count), done_(count, false) {}

  void Finish(std::size_t index, InputOutcome outcome) {
    {
      std::lock_guard lock(mutex_);
      outcomes_[index] = std::move(outcome);
      done_[index] = true;
    }
    changed_.notify_all();
  }
  InputOutcome& Await(std::size_t index) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return done_[index]; });
    return outcomes_[index];
  }
  bool Done(std::size_t index) {
    std::lock_guard lock(mutex_);
    return done_[index];
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<InputOutcome> outcomes_;
  std::vector<bool> done_;
};

InputOutcome WorkOn(const InputWork& work, std::size_t index, Bitmap& working) {
  InputOutcome outcome;
  try {
    outcome.loaded = work(index, working, outcome.messages);
  } catch (const Error& error) {
    outcome.failed = true;
    outcome.reason = error.what();
    outcome.commandLineReason = error.CommandLineText();
  } catch (const std::bad_alloc&) {
    outcome.failed = true;
    outcome.reason = outcome.commandLineReason = "Out of memory";
  }
  return outcome;
}

}  // namespace

void RunInputsInOrder(std::size_t count, int jobs, const InputWork& work,
                      const std::function<void(std::size_t)>& announce, const TakeOutcome& take,
                      const std::function<void(std::size_t)>& dropped) {
  Outcomes outcomes(count);
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stopped{false};
  const auto worker = [&] {
    Bitmap working;
    for (;;) {
      const std::size_t index = next.fetch_add(1);
      if (index >= count) return;
      // An input not started once the run is over is still marked done, so nobody waits on it.
      if (stopped.load()) {
        outcomes.Finish(index, {});
        continue;
      }
      outcomes.Finish(index, WorkOn(work, index, working));
    }
  };
  std::vector<std::jthread> workers;
  // The threads are joined before the outcomes go, whatever ends the run.
  struct Stop {
    std::atomic<bool>& stopped;
    std::vector<std::jthread>& workers;
    ~Stop() {
      stopped.store(true);
      workers.clear();
    }
  } stop{stopped, workers};
  for (int i = 0; i < jobs; ++i) {
    try {
      workers.emplace_back(worker);
    } catch (const std::system_error&) {
      break;  // fewer threads only cost time
    }
  }
  if (workers.empty()) worker();

  std::size_t index = 0;
  for (; index < count; ++index) {
    announce(index);
    if (!take(index, outcomes.Await(index))) break;
  }
  stopped.store(true);
  workers.clear();
  for (std::size_t later = index + 1; later < count; ++later)
    if (outcomes.Done(later)) dropped(later);
}

}  // namespace brumel
