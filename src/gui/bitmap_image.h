// A 24-bit Bitmap as a QImage for display.
#pragma once

#include <QImage>

#include "platform/bitmap.h"

namespace brumel {

// The bitmap's blue-green-red bytes copied row by row; raises the error type for other formats.
QImage ToQImage(const Bitmap& bitmap);

}  // namespace brumel
