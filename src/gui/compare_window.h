// The Compare window: the loaded picture at full size beside its correction, split by a divider
// the person drags across it; fitted to the window (F) or at 100 % (1), zoomed with the mouse
// wheel about the cursor and panned by dragging. It follows the settings it is given.
#pragma once

#include <QAction>
#include <QWidget>
#include <string>

#include "correct/correction_settings.h"
#include "gui/compare_view.h"
#include "platform/bitmap.h"

namespace brumel {

class CompareWindow : public QWidget {
  Q_OBJECT

 public:
  // A window of its own even with a parent (which only owns it).
  explicit CompareWindow(QWidget* parent = nullptr);

  // Shows a copy of the picture fitted, captioned with name's last part (a file's name without
  // its folder). Call SetSettings after it, as after every change of the settings.
  void Show(const Bitmap& picture, const std::string& name);
  // Corrects what is shown again, at the scale shown; raises the error type for levels out of
  // range.
  void SetSettings(const CorrectionSettings& settings);

  CompareView* View() const { return view_; }
  QAction* FitAction() const { return fit_; }
  QAction* FullSizeAction() const { return fullSize_; }

 private:
  CompareView* view_;
  QAction* fit_;
  QAction* fullSize_;
};

}  // namespace brumel
