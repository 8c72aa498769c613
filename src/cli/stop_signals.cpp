#include "cli/stop_signals.h"

#include <atomic>
#include <csignal>

namespace brumel {

namespace {

// A signal handler can only reach the run through a flag of its own. The handler runs on any of
// the run's threads and the workers ask on others, which a volatile sig_atomic_t does not order;
// a lock-free atomic is both safe in a handler and shared between threads.
std::atomic<int> received{0};
static_assert(std::atomic<int>::is_always_lock_free);

struct sigaction previousInterrupt, previousTerminate;

void Note(int signal) {
  received = signal;
}

}  // namespace

StopSignals::StopSignals() {
  received = 0;
  struct sigaction action {};
  action.sa_handler = Note;
  // Reads and writes under way go on, so that the file being worked on ends cleanly.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previousInterrupt);
  sigaction(SIGTERM, &action, &previousTerminate);
}

StopSignals::~StopSignals() {
  sigaction(SIGINT, &previousInterrupt, nullptr);
  sigaction(SIGTERM, &previousTerminate, nullptr);
}

int StopSignals::Received() const {
  return received;
}

const char* SignalName(int signal) {
  return signal == SIGINT ? "SIGINT" : "SIGTERM";
}

}  // namespace brumel
