// The "Restore" menu of the main window: the estimator's settings, the levels, a reset of every
// control, one corrected picture saved, and a batch in which each input gets its own estimate.
// It reaches the core through the calls brumel-batch uses.
#pragma once

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <cstddef>
#include <memory>

#include "gui/compare_window.h"
#include "gui/file_dialogs.h"
#include "gui/levels_dialog.h"
#include "platform/ports.h"

namespace brumel {

class Tbrumel;

class RestoreMenu : public QObject {
  Q_OBJECT

 public:
  // Builds the menu in a bar of its own in bar's right corner, so that the window's own bar
  // keeps its two items.
  RestoreMenu(Tbrumel& window, QMenuBar& bar);
  ~RestoreMenu() override;

  // The save dialog of "Save Corrected Image..."; a Qt one unless replaced.
  void SetSaveDialog(SaveDialogPort* dialog) { saveDialog_ = dialog; }

  void AutomaticClick();
  void LevelsClick();
  void ResetClick();
  void CompareClick();
  void SaveCorrectedClick();
  void AutomaticBatchClick();

  QMenuBar* RestoreBar;
  QMenu* Restore;
  QAction* Automatic1;
  QAction* Levels1;
  QAction* Reset1;
  QAction* Compare1;
  QAction* SaveCorrected1;
  QAction* AutomaticBatch1;
  LevelsDialog* LevelsDialog1;
  CompareWindow* CompareWindow1;

 signals:
  // The automatic batch starts on the input with this index.
  void BatchFileStarted(std::size_t index);

 private:
  QAction* AddItem(const char* name, const char* caption, QKeySequence keys,
                   void (RestoreMenu::*handler)());
  // The items that need a picture are greyed out while none is loaded.
  void PictureChanged();
  void ShowCompare();

  Tbrumel& window_;
  std::unique_ptr<QtSaveDialog> ownSaveDialog_;
  SaveDialogPort* saveDialog_;
};

}  // namespace brumel
