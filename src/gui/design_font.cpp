#include "gui/design_font.h"

#include <QStringList>

namespace brumel {

QFont DesignFont() {
  QFont font;
  font.setFamilies(QStringList{"MS Sans Serif", "Liberation Sans", "Arimo", "Nimbus Sans", "Arial",
                               "Helvetica"});
  font.setPointSize(8);
  return font;
}

}  // namespace brumel
