#include "gui/picture_drop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <optional>

#include "formats/formats.h"

namespace brumel {

namespace {

// The first file of a drop, when it is a local picture of a format the loader reads.
std::optional<std::string> DroppedPicture(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().isEmpty()) return std::nullopt;
  const QUrl url = data->urls().front();
  if (!url.isLocalFile()) return std::nullopt;
  std::string name = QFile::encodeName(url.toLocalFile()).toStdString();
  if (FormatOfFileName(name) == nullptr) return std::nullopt;
  return name;
}

}  // namespace

PictureDrop::PictureDrop(QWidget& window, Load load) : QObject(&window), load_(std::move(load)) {
  window.setAcceptDrops(true);
  window.installEventFilter(this);
}

bool PictureDrop::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::DragEnter) {
    auto* enter = static_cast<QDragEnterEvent*>(event);
    if (DroppedPicture(enter->mimeData())) enter->acceptProposedAction();
    return true;
  }
  if (event->type() == QEvent::Drop) {
    auto* drop = static_cast<QDropEvent*>(event);
    if (const std::optional<std::string> name = DroppedPicture(drop->mimeData())) {
      drop->acceptProposedAction();
      load_(*name);
    }
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace brumel
