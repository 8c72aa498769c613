#include "gui/compare_window.h"

#include <QToolBar>
#include <QVBoxLayout>
#include <filesystem>

namespace brumel {

namespace {

constexpr int kStartWidth = 1000, kStartHeight = 720;

}  // namespace

CompareWindow::CompareWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), view_(new CompareView(this)) {
  auto* tools = new QToolBar(this);
  fit_ = tools->addAction("Fit");
  fit_->setShortcut(Qt::Key_F);
  fit_->setToolTip("Fit the picture to the window (F)");
  fullSize_ = tools->addAction("100 %");
  fullSize_->setShortcut(Qt::Key_1);
  fullSize_->setToolTip("Show the picture at full size (1)");
  connect(fit_, &QAction::triggered, view_, &CompareView::Fit);
  connect(fullSize_, &QAction::triggered, view_, &CompareView::FullSize);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(tools);
  layout->addWidget(view_, 1);
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

}  // namespace brumel
