// The Restore menu, the Levels dialog and the files from the desktop, on Qt's offscreen platform
// with the window's dialogs and boxes faked: each item against what brumel-batch's own calls
// give for the same picture and settings.
#include "gui/restore_menu.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QProgressDialog>
#include <QScreen>
#include <QTest>
#include <QUrl>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "batch/batch.h"
#include "batch/restoration_record.h"
#include "correct/correct_bitmap.h"
#include "correct/levels_text.h"
#include "correct/view_correction.h"
#include "formats/bmp/bmp_codec.h"
#include "formats/load_image.h"
#include "gui/bitmap_image.h"
#include "gui/correct.h"
#include "image_test_support.h"
#include "restore/estimate_restoration.h"
#include "restore/restoration_options.h"
#include "update/program_version.h"
#include "window_fakes.h"

namespace brumel {
namespace {

namespace fs = std::filesystem;

// A faded print: low contrast, a red cast and darker corners, so that the estimate moves
// the controls and the levels away from their start.
Bitmap FadedPicture(int width, int height, int seed) {
  Bitmap bitmap(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int edge =
          std::abs(2 * x - width) * 20 / width + std::abs(2 * y - height) * 20 / height;
      const int tone = 70 + (x * 7 + y * 3 + seed * 11) % 90 - edge;
      std::uint8_t* p = bitmap.ScanLine(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(tone * 3 / 4);
      p[1] = static_cast<std::uint8_t>(tone);
      p[2] = static_cast<std::uint8_t>(tone + 50);
    }
  return bitmap;
}

std::string Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bitmap FromPane(const ImagePane& pane) {
  const QImage image = pane.Picture().convertToFormat(QImage::Format_BGR888);
  Bitmap bitmap(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(bitmap.ScanLine(y), image.constScanLine(y), 3 * std::size_t(image.width()));
  return bitmap;
}

bool SamePositions(const ControlPositions& a, const ControlPositions& b) {
  return a.corner == b.corner && a.centre == b.centre && a.gamma == b.gamma && a.red == b.red &&
         a.green == b.green && a.blue == b.blue && a.curve == b.curve;
}

// The options brumel-batch --estimate prints for these settings, in its order.
std::string EstimateLine(const ControlPositions& p, const Levels& levels) {
  return "--levels " + LevelsText(levels) + " --corner " + std::to_string(p.corner) + " --centre " +
         std::to_string(p.centre) + " --curve " + kCurveNames[p.curve] + " --gamma " +
         std::to_string(p.gamma) + " --red " + std::to_string(p.red) + " --green " +
         std::to_string(p.green) + " --blue " + std::to_string(p.blue);
}

// What a command prints on its standard output.
std::string Output(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
    pclose(pipe);
  }
  return text;
}

class RestoreMenuTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    window_ = std::make_unique<Tbrumel>(
        "brumel", [](const std::string&, const std::string&, std::int64_t) { return 1; });
    window_->SetPorts({&messages_, &open_, &save_, &offer_});
    menu_ = window_->Restore1;
    menu_->SetSaveDialog(&saveOne_);
  }
  void TearDown() override {
    window_.reset();
    TempFolderTest::TearDown();
  }

  std::string Picture(const std::string& name, const Bitmap& bitmap) {
    const std::string path = (folder_ / name).string();
    SaveBmpFile(path, bitmap);
    return path;
  }
  Bitmap Loaded(const std::string& path) {
    Bitmap bitmap;
    LoadImageFile(path, bitmap, messages_);
    return bitmap;
  }
  // The outputs brumel-batch writes for these inputs with its own metadata habit.
  BatchRequest BatchOf(const std::vector<std::string>& inputs, const std::string& name) {
    BatchRequest request;
    request.inputs = inputs;
    request.outputName = (folder_ / name).string();
    request.keepMetadataAs = SoftwareTag();
    return request;
  }
  // Whether the window is the active one, once the events of its activation have come. (A
  // window counts as active for qWaitForWindowActive while the window it belongs to is.)
  static bool BecomesActive(QWidget& window) {
    return QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; });
  }
  // The window comes to the front as a click on it would bring it.
  static bool Activate(QWidget& window) {
    window.show();
    window.activateWindow();
    return BecomesActive(window);
  }
  // The main window shown with a picture and the Compare window opened over it by its key.
  CompareWindow& OpenCompare(const std::string& input) {
    window_->LoadFile(input);
    EXPECT_TRUE(Activate(*window_));
    QTest::keyClick(window_.get(), Qt::Key_E, Qt::ControlModifier);
    CompareWindow& compare = *menu_->CompareWindow1;
    EXPECT_TRUE(BecomesActive(compare));
    return compare;
  }
  std::vector<std::string> Staged() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_))
      if (entry.path().filename().string().starts_with(".brumel-"))
        names.push_back(entry.path().string());
    return names;
  }

  FakeMessages messages_;
  FakeOpenDialog open_;
  FakeSaveDialog save_;
  FakeSaveDialog saveOne_;
  FakeOffer offer_;
  std::unique_ptr<Tbrumel> window_;
  RestoreMenu* menu_ = nullptr;
};

TEST_F(RestoreMenuTest, MenuStandsRightOfTheWindowsTwoItemsWithItsKeys) {
  EXPECT_EQ(window_->MainMenu1->actions().size(), 2);
  EXPECT_EQ(window_->MainMenu1->cornerWidget(Qt::TopRightCorner), menu_->RestoreBar);
  EXPECT_EQ(menu_->Restore->title(), "Restore");
  const std::pair<QAction*, const char*> items[] = {{menu_->Automatic1, "Ctrl+R"},
                                                    {menu_->Levels1, "Ctrl+L"},
                                                    {menu_->Reset1, ""},
                                                    {menu_->Compare1, "Ctrl+E"},
                                                    {menu_->SaveCorrected1, "Ctrl+S"},
                                                    {menu_->AutomaticBatch1, ""}};
  ASSERT_EQ(menu_->Restore->actions().size(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(menu_->Restore->actions()[i], items[i].first);
    EXPECT_EQ(items[i].first->shortcut(), QKeySequence(items[i].second));
  }
  EXPECT_EQ(menu_->SaveCorrected1->text(), "Save Corrected Image...");
  EXPECT_EQ(menu_->AutomaticBatch1->text(), "Batch with Automatic Settings...");
}

TEST_F(RestoreMenuTest, KeysWorkWithoutOpeningTheMenu) {
  window_->LoadFile(Picture("p.bmp", FadedPicture(60, 40, 13)));
  window_->show();
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  QTest::keyClick(window_.get(), Qt::Key_R, Qt::ControlModifier);
  EXPECT_FALSE(SamePositions(window_->Positions(), ControlPositions{}));
  QTest::keyClick(window_.get(), Qt::Key_L, Qt::ControlModifier);
  EXPECT_TRUE(menu_->LevelsDialog1->isVisible());
}

TEST_F(RestoreMenuTest, AutomaticIsGreyedOutUntilAPictureIsLoaded) {
  EXPECT_FALSE(menu_->Automatic1->isEnabled());
  EXPECT_FALSE(menu_->SaveCorrected1->isEnabled());
  menu_->Automatic1->trigger();
  EXPECT_TRUE(SamePositions(window_->Positions(), ControlPositions{}));
  EXPECT_EQ(window_->GammaEdit->text(), "GammaEdit");
  window_->LoadFile(Picture("p.bmp", FadedPicture(60, 40, 0)));
  EXPECT_TRUE(menu_->Automatic1->isEnabled());
  EXPECT_TRUE(menu_->SaveCorrected1->isEnabled());
}

// The estimate is that of brumel-batch --estimate on the full-size file; the preview, the
// boxes and the Levels dialog show it.
TEST_F(RestoreMenuTest, WhatAutomaticFoundGoesWithResetAndANewPicture) {
  window_->LoadFile(Picture("faded.bmp", FadedPicture(240, 160, 1)));
  menu_->Automatic1->trigger();
  EXPECT_FALSE(menu_->LevelsDialog1->Found->isHidden());
  menu_->Reset1->trigger();
  EXPECT_TRUE(menu_->LevelsDialog1->Found->isHidden());
  menu_->Automatic1->trigger();
  window_->LoadFile(Picture("other.bmp", FadedPicture(60, 40, 0)));
  EXPECT_TRUE(menu_->LevelsDialog1->Found->isHidden());
}

TEST_F(RestoreMenuTest, AutomaticSetsTheEstimatesControlsAndLevelsThenSaveWritesTheBatchsBytes) {
  const std::string input = Picture("faded.bmp", FadedPicture(240, 160, 1));
  window_->LoadFile(input);
  menu_->Automatic1->trigger();
  const Restoration expected = EstimateRestoration(Loaded(input), HeldSettings{});
  ASSERT_NE(expected.levels, Levels{});
  EXPECT_TRUE(SamePositions(window_->Positions(), expected.positions));
  EXPECT_EQ(window_->CurrentLevels(), expected.levels);
  EXPECT_EQ(menu_->LevelsDialog1->Current(), expected.levels);
  EXPECT_EQ(menu_->LevelsDialog1->Found->text().toStdString(),
            "Automatic: " + FadingNote(expected));
  EXPECT_FALSE(menu_->LevelsDialog1->Found->isHidden());
  EXPECT_EQ(window_->redEdit->text().toInt(), expected.positions.red - kRedBar.initial);
  Bitmap reduced = FromPane(*window_->Image1), preview(reduced.Width(), reduced.Height());
  CorrectBitmap(reduced, preview, SettingsFor(expected));
  EXPECT_EQ(ToQImage(FromPane(*window_->Image2)), ToQImage(preview));

  saveOne_.typed = (folder_ / "chosen.name.png").string();
  saveOne_.filter = 1;
  menu_->SaveCorrected1->trigger();
  ASSERT_TRUE(messages_.errors.empty()) << messages_.errors.front();
  BatchRequest batch = BatchOf({input}, "batch.png");
  batch.settings = SettingsFor(expected);
  batch.settingsText = RestorationOptions(expected);
  Bitmap working;
  RunBatch(batch, working, messages_);
  EXPECT_EQ(Bytes(folder_ / "chosen.name.png"), Bytes(folder_ / "batch0.png"));
  EXPECT_EQ(RecordedSettings((folder_ / "chosen.name.png").string()), RestorationOptions(expected));
  EXPECT_TRUE(Staged().empty());
  // The picture kept is the one loaded, not its correction.
  EXPECT_EQ(ToQImage(window_->WorkingBitmap()), ToQImage(Loaded(input)));
}

// The faded sample, a JPEG, with brumel-batch run as a program: the window's estimate is the line
// --estimate prints, and the picture saved with it equals brumel-batch's given that line.
TEST_F(RestoreMenuTest, FadedSampleMatchesBrumelBatchEstimateAndOutput) {
#ifndef BRUMEL_BATCH_PROGRAM
  GTEST_SKIP() << "brumel-batch is not built";
#else
  const std::string sample = std::string(BRUMEL_SOURCE_DIR) + "/docs/faded-sample.jpg";
  window_->LoadFile(sample);
  menu_->Automatic1->trigger();
  const std::string line = EstimateLine(window_->Positions(), window_->CurrentLevels());
  const std::string program = BRUMEL_BATCH_PROGRAM;
  const std::string printed = Output(program + " --estimate '" + sample + "'");
  EXPECT_NE(printed.find(line), std::string::npos) << printed << "\nwindow: " << line;
  saveOne_.typed = (folder_ / "window.png").string();
  menu_->SaveCorrected1->trigger();
  ASSERT_TRUE(messages_.errors.empty()) << messages_.errors.front();
  Output(program + " " + line + " -o '" + (folder_ / "batch.png").string() + "' '" + sample + "'");
  EXPECT_EQ(Bytes(folder_ / "window.png"), Bytes(folder_ / "batch0.png"));
  EXPECT_GT(Bytes(folder_ / "window.png").size(), 1000u);
#endif
}

TEST_F(RestoreMenuTest, SaveOfAPictureThatCannotBeWrittenShowsTheErrorAndLeavesNothing) {
  window_->LoadFile(Picture("p.bmp", FadedPicture(30, 20, 2)));
  saveOne_.typed = (folder_ / "missing" / "out.png").string();
  menu_->SaveCorrected1->trigger();
  ASSERT_EQ(messages_.errors.size(), 1u);
  EXPECT_NE(messages_.errors[0].find("out.png"), std::string::npos) << messages_.errors[0];
  EXPECT_FALSE(fs::exists(folder_ / "missing"));
}

// Compare opens on the loaded picture and follows every control; it is greyed out until then.
TEST_F(RestoreMenuTest, CompareShowsTheLoadedPictureAndFollowsTheControls) {
  EXPECT_FALSE(menu_->Compare1->isEnabled());
  const std::string input = Picture("album page.bmp", FadedPicture(120, 80, 3));
  window_->LoadFile(input);
  menu_->Compare1->trigger();
  CompareWindow& compare = *menu_->CompareWindow1;
  ASSERT_TRUE(compare.isVisible());
  EXPECT_EQ(compare.windowTitle(), "Compare - album page.bmp");
  const auto drawn = [&] { return compare.View()->grab().toImage(); };
  const QImage before = drawn();
  window_->redBar->setValue(window_->redBar->value() + 30);
  EXPECT_NE(drawn(), before);
  Bitmap expected(compare.View()->width(), compare.View()->height());
  CorrectView(Loaded(input), window_->PassSettings(), compare.View()->Placement(), expected);
  const QImage now = drawn().convertToFormat(QImage::Format_RGB32);
  const int x = compare.View()->width() * 3 / 4, y = compare.View()->height() / 2;
  const std::uint8_t* p = expected.ScanLine(y) + 3 * x;
  EXPECT_EQ(now.pixel(x, y), qRgb(p[2], p[1], p[0]));
}

TEST_F(RestoreMenuTest, ResetPutsEveryControlAndTheLevelsBackToStartUp) {
  window_->LoadFile(Picture("p.bmp", FadedPicture(80, 60, 3)));
  const Bitmap startPreview = FromPane(*window_->Image2);
  menu_->Automatic1->trigger();
  window_->curve->findChild<QAbstractButton*>("curve3")->click();
  menu_->Reset1->trigger();
  EXPECT_TRUE(SamePositions(window_->Positions(), ControlPositions{}));
  EXPECT_EQ(window_->CurrentLevels(), Levels{});
  EXPECT_EQ(menu_->LevelsDialog1->Current(), Levels{});
  EXPECT_EQ(ToQImage(FromPane(*window_->Image2)), ToQImage(startPreview));
}

TEST_F(RestoreMenuTest, LevelsDialogChangesReachThePreviewAndKeepTheLevelsValid) {
  window_->LoadFile(Picture("p.bmp", FadedPicture(80, 60, 4)));
  menu_->Levels1->trigger();
  LevelsDialog& dialog = *menu_->LevelsDialog1;
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(dialog.isModal());
  EXPECT_EQ(dialog.windowTitle(), "Levels");
  int refreshed = 0;
  QObject::connect(window_.get(), &Tbrumel::PreviewRefreshed, [&] { ++refreshed; });
  dialog.channels[0].black->setValue(40);
  EXPECT_EQ(refreshed, 1);
  dialog.channels[2].gamma->setValue(1.25);
  Levels expected;
  expected.red.black = 40;
  expected.blue.gamma = 125;
  EXPECT_EQ(window_->CurrentLevels(), expected);
  CorrectionSettings settings = SettingsFromPositions(ControlPositions{});
  settings.levels = expected;
  const Bitmap reduced = FromPane(*window_->Image1);
  Bitmap preview(reduced.Width(), reduced.Height());
  CorrectBitmap(reduced, preview, settings);
  EXPECT_EQ(ToQImage(FromPane(*window_->Image2)), ToQImage(preview));
  // The black point cannot reach the white point.
  dialog.channels[1].white->setValue(30);
  dialog.channels[1].black->setValue(200);
  EXPECT_EQ(window_->CurrentLevels().green.black, 29);
  EXPECT_TRUE(LevelsInRange(window_->CurrentLevels().green));
  // With the box ticked, the other channels follow the one changed.
  dialog.SameForAll->setChecked(true);
  dialog.channels[2].white->setValue(220);
  for (const ChannelLevels& channel : {window_->CurrentLevels().red, window_->CurrentLevels().green,
                                       window_->CurrentLevels().blue})
    EXPECT_EQ(channel.white, 220);
  dialog.ResetButton->click();
  EXPECT_EQ(window_->CurrentLevels(), Levels{});
}

TEST_F(RestoreMenuTest, BatchProcessTakesTheLevels) {
  const std::string input = Picture("p.bmp", FadedPicture(50, 30, 5));
  Levels levels;
  levels.green.white = 200;
  window_->SetLevels(levels);
  open_.script.push_back({input});
  save_.typed = (folder_ / "levels.png").string();
  window_->Button2->click();
  BatchRequest batch = BatchOf({input}, "expected.png");
  batch.keepMetadataAs.reset();
  batch.settings.levels = levels;
  Bitmap working;
  RunBatch(batch, working, messages_);
  EXPECT_EQ(Bytes(folder_ / "levels0.png"), Bytes(folder_ / "expected0.png"));
}

// What main does with the file a file manager gives.
TEST_F(RestoreMenuTest, FileGivenAtStartIsLoadedAndAnUnreadableOneLeavesTheWindowEmpty) {
  window_->LoadFile((folder_ / "absent.png").string());
  ASSERT_EQ(messages_.errors.size(), 1u);
  EXPECT_NE(messages_.errors[0].find("absent.png"), std::string::npos);
  EXPECT_EQ(window_->WorkingBitmap().Width(), 0);
  EXPECT_EQ(window_->Image1->size(), QSize(201, 201));
  EXPECT_FALSE(menu_->Automatic1->isEnabled());
  // A type the loader does not take by its name is named too, not opened silently empty.
  window_->LoadFile(Picture("scan.jpeg", FadedPicture(30, 20, 6)));
  ASSERT_EQ(messages_.errors.size(), 2u);
  EXPECT_NE(messages_.errors[1].find("scan.jpeg"), std::string::npos);
  EXPECT_EQ(window_->WorkingBitmap().Width(), 0);
  const std::string input = Picture("given.bmp", FadedPicture(300, 150, 6));
  window_->LoadFile(input);
  EXPECT_EQ(window_->LoadedFile(), input);
  EXPECT_EQ(window_->Image1->size(), QSize(200, 100));
  EXPECT_EQ(window_->Panel1->y(), 310);
}

TEST_F(RestoreMenuTest, PictureDroppedOnTheWindowLoadsAndOtherFilesAreRefused) {
  const std::string input = Picture("dropped.bmp", FadedPicture(100, 100, 7));
  const auto dropped = [&](const std::string& name) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(name))});
    // A drop goes to the widget that took the drag when it entered.
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &drop);
    return drop.isAccepted();
  };
  EXPECT_FALSE(dropped((folder_ / "notes.txt").string()));
  EXPECT_EQ(window_->WorkingBitmap().Width(), 0);
  EXPECT_TRUE(dropped(input));
  EXPECT_EQ(window_->LoadedFile(), input);
  EXPECT_EQ(window_->Image1->size(), QSize(200, 200));
}

TEST_F(RestoreMenuTest, AutomaticBatchWritesWhatTheAutoBatchWritesAndNamesEveryFile) {
  const std::vector<std::string> inputs = {Picture("a.bmp", FadedPicture(90, 60, 8)),
                                           (folder_ / "gone.png").string(),
                                           Picture("c.bmp", FadedPicture(60, 90, 9))};
  open_.script.push_back(inputs);
  save_.typed = (folder_ / "auto.png").string();
  menu_->AutomaticBatch1->trigger();
  BatchRequest batch = BatchOf(inputs, "expected.png");
  batch.automatic = HeldSettings{};
  batch.keepGoing = true;
  Bitmap working;
  RunBatch(batch, working, messages_);
  EXPECT_EQ(Bytes(folder_ / "auto0.png"), Bytes(folder_ / "expected0.png"));
  EXPECT_EQ(Bytes(folder_ / "auto2.png"), Bytes(folder_ / "expected2.png"));
  EXPECT_FALSE(fs::exists(folder_ / "auto1.png"));
  ASSERT_EQ(messages_.information.size(), 1u);
  const std::string& said = messages_.information[0];
  EXPECT_EQ(said.rfind(" batch processing complete", 0), 0u) << said;
  EXPECT_NE(said.find("written " + (folder_ / "auto0.png").string()), std::string::npos) << said;
  EXPECT_NE(said.find("written " + (folder_ / "auto2.png").string()), std::string::npos) << said;
  EXPECT_NE(said.find("failed " + inputs[1]), std::string::npos) << said;
  // The window keeps the picture it showed.
  EXPECT_EQ(window_->WorkingBitmap().Width(), 0);
}

TEST_F(RestoreMenuTest, CancelStopsAfterTheCurrentFileWithOnlyCompleteOutputs) {
  const std::vector<std::string> inputs = {Picture("a.bmp", FadedPicture(90, 60, 10)),
                                           Picture("b.bmp", FadedPicture(70, 50, 11)),
                                           Picture("c.bmp", FadedPicture(60, 40, 12))};
  // The person presses Cancel while the first file is being worked on.
  QObject::connect(menu_, &RestoreMenu::BatchFileStarted, menu_, [this](std::size_t index) {
    if (index == 0) window_->findChild<QProgressDialog*>("BatchProgress")->cancel();
  });
  open_.script.push_back(inputs);
  save_.typed = (folder_ / "auto.png").string();
  menu_->AutomaticBatch1->trigger();
  BatchRequest batch = BatchOf({inputs[0]}, "expected.png");
  batch.automatic = HeldSettings{};
  Bitmap working;
  RunBatch(batch, working, messages_);
  EXPECT_EQ(Bytes(folder_ / "auto0.png"), Bytes(folder_ / "expected0.png"));
  EXPECT_FALSE(fs::exists(folder_ / "auto1.png"));
  EXPECT_FALSE(fs::exists(folder_ / "auto2.png"));
  EXPECT_TRUE(Staged().empty());
  ASSERT_EQ(messages_.information.size(), 1u);
  EXPECT_EQ(messages_.information[0].rfind("Batch stopped after 1 of 3 files", 0), 0u)
      << messages_.information[0];
}

}  // namespace
}  // namespace brumel

namespace brumel {
namespace {

// The keys that act on the picture, pressed in the Compare window and in the Levels dialog, do
// what they do in the main window; the Compare window holds the menu too.
TEST_F(RestoreMenuTest, CtrlSInTheCompareWindowSavesWhatTheMainWindowSaves) {
  CompareWindow& compare = OpenCompare(Picture("faded.bmp", FadedPicture(120, 80, 14)));
  const auto* bar = compare.findChild<QMenuBar*>();
  ASSERT_TRUE(bar);
  EXPECT_EQ(bar->actions(), QList<QAction*>({menu_->Restore->menuAction()}));
  window_->redBar->setValue(63);
  saveOne_.typed = (folder_ / "from compare.png").string();
  QTest::keyClick(&compare, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(saveOne_.shown, 1);
  ASSERT_TRUE(Activate(*window_));
  saveOne_.typed = (folder_ / "from main.png").string();
  QTest::keyClick(window_.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(saveOne_.shown, 2);
  ASSERT_TRUE(messages_.errors.empty()) << messages_.errors.front();
  EXPECT_GT(Bytes(folder_ / "from compare.png").size(), 1000u);
  EXPECT_EQ(Bytes(folder_ / "from compare.png"), Bytes(folder_ / "from main.png"));
}

TEST_F(RestoreMenuTest, CtrlRInTheCompareWindowGivesTheControlsOfTheMainWindowsAutomatic) {
  CompareWindow& compare = OpenCompare(Picture("faded.bmp", FadedPicture(160, 120, 15)));
  ASSERT_TRUE(Activate(*window_));
  QTest::keyClick(window_.get(), Qt::Key_R, Qt::ControlModifier);
  const ControlPositions positions = window_->Positions();
  const Levels levels = window_->CurrentLevels();
  ASSERT_FALSE(SamePositions(positions, ControlPositions{}));
  menu_->Reset1->trigger();
  ASSERT_TRUE(Activate(compare));
  QTest::keyClick(&compare, Qt::Key_R, Qt::ControlModifier);
  EXPECT_TRUE(SamePositions(window_->Positions(), positions));
  EXPECT_EQ(window_->CurrentLevels(), levels);
}

// The Levels dialog opens over the window that asked for it, and takes the keys in turn.
TEST_F(RestoreMenuTest, CtrlLInTheCompareWindowOpensLevelsOverItWhoseKeysWorkToo) {
  CompareWindow& compare = OpenCompare(Picture("faded.bmp", FadedPicture(120, 80, 16)));
  QTest::keyClick(&compare, Qt::Key_L, Qt::ControlModifier);
  LevelsDialog& levels = *menu_->LevelsDialog1;
  ASSERT_TRUE(BecomesActive(levels));
  EXPECT_EQ(levels.windowTitle(), "Levels");
  const QPoint centre = levels.frameGeometry().center();
  EXPECT_LT((centre - compare.frameGeometry().center()).manhattanLength(), 60);
  EXPECT_GT((centre - window_->frameGeometry().center()).manhattanLength(), 60);
  QTest::keyClick(&levels, Qt::Key_R, Qt::ControlModifier);
  EXPECT_FALSE(SamePositions(window_->Positions(), ControlPositions{}));
  EXPECT_EQ(levels.Current(), window_->CurrentLevels());
  compare.close();
  // With a box of the dialog being typed in, the keys still reach the menu.
  QWidget* box = levels.channels[1].gamma;
  box->setFocus();
  QTest::keyClick(box, Qt::Key_E, Qt::ControlModifier);
  EXPECT_TRUE(BecomesActive(compare));
  ASSERT_TRUE(Activate(levels));
  saveOne_.typed = (folder_ / "out.png").string();
  QTest::keyClick(box, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(saveOne_.shown, 1);
  EXPECT_TRUE(fs::exists(folder_ / "out.png"));
}

// On the screen the tests run on (the offscreen platform's, or the one a ctest run configures
// and names in BRUMEL_SCREEN): the Compare window opens within the screen's available area,
// beside the main window where it has room, else against the screen's edge farther from the
// main window; and keeps its place and size while it is open, and its zoom when asked again.
TEST_F(RestoreMenuTest, CompareOpensBesideTheMainWindowWithinTheScreenAndStaysPut) {
  const QSize screen = window_->screen()->size();
  const QString named = QString("%1x%2").arg(screen.width()).arg(screen.height());
  const char* asked = std::getenv("BRUMEL_SCREEN");
  if (asked) {
    ASSERT_EQ(named, asked);
  }
  const QSize opening = menu_->CompareWindow1->size();
  ASSERT_TRUE(Activate(*window_));
  const QRect mainFrame = window_->frameGeometry();
  const int decorations = mainFrame.width() - window_->width();
  const QRect available = window_->screen()->availableGeometry();
  const bool room = available.right() - mainFrame.right() >= opening.width() + decorations;
  if (asked) {
    EXPECT_EQ(room, named == "1920x1080");
  }
  CompareWindow& compare = OpenCompare(Picture("a.bmp", FadedPicture(90, 60, 18)));
  const QRect frame = compare.frameGeometry();
  EXPECT_TRUE(available.contains(frame));
  if (room) {
    EXPECT_EQ(frame.left(), mainFrame.right() + 1);
    EXPECT_EQ(frame.top(), mainFrame.top());
    EXPECT_EQ(compare.size(), opening);
  } else {
    EXPECT_EQ(frame.right(), available.right());
  }
  compare.move(frame.topLeft() - QPoint(7, 5));
  compare.resize(compare.size() - QSize(30, 20));
  const QRect moved = compare.frameGeometry();
  window_->LoadFile(Picture("b.bmp", FadedPicture(60, 90, 19)));
  QTest::keyClick(window_.get(), Qt::Key_E, Qt::ControlModifier);
  EXPECT_EQ(compare.frameGeometry(), moved);
  EXPECT_EQ(compare.windowTitle(), "Compare - b.bmp");
  compare.FullSizeAction()->trigger();
  QTest::keyClick(window_.get(), Qt::Key_E, Qt::ControlModifier);
  EXPECT_FALSE(compare.View()->Fitted());
}

}  // namespace
}  // namespace brumel
