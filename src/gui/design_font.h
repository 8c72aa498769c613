// The font the windows were laid out for: 8-point "MS Sans Serif".
#pragma once

#include <QFont>

namespace brumel {

// Where that font is missing, narrow sans-serif faces with its widths come first, so that the
// captions fit the controls' fixed sizes.
QFont DesignFont();

}  // namespace brumel
