#include "correction_settings.h"

#include <cmath>

namespace brumel {

void RefreshCurveLevels(CorrectionSettings& settings, int cornerPosition, int centrePosition) {
  settings.CentreLevel = (centrePosition - 200) / 200.0;
  settings.CornerLevel = cornerPosition / 100.0;
  settings.CurveSpan = settings.CornerLevel - settings.CentreLevel;
}

double GammaFromPosition(int gammaPosition) {
  return gammaPosition / 100.0;
}

double CrossFromPosition(int barPosition) {
  return (barPosition - 50) * 0.01;
}

CorrectionSettings SettingsFromPositions(const ControlPositions& positions) {
  CorrectionSettings settings;
  settings.Curve = positions.curve;
  RefreshCurveLevels(settings, positions.corner, positions.centre);
  settings.Gamma = GammaFromPosition(positions.gamma);
  settings.CrossRed = CrossFromPosition(positions.red);
  settings.CrossGreen = CrossFromPosition(positions.green);
  settings.CrossBlue = CrossFromPosition(positions.blue);
  return settings;
}

double Power(double x, double y) {
  return std::exp(y * std::log(x));
}

double Root(double x, double n) {
  return std::exp(std::log(x) / n);
}

}  // namespace brumel
