// The open and save dialogs with Qt's own file dialog. Its name filters match every letter case,
// so photographs named IMG_0001.JPG are listed under "*.jpg" on a file system that tells case
// apart; a native dialog might not, so none is used. Each shows over the program's active window,
// the one the person asked from, and over its owner when none is active.
#pragma once

#include <QFileDialog>
#include <string>
#include <vector>

#include "platform/ports.h"

namespace brumel {

// Several files may be chosen; a typed name without an extension gets the default one.
class QtOpenDialog : public OpenDialogPort {
 public:
  QtOpenDialog(QWidget* owner, const QString& filterPairs, const QString& defaultExtension);

  bool Execute() override;
  std::vector<std::string> Files() const override;

  QFileDialog& Dialog() { return dialog_; }

 private:
  QFileDialog dialog_;
  std::vector<std::string> files_;
};

// Keeps its file name and filter from one use to the next; overwrites without asking and adds
// no extension of its own.
class QtSaveDialog : public SaveDialogPort {
 public:
  QtSaveDialog(QWidget* owner, const QString& filterPairs);

  bool Execute() override;
  std::string FileName() const override { return fileName_; }
  void SetFileName(const std::string& name) override { fileName_ = name; }
  int FilterIndex() const override;

  QFileDialog& Dialog() { return dialog_; }

 private:
  QFileDialog dialog_;
  std::string fileName_;
};

}  // namespace brumel
