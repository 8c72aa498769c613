// Finds from a picture the levels and the control positions that restore it.
#pragma once

#include <optional>

#include "correct/correction_settings.h"
#include "correct/levels.h"
#include "platform/bitmap.h"
#include "restore/lost_dyes.h"

namespace brumel {

// What restores one picture: the levels before the correction, and the correction's controls.
struct Restoration {
  Levels levels;
  ControlPositions positions;
  // How faded the picture looks, from 0 (no sign of fading) to 100; the levels and the corners
  // are corrected only as far as it carries.
  int fading = 0;
  // What the correction gives back: the dyes it finds lost and the stain.
  LostDyes lost;
};

// The settings a person gave; the estimator keeps each one that is set and fits the others.
struct HeldSettings {
  std::optional<Levels> levels;
  std::optional<int> corner, centre, gamma, red, green, blue, curve;
};

// Deterministic; reads the picture (24 bits) through a reduced view and never copies it whole.
Restoration EstimateRestoration(const Bitmap& picture, const HeldSettings& held);

// The correction's settings that a restoration stands for.
CorrectionSettings SettingsFor(const Restoration& restoration);

}  // namespace brumel
