// The command line's options for a restoration, as --estimate prints them and as the record in
// an output's XMP keeps them: "--levels ... --corner ... --centre ... --curve ... --gamma ...
// --red ... --green ... --blue ...".
#pragma once

#include <optional>
#include <string>

#include "restore/estimate_restoration.h"

namespace brumel {

// The controls' options by flag, in the order the line gives them after --levels.
struct BarOption {
  const char* flag;
  int ControlPositions::*position;
  std::optional<int> HeldSettings::*held;
};
inline constexpr BarOption kBarOptions[] = {
    {"--corner", &ControlPositions::corner, &HeldSettings::corner},
    {"--centre", &ControlPositions::centre, &HeldSettings::centre},
    {"--curve", &ControlPositions::curve, &HeldSettings::curve},
    {"--gamma", &ControlPositions::gamma, &HeldSettings::gamma},
    {"--red", &ControlPositions::red, &HeldSettings::red},
    {"--green", &ControlPositions::green, &HeldSettings::green},
    {"--blue", &ControlPositions::blue, &HeldSettings::blue},
};

// The options that give these settings by hand.
std::string RestorationOptions(const Restoration& restoration);

// What the estimate found, as --estimate prints it after the options: "fading 85 cyan yellow".
std::string FadingNote(const Restoration& restoration);

}  // namespace brumel
