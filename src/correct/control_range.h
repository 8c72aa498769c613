// One control of the correction: its range and its position at start-up. The window's bars and
// the command line both take these, so they cannot drift apart.
#pragma once

namespace brumel {

struct ControlRange {
  const char* name;
  int minimum;
  int maximum;
  int initial;
};

}  // namespace brumel
