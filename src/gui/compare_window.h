// The Compare window: the loaded picture at full size beside its correction, split by a divider
// the person drags across it, the words "Before" and "After" on its two sides; fitted to the
// window (F) or at 100 % (1), zoomed with the mouse wheel about the cursor and panned by
// dragging; the whole original while B is held. It follows the settings it is given.
#pragma once

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <string>

#include "correct/correction_settings.h"
#include "gui/compare_labels.h"
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
  // A menu of another window in a menu bar of this one, its keys working here as there.
  void AddMenu(QMenu* menu);
  // Opens where CompareFrame places it beside the window, at the size it last had, and comes to
  // the front; while it is open it keeps its place and size and only comes to the front.
  void OpenBeside(const QWidget& window);

  CompareView* View() const { return view_; }
  CompareLabels* Labels() const { return labels_; }
  QAction* FitAction() const { return fit_; }
  QAction* FullSizeAction() const { return fullSize_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  // B let go in another window never reaches this one; leaving it lets go of B.
  void changeEvent(QEvent* event) override;

 private:
  void PlaceBeside(const QWidget& window);

  CompareView* view_;
  CompareLabels* labels_;
  QAction* fit_;
  QAction* fullSize_;
};

}  // namespace brumel
