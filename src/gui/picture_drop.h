// A picture file dropped on a window, from a file manager: the window loads it as "Load Image"
// would. Only local files whose names the loader reads are taken.
#pragma once

#include <QObject>
#include <QWidget>
#include <functional>
#include <string>

namespace brumel {

class PictureDrop : public QObject {
  Q_OBJECT

 public:
  using Load = std::function<void(const std::string& fileName)>;
  // Lives as long as the window, which it watches.
  PictureDrop(QWidget& window, Load load);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Load load_;
};

}  // namespace brumel
