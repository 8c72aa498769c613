// Whether a picture is a toned monochrome print (sepia, selenium, gold): one colour at every
// lightness, its blue densest and its red lightest. Such a print's tone is the photographer's,
// and the estimator keeps it rather than take it for dyes that faded unequally.
#pragma once

#include <array>
#include <vector>

namespace brumel {

// From each channel's linear light (the view's pixels, the light's fall-off taken out): 0 for a
// colour picture, a grey one or a cold tone, rising to 1 for a clearly warm-toned monochrome.
// Continuous in the picture.
double MeasurePrintTone(const std::array<std::vector<double>, 3>& channels);

}  // namespace brumel
