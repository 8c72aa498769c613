#include "correct/correction_rows.h"

namespace brumel {

LightTables CrossedLight(const CorrectionSettings& settings) {
  const double midLevel = Power(0.5, settings.Gamma);
  const double cross[3] = {settings.CrossBlue, settings.CrossGreen, settings.CrossRed};
  LightTables tables;
  for (int c = 0; c < 256; ++c) {
    const double light = LinearLight(static_cast<std::uint8_t>(c), settings.Gamma);
    for (int channel = 0; channel < 3; ++channel)
      tables[channel][c] = CrossOver(light, cross[channel], midLevel);
  }
  return tables;
}

}  // namespace brumel
