#include "correct/correction_rows.h"

#include "correct/levels.h"

namespace brumel {

LightTables CrossedLight(const CorrectionSettings& settings) {
  const double midLevel = Power(0.5, settings.Gamma);
  const double cross[3] = {settings.CrossBlue, settings.CrossGreen, settings.CrossRed};
  const LevelsTables levelled = MakeLevelsTables(settings.levels);
  LightTables tables;
  for (int channel = 0; channel < 3; ++channel)
    for (int c = 0; c < 256; ++c)
      tables[channel][c] =
          CrossOver(LinearLight(levelled[channel][c], settings.Gamma), cross[channel], midLevel);
  return tables;
}

}  // namespace brumel
