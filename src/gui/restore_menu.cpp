#include "gui/restore_menu.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <algorithm>
#include <string>
#include <vector>

#include "batch/batch.h"
#include "batch/staged_output.h"
#include "formats/formats.h"
#include "gui/asking_window.h"
#include "gui/compare_window.h"
#include "gui/correct.h"
#include "restore/estimate_restoration.h"
#include "restore/restoration_options.h"
#include "update/program_version.h"

namespace brumel {

namespace {

// The closing message of the automatic batch: how it ended, each output written, then each
// input skipped, damaged or failed, as the batch's own message names them after its first line.
std::string AutomaticBatchMessage(const BatchReport& report,
                                  const std::vector<std::string>& written, bool stopped,
                                  std::size_t count) {
  const std::string complete = BatchCompletionMessage(report);
  const std::size_t firstLineEnd = std::min(complete.find('\n'), complete.size());
  std::string message = stopped ? "Batch stopped after " + std::to_string(written.size()) + " of " +
                                      std::to_string(count) + " files"
                                : complete.substr(0, firstLineEnd);
  for (const std::string& output : written) message += "\nwritten " + output;
  return message + complete.substr(firstLineEnd);
}

}  // namespace

RestoreMenu::RestoreMenu(Tbrumel& window, QMenuBar& bar)
    : QObject(&window),
      window_(window),
      ownSaveDialog_(
          std::make_unique<QtSaveDialog>(&window, QString::fromStdString(SaveDialogFilter()))),
      saveDialog_(ownSaveDialog_.get()) {
  RestoreBar = new QMenuBar(&bar);
  RestoreBar->setObjectName("RestoreBar");
  bar.setCornerWidget(RestoreBar, Qt::TopRightCorner);
  Restore = RestoreBar->addMenu("Restore");
  Restore->setObjectName("Restore");
  Automatic1 =
      AddItem("Automatic1", "Automatic", QKeySequence("Ctrl+R"), &RestoreMenu::AutomaticClick);
  Levels1 = AddItem("Levels1", "Levels...", QKeySequence("Ctrl+L"), &RestoreMenu::LevelsClick);
  Reset1 = AddItem("Reset1", "Reset", QKeySequence(), &RestoreMenu::ResetClick);
  Compare1 = AddItem("Compare1", "Compare...", QKeySequence("Ctrl+E"), &RestoreMenu::CompareClick);
  SaveCorrected1 = AddItem("SaveCorrected1", "Save Corrected Image...", QKeySequence("Ctrl+S"),
                           &RestoreMenu::SaveCorrectedClick);
  AutomaticBatch1 = AddItem("AutomaticBatch1", "Batch with Automatic Settings...", QKeySequence(),
                            &RestoreMenu::AutomaticBatchClick);
  LevelsDialog1 = new LevelsDialog(&window);
  CompareWindow1 = new CompareWindow(&window);
  // The items and their keys act on the loaded picture from these windows as from this one.
  CompareWindow1->AddMenu(Restore);
  LevelsDialog1->addActions(Restore->actions());
  connect(LevelsDialog1, &LevelsDialog::Changed, this,
          [this](const Levels& levels) { window_.Guarded([&] { window_.SetLevels(levels); }); });
  connect(&window, &Tbrumel::LevelsChanged, this,
          [this] { LevelsDialog1->Show(window_.CurrentLevels()); });
  connect(&window, &Tbrumel::PictureChanged, this, &RestoreMenu::PictureChanged);
  connect(&window, &Tbrumel::PreviewRefreshed, this, [this] {
    if (CompareWindow1->isVisible()) CompareWindow1->SetSettings(window_.PassSettings());
  });
  PictureChanged();
}

RestoreMenu::~RestoreMenu() = default;

QAction* RestoreMenu::AddItem(const char* name, const char* caption, QKeySequence keys,
                              void (RestoreMenu::*handler)()) {
  QAction* item = Restore->addAction(caption);
  item->setObjectName(name);
  item->setShortcut(keys);
  // The keys work whether or not the menu was ever opened.
  window_.addAction(item);
  connect(item, &QAction::triggered, this,
          [this, handler] { window_.Guarded([&] { (this->*handler)(); }); });
  return item;
}

void RestoreMenu::PictureChanged() {
  const Bitmap& picture = window_.WorkingBitmap();
  const bool loaded = picture.Width() > 0 && picture.Height() > 0;
  Automatic1->setEnabled(loaded);
  Compare1->setEnabled(loaded);
  SaveCorrected1->setEnabled(loaded);
  LevelsDialog1->ShowFound("");  // what "Automatic" found was of the picture before
  if (!CompareWindow1->isVisible()) return;
  if (loaded) {
    ShowCompare();
  } else {
    CompareWindow1->hide();
  }
}

// The Compare window takes its own copy of the picture, so it is shown again on every load.
void RestoreMenu::ShowCompare() {
  CompareWindow1->Show(window_.WorkingBitmap(), window_.LoadedFile());
  CompareWindow1->SetSettings(window_.PassSettings());
}

// The estimate of brumel-batch --estimate, on the full-size picture.
void RestoreMenu::AutomaticClick() {
  if (!Automatic1->isEnabled()) return;
  const Restoration found = EstimateRestoration(window_.WorkingBitmap(), HeldSettings{});
  window_.SetLevels(found.levels);
  window_.SetPositions(found.positions);
  LevelsDialog1->ShowFound("Automatic: " + FadingNote(found));
}

void RestoreMenu::LevelsClick() {
  LevelsDialog1->Show(window_.CurrentLevels());
  LevelsDialog1->OpenOver(AskingWindow(&window_));
}

void RestoreMenu::ResetClick() {
  LevelsDialog1->ShowFound("");
  window_.SetLevels(Levels{});
  window_.SetPositions(ControlPositions{});
}

// The picture at full size; from then on it follows every refresh of the preview. Open, it
// keeps its zoom and divider.
void RestoreMenu::CompareClick() {
  if (!Compare1->isEnabled()) return;
  if (!CompareWindow1->isVisible()) ShowCompare();
  CompareWindow1->OpenBeside(window_);
}

void RestoreMenu::SaveCorrectedClick() {
  if (!SaveCorrected1->isEnabled() || !saveDialog_->Execute()) return;
  Restoration current;
  current.levels = window_.CurrentLevels();
  current.positions = window_.Positions();
  const OutputOrigin origin{window_.LoadedFile(), FormatOfSaveFilter(saveDialog_->FilterIndex()),
                            SoftwareTag(), [&current] { return RestorationOptions(current); }};
  WriteCorrectedPicture(window_.WorkingBitmap(), window_.PassSettings(), origin,
                        saveDialog_->FileName());
}

// The inputs and the output name as "BATCH PROCESS" asks for them, then brumel-batch --auto.
void RestoreMenu::AutomaticBatchClick() {
  const WindowPorts& ports = window_.Ports();
  if (!ports.openDialog->Execute() || !ports.saveDialog->Execute()) return;
  BatchRequest request;
  request.inputs = ports.openDialog->Files();
  request.outputName = ports.saveDialog->FileName();
  request.format = FormatOfSaveFilter(ports.saveDialog->FilterIndex());
  request.automatic = HeldSettings{};
  request.keepGoing = true;
  request.keepMetadataAs = SoftwareTag();
  const std::size_t count = request.inputs.size();
  QProgressDialog progress("", "Cancel", 0, static_cast<int>(count), AskingWindow(&window_));
  progress.setObjectName("BatchProgress");
  progress.setWindowTitle("Batch with Automatic Settings");
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  std::vector<std::string> written;
  // A Cancel stops the run between two files, never inside one.
  bool inFile = false;
  request.ended = [&](const InputRecord& record) {
    inFile = false;
    if (record.status == InputStatus::Written) written.push_back(record.output);
  };
  request.stopRequested = [&] {
    QCoreApplication::processEvents();
    return progress.wasCanceled() && !inFile;
  };
  const BatchProgress shown = [&](std::size_t index, std::size_t total, const std::string& input) {
    inFile = true;
    progress.setValue(static_cast<int>(index));
    progress.setLabelText(
        QString("%1 of %2: %3").arg(index + 1).arg(total).arg(QString::fromStdString(input)));
    emit BatchFileStarted(index);
    QCoreApplication::processEvents();
  };
  Bitmap picture;  // the window keeps the picture it shows
  const BatchReport report = RunBatch(request, picture, *ports.messages, shown);
  // A Cancel during the last file stops nothing.
  const bool stopped =
      report.written + report.skipped.size() + report.failed.size() < request.inputs.size();
  progress.reset();
  ports.messages->ShowInformation(AutomaticBatchMessage(report, written, stopped, count));
}

}  // namespace brumel
