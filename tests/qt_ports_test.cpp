// The Qt side of the ports: message boxes, the file dialogs' filters, and the save dialog's memory.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "gui/file_dialogs.h"
#include "gui/message_boxes.h"
#include "gui/name_filters.h"

namespace brumel {
namespace {

namespace fs = std::filesystem;

// Calls act with the modal window once it is up, and closes it if act did not, so that a
// failing check cannot leave the test waiting for ever.
void WhenModal(std::function<void(QWidget*)> act) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    act(modal);
    if (modal->isVisible()) modal->close();
  });
  poll->start(10);
}

struct Shown {
  QString title, text;
  QMessageBox::Icon icon;
  qsizetype buttons;
};

Shown Capture(std::function<void()> show) {
  Shown shown{};
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_TRUE(box);
    shown = {box->windowTitle(), box->text(), box->icon(), box->buttons().size()};
    box->button(QMessageBox::Ok)->click();
  });
  show();
  return shown;
}

TEST(QtMessageBoxes, InformationAndErrorBoxes) {
  QWidget owner;
  QtMessageBoxes boxes(&owner, "brumel");
  const Shown information = Capture([&] { boxes.ShowInformation(" batch processing complete"); });
  EXPECT_EQ(information.title, "brumel");
  EXPECT_EQ(information.text, " batch processing complete");
  EXPECT_EQ(information.icon, QMessageBox::NoIcon);
  EXPECT_EQ(information.buttons, 1);
  const Shown error = Capture([&] { boxes.ShowError("Bitmap image is not valid"); });
  EXPECT_EQ(error.title, "brumel");
  EXPECT_EQ(error.text, "Bitmap image is not valid.");
  EXPECT_EQ(error.icon, QMessageBox::Critical);
  EXPECT_EQ(error.buttons, 1);
  EXPECT_EQ(Capture([&] { boxes.ShowError("Error Reading File!"); }).text, "Error Reading File!");
}

TEST(NameFilters, PairsBecomeLabelledPatterns) {
  EXPECT_EQ(NameFilters("Ping|*.PNG|Jpeg|*.JPG|BitMap|*.BMP|tif (uncompressed)|*.tif"),
            QStringList(
                {"Ping (*.PNG)", "Jpeg (*.JPG)", "BitMap (*.BMP)", "tif (uncompressed) (*.tif)"}));
  EXPECT_EQ(NameFilters("pictures|*.jpg;*.png"), QStringList({"pictures (*.jpg *.png)"}));
}

class Dialogs : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("brumel_dialogs_" + std::to_string(QCoreApplication::applicationPid()));
    fs::create_directories(folder_);
    for (const char* name : {"IMG_0001.JPG", "b.Jpg", "c.jpg", "d.png", "e.txt"})
      std::ofstream(folder_ / name) << "x";
  }
  void TearDown() override { fs::remove_all(folder_); }
  QString Folder() const { return QString::fromStdString(folder_.string()); }
  fs::path folder_;
};

TEST_F(Dialogs, OpenFiltersMatchEveryLetterCase) {
  QtOpenDialog open(nullptr, "bitmap|*.bmp|jpeg|*.jpg|Ping|*.png|Tif|*.tif", "bmp");
  open.Dialog().setDirectory(Folder());
  open.Dialog().selectNameFilter("jpeg (*.jpg)");
  QStringList listed;
  WhenModal([&](QWidget* modal) {
    auto* model = modal->findChild<QFileSystemModel*>();
    const QModelIndex root = model->index(Folder());
    QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(root), 3, 5000);
    for (int i = 0; i < model->rowCount(root); ++i)
      listed << model->fileName(model->index(i, 0, root));
    modal->findChild<QLineEdit*>("fileNameEdit")->setText("\"IMG_0001.JPG\" \"c.jpg\"");
    QMetaObject::invokeMethod(&open.Dialog(), "accept");
  });
  ASSERT_TRUE(open.Execute());
  listed.sort();
  EXPECT_EQ(listed, QStringList({"IMG_0001.JPG", "b.Jpg", "c.jpg"}));
  ASSERT_EQ(open.Files().size(), 2u);
  EXPECT_EQ(open.Files()[0], (folder_ / "IMG_0001.JPG").string());
  EXPECT_EQ(open.Dialog().defaultSuffix(), "bmp");
  WhenModal([&](QWidget*) { open.Dialog().reject(); });
  EXPECT_FALSE(open.Execute());
  EXPECT_TRUE(open.Files().empty());
}

TEST_F(Dialogs, SaveKeepsNameAndFilterAndNeverAsks) {
  QtSaveDialog save(nullptr, "Ping|*.PNG|Jpeg|*.JPG|BitMap|*.BMP|tif (uncompressed)|*.tif");
  EXPECT_EQ(save.FilterIndex(), 1);
  save.SetFileName((folder_ / "d.png").string());
  WhenModal([&](QWidget* modal) {
    auto* name = modal->findChild<QLineEdit*>("fileNameEdit");
    EXPECT_EQ(name->text(), "d.png");
    save.Dialog().selectNameFilter("BitMap (*.BMP)");
    name->setText("d.png");  // Qt's dialog gives the name the filter's extension
    QMetaObject::invokeMethod(&save.Dialog(), "accept");  // an existing file: no question
  });
  ASSERT_TRUE(save.Execute());
  EXPECT_EQ(save.FileName(), (folder_ / "d.png").string());
  EXPECT_EQ(save.FilterIndex(), 3);
  save.SetFileName("release.zip");
  WhenModal([&](QWidget* modal) {
    EXPECT_EQ(modal->findChild<QLineEdit*>("fileNameEdit")->text(), "release.zip");
    EXPECT_EQ(modal->findChild<QComboBox*>("fileTypeCombo")->currentIndex(), 2);
    save.Dialog().reject();
  });
  EXPECT_FALSE(save.Execute());
  EXPECT_EQ(save.FileName(), "release.zip");
  EXPECT_EQ(save.FilterIndex(), 3);
}

// A dialog shows over the window the person is in (the Compare window's keys open them there),
// and goes back to its owner, which keeps it with its folder and filter.
TEST_F(Dialogs, DialogsAndBoxesShowOverTheActiveWindow) {
  QWidget owner, asking;
  asking.show();
  // The offscreen platform activates no window when a dialog closes, as a desktop would.
  const auto activate = [&] {
    asking.activateWindow();
    return QTest::qWaitFor([&] { return QApplication::activeWindow() == &asking; });
  };
  QtSaveDialog save(&owner, "Ping|*.PNG");
  QtOpenDialog open(&owner, "Ping|*.png", "png");
  QtMessageBoxes boxes(&owner, "brumel");
  std::vector<QWidget*> over;
  const auto overAndClose = [&](QWidget* modal) {
    over.push_back(modal->parentWidget());
    modal->close();
  };
  ASSERT_TRUE(activate());
  WhenModal(overAndClose);
  EXPECT_FALSE(save.Execute());
  ASSERT_TRUE(activate());
  WhenModal(overAndClose);
  EXPECT_FALSE(open.Execute());
  ASSERT_TRUE(activate());
  WhenModal(overAndClose);
  boxes.ShowError("Error Reading File!");
  EXPECT_EQ(over, std::vector<QWidget*>({&asking, &asking, &asking}));
  EXPECT_EQ(save.Dialog().parentWidget(), &owner);
  EXPECT_EQ(open.Dialog().parentWidget(), &owner);
  EXPECT_TRUE(save.Dialog().isWindow());
}

}  // namespace
}  // namespace brumel
