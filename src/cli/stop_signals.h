// SIGINT and SIGTERM turned into a stop request that the batch run asks about between files,
// so that a stopped run leaves no partial output and no temporary file.
#pragma once

namespace brumel {

// Catches the two signals while it lives, and puts the previous handlers back when it goes.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The signal that asked for the stop, or 0.
  int Received() const;
};

// "SIGINT" or "SIGTERM".
const char* SignalName(int signal);

}  // namespace brumel
