// The program's own version: shown by the About box and compared by the update check.
#pragma once

namespace brumel {

inline constexpr double kProgramVersion = 1.13;

}  // namespace brumel
