#include "restore/restoration_options.h"

#include "correct/levels_text.h"

namespace brumel {

std::string RestorationOptions(const Restoration& restoration) {
  std::string text = "--levels " + LevelsText(restoration.levels);
  for (const BarOption& bar : kBarOptions) {
    const int position = restoration.positions.*bar.position;
    text += std::string(" ") + bar.flag + ' ' +
            (bar.position == &ControlPositions::curve ? kCurveNames[position]
                                                      : std::to_string(position));
  }
  return text;
}

std::string FadingNote(const Restoration& restoration) {
  const std::string lost = LostDyesText(restoration.lost);
  return "fading " + std::to_string(restoration.fading) + (lost.empty() ? "" : " " + lost);
}

}  // namespace brumel
