// File-dialog filters written as "label|pattern|label|pattern", turned into Qt's name filters.
#pragma once

#include <QStringList>

namespace brumel {

// "bitmap|*.bmp|jpeg|*.jpg" gives {"bitmap (*.bmp)", "jpeg (*.jpg)"}; several patterns of one
// label, separated by ";", are separated by blanks.
QStringList NameFilters(const QString& pairs);

}  // namespace brumel
