// The main window: the two buttons, the curve graph, the curve choice, the six bars with their
// boxes, the picture and its corrected preview. It owns the correction settings, the working
// bitmap and the two pane bitmaps, and every control change recomputes the preview at once.
#pragma once

#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "correct/correction_settings.h"
#include "correct/curve_graph.h"
#include "gui/file_dialogs.h"
#include "gui/image_pane.h"
#include "gui/message_boxes.h"
#include "platform/bitmap.h"
#include "platform/ports.h"
#include "update/update_check.h"

namespace brumel {

class RestoreMenu;

// The message boxes and dialogs the handlers talk through.
struct WindowPorts {
  MessagePort* messages = nullptr;
  OpenDialogPort* openDialog = nullptr;
  SaveDialogPort* saveDialog = nullptr;
  OfferDialogPort* offerDialog = nullptr;
};

class Tbrumel : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 558;
  static constexpr int kClientHeight = 591;
  static constexpr int kLeft = 205;
  static constexpr int kTop = 101;

  // The window's own message boxes and file dialogs are Qt's; the offer dialog comes with
  // SetPorts. download fetches the update check's files.
  Tbrumel(const std::string& applicationTitle, DownloadFunction download,
          QWidget* parent = nullptr);
  ~Tbrumel() override;

  // Replaces the ports that are given (not null); the others stay.
  void SetPorts(const WindowPorts& ports);

  // The preview refresh: the pass from Image1's bitmap into Image2's.
  void Button3Click();
  // The curve refresh: the curve levels, their boxes and the graph.
  void Button5Click();

  void Button1Click();
  void Button2Click();
  void Button6Click();
  void About1Click();
  void ScrollBar1Change();
  void ScrollBar2Change();
  void ScrollBar3Change();
  void redBarChange();
  void greenBarChange();
  void blueBarChange();
  void curveClick();
  void ScrollBar1Exit();
  void ScrollBar2Exit();
  void ScrollBar3Exit();
  void redBarExit();
  void greenBarExit();
  void blueBarExit();
  void curveExit();
  void Image2Click();

  const Bitmap& WorkingBitmap() const { return workingBitmap_; }

  // What the Restore menu and its windows reach the window through.
  const WindowPorts& Ports() const { return ports_; }
  // The file the working bitmap was loaded from; empty before the first load.
  const std::string& LoadedFile() const { return loadedFile_; }
  // Loads the file and builds the panes as "Load Image" does after its dialog; errors go to the
  // error box.
  void LoadFile(const std::string& fileName);
  // Moves every control to its position, as the person would: each control that moves runs its
  // handler.
  void SetPositions(const ControlPositions& positions);
  ControlPositions Positions() const;
  // The levels taken before the correction; setting them refreshes the preview.
  void SetLevels(const Levels& levels);
  const Levels& CurrentLevels() const { return settings_.levels; }
  // The settings a full-size pass uses now, as the batch run takes them.
  CorrectionSettings PassSettings();
  // Runs an action; an error ends it and is shown in the error box.
  void Guarded(const std::function<void()>& action);

  QMenuBar* MainMenu1;
  QAction* About1;
  QAction* CheckUpdate1;
  QPushButton* Button1;
  QPushButton* Button2;
  ImagePane* Image3;
  QGroupBox* curve;
  QLabel* Label8;
  QLabel* Label1;
  QScrollBar* ScrollBar1;
  QLineEdit* Centedit;
  QLabel* Label2;
  QScrollBar* ScrollBar2;
  QLineEdit* cornEdit;
  ImagePane* Image1;
  ImagePane* Image2;
  QFrame* Panel1;
  QLabel* Label3;
  QScrollBar* ScrollBar3;
  QLineEdit* GammaEdit;
  QLabel* Label7;
  QLabel* Label4;
  QScrollBar* redBar;
  QLineEdit* redEdit;
  QLabel* Label5;
  QScrollBar* greenBar;
  QLineEdit* greenEdit;
  QLabel* Label6;
  QScrollBar* blueBar;
  QLineEdit* blueEdit;
  RestoreMenu* Restore1;

 signals:
  // The working bitmap holds another picture (a load, a batch run).
  void PictureChanged();
  void LevelsChanged();
  // The preview was corrected again with the settings of the moment; a larger view follows it.
  void PreviewRefreshed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using Handler = void (Tbrumel::*)();
  // A control whose focus-lost handler runs when the focus moves from it to another control of
  // this window; control is the whole radio group for each of its buttons.
  struct ExitWatch {
    QWidget* control;
    Handler handler;
  };

  void BuildControls();
  void BuildMenu();
  void BuildCurveChoice();
  void BuildPanel();
  void SetTabOrder();
  QScrollBar* MakeBar(QWidget* parent, const char* name, QRect geometry,
                      const ControlRange& control, Handler change, Handler exit);
  void WatchExit(QWidget* watched, QWidget* control, Handler handler);

  // Reads the file into the working bitmap, remembering its name when it loaded.
  void LoadPicture(const std::string& fileName);
  // The preview build after a load: stops when the working bitmap is empty.
  void BuildPanes();
  void FormCreate();
  void FormClose();
  // Runs a handler; an error ends it and is shown in the error box.
  void Run(Handler handler);
  // The settings of the controls' positions, made as brumel-batch and the tests make them; each
  // step takes the part it refreshes.
  CorrectionSettings ControlSettings() const;
  // The pass reads the curve choice and the colour bars when it starts, and shows the bars.
  void ReadPassControls();

  std::unique_ptr<QtMessageBoxes> ownMessages_;
  std::unique_ptr<QtOpenDialog> OpenDialog1;
  std::unique_ptr<QtSaveDialog> SaveDialog1;
  WindowPorts ports_;
  QButtonGroup* curveItems_;
  std::map<QObject*, ExitWatch> exitWatches_;

  DownloadFunction download_;
  std::optional<UpdateCheck> updateCheck_;
  CorrectionSettings settings_;
  CurveGraph graph_;
  Bitmap workingBitmap_;
  std::string loadedFile_;
  Bitmap image1Bitmap_;
  Bitmap image2Bitmap_;
};

}  // namespace brumel
