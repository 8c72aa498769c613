// The main window on Qt's offscreen platform, its dialogs and message boxes behind scripted
// fakes: the layout at start-up, every control's event, loading, the batch run, About and the
// update check's wiring.
#include <gtest/gtest.h>

#include <QApplication>
#include <QRadioButton>
#include <QTest>
#include <clocale>
#include <deque>
#include <filesystem>
#include <fstream>

#include "correct/correct_bitmap.h"
#include "correct/curve_graph.h"
#include "formats/bmp/bmp_codec.h"
#include "gui/bitmap_image.h"
#include "gui/correct.h"
#include "window_fakes.h"

namespace brumel {
namespace {

namespace fs = std::filesystem;

Bitmap Gradient(int width, int height) {
  Bitmap bitmap(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = bitmap.ScanLine(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(x), p[1] = static_cast<std::uint8_t>(y), p[2] = 99;
    }
  return bitmap;
}

Bitmap FromPane(const ImagePane& pane) {
  const QImage image = pane.Picture().convertToFormat(QImage::Format_BGR888);
  Bitmap bitmap(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(bitmap.ScanLine(y), image.constScanLine(y), 3 * std::size_t(image.width()));
  return bitmap;
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
  return ToQImage(a) == ToQImage(b);
}

Bitmap Corrected(const Bitmap& source, const ControlPositions& positions) {
  Bitmap out(source.Width(), source.Height());
  CorrectBitmap(source, out, SettingsFromPositions(positions));
  return out;
}

class Window : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("brumel_window_" + std::to_string(QCoreApplication::applicationPid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    previous_ = fs::current_path();
    fs::current_path(folder_);
    window_ =
        std::make_unique<Tbrumel>("brumel", [this](const std::string&, const std::string& target,
                                                   std::int64_t) { return Download(target); });
    window_->SetPorts({&messages_, &open_, &save_, &offer_});
  }
  void TearDown() override {
    window_.reset();
    fs::current_path(previous_);
    fs::remove_all(folder_);
  }

  std::string Picture(const std::string& name, const Bitmap& bitmap) {
    const std::string path = (folder_ / name).string();
    SaveBmpFile(path, bitmap);
    return path;
  }
  void Load(const std::vector<std::string>& files) {
    open_.script.push_back(files);
    window_->Button1->click();
  }
  Bitmap Preview() const { return FromPane(*window_->Image2); }
  // The version file the next download writes, when there is one.
  int Download(const std::string& target) {
    if (versionFiles_.empty()) return 1;
    std::ofstream(target, std::ios::binary) << versionFiles_.front();
    versionFiles_.pop_front();
    return 0;
  }

  fs::path folder_;
  fs::path previous_;
  FakeMessages messages_;
  FakeOpenDialog open_;
  FakeSaveDialog save_;
  FakeOffer offer_;
  std::deque<std::string> versionFiles_;
  std::unique_ptr<Tbrumel> window_;
};

TEST_F(Window, ControlsStandWhereTheLayoutPutsThem) {
  struct Place {
    const char* name;
    QRect geometry;
  };
  const Place places[] = {{"Button1", {32, 16, 75, 25}},      {"Button2", {128, 16, 169, 25}},
                          {"Image3", {8, 44, 441, 89}},       {"curve", {464, 8, 65, 129}},
                          {"ScrollBar1", {72, 152, 409, 16}}, {"Centedit", {496, 152, 33, 17}},
                          {"ScrollBar2", {72, 176, 409, 16}}, {"cornEdit", {496, 176, 33, 17}},
                          {"Image1", {72, 200, 201, 201}},    {"Image2", {280, 200, 201, 201}},
                          {"Panel1", {24, 416, 505, 137}},    {"ScrollBar3", {80, 9, 289, 16}},
                          {"GammaEdit", {384, 4, 33, 21}},    {"redBar", {40, 57, 409, 16}},
                          {"redEdit", {456, 52, 33, 21}},     {"greenBar", {40, 81, 409, 16}},
                          {"greenEdit", {456, 76, 33, 21}},   {"blueBar", {40, 105, 409, 16}},
                          {"blueEdit", {456, 100, 33, 21}}};
  for (const Place& place : places) {
    auto* widget = window_->findChild<QWidget*>(place.name);
    ASSERT_TRUE(widget) << place.name;
    EXPECT_EQ(widget->geometry(), place.geometry) << place.name;
  }
  const std::pair<const char*, QPoint> labels[] = {
      {"Label8", {208, 136}}, {"Label1", {24, 152}}, {"Label2", {24, 176}}, {"Label3", {32, 12}},
      {"Label7", {176, 36}},  {"Label4", {8, 60}},   {"Label5", {8, 84}},   {"Label6", {8, 108}}};
  for (const auto& [name, position] : labels)
    EXPECT_EQ(window_->findChild<QLabel*>(name)->pos(), position) << name;
  EXPECT_EQ(window_->Label4->palette().color(QPalette::Window), QColor(Qt::red));
  EXPECT_EQ(window_->Label6->palette().color(QPalette::Window), QColor(Qt::blue));
  EXPECT_EQ(window_->ScrollBar3->parentWidget(), window_->Panel1);
  EXPECT_FALSE(window_->Centedit->hasFrame());
  EXPECT_FALSE(window_->cornEdit->hasFrame());
  EXPECT_TRUE(window_->GammaEdit->hasFrame() && window_->GammaEdit->isReadOnly());
  window_->show();
  EXPECT_EQ(window_->centralWidget()->size(), QSize(558, 591));
  EXPECT_EQ(window_->pos(), QPoint(205, 101));
  EXPECT_TRUE(window_->windowTitle().startsWith("Brumel"));
  ASSERT_EQ(window_->MainMenu1->actions().size(), 2);
  EXPECT_EQ(window_->About1->text(), "About");
  EXPECT_EQ(window_->CheckUpdate1->text(), "Check Update");
  EXPECT_FALSE(window_->About1->menu() || window_->CheckUpdate1->menu());
}

TEST_F(Window, BarsAndCurveStartAtTheirDefaults) {
  const std::pair<QScrollBar*, ControlRange> bars[] = {
      {window_->ScrollBar1, kCornerBar}, {window_->ScrollBar2, kCentreBar},
      {window_->ScrollBar3, kGammaBar},  {window_->redBar, kRedBar},
      {window_->greenBar, kGreenBar},    {window_->blueBar, kBlueBar}};
  for (const auto& [bar, control] : bars) {
    EXPECT_EQ(bar->minimum(), control.minimum) << control.name;
    EXPECT_EQ(bar->maximum(), control.maximum) << control.name;
    EXPECT_EQ(bar->value(), control.initial) << control.name;
    EXPECT_EQ(bar->pageStep(), 0) << control.name;
  }
  const auto items = window_->curve->findChildren<QRadioButton*>();
  ASSERT_EQ(items.size(), 5);
  EXPECT_EQ(items[4]->text(), "x^2+x");
  EXPECT_TRUE(items[0]->isChecked());
}

TEST_F(Window, TabOrderFollowsTheLayout) {
  const char* expected[] = {"Button1",  "Button2",    "curve0",     "curve1",     "curve2",
                            "curve3",   "curve4",     "ScrollBar2", "ScrollBar1", "Centedit",
                            "cornEdit", "ScrollBar3", "blueBar",    "greenBar",   "redBar",
                            "redEdit",  "greenEdit",  "blueEdit",   "GammaEdit",  "Button1"};
  QWidget* widget = window_->Button1;
  for (const char* name : expected) {
    EXPECT_EQ(widget->objectName(), name);
    do widget = widget->nextInFocusChain();
    while (!(widget->focusPolicy() & Qt::TabFocus));
  }
}

TEST_F(Window, StartsWithBlankPanesTheGraphAndTheInitialTexts) {
  EXPECT_TRUE(SamePixels(FromPane(*window_->Image1), Bitmap(201, 201)));
  EXPECT_TRUE(SamePixels(Preview(), Bitmap(201, 201)));
  CurveGraph graph;
  CorrectionSettings settings;
  graph.Draw(settings, 100, 100);
  EXPECT_TRUE(SamePixels(FromPane(*window_->Image3), graph.Raster()));
  EXPECT_EQ(window_->Centedit->text(), "1");
  EXPECT_EQ(window_->cornEdit->text(), "-0.5");
  EXPECT_EQ(window_->GammaEdit->text(), "GammaEdit");
  EXPECT_EQ(window_->redEdit->text(), "redEdit");
  EXPECT_EQ(window_->blueEdit->text(), "blueEdit");
}

TEST_F(Window, GammaStepAndBackCorrectsTheBlankPane) {
  window_->ScrollBar3->setValue(181);
  EXPECT_EQ(window_->GammaEdit->text(), "1.81");
  window_->ScrollBar3->setValue(180);
  EXPECT_EQ(window_->GammaEdit->text(), "1.8");
  const QImage preview = window_->Image2->Picture();
  EXPECT_EQ(preview.pixelColor(100, 100), QColor(174, 174, 174));
  for (QPoint corner : {QPoint(0, 0), QPoint(200, 0), QPoint(0, 200), QPoint(200, 200)})
    EXPECT_EQ(preview.pixelColor(corner), QColor(255, 255, 255));
  EXPECT_TRUE(SamePixels(FromPane(*window_->Image1), Bitmap(201, 201)));
}

TEST_F(Window, FirstColourBarMoveFillsAllThreeBoxes) {
  window_->greenBar->setValue(57);
  EXPECT_EQ(window_->redEdit->text(), "0");
  EXPECT_EQ(window_->greenEdit->text(), "7");
  EXPECT_EQ(window_->blueEdit->text(), "0");
  window_->blueBar->setValue(0);
  EXPECT_EQ(window_->blueEdit->text(), "-50");
  ControlPositions positions;
  positions.green = 57, positions.blue = 0;
  EXPECT_TRUE(SamePixels(Preview(), Corrected(Bitmap(201, 201), positions)));
}

TEST_F(Window, CornerBarRefreshesBoxGraphAndPreviewInOneEvent) {
  window_->ScrollBar1->setValue(7);
  EXPECT_EQ(window_->Centedit->text(), "0.07");
  CurveGraph graph;
  CorrectionSettings settings;
  graph.Draw(settings, 100, 100);
  graph.Draw(settings, 7, 100);
  EXPECT_TRUE(SamePixels(FromPane(*window_->Image3), graph.Raster()));
  ControlPositions positions;
  positions.corner = 7;
  EXPECT_TRUE(SamePixels(Preview(), Corrected(Bitmap(201, 201), positions)));
  window_->ScrollBar2->setValue(199);
  EXPECT_EQ(window_->cornEdit->text(), "-0.005");
}

TEST_F(Window, CurveClickAndArrowKeysChooseTheCurve) {
  window_->findChild<QRadioButton*>("curve2")->click();
  ControlPositions positions;
  positions.curve = 2;
  EXPECT_TRUE(SamePixels(Preview(), Corrected(Bitmap(201, 201), positions)));

  window_->show();
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  window_->findChild<QRadioButton*>("curve2")->setFocus();
  QTest::keyClick(window_->findChild<QRadioButton*>("curve2"), Qt::Key_Down);
  EXPECT_TRUE(window_->findChild<QRadioButton*>("curve3")->isChecked());
  positions.curve = 3;
  EXPECT_TRUE(SamePixels(Preview(), Corrected(Bitmap(201, 201), positions)));
}

TEST_F(Window, ClickOnThePreviewRecomputesItAndNothingElse) {
  QTest::mouseClick(window_->Image1, Qt::LeftButton);
  EXPECT_EQ(window_->redEdit->text(), "redEdit");
  QTest::mouseClick(window_->Image2, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(window_->redEdit->text(), "0");
  EXPECT_TRUE(SamePixels(Preview(), Corrected(Bitmap(201, 201), {})));
  EXPECT_EQ(window_->GammaEdit->text(), "GammaEdit");
  EXPECT_TRUE(SamePixels(FromPane(*window_->Image1), Bitmap(201, 201)));
}

TEST_F(Window, FocusLeavingABarOrTheCurveGroupRefreshes) {
  window_->show();
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  window_->ScrollBar1->setFocus();
  window_->Button1->setFocus();
  EXPECT_EQ(window_->redEdit->text(), "0");
  window_->redEdit->setText("stale");
  window_->findChild<QRadioButton*>("curve0")->setFocus();
  window_->findChild<QRadioButton*>("curve3")->setFocus();
  EXPECT_EQ(window_->redEdit->text(), "stale");  // still inside the group
  window_->Button2->setFocus();
  EXPECT_EQ(window_->redEdit->text(), "0");
}

TEST_F(Window, CancelOrUnknownExtensionBeforeALoadChangesNothing) {
  Load({});
  Load({(folder_ / "photo.jpeg").string()});
  EXPECT_EQ(open_.shown, 2);
  EXPECT_TRUE(messages_.errors.empty() && messages_.information.empty());
  EXPECT_EQ(window_->Image1->size(), QSize(201, 201));
  EXPECT_EQ(window_->redEdit->text(), "redEdit");
}

TEST_F(Window, ReaderErrorIsShownAndKeepsThePanes) {
  Load({Picture("wide.bmp", Gradient(300, 150))});
  const std::string broken = (folder_ / "broken.bmp").string();
  std::ofstream(broken) << "not a bitmap";
  Load({broken});
  ASSERT_EQ(messages_.errors.size(), 1u);
  EXPECT_EQ(messages_.errors[0], "Bitmap image is not valid");
  EXPECT_EQ(window_->Image1->size(), QSize(200, 100));
  EXPECT_EQ(window_->WorkingBitmap().Width(), 300);
}

TEST_F(Window, BatchWritesEveryInputAndACancelledLoadShowsTheLastOne) {
  Load({Picture("wide.bmp", Gradient(300, 150))});
  window_->redBar->setValue(60);
  const std::vector<std::string> inputs{Picture("in0.bmp", Gradient(40, 20)),
                                        Picture("in1.bmp", Gradient(20, 80))};
  open_.script.push_back(inputs);
  save_.typed = (folder_ / "fixed.png").string();
  save_.filter = 3;
  window_->redEdit->setText("stale");
  window_->Button2->click();
  EXPECT_TRUE(messages_.errors.empty()) << messages_.errors.front();
  ASSERT_EQ(messages_.information.size(), 1u);
  EXPECT_EQ(messages_.information[0], " batch processing complete");
  EXPECT_EQ(window_->redEdit->text(), "10");
  EXPECT_TRUE(fs::exists(folder_ / "fixed0.bmp") && fs::exists(folder_ / "fixed1.bmp"));
  EXPECT_EQ(window_->Image1->size(), QSize(200, 100));  // the panes are not touched
  Load({});
  EXPECT_EQ(window_->Image1->size(), QSize(50, 200));
}

TEST_F(Window, BatchStopsSilentlyWhenADialogIsCancelled) {
  window_->Button2->click();
  open_.script.push_back({Picture("in0.bmp", Gradient(4, 4))});
  save_.confirm = false;
  window_->Button2->click();
  EXPECT_EQ(save_.shown, 1);
  EXPECT_TRUE(messages_.errors.empty() && messages_.information.empty());
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

TEST_F(Window, AboutShowsTheProgramVersion) {
  window_->About1->trigger();
  ASSERT_EQ(messages_.information.size(), 1u);
  EXPECT_EQ(messages_.information[0], "Version 1.13");
}

// Runs when the machine has a locale that writes a decimal comma.
TEST_F(Window, NumbersTakeTheUsersDecimalSeparator) {
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  window_->About1->trigger();
  window_->ScrollBar3->setValue(181);
  std::setlocale(LC_NUMERIC, previous.c_str());
  ASSERT_EQ(messages_.information.size(), 1u);
  EXPECT_EQ(messages_.information[0], "Version 1,13");
  EXPECT_EQ(window_->GammaEdit->text(), "1,81");
}

TEST_F(Window, CheckUpdateWorksInTheStartDirectoryWithTheBatchSaveDialog) {
  versionFiles_ = {"1.13\r\n", "1.2\r\nsub/dir/release.zip\r\nhttp://x/r.zip\r\n"};
  window_->CheckUpdate1->trigger();
  ASSERT_EQ(messages_.information.size(), 1u);
  EXPECT_EQ(messages_.information[0], "You have the latest version (1.13) installed");
  EXPECT_TRUE(fs::exists(folder_ / "bmversion.txt"));
  fs::current_path(previous_);  // the start directory stays where the window was made
  window_->CheckUpdate1->trigger();
  fs::current_path(folder_);
  EXPECT_EQ(offer_.shown, 1);
  EXPECT_EQ(offer_.caption, "Version 1.2 available");
  EXPECT_EQ(save_.name, "release.zip");
  EXPECT_EQ(save_.shown, 0);  // "No thanks"
  window_->CheckUpdate1->trigger();
  ASSERT_EQ(messages_.errors.size(), 1u);
  EXPECT_EQ(messages_.errors[0], "An error ocurred while downloading the version info.");
}

}  // namespace
}  // namespace brumel
