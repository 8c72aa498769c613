// The correction settings, how each is derived from its control's position, the five tone
// curves, and the two exponent functions the correction is built from.
#pragma once

#include <cmath>

#include "correct/control_range.h"
#include "correct/levels.h"

namespace brumel {

inline constexpr ControlRange kCornerBar{"corner", 0, 200, 100};
inline constexpr ControlRange kCentreBar{"centre", 0, 200, 100};
inline constexpr ControlRange kGammaBar{"gamma", 100, 300, 180};
inline constexpr ControlRange kRedBar{"red", 0, 100, 50};
inline constexpr ControlRange kGreenBar{"green", 0, 100, 50};
inline constexpr ControlRange kBlueBar{"blue", 0, 100, 50};
inline constexpr ControlRange kCurveChoice{"curve", 0, 4, 0};

// The texts of the curve choices, by index.
inline constexpr const char* kCurveNames[] = {"linear", "sqr", "cube", "x^4", "x^2+x"};
inline constexpr int kCurveCount = 5;

struct CorrectionSettings {
  int Curve = 0;
  double CornerLevel = 1;
  double CentreLevel = -0.5;
  double CurveSpan = 1.5;
  double Gamma = 1.8;
  double CrossRed = 0;
  double CrossGreen = 0;
  double CrossBlue = 0;
  // Taken before everything else; the identity unless the command line sets them.
  Levels levels;
};

// The curve-level refresh: CentreLevel, then CornerLevel, then CurveSpan.
void RefreshCurveLevels(CorrectionSettings& settings, int cornerPosition, int centrePosition);
// The gamma refresh.
double GammaFromPosition(int gammaPosition);
// A colour bar's cross-over factor: (position - 50) multiplied by 0.01.
double CrossFromPosition(int barPosition);

// Positions of all the correction controls, as the window's controls or the command line give them.
struct ControlPositions {
  int corner = kCornerBar.initial;
  int centre = kCentreBar.initial;
  int gamma = kGammaBar.initial;
  int red = kRedBar.initial;
  int green = kGreenBar.initial;
  int blue = kBlueBar.initial;
  int curve = kCurveChoice.initial;
};

// The settings the window holds when its controls stand at these positions.
CorrectionSettings SettingsFromPositions(const ControlPositions& positions);

// x^y as e^(y ln x), and the n-th root of x as e^(ln x / n); both for x > 0 only.
double Power(double x, double y);
double Root(double x, double n);

// The tone curve at x in [-1, 1]; even in x. Products are formed left to right.
inline double CurveValue(const CorrectionSettings& settings, double x) {
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
