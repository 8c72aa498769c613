#include "correction_settings.h"

#include <cmath>

namespace brumel {

void RefreshCurveLevels(CorrectionSettings& settings, int cornerPosition, int centrePosition) {
  settings.CentreLevel = (centrePosition - 200) / 200.0;
  settings.CornerLevel = cornerPosition / 100.0;
  settings.CurveSpan = settings.CornerLevel - settings.CentreLevel;
}

double GammaFromPosition(int gammaPosition) { return gammaPosition / 100.0; }

double CrossFromPosition(int barPosition) { return (barPosition - 50) * 0.01; }

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

double Power(double x, double y) { return std::exp(y * std::log(x)); }

double Root(double x, double n) { return std::exp(std::log(x) / n); }

double CurveValue(const CorrectionSettings& settings, double x) {
  const double a = settings.CurveSpan;
  const double b = settings.CentreLevel;
  switch (settings.Curve) {
    case 0: return b + std::fabs(a * x);
    case 1: return a * x * x + b;
    case 2: return std::fabs(a * x * x * x) + b;
    case 3: return a * x * x * x * x + b;
    default: return (a * std::fabs(x) + a * x * x + b) * 0.5;
  }
}

}  // namespace brumel
