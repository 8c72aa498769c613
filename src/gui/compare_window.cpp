#include "gui/compare_window.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QToolBar>
#include <QVBoxLayout>
#include <filesystem>

#include "gui/compare_placement.h"

namespace brumel {

namespace {

constexpr int kStartWidth = 1000, kStartHeight = 720;

bool IsB(const QKeyEvent& event) {
  return event.key() == Qt::Key_B;
}

}  // namespace

CompareWindow::CompareWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      view_(new CompareView(this)),
      labels_(new CompareLabels(*view_, this)) {
  auto* tools = new QToolBar(this);
  fit_ = tools->addAction("Fit");
  fit_->setShortcut(Qt::Key_F);
  fit_->setToolTip("Fit the picture to the window (F)");
  fullSize_ = tools->addAction("100 %");
  fullSize_->setShortcut(Qt::Key_1);
  fullSize_->setToolTip("Show the picture at full size (1)");
  connect(fit_, &QAction::triggered, view_, &CompareView::Fit);
  connect(fullSize_, &QAction::triggered, view_, &CompareView::FullSize);
  // The words lie in the view's cell, over it.
  auto* picture = new QGridLayout;
  picture->addWidget(view_, 0, 0);
  picture->addWidget(labels_, 0, 0);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(tools);
  layout->addLayout(picture, 1);
  setWindowTitle("Compare");
  resize(kStartWidth, kStartHeight);
}

void CompareWindow::Show(const Bitmap& picture, const std::string& name) {
  const std::string file = std::filesystem::path(name).filename().string();
  setWindowTitle(QString::fromStdString("Compare - " + file));
  view_->ShowPicture(picture);
}

void CompareWindow::SetSettings(const CorrectionSettings& settings) {
  view_->SetSettings(settings);
}

void CompareWindow::AddMenu(QMenu* menu) {
  auto* bar = new QMenuBar(this);
  bar->addMenu(menu);
  layout()->setMenuBar(bar);
  addActions(menu->actions());
}

void CompareWindow::OpenBeside(const QWidget& window) {
  if (!isVisible()) PlaceBeside(window);
  show();
  raise();
  activateWindow();
}

// The window system decorates a window only once it is shown; the main window's decorations,
// from the same window system, stand in for this one's.
void CompareWindow::PlaceBeside(const QWidget& window) {
  const QRect mainFrame = window.frameGeometry(), mainClient = window.geometry();
  const QMargins decorations(
      mainClient.left() - mainFrame.left(), mainClient.top() - mainFrame.top(),
      mainFrame.right() - mainClient.right(), mainFrame.bottom() - mainClient.bottom());
  const QRect frame =
      CompareFrame(mainFrame, window.screen()->availableGeometry(), size().grownBy(decorations));
  setGeometry(frame.marginsRemoved(decorations));
}

// B held down repeats its press and release; only the first press and the last release count.
void CompareWindow::keyPressEvent(QKeyEvent* event) {
  if (!IsB(*event) || event->modifiers() != Qt::NoModifier) return QWidget::keyPressEvent(event);
  if (!event->isAutoRepeat()) view_->HoldBefore();
}

void CompareWindow::keyReleaseEvent(QKeyEvent* event) {
  if (!IsB(*event)) return QWidget::keyReleaseEvent(event);
  if (!event->isAutoRepeat() && view_->HoldingBefore()) view_->ReleaseBefore();
}

void CompareWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && !isActiveWindow() && view_->HoldingBefore())
    view_->ReleaseBefore();
  QWidget::changeEvent(event);
}

}  // namespace brumel
