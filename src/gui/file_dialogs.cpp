#include "gui/file_dialogs.h"

#include <QFile>

#include "gui/asking_window.h"
#include "gui/name_filters.h"

namespace brumel {

namespace {

void Prepare(QFileDialog& dialog, const QString& filterPairs) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
  dialog.setNameFilters(NameFilters(filterPairs));
}

// File names are bytes in the local encoding, not necessarily UTF-8.
std::string LocalName(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

// The dialog belongs to its owner and keeps its folder and filter there from one use to the
// next; it shows over the window the person asked from.
int ExecuteOverAskingWindow(QFileDialog& dialog) {
  QWidget* owner = dialog.parentWidget();
  QWidget* asking = AskingWindow(owner);
  if (asking != owner) dialog.setParent(asking, dialog.windowFlags());
  const int result = dialog.exec();
  if (asking != owner) dialog.setParent(owner, dialog.windowFlags());
  return result;
}

}  // namespace

QtOpenDialog::QtOpenDialog(QWidget* owner, const QString& filterPairs,
                           const QString& defaultExtension)
    : dialog_(owner) {
  Prepare(dialog_, filterPairs);
  dialog_.setAcceptMode(QFileDialog::AcceptOpen);
  dialog_.setFileMode(QFileDialog::ExistingFiles);
  dialog_.setDefaultSuffix(defaultExtension);
}

bool QtOpenDialog::Execute() {
  files_.clear();
  if (ExecuteOverAskingWindow(dialog_) != QDialog::Accepted) return false;
  for (const QString& path : dialog_.selectedFiles()) files_.push_back(LocalName(path));
  return true;
}

std::vector<std::string> QtOpenDialog::Files() const {
  return files_;
}

QtSaveDialog::QtSaveDialog(QWidget* owner, const QString& filterPairs) : dialog_(owner) {
  Prepare(dialog_, filterPairs);
  dialog_.setAcceptMode(QFileDialog::AcceptSave);
  dialog_.setFileMode(QFileDialog::AnyFile);
  dialog_.setOption(QFileDialog::DontConfirmOverwrite);
}

bool QtSaveDialog::Execute() {
  dialog_.selectFile(QFile::decodeName(QByteArray::fromStdString(fileName_)));
  if (ExecuteOverAskingWindow(dialog_) != QDialog::Accepted || dialog_.selectedFiles().isEmpty())
    return false;
  fileName_ = LocalName(dialog_.selectedFiles().front());
  return true;
}

int QtSaveDialog::FilterIndex() const {
  const qsizetype index = dialog_.nameFilters().indexOf(dialog_.selectedNameFilter());
  return index < 0 ? 1 : static_cast<int>(index) + 1;
}

}  // namespace brumel
