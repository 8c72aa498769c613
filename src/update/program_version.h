// The program's own version: shown by the About box, compared by the update check and named in
// the Software tag of the outputs that keep their input's metadata.
#pragma once

#include <string>

#include "platform/number_text.h"

namespace brumel {

inline constexpr double kProgramVersion = 1.13;

// "Brumel 1.13", with "." whatever the locale.
inline std::string SoftwareTag() {
  return "Brumel " + FormatNumber(kProgramVersion);
}

}  // namespace brumel
