#include "gui/correct.h"

#include <QApplication>
#include <QCloseEvent>
#include <QRadioButton>
#include <filesystem>

#include "batch/batch.h"
#include "correct/correct_bitmap.h"
#include "correct/preview.h"
#include "formats/formats.h"
#include "formats/load_image.h"
#include "gui/design_font.h"
#include "gui/picture_drop.h"
#include "gui/restore_menu.h"
#include "platform/error.h"
#include "platform/number_text.h"
#include "update/program_version.h"

namespace brumel {

namespace {

constexpr const char* kCaption = "Brumel - made by the Brumel developers";
constexpr int kBlankPaneSide = 201;

QString NumberText(double value) {
  return QString::fromStdString(FormatNumber(value, UserDecimalSeparator()));
}

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, int left, int top) {
  auto* label = Named(new QLabel(caption, parent), name);
  label->move(left, top);
  label->adjustSize();
  return label;
}

QLabel* MakeColourLabel(QWidget* parent, const char* name, const char* caption, int left, int top,
                        QColor background, QColor text = Qt::black) {
  QLabel* label = MakeLabel(parent, name, caption, left, top);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, background);
  palette.setColor(QPalette::WindowText, text);
  label->setPalette(palette);
  label->setAutoFillBackground(true);
  return label;
}

// The boxes are narrower than some of their texts; they show the beginning, as they would
// after typing.
void ShowInBox(QLineEdit* box, const QString& text) {
  box->setText(text);
  box->setCursorPosition(0);
}

QLineEdit* MakeBox(QWidget* parent, const char* name, const char* text, QRect geometry,
                   bool framed) {
  auto* box = Named(new QLineEdit(parent), name);
  box->setGeometry(geometry);
  ShowInBox(box, text);
  box->setReadOnly(true);
  box->setFrame(framed);
  return box;
}

ImagePane* MakePane(QWidget* parent, const char* name, QRect geometry) {
  auto* pane = Named(new ImagePane(parent), name);
  pane->setGeometry(geometry);
  return pane;
}

}  // namespace

Tbrumel::Tbrumel(const std::string& applicationTitle, DownloadFunction download, QWidget* parent)
    : QMainWindow(parent),
      ownMessages_(std::make_unique<QtMessageBoxes>(this, applicationTitle)),
      OpenDialog1(
          std::make_unique<QtOpenDialog>(this, QString::fromStdString(OpenDialogFilter()), "bmp")),
      SaveDialog1(std::make_unique<QtSaveDialog>(this, QString::fromStdString(SaveDialogFilter()))),
      ports_{ownMessages_.get(), OpenDialog1.get(), SaveDialog1.get(), nullptr},
      download_(std::move(download)) {
  setObjectName("brumel");
  BuildControls();
  FormCreate();
}

// The watched controls die after this object's members, with the base class; no focus event
// of theirs may reach the handlers then.
Tbrumel::~Tbrumel() {
  for (const auto& [watched, watch] : exitWatches_) watched->removeEventFilter(this);
}

void Tbrumel::SetPorts(const WindowPorts& ports) {
  if (ports.messages) ports_.messages = ports.messages;
  if (ports.openDialog) ports_.openDialog = ports.openDialog;
  if (ports.saveDialog) ports_.saveDialog = ports.saveDialog;
  if (ports.offerDialog) ports_.offerDialog = ports.offerDialog;
}

void Tbrumel::BuildControls() {
  setWindowTitle(kCaption);
  auto* client = Named(new QWidget(this), "client");
  client->setFont(DesignFont());
  setCentralWidget(client);
  BuildMenu();
  Button1 = Named(new QPushButton("Load Image", client), "Button1");
  Button1->setGeometry(32, 16, 75, 25);
  connect(Button1, &QPushButton::clicked, this, [this] { Run(&Tbrumel::Button1Click); });
  Button2 = Named(new QPushButton("BATCH PROCESS", client), "Button2");
  Button2->setGeometry(128, 16, 169, 25);
  connect(Button2, &QPushButton::clicked, this, [this] { Run(&Tbrumel::Button2Click); });
  Image3 = MakePane(client, "Image3", QRect(8, 44, CurveGraph::kWidth, CurveGraph::kHeight));
  BuildCurveChoice();
  Label8 = MakeLabel(client, "Label8", "Fade Compensation", 208, 136);
  Label1 = MakeLabel(client, "Label1", "Corner", 24, 152);
  ScrollBar1 = MakeBar(client, "ScrollBar1", QRect(72, 152, 409, 16), kCornerBar,
                       &Tbrumel::ScrollBar1Change, &Tbrumel::ScrollBar1Exit);
  Centedit = MakeBox(client, "Centedit", "", QRect(496, 152, 33, 17), false);
  Label2 = MakeLabel(client, "Label2", "Centre", 24, 176);
  ScrollBar2 = MakeBar(client, "ScrollBar2", QRect(72, 176, 409, 16), kCentreBar,
                       &Tbrumel::ScrollBar2Change, &Tbrumel::ScrollBar2Exit);
  cornEdit = MakeBox(client, "cornEdit", "", QRect(496, 176, 33, 17), false);
  Image1 = MakePane(client, "Image1", QRect(72, 200, kBlankPaneSide, kBlankPaneSide));
  Image2 = MakePane(client, "Image2", QRect(280, 200, kBlankPaneSide, kBlankPaneSide));
  connect(Image2, &ImagePane::clicked, this, [this] { Run(&Tbrumel::Image2Click); });
  BuildPanel();
  SetTabOrder();
  resize(kClientWidth, kClientHeight + MainMenu1->sizeHint().height());
  move(kLeft, kTop);
}

void Tbrumel::BuildMenu() {
  MainMenu1 = Named(menuBar(), "MainMenu1");
  About1 = Named(MainMenu1->addAction("About"), "About1");
  connect(About1, &QAction::triggered, this, [this] { Run(&Tbrumel::About1Click); });
  CheckUpdate1 = Named(MainMenu1->addAction("Check Update"), "CheckUpdate1");
  connect(CheckUpdate1, &QAction::triggered, this, [this] { Run(&Tbrumel::Button6Click); });
  Restore1 = new RestoreMenu(*this, *MainMenu1);
  new PictureDrop(*this, [this](const std::string& file) { LoadFile(file); });
}

void Tbrumel::BuildCurveChoice() {
  curve = Named(new QGroupBox("curve", centralWidget()), "curve");
  curve->setGeometry(464, 8, 65, 129);
  curveItems_ = new QButtonGroup(curve);
  for (int i = 0; i < kCurveCount; ++i) {
    auto* item = new QRadioButton(kCurveNames[i], curve);
    item->setObjectName(QString("curve%1").arg(i));
    item->setGeometry(6, 18 + 22 * i, 57, 17);
    item->setChecked(i == kCurveChoice.initial);
    curveItems_->addButton(item, i);
    WatchExit(item, curve, &Tbrumel::curveExit);
  }
  connect(curveItems_, &QButtonGroup::idClicked, this, [this] { Run(&Tbrumel::curveClick); });
}

void Tbrumel::BuildPanel() {
  Panel1 = Named(new QFrame(centralWidget()), "Panel1");
  Panel1->setGeometry(24, 416, 505, 137);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Label3 = MakeLabel(Panel1, "Label3", "Gamma", 32, 12);
  ScrollBar3 = MakeBar(Panel1, "ScrollBar3", QRect(80, 9, 289, 16), kGammaBar,
                       &Tbrumel::ScrollBar3Change, &Tbrumel::ScrollBar3Exit);
  GammaEdit = MakeBox(Panel1, "GammaEdit", "GammaEdit", QRect(384, 4, 33, 21), true);
  Label7 = MakeLabel(Panel1, "Label7", "Color Cross Over Adjust", 176, 36);
  Label4 = MakeColourLabel(Panel1, "Label4", "Red", 8, 60, Qt::red);
  redBar = MakeBar(Panel1, "redBar", QRect(40, 57, 409, 16), kRedBar, &Tbrumel::redBarChange,
                   &Tbrumel::redBarExit);
  redEdit = MakeBox(Panel1, "redEdit", "redEdit", QRect(456, 52, 33, 21), true);
  Label5 = MakeColourLabel(Panel1, "Label5", "Green", 8, 84, Qt::green);
  greenBar = MakeBar(Panel1, "greenBar", QRect(40, 81, 409, 16), kGreenBar,
                     &Tbrumel::greenBarChange, &Tbrumel::greenBarExit);
  greenEdit = MakeBox(Panel1, "greenEdit", "greenEdit", QRect(456, 76, 33, 21), true);
  Label6 = MakeColourLabel(Panel1, "Label6", "Blue", 8, 108, Qt::blue, Qt::white);
  blueBar = MakeBar(Panel1, "blueBar", QRect(40, 105, 409, 16), kBlueBar, &Tbrumel::blueBarChange,
                    &Tbrumel::blueBarExit);
  blueEdit = MakeBox(Panel1, "blueEdit", "blueEdit", QRect(456, 100, 33, 21), true);
}

void Tbrumel::SetTabOrder() {
  QList<QWidget*> order{Button1, Button2};
  for (QAbstractButton* item : curveItems_->buttons()) order << item;
  order << ScrollBar2 << ScrollBar1 << Centedit << cornEdit << ScrollBar3 << blueBar << greenBar
        << redBar << redEdit << greenEdit << blueEdit << GammaEdit;
  for (qsizetype i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

// A bar reports every change of position; it has no page, so its thumb is as small as it gets.
QScrollBar* Tbrumel::MakeBar(QWidget* parent, const char* name, QRect geometry,
                             const ControlRange& control, Handler change, Handler exit) {
  auto* bar = Named(new QScrollBar(Qt::Horizontal, parent), name);
  bar->setGeometry(geometry);
  bar->setRange(control.minimum, control.maximum);
  bar->setPageStep(0);
  bar->setValue(control.initial);
  bar->setFocusPolicy(Qt::StrongFocus);
  connect(bar, &QScrollBar::valueChanged, this, [this, change] { Run(change); });
  WatchExit(bar, bar, exit);
  return bar;
}

void Tbrumel::WatchExit(QWidget* watched, QWidget* control, Handler handler) {
  exitWatches_[watched] = ExitWatch{control, handler};
  watched->installEventFilter(this);
}

bool Tbrumel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    const auto found = exitWatches_.find(watched);
    // The new focus is known by now; it is null or in another window when this one lost the
    // focus as a whole, which is no exit.
    QWidget* next = QApplication::focusWidget();
    if (found != exitWatches_.end() && next && next->window() == this &&
        next != found->second.control && !found->second.control->isAncestorOf(next))
      Run(found->second.handler);
  }
  return QMainWindow::eventFilter(watched, event);
}

void Tbrumel::Run(Handler handler) {
  Guarded([this, handler] { (this->*handler)(); });
}

void Tbrumel::Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    ports_.messages->ShowError(error.what());
  }
}

void Tbrumel::FormCreate() {
  updateCheck_.emplace(std::filesystem::current_path().string(), download_);
  workingBitmap_ = Bitmap(0, 0, PixelFormat::Bits24);
  Button5Click();
  settings_.Gamma = ControlSettings().Gamma;
  image1Bitmap_ = Bitmap(kBlankPaneSide, kBlankPaneSide);
  image2Bitmap_ = Bitmap(kBlankPaneSide, kBlankPaneSide);
  Image1->Show(image1Bitmap_);
  Image2->Show(image2Bitmap_);
}

void Tbrumel::FormClose() {
  workingBitmap_ = Bitmap();
}

void Tbrumel::closeEvent(QCloseEvent* event) {
  FormClose();
  QMainWindow::closeEvent(event);
}

CorrectionSettings Tbrumel::ControlSettings() const {
  return SettingsFromPositions(Positions());
}

void Tbrumel::ReadPassControls() {
  const CorrectionSettings controls = ControlSettings();
  settings_.Curve = controls.Curve;
  settings_.CrossRed = controls.CrossRed;
  settings_.CrossGreen = controls.CrossGreen;
  settings_.CrossBlue = controls.CrossBlue;
  ShowInBox(redEdit, QString::number(redBar->value() - kRedBar.initial));
  ShowInBox(greenEdit, QString::number(greenBar->value() - kGreenBar.initial));
  ShowInBox(blueEdit, QString::number(blueBar->value() - kBlueBar.initial));
}

void Tbrumel::Button3Click() {
  ReadPassControls();
  CorrectBitmap(image1Bitmap_, image2Bitmap_, settings_);
  Image2->Show(image2Bitmap_);
  emit PreviewRefreshed();
}

void Tbrumel::Button5Click() {
  settings_.Curve = ControlSettings().Curve;
  // The graph refreshes the curve levels from the two fade bars as it draws.
  graph_.Draw(settings_, ScrollBar1->value(), ScrollBar2->value());
  ShowInBox(Centedit, NumberText(settings_.CornerLevel));
  ShowInBox(cornEdit, NumberText(settings_.CentreLevel));
  Image3->Show(graph_.Raster());
}

void Tbrumel::LoadFile(const std::string& fileName) {
  Guarded([&] {
    // A file handed over by the file manager may be of a type the loader does not take by its
    // name (".jpeg", ".tiff"); "Load Image" offers only names it takes, so it says nothing.
    if (FormatOfFileName(fileName) == nullptr)
      throw Error("Cannot open " + fileName +
                  ": Brumel reads pictures named .bmp, .jpg, .png or .tif");
    LoadPicture(fileName);
    BuildPanes();
  });
}

void Tbrumel::SetPositions(const ControlPositions& positions) {
  ScrollBar1->setValue(positions.corner);
  ScrollBar2->setValue(positions.centre);
  ScrollBar3->setValue(positions.gamma);
  redBar->setValue(positions.red);
  greenBar->setValue(positions.green);
  blueBar->setValue(positions.blue);
  if (curveItems_->checkedId() != positions.curve) curveItems_->button(positions.curve)->click();
}

ControlPositions Tbrumel::Positions() const {
  ControlPositions positions;
  positions.corner = ScrollBar1->value();
  positions.centre = ScrollBar2->value();
  positions.gamma = ScrollBar3->value();
  positions.red = redBar->value();
  positions.green = greenBar->value();
  positions.blue = blueBar->value();
  positions.curve = curveItems_->checkedId();
  return positions;
}

void Tbrumel::SetLevels(const Levels& levels) {
  settings_.levels = levels;
  emit LevelsChanged();
  Button3Click();
}

CorrectionSettings Tbrumel::PassSettings() {
  // The controls cannot move during a full-size pass, so every pass would show the same values.
  ReadPassControls();
  return settings_;
}

void Tbrumel::LoadPicture(const std::string& fileName) {
  if (!LoadImageFile(fileName, workingBitmap_, *ports_.messages)) return;
  loadedFile_ = fileName;
  emit PictureChanged();
}

void Tbrumel::Button1Click() {
  if (ports_.openDialog->Execute()) {
    const std::vector<std::string> files = ports_.openDialog->Files();
    if (!files.empty()) LoadPicture(files.front());
  }
  BuildPanes();
}

void Tbrumel::BuildPanes() {
  std::optional<Preview> preview = BuildPreview(workingBitmap_, Image1->x(), Image1->y());
  if (!preview) return;
  image1Bitmap_ = std::move(preview->reduced);
  image2Bitmap_ = image1Bitmap_;
  Image1->resize(image1Bitmap_.Width(), image1Bitmap_.Height());
  Image2->setGeometry(preview->image2Left, Image2->y(), Image1->width(), Image1->height());
  Panel1->move(Panel1->x(), preview->panel1Top);
  Button3Click();
  Image1->Show(image1Bitmap_);
}

void Tbrumel::Button2Click() {
  if (!ports_.openDialog->Execute()) return;
  if (!ports_.saveDialog->Execute()) return;
  BatchRequest request;
  request.inputs = ports_.openDialog->Files();
  request.outputName = ports_.saveDialog->FileName();
  request.format = FormatOfSaveFilter(ports_.saveDialog->FilterIndex());
  request.settings = PassSettings();
  // The working bitmap ends holding the last input written, whose file it came from.
  request.ended = [this](const InputRecord& record) {
    if (record.status != InputStatus::Written) return;
    loadedFile_ = record.input;
    emit PictureChanged();
  };
  const BatchReport report = RunBatch(request, workingBitmap_, *ports_.messages);
  ports_.messages->ShowInformation(BatchCompletionMessage(report));
}

void Tbrumel::Button6Click() {
  updateCheck_->Run(*ports_.messages, *ports_.offerDialog, *ports_.saveDialog);
}

void Tbrumel::About1Click() {
  ports_.messages->ShowInformation("Version " +
                                   FormatNumber(kProgramVersion, UserDecimalSeparator()));
}

void Tbrumel::ScrollBar1Change() {
  Button5Click();
  Button3Click();
}

void Tbrumel::ScrollBar2Change() {
  Button5Click();
  Button3Click();
}

void Tbrumel::curveClick() {
  Button5Click();
  Button3Click();
}

void Tbrumel::ScrollBar3Change() {
  settings_.Gamma = ControlSettings().Gamma;
  ShowInBox(GammaEdit, NumberText(settings_.Gamma));
  Button3Click();
}

void Tbrumel::redBarChange() {
  Button3Click();
}
void Tbrumel::greenBarChange() {
  Button3Click();
}
void Tbrumel::blueBarChange() {
  Button3Click();
}
void Tbrumel::ScrollBar1Exit() {
  Button3Click();
}
void Tbrumel::ScrollBar3Exit() {
  Button3Click();
}
void Tbrumel::redBarExit() {
  Button3Click();
}
void Tbrumel::greenBarExit() {
  Button3Click();
}
void Tbrumel::blueBarExit() {
  Button3Click();
}

void Tbrumel::ScrollBar2Exit() {
  Button3Click();
  Button5Click();
}

void Tbrumel::curveExit() {
  Button3Click();
  Button5Click();
}

void Tbrumel::Image2Click() {
  Button3Click();
}

}  // namespace brumel
