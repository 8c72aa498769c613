#include "correct/correction_rows.h"

#include "correct/levels.h"

namespace brumel {

template <ColourSample Sample>
std::unique_ptr<const LightTablesOf<Sample>> CrossedLight(const CorrectionSettings& settings) {
  const double midLevel = Power(0.5, settings.Gamma);
  const double cross[3] = {settings.CrossBlue, settings.CrossGreen, settings.CrossRed};
  const auto levelled = LevelsTablesOf<Sample>(settings.levels);
  auto tables = std::make_unique<LightTablesOf<Sample>>();
  for (int channel = 0; channel < 3; ++channel)
    for (int c = 0; c <= kSampleMax<Sample>; ++c)
      (*tables)[channel][c] =
          CrossOver(LinearLight(levelled[channel][c], settings.Gamma), cross[channel], midLevel);
  return tables;
}

template std::unique_ptr<const LightTablesOf<std::uint8_t>> CrossedLight<std::uint8_t>(
    const CorrectionSettings&);
template std::unique_ptr<const LightTablesOf<std::uint16_t>> CrossedLight<std::uint16_t>(
    const CorrectionSettings&);

}  // namespace brumel
